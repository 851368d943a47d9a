/*
 * usb_enum_test.cpp - two simulated boards through the public functions
 * only: enumeration (live records merged with the device table), opening by
 * serial number, user name and device-table name, an information code and a
 * stream loopback through the handle's DVT. Runs natively (korsim started by
 * the test) and under wine (korsim started by simwine.sh).
 */
#include <atomic>
#include <thread>

#include "dvtbl.h"
#include "korsimenv.h"
#include "usbtestenv.h"

/* The boards of usbboards.cfg: korsim started here, or by simwine.sh under wine. */
KORSIM_ENVIRONMENT(KORSIM_CONFIG, "usb-enum", false);

namespace {

const char szSN1[] = "SN:210183000001";
const char szSN2[] = "SN:210183000002";
const char szSNAbsent[] = "SN:210183000009";

bool fStarted = false;

class UsbEnum : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!PkorsimEnv()->fOk)
            return;
        UsbSetEnv("YORL_FWDIR", SzUsbTempDir("fw-enum").c_str());
        fStarted = FUsbRuntimeStart("enum");
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
        ASSERT_TRUE(TvxDvcTblClear()) << TvxGetLastError();
    }
    void TearDown() override
    {
        if (fStarted) {
            TvxFreeDvcEnum();
            TvxDvcTblClear();
        }
    }
    static void TblAdd(const char *szName, const char *szSN)
    {
        DVC dvc;
        memset(&dvc, 0, sizeof(dvc));
        snprintf(dvc.szName, sizeof(dvc.szName), "%s", szName);
        snprintf(dvc.szConn, sizeof(dvc.szConn), "%s", szSN);
        dvc.dtp = dtpUsbFirmware;
        ASSERT_TRUE(TvxDvcTblAdd(&dvc)) << szName << " " << TvxGetLastError();
    }
    /* The enumeration records by serial number (table-only records too). */
    static std::vector<EDVC> RgedvcEnum()
    {
        std::vector<EDVC> rgedvc;
        int cdvc = -1;
        EXPECT_TRUE(TvxEnumDevices(&cdvc)) << TvxGetLastError();
        for (int idvc = 0; idvc < cdvc; idvc++) {
            EDVC edvc;
            EXPECT_TRUE(TvxGetEdvc(idvc, &edvc)) << idvc;
            DVC dvc;
            EXPECT_TRUE(TvxGetDvc(idvc, &dvc)) << idvc;
            EXPECT_EQ(memcmp(&dvc, &edvc.dvc, sizeof(dvc)), 0) << idvc;
            if ((edvc.dvc.dtp & 0xFFFF) == tptUsb)
                rgedvc.push_back(edvc);
        }
        return rgedvc;
    }
    static const EDVC *PedvcOf(const std::vector<EDVC> &rgedvc, const char *szSN)
    {
        for (const EDVC &edvc : rgedvc)
            if (strcmp(edvc.szSN, szSN) == 0)
                return &edvc;
        return nullptr;
    }
};

TEST_F(UsbEnum, ListsBothBoardsWithoutTable)
{
    std::vector<EDVC> rgedvc = RgedvcEnum();
    ASSERT_EQ(rgedvc.size(), 2u);
    struct { const char *szSN, *szUsr, *szProd; uint32_t pdid; } rgcase[] = {
        {szSN1, "Board1", "KorvanelUsb2", 0x00700121u},
        {szSN2, "Board2", "VCabUsb1 V2.0", 0x30100203u},
    };
    for (const auto &c : rgcase) {
        const EDVC *pedvc = PedvcOf(rgedvc, c.szSN);
        ASSERT_NE(pedvc, nullptr) << c.szSN;
        EXPECT_STREQ(pedvc->dvc.szName, c.szUsr);
        EXPECT_STREQ(pedvc->szUsrName, c.szUsr);
        EXPECT_STREQ(pedvc->szProdName, c.szProd);
        EXPECT_EQ(pedvc->pdid, c.pdid);
        EXPECT_EQ(pedvc->dvc.dtp, (uint32_t)dtpUsbFirmware);
        EXPECT_EQ(strncmp(pedvc->dvc.szConn, "#tpt_0001#ptc_0001#", 19), 0) << pedvc->dvc.szConn;
        EXPECT_EQ(pedvc->fsEdvc & (fsedvcLive | fsedvcPdid | fsedvcTable), fsedvcLive | fsedvcPdid);
    }
}

/* A table entry of an attached board renames its live record; one of an
 * absent board is listed from the table alone; every board once. */
TEST_F(UsbEnum, MergesDeviceTableEntries)
{
    TblAdd("Bench7", szSN1);
    TblAdd("Spare", szSNAbsent);
    std::vector<EDVC> rgedvc = RgedvcEnum();
    ASSERT_EQ(rgedvc.size(), 3u);
    const EDVC *pedvc = PedvcOf(rgedvc, szSN1);
    ASSERT_NE(pedvc, nullptr);
    EXPECT_STREQ(pedvc->dvc.szName, "Bench7");
    EXPECT_STREQ(pedvc->szUsrName, "Board1");
    EXPECT_EQ(pedvc->fsEdvc & (fsedvcLive | fsedvcTable), fsedvcLive | fsedvcTable);
    pedvc = PedvcOf(rgedvc, szSN2);
    ASSERT_NE(pedvc, nullptr);
    EXPECT_STREQ(pedvc->dvc.szName, "Board2");
    EXPECT_EQ(pedvc->fsEdvc & fsedvcTable, 0);
    pedvc = PedvcOf(rgedvc, szSNAbsent);
    ASSERT_NE(pedvc, nullptr);
    EXPECT_STREQ(pedvc->dvc.szName, "Spare");
    EXPECT_STREQ(pedvc->dvc.szConn, szSNAbsent);
    EXPECT_EQ(pedvc->fsEdvc, (uint16_t)fsedvcTable);
}

/*
 * The device table's lock held elsewhere past the wait (another process
 * saving, a hung holder): the enumeration cannot read the table, records
 * that, and still lists the attached boards under their own names.
 */
TEST_F(UsbEnum, TableLockedElsewhereStillListsTheBoards)
{
    TblAdd("Bench7", szSN1);
    std::atomic<int> fLocked{0}, fRelease{0};
    std::thread thdHolder([&] {
        fLocked = PdvtblShared()->FLock() ? 1 : 2;
        while (!fRelease)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (fLocked == 1)
            PdvtblShared()->FUnlock();
    });
    while (!fLocked)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(fLocked, 1);
    TvxSetLastErrorNoLog(0);
    std::vector<EDVC> rgedvc = RgedvcEnum();
    int erc = TvxGetLastError();
    fRelease = 1;
    thdHolder.join();
    EXPECT_EQ(erc, ercInternalError);
    ASSERT_EQ(rgedvc.size(), 2u);
    for (const char *szSN : {szSN1, szSN2}) {
        const EDVC *pedvc = PedvcOf(rgedvc, szSN);
        ASSERT_NE(pedvc, nullptr) << szSN;
        EXPECT_EQ(pedvc->fsEdvc & (fsedvcLive | fsedvcTable), fsedvcLive) << szSN;
    }
    EXPECT_STREQ(PedvcOf(rgedvc, szSN1)->dvc.szName, "Board1");
    /* Once the lock is free the table's name is back. */
    TvxFreeDvcEnum();
    rgedvc = RgedvcEnum();
    ASSERT_EQ(rgedvc.size(), 2u);
    ASSERT_NE(PedvcOf(rgedvc, szSN1), nullptr);
    EXPECT_STREQ(PedvcOf(rgedvc, szSN1)->dvc.szName, "Bench7");
}

/* Every name form reaches board 1: its user name read through the open
 * handle's record, a stream loopback, and the close. */
TEST_F(UsbEnum, OpensBySerialUserAndTableName)
{
    TblAdd("Bench7", szSN1);
    for (const char *sz : {szSN1, "Board1", "Bench7"}) {
        SCOPED_TRACE(sz);
        HIF hif = hifNil;
        ASSERT_TRUE(TvxOpen(&hif, sz)) << TvxGetLastError();
        DVC dvc;
        ASSERT_TRUE(TvxGetDvcFromHif(hif, &dvc));
        char szUsr[64] = "";
        ASSERT_TRUE(TvxGetInfo(&dvc, dinfoUsrName, szUsr)) << TvxGetLastError();
        EXPECT_STREQ(szUsr, "Board1");
        char szSN[64] = "";
        ASSERT_TRUE(TvxGetInfo(&dvc, dinfoSN, szSN));
        EXPECT_STREQ(szSN, szSN1);
        ExpectStreamLoop(hif, 4099);
        EXPECT_TRUE(TvxClose(hif));
    }
}

/* Names that match nothing: a table name of an absent board, a removed
 * table name, a MAC text that only a table entry could give. */
TEST_F(UsbEnum, TableNamesThatReachNoBoard)
{
    TblAdd("Spare", szSNAbsent);
    TblAdd("Gone", szSN2);
    ASSERT_TRUE(TvxDvcTblRem("Gone"));
    HIF hif = hifNil;
    for (const char *sz : {"Spare", "Gone"}) {
        EXPECT_FALSE(TvxOpen(&hif, sz)) << sz;
        EXPECT_EQ(TvxGetLastError(), ercConnectionFailed) << sz;
    }
    /* the discovery pass still opens by the board's own user name */
    ASSERT_TRUE(TvxOpen(&hif, "Board2")) << TvxGetLastError();
    EXPECT_TRUE(TvxClose(hif));
}

} // namespace
