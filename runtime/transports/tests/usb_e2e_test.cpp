/*
 * usb_e2e_test.cpp - two simulated boards through the runtime: discovery,
 * opening by serial number, user name and connection string, information
 * codes, and stream transactions with data in both directions. Runs natively
 * (korsim started by the test) and under wine (korsim started by simwine.sh).
 */
#include "korsimenv.h"
#include "usbtestenv.h"

#if defined(USB_HAVE_SIMCTL)
#include "kor_child.h"
#endif

/* The boards of usbboards.cfg: korsim started here, or by simwine.sh under wine. */
KORSIM_ENVIRONMENT(KORSIM_CONFIG, "usb-e2e", false);

namespace {

const char szSN1[] = "SN:210183000001";
const char szSN2[] = "SN:210183000002";

class UsbE2e : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!PkorsimEnv()->fOk)
            return;
        UsbSetEnv("YORL_FWDIR", SzUsbTempDir("fw-e2e").c_str());
        fStarted = FUsbRuntimeStart("e2e", getenv("USB_CHILD") != nullptr);
    }
    static void TearDownTestSuite()
    {
        if (fStarted)
            UsbRuntimeStop();
        fStarted = false;
    }
    void SetUp() override
    {
        ASSERT_TRUE(PkorsimEnv()->fOk) << PkorsimEnv()->szErr;
        ASSERT_TRUE(fStarted);
    }
    static DVC DvcOf(const char *szConn)
    {
        DVC dvc;
        memset(&dvc, 0, sizeof(dvc));
        snprintf(dvc.szConn, sizeof(dvc.szConn), "%s", szConn);
        dvc.dtp = dtpUsbFirmware;
        return dvc;
    }
    static std::string SzConnOf(const char *szSN)
    {
        std::vector<EDVC> rgedvc;
        if (!FUsbEnumLive(dinfoSN, (void *)szSN, &rgedvc) || rgedvc.size() != 1)
            return "";
        return rgedvc[0].dvc.szConn;
    }
    static bool fStarted;
};
bool UsbE2e::fStarted = false;

TEST_F(UsbE2e, DiscoversBothBoards)
{
    std::vector<EDVC> rgedvc;
    ASSERT_TRUE(FUsbEnumLive(0, nullptr, &rgedvc)) << TvxGetLastError();
    ASSERT_EQ(rgedvc.size(), 2u);
    EXPECT_STREQ(rgedvc[0].szSN, szSN1);
    EXPECT_STREQ(rgedvc[0].szUsrName, "Board1");
    EXPECT_STREQ(rgedvc[0].dvc.szName, "Board1");
    EXPECT_STREQ(rgedvc[0].szProdName, "KorvanelUsb2");
    EXPECT_STREQ(rgedvc[0].szMAC, "MAC:00:18:3E:00:01:01");
    EXPECT_EQ(rgedvc[0].pdid, 0x00700121u);
    EXPECT_EQ(rgedvc[0].dcap, 0x801u);
    EXPECT_EQ(rgedvc[0].dvc.dtp, (uint32_t)dtpUsbFirmware);
    EXPECT_EQ(rgedvc[0].fsEdvc, fsedvcLive | fsedvcPdid | fsedvcDcap);
    EXPECT_EQ(strncmp(rgedvc[0].dvc.szConn, "#tpt_0001#ptc_0001#", 19), 0) << rgedvc[0].dvc.szConn;
    EXPECT_STREQ(rgedvc[1].szSN, szSN2);
    EXPECT_EQ(rgedvc[1].pdid, 0x30100203u);
}

TEST_F(UsbE2e, DiscoveryFilters)
{
    uint32_t pdid = 0x30100203, dcapStream = 0x800;
    uint16_t prodid = 0x001;
    struct CASE {
        uint32_t dinfo;
        const void *pv;
        const char *szSNExpected;   /* NULL: no record */
    } rgcase[] = {
        {dinfoUsrName, "Board2", szSN2},
        {dinfoUsrName, "board2", nullptr},
        {dinfoSN, "210183000001", szSN1},
        {dinfoMAC, "MAC:00-18-3e-00-01-02", szSN2},
        {dinfoPDID, &pdid, szSN2},
        {dinfoDcap, &dcapStream, szSN1},
        {dinfoProdId, &prodid, nullptr},
        {1, "Board1", nullptr},     /* table names never match a live device */
    };
    for (const CASE &c : rgcase) {
        std::vector<EDVC> rgedvc;
        ASSERT_TRUE(FUsbEnumLive(c.dinfo, const_cast<void *>(c.pv), &rgedvc)) << c.dinfo;
        if (c.szSNExpected == nullptr) {
            EXPECT_TRUE(rgedvc.empty()) << c.dinfo;
        } else {
            ASSERT_EQ(rgedvc.size(), 1u) << c.dinfo;
            EXPECT_STREQ(rgedvc[0].szSN, c.szSNExpected) << c.dinfo;
        }
    }
    std::vector<EDVC> rgedvc;
    EXPECT_FALSE(FUsbEnumLive(dinfoUsrName, nullptr, &rgedvc));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
}

TEST_F(UsbE2e, OpensBySerialUserNameAndConnectionString)
{
    std::string szConn = SzConnOf(szSN1);
    ASSERT_FALSE(szConn.empty());
    /* Opening by a device-table name: usb_enum_test. */
    for (const char *sz : {szSN1, "Board1", szConn.c_str()}) {
        HIF hif = hifNil;
        ASSERT_TRUE(TvxOpen(&hif, sz)) << sz << " " << TvxGetLastError();
        DVC dvc;
        ASSERT_TRUE(TvxGetDvcFromHif(hif, &dvc));
        EXPECT_EQ(szConn, dvc.szConn) << sz;
        EXPECT_EQ(dvc.dtp, (uint32_t)dtpUsbFirmware);
        EXPECT_TRUE(TvxClose(hif));
    }
    HIF hif = hifNil;
    for (const char *sz : {"SN:210183000009", "NoSuchBoard", "SN:21018300000", "#tpt_0001#ptc_0001#ksim-9-9.0"})
        EXPECT_FALSE(TvxOpen(&hif, sz)) << sz;
}

TEST_F(UsbE2e, ReadsInformationCodes)
{
    std::string szConn = SzConnOf(szSN1);
    DVC dvc = DvcOf(szConn.c_str());
    char sz[300];
    ASSERT_TRUE(TvxGetInfo(&dvc, dinfoUsrName, sz)) << TvxGetLastError();
    EXPECT_STREQ(sz, "Board1");
    ASSERT_TRUE(TvxGetInfo(&dvc, dinfoProdName, sz));
    EXPECT_STREQ(sz, "KorvanelUsb2");
    ASSERT_TRUE(TvxGetInfo(&dvc, dinfoSN, sz));
    EXPECT_STREQ(sz, szSN1);
    ASSERT_TRUE(TvxGetInfo(&dvc, dinfoMAC, sz));
    EXPECT_STREQ(sz, "MAC:00:18:3E:00:01:01");
    ASSERT_TRUE(TvxGetInfo(&dvc, dinfoConn, sz));
    EXPECT_EQ(szConn, sz);
    uint32_t w = 0;
    ASSERT_TRUE(TvxGetInfo(&dvc, dinfoPDID, &w));
    EXPECT_EQ(w, 0x00700121u);
    ASSERT_TRUE(TvxGetInfo(&dvc, dinfoDcap, &w));
    EXPECT_EQ(w, 0x801u);
    uint16_t h = 0;
    ASSERT_TRUE(TvxGetInfo(&dvc, dinfoFWVER, &h));
    EXPECT_EQ(h, 0x0305);
    ASSERT_TRUE(TvxGetInfo(&dvc, dinfoProdId, &h));
    EXPECT_EQ(h, 0x007);
    ASSERT_TRUE(TvxGetSysInfo(&dvc, dinfoFWVERRom, &h));
    EXPECT_EQ(h, 0x0100);
    uint32_t rgdcap[2] = {9, 9};
    EXPECT_FALSE(TvxGetInfo(&dvc, dinfoDcapDev, rgdcap));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
    ASSERT_TRUE(TvxGetSysInfo(&dvc, dinfoDcapDev, rgdcap));
    EXPECT_EQ(rgdcap[0], 0x801u);
    EXPECT_EQ(rgdcap[1], 0u);
    int32_t cOpen = -1;
    ASSERT_TRUE(TvxGetInfo(&dvc, dinfoOpenCount, &cOpen));
    EXPECT_EQ(cOpen, 0);
    HIF hif = hifNil;
    ASSERT_TRUE(TvxOpen(&hif, szSN1));
    ASSERT_TRUE(TvxGetInfo(&dvc, dinfoOpenCount, &cOpen));
    EXPECT_EQ(cOpen, 1);
    EXPECT_TRUE(TvxClose(hif));
    /* the catalogue of an empty firmware directory */
    std::vector<uint8_t> rgbCat(4 + 64 * sizeof(FWIMG), 0xEE);
    ASSERT_TRUE(TvxGetSysInfo(&dvc, dinfoHexCatalog, rgbCat.data()));
    EXPECT_EQ(rgbCat[0] | rgbCat[1] | rgbCat[2] | rgbCat[3], 0);
    EXPECT_FALSE(TvxGetSysInfo(&dvc, 4000, &w));
    EXPECT_EQ(TvxGetLastError(), ercNotSupported);
}

/* Bytes out and back through the stream sink and source of the board;
 * an empty text when they came back whole. */
std::string SzStreamLoop(HIF hif, uint32_t cb, uint8_t seed)
{
    std::vector<uint8_t> rgbOut(cb), rgbIn(cb, 0);
    for (uint32_t i = 0; i < cb; i++)
        rgbOut[i] = (uint8_t)(seed + i * 7 + (i >> 8));
    USBTRANS t;
    StreamCmds(&t, cb, cb);
    t.tfp.cbSnd = cb;
    t.tfp.pbSnd = rgbOut.data();
    t.tfp.cbRcv = cb;
    t.tfp.pbRcv = rgbIn.data();
    uint32_t cbOut = 0, cbIn = 0;
    int erc = t.Run(hif, &cbOut, &cbIn);
    if (erc != 0)
        return "cb " + std::to_string(cb) + ": error " + std::to_string(erc);
    if (cbOut != cb || cbIn != cb)
        return "cb " + std::to_string(cb) + ": moved " + std::to_string(cbOut) + "/" + std::to_string(cbIn);
    if (rgbIn != rgbOut)
        return "cb " + std::to_string(cb) + ": other bytes came back";
    return "";
}

TEST_F(UsbE2e, StreamTransactionsInBothDirections)
{
    HIF hif = hifNil;
    ASSERT_TRUE(TvxOpen(&hif, "Board1")) << TvxGetLastError();
    ASSERT_EQ(ErcStreamEnable(hif, true), 0);
    for (uint32_t cb : {1u, 63u, 64u, 4099u, 1u << 20})
        EXPECT_EQ(SzStreamLoop(hif, cb, (uint8_t)cb), "");
    /* no command and no data: claims, releases, succeeds */
    USBTRANS tEmpty;
    EXPECT_EQ(tEmpty.Run(hif), 0);
    EXPECT_EQ(ErcStreamEnable(hif, false), 0);
    EXPECT_TRUE(TvxClose(hif));
}

/* Enabling a port switches capabilities through the manager. */
TEST_F(UsbE2e, PortEnableUsesTheCapabilities)
{
    HIF hif = hifNil;
    ASSERT_TRUE(TvxOpen(&hif, szSN1));
    DVT *pdvt = nullptr;
    ASSERT_TRUE(TvxGetDvt(hif, &pdvt));
    int32_t cprt = 0;
    ASSERT_TRUE(pdvt->FGetPortCount(0x800, 11, &cprt)) << TvxGetLastError();
    EXPECT_EQ(cprt, 1);
    ASSERT_TRUE(pdvt->FEnableApt(0x800, 11, 0)) << TvxGetLastError();
    EXPECT_EQ(pdvt->AptActive(), 11);
    EXPECT_TRUE(TvxClose(hif));
    /* the second board's firmware has no stream capability and no image offers it */
    ASSERT_TRUE(TvxOpen(&hif, szSN2));
    ASSERT_TRUE(TvxGetDvt(hif, &pdvt));
    EXPECT_FALSE(pdvt->FEnableApt(0x800, 11, 0));
    EXPECT_TRUE(TvxClose(hif));
}

#if defined(USB_HAVE_SIMCTL)

/* The child: opens the board in its own runtime and loops its own bytes. */
KOR_CHILD_ROLE(looper)
{
    if (argc < 2 || !FUsbRuntimeStart("e2e", true))
        return 2;
    HIF hif = hifNil;
    int code = 0;
    if (!TvxOpen(&hif, szSN1))
        code = 3;
    for (int i = 0; i < 20 && code == 0; i++) {
        std::string sz = SzStreamLoop(hif, 50000 + i, (uint8_t)atoi(argv[1]));
        if (!sz.empty()) {
            fprintf(stderr, "child: %s\n", sz.c_str());
            code = 4;
        }
    }
    if (hif)
        TvxClose(hif);
    UsbRuntimeStop();
    return code;
}

/* The child: one enumeration in its own runtime (YORL_FAULT set by the
 * parent); the exit code has bit 0 for board 1 listed, bit 1 for board 2,
 * bit 2 for a failed enumeration. */
KOR_CHILD_ROLE(enumerator)
{
    if (!FUsbRuntimeStart("e2e-enum"))
        return 64;
    int code = 0, cdvc = 0;
    if (!TvxEnumDevices(&cdvc))
        code |= 4;
    for (int i = 0; i < cdvc; i++) {
        EDVC edvc;
        if (TvxGetEdvc(i, &edvc) && (edvc.fsEdvc & fsedvcLive) != 0)
            code |= strcmp(edvc.szSN, szSN1) == 0 ? 1 : strcmp(edvc.szSN, szSN2) == 0 ? 2 : 8;
    }
    TvxFreeDvcEnum();
    UsbRuntimeStop();
    return code;
}

/* A board is listed as soon as it is found: a failure later in the scan
 * (here a failed disconnect) keeps the boards found before it. */
TEST_F(UsbE2e, FailurePartWayKeepsTheBoardsFound)
{
    struct CASE {
        const char *szFault;
        int codeWant;
    } rgcase[] = {{"ABSUSB.Disconnect=1", 1}, {"ABSUSB.Disconnect=2", 3}, {"ABSUSB.Disconnect=3", 3}};
    for (const CASE &c : rgcase) {
        KorSetEnv("YORL_FAULT", c.szFault);
        KorChild child;
        bool fStart = child.Start("enumerator");
        KorSetEnv("YORL_FAULT", nullptr);
        ASSERT_TRUE(fStart);
        int code = -1;
        ASSERT_TRUE(child.Wait(60000, &code));
        EXPECT_EQ(c.codeWant, code) << c.szFault;
    }
}

TEST_F(UsbE2e, SecondProcessNeverInterleaves)
{
    HIF hif = hifNil;
    ASSERT_TRUE(TvxOpen(&hif, szSN1));
    ASSERT_EQ(ErcStreamEnable(hif, true), 0);
    KorSetEnv("USB_CHILD", "1");
    KorChild child;
    ASSERT_TRUE(child.Start("looper", {"171"}));
    for (int i = 0; i < 20; i++)
        EXPECT_EQ(SzStreamLoop(hif, 40000 + i, 3), "");
    int code = -1;
    ASSERT_TRUE(child.Wait(60000, &code));
    KorSetEnv("USB_CHILD", nullptr);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(TvxClose(hif));
}

#endif

} // namespace
