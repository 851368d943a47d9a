/*
 * yorl_util_test.cpp - the parts of Yorl that need no second thread: the
 * paths and their environment variables, the start-up hooks (fault
 * injection, no factory or utility, tick offset), the factory's empty
 * slots, dynamic libraries and directory listings with their patterns.
 * Hooks read at start-up are checked in child processes.
 */
#include "yorl_test_util.h"
#include "kor_child.h"
#include "yorli.h"   /* FYorlWildMatch, compiled into this program */

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <stdlib.h>
#include <string.h>

namespace fs = std::filesystem;

namespace {

enum { codeSetup = 90 };

#if defined(_WIN32)
const char chSep = '\\';
#else
const char chSep = '/';
#endif

uint32_t ErcOf(bool f)
{
    return f ? 0 : pabsutil->GetLastErc();
}

/* ---- child roles: start-up hooks ---- */

/* Counts the expectations a role found wrong: its exit code. */
struct TALLY {
    int cWrong = 0;
    void Check(bool f) { cWrong += f ? 0 : 1; }
};

/* Runs under YORL_FAULT="InstABSSHM=2,ABSNMTX.Create=1,ABSSHM.Create=3". */
KOR_CHILD_ROLE(fault)
{
    if (pabsfact == nullptr || pabsutil == nullptr)
        return codeSetup;
    TALLY t;
    std::string szName = SzYorlTestName("fault");
    ABSSHM *rgpshm[3];
    for (int i = 0; i < 3; i++)
        rgpshm[i] = pabsfact->InstABSSHM();
    t.Check(rgpshm[0] != nullptr && rgpshm[1] == nullptr && rgpshm[2] != nullptr);
    t.Check(pabsutil->GetLastErc() == ercAbsFailed);
    pabsutil->SetLastErc(0);
    void *pv;
    t.Check(rgpshm[0]->Create(szName.c_str(), &pv, 64));            /* call 1 */
    t.Check(rgpshm[2]->Create((szName + "b").c_str(), &pv, 64));    /* call 2 */
    t.Check(!rgpshm[0]->Create((szName + "c").c_str(), &pv, 64));   /* call 3 */
    t.Check(pabsutil->GetLastErc() == ercAbsFailed);
    t.Check(rgpshm[0]->Create((szName + "d").c_str(), &pv, 64));    /* call 4 */
    ABSNMTX *pnmtx = pabsfact->InstABSNMTX();
    t.Check(!pnmtx->Create(szName.c_str(), false));                  /* call 1 */
    t.Check(pabsutil->GetLastErc() == ercAbsFailed);
    t.Check(!pnmtx->Lock(0) && pabsutil->GetLastErc() == ercAbsNotInit);
    t.Check(pnmtx->Create(szName.c_str(), false));                   /* call 2 */
    ABSNMTX2 *pnmtx2 = pabsfact->InstABSNMTX2();                        /* other slot */
    t.Check(pnmtx2->Create(szName.c_str(), false));
    pnmtx->Term();
    pnmtx2->Term();
    pabsfact->RlsABSNMTX(pnmtx);
    pabsfact->RlsABSNMTX2(pnmtx2);
    for (ABSSHM *pshm : {rgpshm[0], rgpshm[2]}) {
        pshm->Term();
        pabsfact->RlsABSSHM(pshm);
    }
    return t.cWrong;
}

/* Reports which exported objects are there: bit 0 factory, bit 1 utility. */
KOR_CHILD_ROLE(exports)
{
    return (pabsfact != nullptr ? 1 : 0) | (pabsutil != nullptr ? 2 : 0);
}

/* Runs with YORL_TICK_OFFSET set so that the tick wraps about 2 s after
 * the start; watches it cross the wrap in steps of 100 ms. */
KOR_CHILD_ROLE(tickwrap)
{
    TALLY t;
    uint32_t tmsPrev = pabsutil->GetTickMs();
    t.Check(tmsPrev > 0xFFFFFFFFu - 10000u);   /* near the top */
    for (int i = 0; i < 100; i++) {
        pabsutil->SleepMs(100);
        uint32_t tms = pabsutil->GetTickMs();
        if (tms < tmsPrev) {
            t.Check(tms < 10000u);                              /* wrapped */
            t.Check(tms - tmsPrev >= 90u && tms - tmsPrev < 5000u);   /* modulo 2^32 */
            return t.cWrong;
        }
        tmsPrev = tms;
    }
    return 100;   /* never wrapped */
}

/* ---- fixture ---- */

class YorlUtil : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(pabsfact, nullptr);
        ASSERT_NE(pabsutil, nullptr);
        YorlTestNamespace();
        pabsutil->SetLastErc(0);
    }

    /* Runs role szRole with variable szVar set to szValue in the child. */
    int CodeRunWith(const char *szRole, const char *szVar, const char *szValue)
    {
        KorSetEnv(szVar, szValue);
        KorChild child;
        bool fStarted = child.Start(szRole);
        KorSetEnv(szVar, nullptr);
        EXPECT_TRUE(fStarted);
        int code = -1;
        EXPECT_TRUE(child.Wait(20000, &code));
        return code;
    }

    /* A fresh directory of this test. */
    fs::path PathTemp(const char *szTag)
    {
        fs::path path = fs::temp_directory_path() /
                        ("yorltest-" + std::to_string(pabsutil->GetIdProcess()) + "-" + szTag);
        fs::remove_all(path);
        fs::create_directories(path);
        vpathRemove.push_back(path);
        return path;
    }

    void TearDown() override
    {
        std::error_code ec;
        for (const fs::path &path : vpathRemove)
            fs::remove_all(path, ec);
    }

    std::vector<fs::path> vpathRemove;
};

/* ---- start-up hooks ---- */

TEST_F(YorlUtil, FaultInjectionFailsTheNamedCalls)
{
    EXPECT_EQ(CodeRunWith("fault", "YORL_FAULT", " InstABSSHM=2, ABSNMTX.Create=1,ABSSHM.Create=3,bad,X=0"), 0);
}

TEST_F(YorlUtil, NoFactoryAndNoUtilLeaveTheExportsNull)
{
    EXPECT_EQ(CodeRunWith("exports", "YORL_NOFACTORY", "0"), 3);
    EXPECT_EQ(CodeRunWith("exports", "YORL_NOFACTORY", "1"), 2);
    EXPECT_EQ(CodeRunWith("exports", "YORL_NOUTIL", "1"), 1);
}

TEST_F(YorlUtil, TickOffsetWrapsAround)
{
    /* The child's tick starts about where ours is (machine-wide) and wraps
     * 6 s from now: time for a child started slowly (under emulation) to
     * see the top first. */
    uint32_t tmsNow = pabsutil->GetTickMs();
    std::string szOffset = std::to_string((uint64_t)(0x100000000ull - tmsNow - 6000u));
    EXPECT_EQ(CodeRunWith("tickwrap", "YORL_TICK_OFFSET", szOffset.c_str()), 0);
}

TEST_F(YorlUtil, TickAdvancesWithSleep)
{
    uint32_t tms0 = pabsutil->GetTickMs();
    pabsutil->SleepMs(120);
    uint32_t tmsGone = pabsutil->GetTickMs() - tms0;
    EXPECT_GE(tmsGone, 100u);
    EXPECT_LT(tmsGone, 5000u);
}

/*
 * Device timings are waited out with SleepMs: every sleep lasts at least the
 * milliseconds asked for, measured by a clock finer than the tick, also for
 * the short waits below one timer period. Each length is slept a few times.
 */
class YorlSleep : public YorlUtil, public testing::WithParamInterface<uint32_t> {};

TEST_P(YorlSleep, LastsAtLeastTheTimeAskedFor)
{
    uint32_t tms = GetParam();
    for (int i = 0; i < 5; i++) {
        auto t0 = std::chrono::steady_clock::now();
        pabsutil->SleepMs(tms);
        auto tus = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0);
        EXPECT_GE(tus.count(), int64_t(tms) * 1000) << "sleep " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, YorlSleep, testing::Values(1u, 2u, 3u, 7u, 14u, 16u, 31u),
                         [](const testing::TestParamInfo<uint32_t> &info) {
                             return std::to_string(info.param) + "ms";
                         });

TEST_F(YorlUtil, SleepOfNothingReturns)
{
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 100; i++)
        pabsutil->SleepMs(0);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
}

/* ---- factory ---- */

TEST_F(YorlUtil, TransportSlotsHandOutWhatExists)
{
    ABSUSB *pusb = pabsfact->InstABSUSB();
    ASSERT_NE(pusb, nullptr);
    EXPECT_TRUE(pabsfact->RlsABSUSB(pusb));
    ABSUSBTP *pusbtp = pabsfact->InstABSUSBTP();
    ASSERT_NE(pusbtp, nullptr);
    EXPECT_TRUE(pabsfact->RlsABSUSBTP(pusbtp));
    ABSTCPIP *ptcpip = pabsfact->InstABSTCPIP();
    ASSERT_NE(ptcpip, nullptr);
    EXPECT_TRUE(pabsfact->RlsABSTCPIP(ptcpip));
    ABSUDP *pudp = pabsfact->InstABSUDP();
    ASSERT_NE(pudp, nullptr);
    EXPECT_TRUE(pabsfact->RlsABSUDP(pudp));
    ABSMDNSSD *pmdnssd = pabsfact->InstABSMDNSSD();
    ASSERT_NE(pmdnssd, nullptr);
    EXPECT_TRUE(pabsfact->RlsABSMDNSSD(pmdnssd));
    EXPECT_EQ(pabsfact->InstABSRSV(), nullptr);
    EXPECT_EQ(pabsutil->GetLastErc(), (uint32_t)ercAbsFailed);
    EXPECT_FALSE(pabsfact->RlsABSUSB(nullptr));
    EXPECT_EQ(pabsutil->GetLastErc(), (uint32_t)ercAbsInvalidParameter);
    EXPECT_FALSE(pabsfact->RlsABSSEM(nullptr));
    EXPECT_TRUE(pabsfact->Init());
    EXPECT_TRUE(pabsfact->Term());
    EXPECT_FALSE(pabsutil->FReserved8());
}

/* ---- paths ---- */

struct PATHCASE {
    const char *szVar;
    const char *szValue;     /* as set */
    const char *szWant;      /* as handed out; '|' stands for the separator */
};

class YorlPaths : public YorlUtil, public testing::WithParamInterface<PATHCASE> {};

bool FGetPathOf(const char *szVar, char *sz, uint32_t cch)
{
    if (strcmp(szVar, "YORL_DATADIR") == 0)
        return pabsutil->FGetDataDir(sz, cch);
    if (strcmp(szVar, "YORL_FWDIR") == 0)
        return pabsutil->FGetFirmwareDir(sz, cch);
    return pabsutil->FGetDevTblPath(sz, cch);
}

TEST_P(YorlPaths, VariableRedirectsThePath)
{
    const PATHCASE &tc = GetParam();
    KorSetEnv(tc.szVar, tc.szValue);
    char sz[cchAbsPathMax];
    bool f = FGetPathOf(tc.szVar, sz, sizeof(sz));
    KorSetEnv(tc.szVar, nullptr);
    ASSERT_TRUE(f);
    std::string szWant = tc.szWant;
    for (char &ch : szWant)
        if (ch == '|')
            ch = chSep;
    EXPECT_EQ(std::string(sz), szWant);
}

INSTANTIATE_TEST_SUITE_P(Vars, YorlPaths,
                         testing::Values(PATHCASE{"YORL_DATADIR", "/x/data", "/x/data|"},
                                         PATHCASE{"YORL_DATADIR", "/x/data/", "/x/data/"},
                                         PATHCASE{"YORL_FWDIR", "/x/fw", "/x/fw|"},
                                         PATHCASE{"YORL_FWDIR", "rel", "rel|"},
                                         PATHCASE{"YORL_DEVTBL", "/x/t/dvctbl.txt", "/x/t/dvctbl.txt"}));

TEST_F(YorlUtil, DefaultPathsFollowTheInstalledLayout)
{
    for (const char *szVar : {"YORL_DATADIR", "YORL_FWDIR", "YORL_DEVTBL"})
        KorSetEnv(szVar, nullptr);
    char szData[cchAbsPathMax], szFw[cchAbsPathMax], szTbl[cchAbsPathMax];
    ASSERT_TRUE(pabsutil->FGetDataDir(szData, sizeof(szData)));
    ASSERT_TRUE(pabsutil->FGetFirmwareDir(szFw, sizeof(szFw)));
    ASSERT_TRUE(pabsutil->FGetDevTblPath(szTbl, sizeof(szTbl)));
    std::string szDataS(szData), szFwS(szFw), szTblS(szTbl);
    std::string szDataEnd = std::string("data") + chSep, szFwEnd = std::string("firmware") + chSep;
    EXPECT_EQ(szDataS.substr(szDataS.size() - szDataEnd.size()), szDataEnd);
    EXPECT_EQ(szFwS.substr(szFwS.size() - szFwEnd.size()), szFwEnd);
    EXPECT_EQ(szTblS.substr(szTblS.size() - 10), "dvctbl.txt");
#if !defined(_WIN32)
    EXPECT_EQ(szDataS, "/usr/local/share/korvanel/data/");
    EXPECT_EQ(szFwS, "/usr/local/share/korvanel/firmware/");
#endif
}

TEST_F(YorlUtil, PathTooLongForTheBufferFails)
{
    KorSetEnv("YORL_DATADIR", "/abcdef");
    char sz[8];
    EXPECT_EQ(ErcOf(pabsutil->FGetDataDir(sz, sizeof(sz))), (uint32_t)ercAbsInvalidParameter);
    char szFits[9];
    EXPECT_TRUE(pabsutil->FGetDataDir(szFits, sizeof(szFits)));
    KorSetEnv("YORL_DATADIR", nullptr);
    EXPECT_EQ(ErcOf(pabsutil->FGetDataDir(nullptr, 100)), (uint32_t)ercAbsInvalidParameter);
}

/* ---- wildcard patterns ---- */

struct WILDCASE {
    const char *szPattern;
    const char *szName;
    bool fMatch;
};

class YorlWild : public testing::TestWithParam<WILDCASE> {};

TEST_P(YorlWild, Matches)
{
    const WILDCASE &tc = GetParam();
    EXPECT_EQ(FYorlWildMatch(tc.szPattern, tc.szName), tc.fMatch) << tc.szPattern << " ~ " << tc.szName;
}

INSTANTIATE_TEST_SUITE_P(Table, YorlWild,
                         testing::Values(WILDCASE{"*.img", "a.img", true}, WILDCASE{"*.img", "A.IMG", true},
                                         WILDCASE{"*.IMG", "b.img", true}, WILDCASE{"*.img", "a.img.bak", false},
                                         WILDCASE{"*.img", "aimg", false}, WILDCASE{"*", "", true},
                                         WILDCASE{"*", "x", true}, WILDCASE{"?", "", false},
                                         WILDCASE{"?.txt", "a.txt", true}, WILDCASE{"?.txt", "ab.txt", false},
                                         WILDCASE{"FTDIFW_*-64bit.dll", "FTDIFW_Acme-64bit.dll", true},
                                         WILDCASE{"FTDIFW_*-64bit.dll", "FTDIFW_Acme-32bit.dll", false},
                                         WILDCASE{"FTDIFW_*-64bit.dll", "FTDIFW_-64bit.dll", true},
                                         WILDCASE{"a*b*c", "aXbYbZc", true}, WILDCASE{"a*b*c", "aXbYcZ", false},
                                         WILDCASE{"**x", "abx", true}, WILDCASE{"", "a", false},
                                         WILDCASE{"", "", true}, WILDCASE{"*?", "", false}));

/* ---- directory listing ---- */

std::set<std::string> SetList(ABSDIR *pdir, const std::string &szDir, const char *szPattern)
{
    std::set<std::string> set;
    if (!pdir->OpenDir(szDir.c_str(), szPattern))
        return {"<open failed>"};
    char sz[cchAbsPathMax];
    for (int i = 0; i < 100; i++) {
        if (!pdir->GetNextFileName(sz, sizeof(sz)))
            return {"<next failed>"};
        if (sz[0] == '\0')
            break;
        set.insert(sz);
    }
    pdir->CloseDir();
    return set;
}

TEST_F(YorlUtil, DirectoryListsMatchingNamesThenAnEmptyName)
{
    fs::path path = PathTemp("dir");
    for (const char *szFile : {"a.IMG", "b.img", "c.txt", "FTDIFW_Acme-64bit.dll", "FTDIFW_Acme-32bit.dll"})
        std::ofstream((path / szFile).string()) << "x";
    fs::create_directory(path / "sub.img");
    UPDIR pdir(pabsfact->InstABSDIR());
    ASSERT_TRUE(pdir->Init());
    std::string szDir = path.string();
    typedef std::set<std::string> SET;
    EXPECT_EQ(SetList(pdir.get(), szDir, "*.img"), (SET{"a.IMG", "b.img", "sub.img"}));
    EXPECT_EQ(SetList(pdir.get(), szDir + chSep, "FTDIFW_*-64bit.dll"), (SET{"FTDIFW_Acme-64bit.dll"}));
    EXPECT_EQ(SetList(pdir.get(), szDir, "?.txt"), (SET{"c.txt"}));
    EXPECT_EQ(SetList(pdir.get(), szDir, "*.none"), SET{});
    EXPECT_EQ(SetList(pdir.get(), szDir, "*").size(), 6u);
}

TEST_F(YorlUtil, DirectoryErrors)
{
    fs::path path = PathTemp("direrr");
    std::ofstream((path / "long-name.img").string()) << "x";
    UPDIR pdir(pabsfact->InstABSDIR());
    char sz[cchAbsPathMax];
    EXPECT_EQ(ErcOf(pdir->GetNextFileName(sz, sizeof(sz))), (uint32_t)ercAbsNotInit);
    EXPECT_EQ(ErcOf(pdir->CloseDir()), (uint32_t)ercAbsNotInit);
    EXPECT_EQ(ErcOf(pdir->OpenDir((path / "missing").string().c_str(), "*")), (uint32_t)ercAbsNotFound);
    ASSERT_TRUE(pdir->OpenDir(path.string().c_str(), "*.img"));
    /* Too small: the name stays for the next call with room enough. */
    EXPECT_EQ(ErcOf(pdir->GetNextFileName(sz, 5)), (uint32_t)ercAbsInvalidParameter);
    ASSERT_TRUE(pdir->GetNextFileName(sz, sizeof(sz)));
    EXPECT_STREQ(sz, "long-name.img");
    ASSERT_TRUE(pdir->GetNextFileName(sz, sizeof(sz)));
    EXPECT_STREQ(sz, "");
    ASSERT_TRUE(pdir->GetNextFileName(sz, sizeof(sz)));
    EXPECT_STREQ(sz, "");
    EXPECT_TRUE(pdir->CloseDir());
}

/* ---- dynamic libraries ---- */

typedef int (*PFNADD)(int, int);

fs::path PathSelfDir()
{
    return fs::path(KorSelfPath()).parent_path();
}

TEST_F(YorlUtil, LibraryByBareNameAndByPath)
{
    UPDLL pdll(pabsfact->InstABSDLL());
    ASSERT_TRUE(pdll->Init());
    /* Bare, bare with its extension, and a full path. */
    for (std::string szName :
         {std::string("yorltd"), std::string("yorltd.dll"), (PathSelfDir() / "yorltd.dll").string()}) {
        HABSMOD hmod = nullptr;
        ASSERT_TRUE(pdll->Load(szName.c_str(), &hmod)) << szName << " error " << pabsutil->GetLastErc();
        ASSERT_NE(hmod, nullptr);
        void *pfn = nullptr;
        ASSERT_TRUE(pdll->GetProc(hmod, "YorlTdAdd", &pfn));
        EXPECT_EQ(((PFNADD)pfn)(2, 40), 42);
        EXPECT_EQ(ErcOf(pdll->GetProc(hmod, "YorlTdMissing", &pfn)), (uint32_t)ercAbsNotFound);
        EXPECT_EQ(pfn, nullptr);
        EXPECT_TRUE(pdll->Free(hmod));
    }
}

TEST_F(YorlUtil, MissingLibraryFailsCleanly)
{
    UPDLL pdll(pabsfact->InstABSDLL());
    HABSMOD hmod = (HABSMOD)1;
    EXPECT_EQ(ErcOf(pdll->Load("yorl_no_such_library", &hmod)), (uint32_t)ercAbsNotFound);
    EXPECT_EQ(hmod, nullptr);
    std::string szMissing = (PathSelfDir() / "missing" / "yorltd.dll").string();
    EXPECT_EQ(ErcOf(pdll->Load(szMissing.c_str(), &hmod)), (uint32_t)ercAbsNotFound);
    /* A file that is not a library. */
    fs::path path = PathTemp("notlib");
    std::ofstream((path / "junk.dll").string()) << "not a library";
    EXPECT_EQ(ErcOf(pdll->Load((path / "junk.dll").string().c_str(), &hmod)), (uint32_t)ercAbsNotFound);
    EXPECT_EQ(ErcOf(pdll->Load(nullptr, &hmod)), (uint32_t)ercAbsInvalidParameter);
    EXPECT_EQ(ErcOf(pdll->Free(nullptr)), (uint32_t)ercAbsInvalidParameter);
}

/* A process's identity names that process only: a later start time under
 * the same id, or an id nobody has, is a process that ended. */
TEST(YorlPrcid, IdentityTellsEndedProcesses)
{
    ABSPRCID prcid = {};
    ASSERT_TRUE(pabsutil->FGetPrcid(&prcid));
    EXPECT_EQ(prcid.idProcess, pabsutil->GetIdProcess());
    EXPECT_NE(prcid.tStartLo | prcid.tStartHi, 0u);
    ABSPRCID prcidAgain = {};
    ASSERT_TRUE(pabsutil->FGetPrcid(&prcidAgain));
    EXPECT_EQ(memcmp(&prcid, &prcidAgain, sizeof(prcid)), 0);
    EXPECT_FALSE(pabsutil->FPrcidEnded(&prcid));
    ABSPRCID prcidReused = prcid;
    prcidReused.tStartLo++;
    EXPECT_TRUE(pabsutil->FPrcidEnded(&prcidReused));
    ABSPRCID prcidNone = {0x7FFFFFF0u, 1, 0};
    EXPECT_TRUE(pabsutil->FPrcidEnded(&prcidNone));
    ABSPRCID prcidZero = {};
    EXPECT_FALSE(pabsutil->FPrcidEnded(&prcidZero));
    EXPECT_FALSE(pabsutil->FPrcidEnded(nullptr));
    EXPECT_FALSE(pabsutil->FGetPrcid(nullptr));
}

}  // namespace
