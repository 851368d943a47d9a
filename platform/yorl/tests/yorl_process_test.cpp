/*
 * yorl_process_test.cpp - Yorl named objects across real processes: two
 * processes contending for a named mutex, a holder killed or ending while
 * holding it, names that exist only while held (a fresh generation after
 * every holder left), shared segments seen by every process, the
 * namespace, and the machine-wide tick.
 *
 * Children are this program again in a role (kor_child.h). They report
 * through exit codes and through a hand-shake segment (SYNCSEG).
 */
#include "yorl_test_util.h"
#include "kor_child.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif
#include <stdlib.h>
#include <string.h>

namespace {

const uint32_t tmsChild = 20000;

/* Words of the hand-shake segment. */
enum {
    iwReady = 0,     /* child has done its first step */
    iwGo = 1,        /* parent lets the child go on */
    iwValue = 2,     /* a value reported by the child */
    iwInside = 3,    /* contention: holders inside the lock */
    iwOverlap = 4,   /* contention: seen two inside */
    iwCount = 5,     /* contention: passes done */
    iwWon = 6,       /* race: owned creations that succeeded */
    iwLost = 7,      /* race: owned creations that failed with 13 */
    iwDone = 8,      /* parent lets the children end */
};

/* Exit codes of the roles beyond 0 = as expected. */
enum { codeSetup = 90, codeWrong = 91 };

/* ---- roles ---- */

/* hold NAME KIND SYNC MODE: takes NAME (KIND "2" = ABSNMTX2), signals, then
 * MODE "wait" waits to be killed, "exit" ends the process holding it once
 * the parent says go. */
KOR_CHILD_ROLE(hold)
{
    if (argc != 5)
        return codeSetup;
    SYNCSEG sync(argv[3]);
    UPNMTX pnmtx = PnmtxOpen(argv[1], false, strcmp(argv[2], "2") == 0);
    if (!sync.FOk() || !pnmtx || !pnmtx->Lock(tmsInfinite))
        return codeSetup;
    sync[iwReady] = 1;
    if (strcmp(argv[4], "wait") == 0)
        for (;;)
            KorSleepMs(1000);
    if (!sync.FWaitFor(iwGo, 1, tmsChild))
        return codeSetup;
    /* The process ends with the mutex held and never unlocked. */
    _Exit(0);
}

/* create NAME OWNED: exit code 0 when Create succeeded, else the last error. */
KOR_CHILD_ROLE(create)
{
    if (argc != 3)
        return codeSetup;
    UPNMTX pnmtx = PnmtxOpen(argv[1], strcmp(argv[2], "1") == 0);
    if (!pnmtx)
        return codeSetup;
    return (int)pabsutil->GetLastErc();
}

/* lockwait NAME SYNC TMS: signals, then Lock(TMS); exit code 0 or the error. */
KOR_CHILD_ROLE(lockwait)
{
    if (argc != 4)
        return codeSetup;
    SYNCSEG sync(argv[2]);
    UPNMTX pnmtx = PnmtxOpen(argv[1], false, true);
    if (!sync.FOk() || !pnmtx || pabsutil->GetLastErc() != 0)
        return codeSetup;
    sync[iwReady] = 1;
    uint32_t tms = (uint32_t)strtoul(argv[3], nullptr, 10);
    if (!pnmtx->Lock(tms))
        return (int)pabsutil->GetLastErc();
    sync[iwValue] = 1;
    return pnmtx->Unlock() ? 0 : codeWrong;
}

/* contend NAME SYNC N: N passes through the mutex, watching for overlap. */
KOR_CHILD_ROLE(contend)
{
    if (argc != 4)
        return codeSetup;
    SYNCSEG sync(argv[2]);
    UPNMTX pnmtx = PnmtxOpen(argv[1], false, true);
    if (!sync.FOk() || !pnmtx)
        return codeSetup;
    sync[iwReady] += 1;
    if (!sync.FWaitFor(iwGo, 1, tmsChild))
        return codeSetup;
    int c = atoi(argv[3]);
    for (int i = 0; i < c; i++) {
        if (!pnmtx->Lock(tmsChild))
            return (int)pabsutil->GetLastErc();
        if (sync[iwInside].fetch_add(1) != 0)
            sync[iwOverlap] = 1;
        uint32_t cOld = sync[iwCount].load();
        if (i % 16 == 0)
            KorSleepMs(0);
        sync[iwCount].store(cOld + 1);   /* lost without exclusion */
        sync[iwInside].fetch_sub(1);
        if (!pnmtx->Unlock())
            return codeWrong;
    }
    return 0;
}

/* race NAME SYNC: at the parent's go, creates NAME owned and counts the
 * outcome; a winner then writes its pid into segment NAME".seg" that every
 * racer maps (mutexes and segments share one name space on Windows); holds
 * both until the parent says done. */
KOR_CHILD_ROLE(race)
{
    if (argc != 3)
        return codeSetup;
    SYNCSEG sync(argv[2]);
    if (!sync.FOk())
        return codeSetup;
    sync[iwReady] += 1;
    if (!sync.FWaitFor(iwGo, 1, tmsChild))
        return codeSetup;
    UPNMTX pnmtx = PnmtxOpen(argv[1], true);
    UPSHM pshm(pabsfact->InstABSSHM());
    if (!pnmtx || !pshm)
        return codeSetup;
    uint32_t erc = pabsutil->GetLastErc();
    void *pv = nullptr;
    if (!pshm->Create((std::string(argv[1]) + ".seg").c_str(), &pv, 4))
        return codeWrong;
    if (erc == 0) {
        *(volatile uint32_t *)pv = pabsutil->GetIdProcess();
        sync[iwWon] += 1;
    } else if (erc == ercAbsTimeout) {
        sync[iwLost] += 1;
    } else {
        return codeWrong;
    }
    if (!sync.FWaitFor(iwDone, 1, tmsChild))
        return codeSetup;
    /* Every racer sees the winner's pid. */
    return *(volatile uint32_t *)pv != 0 ? 0 : codeWrong;
}

/* shm NAME CB OP: "write" fills the segment with the byte 0xA5 and its
 * offsets; "check" compares that pattern; "zero" checks all bytes are 0. */
KOR_CHILD_ROLE(shm)
{
    if (argc != 4)
        return codeSetup;
    UPSHM pshm(pabsfact->InstABSSHM());
    uint32_t cb = (uint32_t)strtoul(argv[2], nullptr, 10);
    void *pv = nullptr;
    if (!pshm || !pshm->Init())
        return codeSetup;
    if (!pshm->Create(argv[1], &pv, cb))
        return (int)pabsutil->GetLastErc();
    unsigned char *pb = (unsigned char *)pv;
    for (uint32_t ib = 0; ib < cb; ib++) {
        unsigned char bPattern = (unsigned char)(ib == 0 ? 0xA5 : ib * 7);
        if (strcmp(argv[3], "write") == 0)
            pb[ib] = bPattern;
        else if (strcmp(argv[3], "check") == 0 && pb[ib] != bPattern)
            return codeWrong;
        else if (strcmp(argv[3], "zero") == 0 && pb[ib] != 0)
            return codeWrong;
    }
    return 0;
}

/* tick SYNC: reports its tick. */
KOR_CHILD_ROLE(tick)
{
    if (argc != 2)
        return codeSetup;
    SYNCSEG sync(argv[1]);
    if (!sync.FOk())
        return codeSetup;
    sync[iwValue] = pabsutil->GetTickMs();
    sync[iwReady] = 1;
    return 0;
}

/* ---- cases ---- */

class YorlProcess : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(pabsfact, nullptr);
        ASSERT_NE(pabsutil, nullptr);
        YorlTestNamespace();
        pabsutil->SetLastErc(0);
    }

    int CodeRun(const char *szRole, const std::vector<std::string> &vszArg)
    {
        KorChild child;
        EXPECT_TRUE(child.Start(szRole, vszArg));
        int code = -1;
        EXPECT_TRUE(child.Wait(tmsChild, &code));
        return code;
    }
};

TEST_F(YorlProcess, TwoProcessesContendWithoutOverlap)
{
    std::string szName = SzYorlTestName("contend");
    std::string szSync = SzYorlTestName("sync");
    SYNCSEG sync(szSync);
    ASSERT_TRUE(sync.FOk());
    KorChild rgchild[2];
    for (KorChild &child : rgchild)
        ASSERT_TRUE(child.Start("contend", {szName, szSync, "3000"}));
    ASSERT_TRUE(sync.FWaitFor(iwReady, 2, tmsChild));
    sync[iwGo] = 1;
    for (KorChild &child : rgchild) {
        int code = -1;
        ASSERT_TRUE(child.Wait(60000, &code));
        EXPECT_EQ(code, 0);
    }
    EXPECT_EQ(sync[iwOverlap].load(), 0u);
    EXPECT_EQ(sync[iwCount].load(), 6000u);
}

/* Holder killed or ending holding the mutex; the waiter of either kind
 * obtains it (ABSNMTX2 reporting 33). */
struct ABANDONCASE {
    const char *szMode;   /* "wait": killed; "exit": ends by itself */
    bool f2;
};

class YorlAbandon : public YorlProcess, public testing::WithParamInterface<ABANDONCASE> {};

TEST_P(YorlAbandon, WaiterObtainsTheMutexOfAnEndedHolder)
{
    const ABANDONCASE &tc = GetParam();
    std::string szName = SzYorlTestName("aband");
    std::string szSync = SzYorlTestName("sync");
    SYNCSEG sync(szSync);
    ASSERT_TRUE(sync.FOk());
    UPNMTX pnmtx = PnmtxOpen(szName, false, tc.f2);
    ASSERT_EQ(pabsutil->GetLastErc(), 0u);
    KorChild child;
    ASSERT_TRUE(child.Start("hold", {szName, tc.f2 ? "2" : "1", szSync, tc.szMode}));
    ASSERT_TRUE(sync.FWaitFor(iwReady, 1, tmsChild));
    EXPECT_EQ(pabsutil->GetLastErc(), 0u);
    ASSERT_FALSE(pnmtx->Lock(0));
    EXPECT_EQ(pabsutil->GetLastErc(), (uint32_t)ercAbsTimeout);
    if (strcmp(tc.szMode, "wait") == 0) {
        ASSERT_TRUE(child.Kill());
    } else {
        sync[iwGo] = 1;
        int code = -1;
        ASSERT_TRUE(child.Wait(tmsChild, &code));
        EXPECT_EQ(code, 0);
    }
    bool f = pnmtx->Lock(10000);
    if (tc.f2) {
        EXPECT_FALSE(f);
        EXPECT_EQ(pabsutil->GetLastErc(), (uint32_t)ercAbsAbandoned);
    } else {
        EXPECT_TRUE(f) << pabsutil->GetLastErc();
    }
    EXPECT_TRUE(pnmtx->Unlock());
    EXPECT_TRUE(pnmtx->Lock(0));
    EXPECT_TRUE(pnmtx->Unlock());
}

INSTANTIATE_TEST_SUITE_P(Holders, YorlAbandon,
                         testing::Values(ABANDONCASE{"wait", false}, ABANDONCASE{"wait", true},
                                         ABANDONCASE{"exit", false}, ABANDONCASE{"exit", true}),
                         [](const testing::TestParamInfo<ABANDONCASE> &info) {
                             return std::string(strcmp(info.param.szMode, "wait") == 0 ? "Killed" : "Exited") +
                                    (info.param.f2 ? "Nmtx2" : "Nmtx");
                         });

TEST_F(YorlProcess, InfiniteWaiterInOtherProcessGetsItAfterUnlock)
{
    std::string szName = SzYorlTestName("wait");
    std::string szSync = SzYorlTestName("sync");
    SYNCSEG sync(szSync);
    UPNMTX pnmtx = PnmtxOpen(szName, true);
    ASSERT_EQ(pabsutil->GetLastErc(), 0u);
    KorChild child;
    ASSERT_TRUE(child.Start("lockwait", {szName, szSync, "4294967295"}));
    ASSERT_TRUE(sync.FWaitFor(iwReady, 1, tmsChild));
    KorSleepMs(200);
    EXPECT_EQ(sync[iwValue].load(), 0u);
    ASSERT_TRUE(pnmtx->Unlock());
    int code = -1;
    ASSERT_TRUE(child.Wait(tmsChild, &code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(sync[iwValue].load(), 1u);
}

TEST_F(YorlProcess, TimedWaitInOtherProcessFailsWith13)
{
    std::string szName = SzYorlTestName("timed");
    std::string szSync = SzYorlTestName("sync");
    SYNCSEG sync(szSync);
    UPNMTX pnmtx = PnmtxOpen(szName, true);
    EXPECT_EQ(CodeRun("lockwait", {szName, szSync, "200"}), (int)ercAbsTimeout);
    EXPECT_EQ(CodeRun("lockwait", {szName, szSync, "0"}), (int)ercAbsTimeout);
    ASSERT_TRUE(pnmtx->Unlock());
    EXPECT_EQ(CodeRun("lockwait", {szName, szSync, "0"}), 0);
}

TEST_F(YorlProcess, NameExistsOnlyWhileHeld)
{
    std::string szName = SzYorlTestName("exist");
    /* Each child is the only holder: every run is a new mutex. */
    EXPECT_EQ(CodeRun("create", {szName, "1"}), 0);
    EXPECT_EQ(CodeRun("create", {szName, "1"}), 0);
    {
        UPNMTX pnmtx = PnmtxOpen(szName, false);
        EXPECT_EQ(CodeRun("create", {szName, "1"}), (int)ercAbsTimeout);
        EXPECT_EQ(CodeRun("create", {szName, "0"}), 0);
    }
    EXPECT_EQ(CodeRun("create", {szName, "1"}), 0);
    /* A killed holder's name goes away too. */
    std::string szSync = SzYorlTestName("sync");
    SYNCSEG sync(szSync);
    KorChild child;
    ASSERT_TRUE(child.Start("hold", {szName, "1", szSync, "wait"}));
    ASSERT_TRUE(sync.FWaitFor(iwReady, 1, tmsChild));
    EXPECT_EQ(CodeRun("create", {szName, "1"}), (int)ercAbsTimeout);
    ASSERT_TRUE(child.Kill());
#if !defined(_WIN32)
    /* The killed holder leaves its presence file behind; the next user of
     * the name takes it over and removes it when it is done. */
    std::string szFile = std::string("/dev/shm/yorl/n.") + getenv("YORL_NAMESPACE") + "/m." + szName;
    size_t ich = szFile.find("/m.") + 3;      /* the name's '/' escaped */
    while ((ich = szFile.find('/', ich)) != std::string::npos)
        szFile.replace(ich, 1, "%2F");
    struct stat st;
    bool fShm = stat("/dev/shm", &st) == 0;
    if (fShm)
        EXPECT_EQ(stat(szFile.c_str(), &st), 0) << szFile;
#endif
    EXPECT_EQ(CodeRun("create", {szName, "1"}), 0);
#if !defined(_WIN32)
    if (fShm)
        EXPECT_NE(stat(szFile.c_str(), &st), 0) << szFile;
#endif
}

TEST_F(YorlProcess, RacingOwnedCreationsHaveOneWinner)
{
    for (int iRound = 0; iRound < 3; iRound++) {
        std::string szName = SzYorlTestName("race");
        std::string szSync = SzYorlTestName("sync");
        SYNCSEG sync(szSync);
        ASSERT_TRUE(sync.FOk());
        const int cChild = 4;
        KorChild rgchild[cChild];
        for (KorChild &child : rgchild)
            ASSERT_TRUE(child.Start("race", {szName, szSync}));
        ASSERT_TRUE(sync.FWaitFor(iwReady, cChild, tmsChild));
        sync[iwGo] = 1;
        for (uint32_t tms = 0; tms < tmsChild && sync[iwWon] + sync[iwLost] < (uint32_t)cChild; tms += 5)
            KorSleepMs(5);
        EXPECT_EQ(sync[iwWon].load(), 1u) << "round " << iRound;
        EXPECT_EQ(sync[iwLost].load(), (uint32_t)cChild - 1) << "round " << iRound;
        sync[iwDone] = 1;
        for (KorChild &child : rgchild) {
            int code = -1;
            ASSERT_TRUE(child.Wait(tmsChild, &code));
            EXPECT_EQ(code, 0);
        }
    }
}

TEST_F(YorlProcess, NamespacesKeepNamesApart)
{
    std::string szName = SzYorlTestName("ns");
    UPNMTX pnmtx = PnmtxOpen(szName, true);
    ASSERT_EQ(pabsutil->GetLastErc(), 0u);
    EXPECT_EQ(CodeRun("create", {szName, "1"}), (int)ercAbsTimeout);
    std::string szNs = getenv("YORL_NAMESPACE");
    KorSetEnv("YORL_NAMESPACE", (szNs + "-other").c_str());
    int code = CodeRun("create", {szName, "1"});
    KorSetEnv("YORL_NAMESPACE", szNs.c_str());
    EXPECT_EQ(code, 0);
}

TEST_F(YorlProcess, SegmentIsTheSameBytesInEveryProcess)
{
    std::string szName = SzYorlTestName("seg");
    const uint32_t cb = 21252;
    UPSHM pshm(pabsfact->InstABSSHM());
    void *pv = nullptr;
    ASSERT_TRUE(pshm->Init());
    ASSERT_TRUE(pshm->Create(szName.c_str(), &pv, cb));
    unsigned char *pb = (unsigned char *)pv;
    for (uint32_t ib = 0; ib < cb; ib++)
        ASSERT_EQ(pb[ib], 0) << ib;
    EXPECT_EQ(CodeRun("shm", {szName, std::to_string(cb), "write"}), 0);
    EXPECT_EQ(pb[0], 0xA5);
    EXPECT_EQ(pb[cb - 1], (unsigned char)((cb - 1) * 7));
    EXPECT_EQ(CodeRun("shm", {szName, std::to_string(cb), "check"}), 0);
    pb[5] ^= 0xFF;
    EXPECT_EQ(CodeRun("shm", {szName, std::to_string(cb), "check"}), codeWrong);
    /* A second view in this process sees the same bytes. */
    UPSHM pshm2(pabsfact->InstABSSHM());
    void *pv2 = nullptr;
    ASSERT_TRUE(pshm2->Create(szName.c_str(), &pv2, cb));
    EXPECT_EQ(memcmp(pv, pv2, cb), 0);
    pshm2->Term();
    EXPECT_EQ(pb[0], 0xA5);   /* Term unmapped only the other view */
}

TEST_F(YorlProcess, FreshGenerationStartsZeroFilled)
{
    std::string szName = SzYorlTestName("gen");
    EXPECT_EQ(CodeRun("shm", {szName, "5636", "write"}), 0);
    EXPECT_EQ(CodeRun("shm", {szName, "5636", "zero"}), 0);
    {
        UPSHM pshm(pabsfact->InstABSSHM());
        void *pv = nullptr;
        ASSERT_TRUE(pshm->Create(szName.c_str(), &pv, 5636));
        memset(pv, 0x5A, 5636);
        EXPECT_EQ(CodeRun("shm", {szName, "5636", "zero"}), codeWrong);
        EXPECT_EQ(CodeRun("shm", {szName, "5636", "write"}), 0);
        /* A killed holder leaves no generation behind either. */
    }
    EXPECT_EQ(CodeRun("shm", {szName, "5636", "zero"}), 0);
}

TEST_F(YorlProcess, SegmentSizeMismatchFails)
{
    std::string szName = SzYorlTestName("size");
    UPSHM pshm(pabsfact->InstABSSHM());
    void *pv = nullptr;
    ASSERT_TRUE(pshm->Create(szName.c_str(), &pv, 1540));
    EXPECT_EQ(CodeRun("shm", {szName, "1541", "zero"}), (int)ercAbsSizeMismatch);
    EXPECT_EQ(CodeRun("shm", {szName, "100", "zero"}), (int)ercAbsSizeMismatch);
    EXPECT_EQ(CodeRun("shm", {szName, "1540", "zero"}), 0);
    UPSHM pshm2(pabsfact->InstABSSHM());
    EXPECT_FALSE(pshm2->Create(szName.c_str(), &pv, 18180));
    EXPECT_EQ(pabsutil->GetLastErc(), (uint32_t)ercAbsSizeMismatch);
    EXPECT_FALSE(pshm2->Create(szName.c_str(), &pv, 0));
    EXPECT_EQ(pabsutil->GetLastErc(), (uint32_t)ercAbsInvalidParameter);
}

TEST_F(YorlProcess, TickIsMachineWide)
{
    std::string szSync = SzYorlTestName("sync");
    SYNCSEG sync(szSync);
    uint32_t tmsBefore = pabsutil->GetTickMs();
    ASSERT_EQ(CodeRun("tick", {szSync}), 0);
    uint32_t tmsAfter = pabsutil->GetTickMs();
    uint32_t tmsChildTick = sync[iwValue].load();
    /* Same time line: the child's tick falls between ours. */
    EXPECT_LE(tmsChildTick - tmsBefore, tmsAfter - tmsBefore);
}

}  // namespace
