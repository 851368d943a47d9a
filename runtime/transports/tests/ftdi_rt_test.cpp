/*
 * ftdi_rt_test.cpp - the runtime's FTDI road through its public functions,
 * against the simulated FTDI boards (beside a USB board) and a scripted
 * firmware library installed under the catalogue's file names: enumeration,
 * opens by serial, user name, connection string and device-table name, a
 * transaction through DVTP2, the catalogue's choice, information codes that
 * reach the simulated EEPROM, channel claims across processes (and a
 * claimer that is killed), and a start-up without the D2XX library.
 */
#include "ftdevcmg.h"
#include "ftdimgr.h"
#include "fwinstall.h"
#include "dvt.h"
#include "kor_child.h"
#include "korsimenv.h"
#include "voziri.h"
#include "yorl.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

KORSIM_ENVIRONMENT(KORSIM_CONFIG, "ftdirt", true);

namespace {

const char szFpgaSN[] = "SN:210183F00001";
const char szQuadSN[] = "SN:210183F00002";
const char szUsbSN[] = "SN:210183A1B2C3";
const char szFpgaConn[] = "#tpt_0001#ptc_0002#210183F00001";

#if defined(_WIN32)
const char szFakeLib[] = "ftdifake.dll";
#else
const char szFakeLib[] = "ftdifake.so";
#endif

std::string SzFwDir()
{
    const char *sz = getenv("YORL_FWDIR");
    return sz ? sz : "";
}

std::string SzFwName(const char *szTriple, const char *szVer)
{
    return std::string("FTDIFW_") + szTriple + "_" + szVer + "-" + SzFwWordSize() + ".dll";
}

bool FInstallFake(const std::string &szName) { return FInstallFw(szFakeLib, szName); }

KSIMCTL &Sim() { return PkorsimEnv()->simctl; }

std::string SzEeprom(const char *szBoard) { return Sim().SzLine(std::string("EEPROM ") + szBoard); }

std::string SzHexText(const std::string &sz)
{
    std::string szHex;
    char rgch[3];
    for (unsigned char ch : sz) {
        snprintf(rgch, sizeof(rgch), "%02x", ch);
        szHex += rgch;
    }
    return szHex;
}

class FtdiRt : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_FALSE(SzFwDir().empty());
        ASSERT_TRUE(FInstallFake(SzFwName("60_00000003_00000000", "0002")));
        ASSERT_TRUE(FInstallFake(SzFwName("60_00000003_00000000", "0005")));
        ASSERT_TRUE(FInstallFake(SzFwName("59_00000002_00000000", "0001")));   /* words that fit no board */
    }
    void SetUp() override { ASSERT_TRUE(PkorsimEnv()->fOk) << PkorsimEnv()->szErr; }

    /* The enumerated record with this serial text. */
    bool FFindEdvc(const char *szSN, EDVC *pedvc)
    {
        int cdvc = 0;
        if (!TvxEnumDevices(&cdvc))
            return false;
        bool fFound = false;
        for (int idvc = 0; idvc < cdvc && !fFound; idvc++)
            fFound = TvxGetEdvc(idvc, pedvc) && strcmp(pedvc->szSN, szSN) == 0;
        TvxFreeDvcEnum();
        return fFound;
    }
    DVC DvcOf(const char *szConn)
    {
        DVC dvc;
        memset(&dvc, 0, sizeof(dvc));
        snprintf(dvc.szConn, sizeof(dvc.szConn), "%s", szConn);
        dvc.dtp = dtpUsbFtdi;
        return dvc;
    }
};

TEST_F(FtdiRt, FtdiBoardsAreEnumeratedOnceEachBesideTheUsbBoard)
{
    int cdvc = 0;
    ASSERT_TRUE(TvxEnumDevices(&cdvc)) << TvxGetLastError();
    int cFpga = 0, cUsb = 0;
    for (int idvc = 0; idvc < cdvc; idvc++) {
        EDVC edvc;
        ASSERT_TRUE(TvxGetEdvc(idvc, &edvc));
        if (strcmp(edvc.szSN, szFpgaSN) == 0) {
            cFpga++;
            EXPECT_EQ(edvc.dvc.dtp, uint32_t(dtpUsbFtdi));
            EXPECT_STREQ(edvc.dvc.szConn, szFpgaConn);
            EXPECT_STREQ(edvc.szUsrName, "FtFpga");
            EXPECT_STREQ(edvc.szProdName, "KorvanelFt");
            EXPECT_EQ(edvc.pdid, 0x00600160u);
            EXPECT_EQ(edvc.dcap, 0x3u);
            EXPECT_TRUE(edvc.fsEdvc & fsedvcLive);
        }
        cUsb += strcmp(edvc.szSN, szUsbSN) == 0;
    }
    TvxFreeDvcEnum();
    EXPECT_EQ(cFpga, 1);       /* two channels, one device */
    EXPECT_EQ(cUsb, 1);
    EDVC edvc;
    EXPECT_TRUE(FFindEdvc(szQuadSN, &edvc));
}

TEST_F(FtdiRt, OpensBySerialUserNameConnectionAndTableNameAndRunsATransaction)
{
    DVC dvcTbl;
    memset(&dvcTbl, 0, sizeof(dvcTbl));
    snprintf(dvcTbl.szName, sizeof(dvcTbl.szName), "BenchFt");
    snprintf(dvcTbl.szConn, sizeof(dvcTbl.szConn), "%s", szFpgaSN);
    dvcTbl.dtp = dtpUsbFtdi;
    ASSERT_TRUE(TvxDvcTblAdd(&dvcTbl)) << TvxGetLastError();
    for (const char *szOpen : { szFpgaSN, "FtFpga", szFpgaConn, "BenchFt" }) {
        HIF hif = hifNil;
        ASSERT_TRUE(TvxOpen(&hif, szOpen)) << szOpen << " " << TvxGetLastError();
        DVT *pdvt = nullptr;
        ASSERT_TRUE(TvxGetDvt(hif, &pdvt));
        TFP *ptfp = pdvt->GetPtfp();
        memset(ptfp, 0, sizeof(*ptfp));
        uint8_t rgbEcho[3] = {}, rgbSnd[100], rgbRcv[100] = {};
        for (int ib = 0; ib < 100; ib++)
            rgbSnd[ib] = uint8_t(ib * 3);
        const uint8_t rgbCmd[] = { 3, 0x0B, 0x05, 0x01 };
        memcpy(ptfp->rgbCmd, rgbCmd, sizeof(rgbCmd));
        ptfp->rplyCmd.crply = 1;
        ptfp->rplyCmd.rgrply[0] = { 3, rgbEcho };
        ptfp->cbSnd = 100;
        ptfp->pbSnd = rgbSnd;
        ptfp->cbRcv = 100;
        ptfp->pbRcv = rgbRcv;
        const uint8_t rgbDone[] = { 3, 0x0B, 0x85, 0x01 };
        memcpy(ptfp->rgbCmdDone, rgbDone, sizeof(rgbDone));
        ASSERT_TRUE(pdvt->FDoTrans(nullptr));
        uint32_t cbOut = 0, cbIn = 0;
        ASSERT_TRUE(TvxGetTransResult(hif, &cbOut, &cbIn, 5000)) << TvxGetLastError();
        EXPECT_EQ(memcmp(rgbEcho, rgbCmd + 1, 3), 0);
        EXPECT_EQ(rgbRcv[7], uint8_t(~rgbSnd[7]));
        EXPECT_EQ(cbOut, 100u);
        EXPECT_EQ(cbIn, 100u);
        DVC dvc;
        ASSERT_TRUE(TvxGetDvcFromHif(hif, &dvc));
        EXPECT_EQ(dvc.dtp, uint32_t(dtpUsbFtdi));
        EXPECT_TRUE(TvxClose(hif));
    }
    TvxDvcTblRem("BenchFt");
    HIF hif = hifNil;
    EXPECT_FALSE(TvxOpen(&hif, "NoSuchUser"));
}

TEST_F(FtdiRt, CatalogueTakesTheHighestVersionAndRefusesOtherWords)
{
    DVC dvc = DvcOf(szFpgaConn);
    uint16_t fwver = 0;
    ASSERT_TRUE(TvxGetInfo(&dvc, 15, &fwver)) << TvxGetLastError();
    EXPECT_EQ(fwver, 5);
    /* The quad board's firmware id is there, with other capability words only. */
    HIF hif = hifNil;
    EXPECT_FALSE(TvxOpen(&hif, szQuadSN));
    DVC dvcQuad = DvcOf("#tpt_0001#ptc_0002#210183F00002");
    EXPECT_FALSE(TvxGetInfo(&dvcQuad, 15, &fwver));
    EXPECT_EQ(TvxGetLastError(), ercCorruptInstallation);
}

TEST_F(FtdiRt, InformationCodesReadTheListAndWritesReachTheEeprom)
{
    DVC dvc = DvcOf(szFpgaConn);
    char sz[64] = {};
    ASSERT_TRUE(TvxGetInfo(&dvc, 2, sz)) << TvxGetLastError();
    EXPECT_STREQ(sz, "FtFpga");
    ASSERT_TRUE(TvxGetInfo(&dvc, 5, sz));
    EXPECT_STREQ(sz, szFpgaSN);
    uint32_t pdid = 0;
    ASSERT_TRUE(TvxGetInfo(&dvc, 4, &pdid));
    EXPECT_EQ(pdid, 0x00600160u);
    uint32_t rgdcap[2] = {};
    ASSERT_TRUE(TvxGetSysInfo(&dvc, 1029, rgdcap));
    EXPECT_EQ(rgdcap[0], 3u);

    std::string szBefore = SzEeprom("fpgaft");
    ASSERT_TRUE(TvxSetSysInfo(&dvc, 2, (void *)"Renamed")) << TvxGetLastError();
    EXPECT_NE(SzEeprom("fpgaft").find(SzHexText(std::string("Renamed") + '\0')), std::string::npos);
    ASSERT_TRUE(TvxGetInfo(&dvc, 2, sz));
    EXPECT_STREQ(sz, "Renamed");

    /* A product id of 0 is refused before anything is written; so is a 17-character user name. */
    std::string szNow = SzEeprom("fpgaft");
    uint32_t pdidZero = 0;
    EXPECT_FALSE(TvxSetSysInfo(&dvc, 4, &pdidZero));
    EXPECT_FALSE(TvxSetSysInfo(&dvc, 2, (void *)"SeventeenLetters1"));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
    EXPECT_EQ(SzEeprom("fpgaft"), szNow);

    /* The serial goes into the program data; the list keeps the old name until the chip comes back. */
    ASSERT_TRUE(TvxSetSysInfo(&dvc, 5, (void *)"SN:210183F0000F")) << TvxGetLastError();
    std::string szWide;
    for (char ch : std::string("210183F0000F"))
        szWide += SzHexText(std::string(1, ch)) + "00";
    EXPECT_NE(SzEeprom("fpgaft").find(szWide), std::string::npos);
    ASSERT_TRUE(TvxSetSysInfo(&dvc, 5, (void *)szFpgaSN)) << TvxGetLastError();
    ASSERT_TRUE(TvxSetSysInfo(&dvc, 2, (void *)"FtFpga")) << TvxGetLastError();
    EXPECT_EQ(SzEeprom("fpgaft"), szBefore);
}

KOR_CHILD_ROLE(claimer)
{
    /* Claims one channel and holds it until killed. */
    int cdvc = 0;
    TvxEnumDevices(&cdvc);
    TvxFreeDvcEnum();
    if (ftdimgr_lock(-1) < -3)
        return 2;
    int32_t res = ftdimgr_lock_interface(argv[1], nullptr);
    ftdimgr_unlock();
    if (res != 0 && res != -3)
        return 3;
    for (;;)
        KorSleepMs(1000);
}

int32_t ResClaim(const char *szName)
{
    ftdimgr_lock(-1);
    int32_t res = ftdimgr_lock_interface(szName, nullptr);
    ftdimgr_unlock();
    return res;
}

void Release(const char *szName)
{
    ftdimgr_lock(-1);
    EXPECT_EQ(ftdimgr_unlock_interface(szName), 0);
    ftdimgr_unlock();
}

TEST_F(FtdiRt, ClaimsAreExclusiveAcrossProcessesAndAKilledClaimerGivesItsClaimBack)
{
    int cdvc = 0;
    ASSERT_TRUE(TvxEnumDevices(&cdvc)) << TvxGetLastError();
    TvxFreeDvcEnum();
    KorChild child;
    ASSERT_TRUE(child.Start("claimer", { "210183F00001A" }));
    int32_t res = 0;
    /* Until the child has started (slow under wine on a loaded machine) and claimed. */
    for (int i = 0; i < 3000 && (res = ResClaim("210183F00001A")) != ftdmgrTimeout; i++) {
        if (res == 0 || res == -3)
            Release("210183F00001A");
        KorSleepMs(10);
    }
    ASSERT_EQ(res, ftdmgrTimeout);
    /* The chip's other channel is free for this process meanwhile. */
    EXPECT_EQ(ResClaim("210183F00001B"), 0);
    Release("210183F00001B");
    ASSERT_TRUE(child.Kill());
    res = ResClaim("210183F00001A");
    EXPECT_TRUE(res == ftdmgrAbandoned || res == ftdmgrOk) << res;
    Release("210183F00001A");
    EXPECT_EQ(ResClaim("210183F00001A"), 0);
    Release("210183F00001A");
}

KOR_CHILD_ROLE(nod2xx)
{
    /* Started with the D2XX library unloadable: no FTDI manager, the USB one works. */
    int cdvc = 0;
    if (!TvxEnumDevices(&cdvc))
        return 2;
    for (int idvc = 0; idvc < cdvc; idvc++) {
        EDVC edvc;
        if (TvxGetEdvc(idvc, &edvc) && edvc.dvc.dtp == dtpUsbFtdi && (edvc.fsEdvc & fsedvcLive))
            return 3;
    }
    HIF hif = hifNil;
    if (TvxOpen(&hif, "SN:210183F00001"))
        return 4;
    if (!TvxOpen(&hif, "SN:210183A1B2C3"))
        return 5;
    TvxClose(hif);
    return 0;
}

TEST_F(FtdiRt, WithoutTheD2xxLibraryTheRuntimeStartsWithoutTheFtdiManager)
{
    KorSetEnv("YORL_FAULT", "ABSDLL.Load=1");
    KorChild child;
    bool fStarted = child.Start("nod2xx");
    KorSetEnv("YORL_FAULT", nullptr);
    ASSERT_TRUE(fStarted);
    int code = -1;
    ASSERT_TRUE(child.Wait(60000, &code));
    EXPECT_EQ(code, 0);
}

KOR_CHILD_ROLE(catalogue)
{
    /* Its catalogue's first scan runs on first use, whatever the tick. */
    DVC dvc;
    memset(&dvc, 0, sizeof(dvc));
    snprintf(dvc.szConn, sizeof(dvc.szConn), "%s", szFpgaConn);
    dvc.dtp = dtpUsbFtdi;
    uint16_t fwver = 0;
    if (TvxGetInfo(&dvc, 15, &fwver))
        return fwver == 7 ? 0 : 3;
    return TvxGetLastError() == ercCorruptInstallation ? 1 : 2;
}

/* Runs the catalogue child on this firmware folder with its tick near 1000 ms. */
int CodeCatalogue(const std::string &szDir, bool fInstall = true)
{
    uint32_t tmsNow = pabsutil->GetTickMs();
    std::string szOffset = std::to_string((uint64_t)(0x100000000ull - tmsNow + 1000u));
    std::string szFwDirOld = SzFwDir();
    KorSetEnv("YORL_FWDIR", szDir.c_str());
    KorSetEnv("YORL_TICK_OFFSET", szOffset.c_str());
    bool fInstalled = !fInstall || FInstallFake(SzFwName("60_00000003_00000000", "0007"));
    KorChild child;
    bool fStarted = fInstalled && child.Start("catalogue");
    KorSetEnv("YORL_TICK_OFFSET", nullptr);
    KorSetEnv("YORL_FWDIR", szFwDirOld.c_str());
    int code = -1;
    if (!fStarted || !child.Wait(60000, &code))
        return -1;
    return code;
}

std::string SzNewFwDir(const std::string &szLeaf)
{
    std::string sz = SzFwDir() + szLeaf + "-" + std::to_string(pabsutil->GetIdProcess());
    std::error_code ec;
    std::filesystem::create_directories(sz, ec);
    return sz + (SzFwDir().empty() ? "/" : SzFwDir().substr(SzFwDir().size() - 1));
}

TEST_F(FtdiRt, FirstScanRunsWhileTheTickIsBelowFiveSeconds)
{
    EXPECT_EQ(CodeCatalogue(SzNewFwDir("fwtick")), 0);
}

TEST_F(FtdiRt, MoreThanSixtyFourLibrariesOverflowNothing)
{
    /* 70 libraries of other words: only the first 64 names are kept; ours may or may not be among them. */
    std::string szDir = SzNewFwDir("fwmany");
    for (int i = 0; i < 70; i++) {
        char szTriple[32];
        snprintf(szTriple, sizeof(szTriple), "61_%08X_00000000", i);
        std::ofstream(szDir + SzFwName(szTriple, "0001")) << "x";
    }
    int code = CodeCatalogue(szDir);
    EXPECT_TRUE(code == 0 || code == 1) << code;
}

TEST_F(FtdiRt, AFolderTooLongForTheNamesIsSkipped)
{
    /* A folder that fits the path but leaves no room for the names: the library is left out, nothing
       overflows. */
    std::string szSuffix = "-" + std::to_string(pabsutil->GetIdProcess()) + "/";
    ASSERT_LT(SzFwDir().size() + szSuffix.size(), 200u);
    std::string szDir = SzNewFwDir(std::string(240 - SzFwDir().size() - szSuffix.size(), 'd'));
    ASSERT_EQ(szDir.size(), 240u);
    /* Only the name counts: it is written from inside the folder, as the full path is too long for Windows. */
    std::filesystem::path pathOld = std::filesystem::current_path();
    std::filesystem::current_path(szDir);
    std::string szName = SzFwName("60_00000003_00000000", "0007");
    std::ofstream(szName) << "x";
    bool fWritten = std::filesystem::exists(szName);
    std::filesystem::current_path(pathOld);
    ASSERT_TRUE(fWritten) << szDir;
    EXPECT_EQ(CodeCatalogue(szDir, false), 1);
}

TEST_F(FtdiRt, AD2xxLibraryLackingOneNameIsNotBoundAtAll)
{
    /* The runtime binds all the names or none: without one, no FTDI manager, the USB one works. */
    for (const char *szFault : { "ABSDLL.GetProc.FT_Close=1", "ABSDLL.GetProc.FT_ResetDevice=1" }) {
        KorSetEnv("YORL_FAULT", szFault);
        KorChild child;
        bool fStarted = child.Start("nod2xx");
        KorSetEnv("YORL_FAULT", nullptr);
        ASSERT_TRUE(fStarted);
        int code = -1;
        ASSERT_TRUE(child.Wait(60000, &code));
        EXPECT_EQ(code, 0) << szFault;
    }
}

} // namespace

namespace {

KOR_CHILD_ROLE(devcfind)
{
    FTDEVCMG *pmg = TvxGetPftdevcmg();
    if (pmg == nullptr || !pmg->FLock())
        return 2;
    int32_t i = pmg->IftdevcFromSN(argv[1]);
    FTDEVC ftdevc;
    bool fOk = i >= 0 && pmg->FtdevcFromIndex(i, &ftdevc) && ftdevc.dw5 == 0xC0FFEE;
    pmg->FUnlock();
    return fOk ? 0 : 3;
}

TEST(FtdiDevCache, RecordsAreKeptForEveryProcessAndFreedEntriesAreReused)
{
    FTDEVCMG *pmg = TvxGetPftdevcmg();
    ASSERT_NE(pmg, nullptr);
    ASSERT_TRUE(pmg->FLock());
    FTDEVC ftdevc;
    memset(&ftdevc, 0xEE, sizeof(ftdevc));      /* texts without terminator are cut to their fields */
    memcpy(ftdevc.szSN, "KEEP\0", 5);
    ftdevc.dw5 = 0xC0FFEE;
    int32_t iKeep = pmg->IftdevcAddDev(&ftdevc);
    ASSERT_GE(iKeep, 0);
    memcpy(ftdevc.szSN, "GONE\0", 5);
    int32_t iGone = pmg->IftdevcAddDev(&ftdevc);
    ASSERT_EQ(iGone, iKeep + 1);
    FTDEVC ftdevcOut;
    ASSERT_TRUE(pmg->FtdevcFromIndex(iKeep, &ftdevcOut));
    EXPECT_EQ(strlen(ftdevcOut.szText1), 16u);
    EXPECT_EQ(pmg->FtdevcFromIndex(pmg->CftdevcMac(), &ftdevcOut), 0);
    EXPECT_EQ(pmg->FtdevcFromIndex(-1, &ftdevcOut), 0);
    ftdevc.szSN[0] = '\0';
    ASSERT_TRUE(pmg->FModDev(iGone, &ftdevc));
    EXPECT_EQ(pmg->IftdevcFromSN(""), iGone);
    memcpy(ftdevc.szSN, "AGAIN", 6);
    EXPECT_EQ(pmg->IftdevcAddDev(&ftdevc), iGone);
    EXPECT_EQ(pmg->IftdevcFromSN("GONE"), -1);
    EXPECT_EQ(pmg->IftdevcAddDev(nullptr), -1);
    ASSERT_TRUE(pmg->FUnlock());
    KorChild child;
    ASSERT_TRUE(child.Start("devcfind", { "KEEP" }));
    int code = -1;
    ASSERT_TRUE(child.Wait(60000, &code));
    EXPECT_EQ(code, 0);
}

} // namespace
