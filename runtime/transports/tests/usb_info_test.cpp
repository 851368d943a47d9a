/*
 * usb_info_test.cpp - writing device information: the write-key handshake,
 * the old-firmware path, the argument checks before any request, E2PROM
 * files, the legacy parameter block, reset and renumeration. What the board
 * ended up with is read through the simulator's control channel.
 */
#include "fwimage.h"
#include "usbtestenv.h"

namespace {

const char *SzInfoConfig()
{
    return R"(# boards of the information tests
board cur
  serial 210183000011
  user Cur
  product KorvanelUsb2
  pdid 0x00700121
  fwver 0x0305
  fwverrom 0
  caps 0x00000801 0
  account admin secret 3
board old
  serial 210183000012
  user Old
  product OldBoard
  fwver 0x0201
  pdid 0x00300122
board fx2
  serial 210183000013
  product VCabUsb1 V2.0
  chip fx2
  pdid 0x30100203
  fwver 0x0300
  fwverrom 0
  caps 0x00000001 0
  revid 1
  legacyblock yes
)";
}

class UsbInfo : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string szErr;
        ASSERT_TRUE(simctl.FStart(SzInfoConfig(), &szErr)) << szErr;
        UsbSetEnv("KOR_SIM", ("127.0.0.1:" + std::to_string(simctl.Port())).c_str());
        UsbSetEnv("YORL_FWDIR", SzUsbTempDir("fw-info").c_str());
        ASSERT_TRUE(FUsbRuntimeStart("info"));
    }
    static void TearDownTestSuite()
    {
        UsbRuntimeStop();
        simctl.Stop();
    }
    static std::string SzPath(const char *szBoard) { return simctl.SzState(szBoard, "path"); }
    static DVC DvcOf(const char *szBoard)
    {
        DVC dvc;
        memset(&dvc, 0, sizeof(dvc));
        snprintf(dvc.szConn, sizeof(dvc.szConn), "#tpt_0001#ptc_0001#%s", SzPath(szBoard).c_str());
        dvc.dtp = dtpUsbFirmware;
        return dvc;
    }
    /* The board's log lines that start with szPrefix. */
    static std::vector<std::string> RgszLog(const char *szBoard, const std::string &szPrefix)
    {
        std::vector<std::string> rgsz, rgszMatch;
        simctl.FCmd(std::string("LOG ") + szBoard, &rgsz);
        for (const std::string &sz : rgsz) {
            if (sz.compare(0, szPrefix.size(), szPrefix) == 0)
                rgszMatch.push_back(sz);
        }
        return rgszMatch;
    }

    static SIMCTL simctl;
};
SIMCTL UsbInfo::simctl;

TEST_F(UsbInfo, SettersUseTheWriteKey)
{
    DVC dvc = DvcOf("cur");
    simctl.FCmd("LOGCLEAR cur");
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoUsrName, (void *)"Renamed_1")) << TvxGetLastError();
    EXPECT_EQ(simctl.SzState("cur", "user"), "Renamed_1");
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoProdName, (void *)"A product")) << TvxGetLastError();
    EXPECT_EQ(simctl.SzState("cur", "product"), "A product");
    uint32_t pdid = 0x00700122;
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoPDID, &pdid));
    EXPECT_EQ(simctl.SzState("cur", "pdid"), "0x00700122");
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoSN, (void *)"SN:0123456789AB"));
    EXPECT_EQ(simctl.SzState("cur", "serial"), "0123456789AB");
    /* every write went in between a key and its withdrawal */
    EXPECT_EQ(simctl.SzState("cur", "key"), "0x0000");
    std::vector<std::string> rgszKey = RgszLog("cur", "VR out E8");
    ASSERT_EQ(rgszKey.size(), 8u);
    EXPECT_NE(rgszKey[1].find("ok 0000"), std::string::npos) << rgszKey[1];
}

TEST_F(UsbInfo, ArgumentsAreCheckedBeforeAnyRequest)
{
    DVC dvc = DvcOf("cur");
    simctl.FCmd("LOGCLEAR cur");
    struct CASE {
        uint32_t dinfo;
        const char *sz;
    } rgcase[] = {
        {dinfoUsrName, "SeventeenChars_17"},
        {dinfoUsrName, "with blank"},
        {dinfoUsrName, ""},
        {dinfoProdName, "A product name of 29 letters!"},
        {dinfoSN, "SN:0123456789A"},
        {dinfoUsbProdName, "0123456789012345678901234567890123456789012345678901234567890123X"},
    };
    for (const CASE &c : rgcase) {
        EXPECT_FALSE(TvxSetSysInfo(&dvc, c.dinfo, (void *)c.sz)) << c.sz;
        EXPECT_EQ(TvxGetLastError(), ercInvalidParameter) << c.sz;
    }
    EXPECT_TRUE(RgszLog("cur", "VR out").empty());
    EXPECT_FALSE(TvxSetSysInfo(&dvc, 4000, (void *)"x"));
    EXPECT_EQ(TvxGetLastError(), ercNotSupported);
}

TEST_F(UsbInfo, OldFirmwareTakesChunksWithTheVendorId)
{
    DVC dvc = DvcOf("old");
    simctl.FCmd("LOGCLEAR old");
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoUsrName, (void *)"OldRenamed")) << TvxGetLastError();
    EXPECT_EQ(simctl.SzState("old", "user"), "OldRenamed");
    std::vector<std::string> rgsz = RgszLog("old", "VR out E3");
    ASSERT_EQ(rgsz.size(), 1u);
    EXPECT_EQ(rgsz[0].compare(0, 27, "VR out E3 0000 0000 18 ok 4"), 0) << rgsz[0];
    EXPECT_NE(rgsz[0].find("F0FF", 26), std::string::npos) << rgsz[0];
}

TEST_F(UsbInfo, E2promFilesInPages)
{
    DVC dvc = DvcOf("cur");
    std::vector<uint8_t> rgb(100);
    for (size_t i = 0; i < rgb.size(); i++)
        rgb[i] = (uint8_t)(0x40 + i);
    std::string szFile = SzUsbTempDir("e2") + "in.bin";
    ASSERT_TRUE(FWriteFile(szFile, rgb));
    simctl.FCmd("LOGCLEAR cur");
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoE2PROMFile, (void *)szFile.c_str())) << TvxGetLastError();
    std::vector<std::string> rgszA2 = RgszLog("cur", "VR out A2");
    ASSERT_EQ(rgszA2.size(), 2u);
    EXPECT_EQ(rgszA2[0].substr(0, 14), "VR out A2 0000");
    EXPECT_NE(rgszA2[0].find(" 64 ok"), std::string::npos) << rgszA2[0];
    EXPECT_EQ(rgszA2[1].substr(0, 14), "VR out A2 0040");
    EXPECT_NE(rgszA2[1].find(" 36 ok"), std::string::npos) << rgszA2[1];
    std::string szHex = simctl.SzLine("MEM cur e2prom 0 100");
    char szExpected[201];
    for (size_t i = 0; i < rgb.size(); i++)
        snprintf(szExpected + 2 * i, 3, "%02X", rgb[i]);
    EXPECT_EQ(szHex, szExpected);
    /* and back into a file: all 16384 bytes */
    std::string szOut = SzUsbTempDir("e2") + "out.bin";
    ASSERT_TRUE(TvxGetSysInfo(&dvc, dinfoE2PROMFile, (void *)szOut.c_str())) << TvxGetLastError();
    FILE *pf = fopen(szOut.c_str(), "rb");
    ASSERT_NE(pf, nullptr);
    std::vector<uint8_t> rgbOut(20000);
    size_t cb = fread(rgbOut.data(), 1, rgbOut.size(), pf);
    fclose(pf);
    EXPECT_EQ(cb, 16384u);
    EXPECT_EQ(memcmp(rgbOut.data(), rgb.data(), rgb.size()), 0);
}

TEST_F(UsbInfo, LegacyBlockAndRevision)
{
    DVC dvc = DvcOf("fx2");
    uint16_t fwverRom = 0xFFFF;
    /* 0xEB stalls on this board: the version comes from the old parameter block */
    ASSERT_TRUE(TvxGetSysInfo(&dvc, dinfoFWVERRom, &fwverRom)) << TvxGetLastError();
    uint8_t cls = 9;
    ASSERT_TRUE(TvxGetSysInfo(&dvc, dinfoFX2RevClass, &cls));
    EXPECT_EQ(cls, 2);
    DVC dvcCur = DvcOf("cur");
    ASSERT_TRUE(TvxGetSysInfo(&dvcCur, dinfoFX2RevClass, &cls));
    EXPECT_EQ(cls, 3);
    /* a fixed-firmware board without a block: the version read fails with nothing */
    EXPECT_FALSE(TvxGetSysInfo(&dvcCur, dinfoFWVERRom, &fwverRom));
    EXPECT_EQ(fwverRom, 0);
}

TEST_F(UsbInfo, Accounts)
{
    DVC dvc = DvcOf("cur");
    ASSERT_TRUE(TvxAddAccount(&dvc, "operator", "pw1", 1)) << TvxGetLastError();
    int attr = -1;
    ASSERT_TRUE(TvxGetAccountAttributes(&dvc, "operator", &attr)) << TvxGetLastError();
    EXPECT_EQ(attr & 0xFF, 1);
    ASSERT_TRUE(TvxSetAccountAttributes(&dvc, "operator", 2));
    ASSERT_TRUE(TvxChangeAccountPassword(&dvc, "operator", "pw2"));
    std::vector<std::string> rgsz;
    ASSERT_TRUE(simctl.FCmd("ACCOUNTS cur", &rgsz));
    ASSERT_EQ(rgsz.size(), 2u);
    EXPECT_EQ(rgsz[1], "operator 2 pw2");
    int cAccounts = 0;
    std::vector<uint8_t> rgbRecs(10 * 66);
    ASSERT_TRUE(TvxGetAccountList(&dvc, rgbRecs.data(), 10, &cAccounts)) << TvxGetLastError();
    EXPECT_EQ(cAccounts, 2);
    cAccounts = 0;
    ASSERT_TRUE(TvxGetAccountList(&dvc, nullptr, 0, &cAccounts));
    EXPECT_EQ(cAccounts, 2);
    ASSERT_TRUE(TvxDeleteAccount(&dvc, "operator"));
    ASSERT_TRUE(simctl.FCmd("ACCOUNTS cur", &rgsz));
    EXPECT_EQ(rgsz.size(), 1u);
    int fEnabled = -1;
    ASSERT_TRUE(TvxEnableDisableClientAuthentication(&dvc, 1));
    ASSERT_TRUE(TvxIsClientAuthenticationEnabled(&dvc, &fEnabled));
    EXPECT_EQ(fEnabled, 1);
    EXPECT_EQ(simctl.SzState("cur", "auth"), "1");
    std::string szLong(65, 'a');
    EXPECT_FALSE(TvxAddAccount(&dvc, szLong.c_str(), "pw", 0));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
    EXPECT_FALSE(usbc.FAcctMgmt(248, dvc.szConn, nullptr, nullptr, nullptr, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(TvxGetLastError(), ercNotSupported);
    EXPECT_TRUE(usbc.FAcctMgmt(0x1F0, dvc.szConn, nullptr, nullptr, nullptr, nullptr, 0, nullptr, &fEnabled));
}

TEST_F(UsbInfo, FirmwareUpdateSteps)
{
    DVC dvc = DvcOf("cur");
    simctl.FCmd("LOGCLEAR cur");
    uint8_t rgbParam[16], rgbStatus[4], rgbData[32], rgbRead[16];
    for (int i = 0; i < 32; i++)
        rgbData[i] = (uint8_t)i;
    FWUPDREQ reqFill = {0, 0x0010, sizeof(rgbData), rgbData};
    FWUPDREQ reqRead = {0, 0x0020, sizeof(rgbRead), rgbRead};
    FWUPDREQ reqPage = {0, 0x0003, 0, nullptr};
    uint16_t addrHigh = 0x0001;
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoBeginFirmwareUpdate, nullptr)) << TvxGetLastError();
    ASSERT_TRUE(TvxGetSysInfo(&dvc, dinfoFirmwareMemParam, rgbParam)) << TvxGetLastError();
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoHighAddress, &addrHigh)) << TvxGetLastError();
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoLoadPageBuffer, &reqPage)) << TvxGetLastError();
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoFillPageBuffer, &reqFill)) << TvxGetLastError();
    ASSERT_TRUE(TvxGetSysInfo(&dvc, dinfoReadEepromData, &reqRead)) << TvxGetLastError();
    ASSERT_TRUE(TvxGetSysInfo(&dvc, dinfoUpdateStatus, rgbStatus)) << TvxGetLastError();
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoEndFirmwareUpdate, nullptr)) << TvxGetLastError();
    std::vector<std::string> rgsz = RgszLog("cur", "VR out B5");
    ASSERT_EQ(rgsz.size(), 1u);
    EXPECT_EQ(rgsz[0].substr(0, 25), "VR out B5 0010 0000 32 ok");
    EXPECT_EQ(RgszLog("cur", "VR out B0").size(), 1u);
    EXPECT_EQ(simctl.SzState("cur", "key"), "0x0000");
}

TEST_F(UsbInfo, ResetAndRenumerate)
{
    for (uint32_t dinfo : {(uint32_t)dinfoReNumerate, (uint32_t)dinfoReset}) {
        DVC dvc = DvcOf("fx2");
        std::string szBefore = SzPath("fx2");
        ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfo, nullptr)) << dinfo << " " << TvxGetLastError();
        ASSERT_TRUE(simctl.FCmd("WAIT fx2 present"));
        EXPECT_NE(SzPath("fx2"), szBefore) << dinfo;
    }
}

} // namespace
