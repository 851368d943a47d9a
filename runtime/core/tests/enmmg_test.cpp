/*
 * enmmg_test.cpp - enumeration: the pooled list, synchronous and
 * asynchronous enumeration, stop, free, the merge of table entries with
 * live devices, and unload while an enumeration runs.
 */
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <thread>
#include <vector>

#include "dvcmg.h"
#include "vzcore.h"
#include "vzfake.h"
#include "vztestenv.h"
#include "yorl.h"

namespace {

TEST(Dvcmg, PoolGrowsAndRecyclesNodes)
{
    DVCMG dvcmg;
    ASSERT_TRUE(dvcmg.FInit());
    DVCNODE node;
    for (int i = 0; i < 130; i++) {
        memset(&node, 0, sizeof(node));
        snprintf(node.edvc.dvc.szName, sizeof(node.edvc.dvc.szName), "n%d", i);
        node.edvc.dvc.dtp = 0x10001;
        ASSERT_TRUE(dvcmg.FAddNode(&node)) << i;
    }
    EXPECT_EQ(130, dvcmg.CdvcMac());
    DVC dvc;
    ASSERT_TRUE(dvcmg.FGetDvc(64, &dvc));
    EXPECT_STREQ("n64", dvc.szName);
    EXPECT_FALSE(dvcmg.FGetDvc(130, &dvc));
    EXPECT_FALSE(dvcmg.FGetDvc(-1, &dvc));
    EXPECT_TRUE(dvcmg.FFindDvc(1, "n129"));
    EXPECT_FALSE(dvcmg.FFindDvc(2, "n129"));
    strcpy(node.edvc.dvc.szName, "changed");
    ASSERT_TRUE(dvcmg.FModNode(3, &node));
    ASSERT_TRUE(dvcmg.FGetDvc(3, &dvc));
    EXPECT_STREQ("changed", dvc.szName);
    EXPECT_FALSE(dvcmg.FModNode(130, &node));
    EXPECT_TRUE(dvcmg.FClear());
    EXPECT_EQ(0, dvcmg.CdvcMac());
    /* A cleared list reuses its nodes: 64 + 64 + 64 were allocated. */
    EXPECT_EQ(192, dvcmg.Term());
}

struct ENTRY {
    std::string szName;
    std::string szConn;
    std::string szSN;
    uint16_t fs;
};

std::vector<ENTRY> VentryList()
{
    std::vector<ENTRY> v;
    int cdvc = 0;
    EXPECT_TRUE(TvxGetEnumCount(&cdvc));
    for (int i = 0; i < cdvc; i++) {
        EDVC edvc;
        EXPECT_TRUE(TvxGetEdvc(i, &edvc));
        v.push_back({edvc.dvc.szName, edvc.dvc.szConn, edvc.szSN, edvc.fsEdvc});
    }
    return v;
}

class Enum : public ::testing::Test {
protected:
    void SetUp() override
    {
        szTbl = SzTempFile(std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".tbl");
        VzSetEnv("YORL_DEVTBL", szTbl.c_str());
        pmag = PmagfakeStart("enum");
        ASSERT_NE(nullptr, pmag);
    }
    void TearDown() override
    {
        if (pmag)
            VzTestStop();
        VzSetEnv("YORL_DEVTBL", nullptr);
    }
    void AddTbl(const char *szName, const char *szConn)
    {
        DVC dvc;
        memset(&dvc, 0, sizeof(dvc));
        SzCopy(dvc.szName, szName, sizeof(dvc.szName));
        SzCopy(dvc.szConn, szConn, sizeof(dvc.szConn));
        dvc.dtp = dtpFake;
        ASSERT_TRUE(TvxDvcTblAdd(&dvc));
    }
    void WaitFinished()
    {
        for (int i = 0; i < 20000 && !TvxIsEnumFinished(); i++)
            pabsutil->SleepMs(1);
        ASSERT_TRUE(TvxIsEnumFinished());
    }

    std::string szTbl;
    MAGFAKE *pmag = nullptr;
};

TEST_F(Enum, EmptySynchronousEnumerationAndTheFreeRule)
{
    int cdvc = -1;
    ASSERT_TRUE(TvxEnumDevices(&cdvc));
    EXPECT_EQ(0, cdvc);
    EXPECT_TRUE(TvxIsEnumFinished());
    /* Not freed: the next one fails with 3084 and the list stays. */
    pmag->vszLive = {"d1"};
    EXPECT_FALSE(TvxEnumDevices(&cdvc));
    EXPECT_EQ(ercEnumListNotFree, TvxGetLastError());
    EXPECT_FALSE(TvxStartEnum(0, 0xFFFF, 0, nullptr));
    EXPECT_EQ(ercEnumListNotFree, TvxGetLastError());
    ASSERT_TRUE(TvxFreeDvcEnum());
    /* The fake's transport is not discovered synchronously: its table entry only. */
    AddTbl("t1", "FAKE:t1");
    ASSERT_TRUE(TvxEnumDevices(nullptr));
    ASSERT_TRUE(TvxGetEnumCount(&cdvc));
    EXPECT_EQ(1, cdvc);
    ASSERT_TRUE(TvxFreeDvcEnum());
    ASSERT_TRUE(TvxGetEnumCount(&cdvc));
    EXPECT_EQ(0, cdvc);
}

TEST_F(Enum, MergeOrderAndFlags)
{
    AddTbl("bench", "FAKE:d1");
    AddTbl("spare", "FAKE:d9");
    pmag->vszLive = {"d1", "d2"};
    /* Synchronous enumeration discovers only USB, PAR and SER: the fake's
     * transport 0x100 gives table entries only. */
    int cdvc = 0;
    ASSERT_TRUE(TvxEnumDevices(&cdvc));
    ASSERT_EQ(2, cdvc);
    ASSERT_TRUE(TvxFreeDvcEnum());

    ASSERT_TRUE(TvxEnumDevicesEx(&cdvc, 0xFFFF, 0xFFFF, 0, nullptr));
    std::vector<ENTRY> v = VentryList();
    ASSERT_EQ(3u, v.size());
    /* The live device of the table entry, under the table's name. */
    EXPECT_EQ("bench", v[0].szName);
    EXPECT_EQ(fsedvcLive | fsedvcPdid | fsedvcTable, v[0].fs);
    EXPECT_EQ("usr-d2", v[1].szName);
    EXPECT_EQ(fsedvcLive | fsedvcPdid, v[1].fs);
    /* The entry that no live device matched comes after them, its string as serial. */
    EXPECT_EQ("spare", v[2].szName);
    EXPECT_EQ(fsedvcTable, v[2].fs);
    EXPECT_EQ("FAKE:d9", v[2].szSN);
    EXPECT_EQ("FAKE:d9", v[2].szConn);
    ASSERT_TRUE(TvxFreeDvcEnum());

    /* Filter 1: only the named entry, without live data. */
    char szName[] = "bench";
    ASSERT_TRUE(TvxEnumDevicesEx(&cdvc, 0xFFFF, 0xFFFF, 1, szName));
    v = VentryList();
    ASSERT_EQ(1u, v.size());
    EXPECT_EQ("bench", v[0].szName);
    EXPECT_EQ(fsedvcTable, v[0].fs);
    ASSERT_TRUE(TvxFreeDvcEnum());

    /* A filter without its value: the manager fails with 1026, the enumeration completes empty. */
    ASSERT_TRUE(TvxEnumDevicesEx(&cdvc, 0xFFFF, 0xFFFF, 1, nullptr));
    EXPECT_EQ(0, cdvc);
    EXPECT_EQ(ercInvalidParameter, TvxGetLastError());
    ASSERT_TRUE(TvxFreeDvcEnum());
}

TEST_F(Enum, MasksSelectTheManager)
{
    AddTbl("bench", "FAKE:d1");
    pmag->vszLive = {"d2"};
    struct CASE {
        uint32_t dtpTbl, dtpDisc;
        int cdvc;
        int cCalls;
    } rgcase[] = {
        {0, 0, 0, 0},
        {tptFake, 0, 1, 1},
        {0, tptFake, 1, 1},
        {0x00010100, 0x00010100, 2, 1},
        {0x00020100, 0x00020100, 0, 0},   /* protocol 2 only: not the fake */
        {0x00030100, 0, 1, 1},
        {0x1, 0x2, 0, 0},
    };
    for (const CASE &c : rgcase) {
        int cCalls = pmag->cEnumCalls;
        int cdvc = -1;
        ASSERT_TRUE(TvxEnumDevicesEx(&cdvc, c.dtpTbl, c.dtpDisc, 0, nullptr));
        EXPECT_EQ(c.cdvc, cdvc) << std::hex << c.dtpTbl << " " << c.dtpDisc;
        EXPECT_EQ(c.cCalls, pmag->cEnumCalls - cCalls) << std::hex << c.dtpTbl << " " << c.dtpDisc;
        ASSERT_TRUE(TvxFreeDvcEnum());
    }
}

TEST_F(Enum, IndexOutOfRangeLeavesTheLastError)
{
    pmag->vszLive = {"d1"};
    int cdvc = 0;
    ASSERT_TRUE(TvxEnumDevicesEx(&cdvc, 0, 0xFFFF, 0, nullptr));
    ASSERT_EQ(1, cdvc);
    TvxSetLastErrorNoLog(77);
    DVC dvc;
    EDVC edvc;
    EXPECT_FALSE(TvxGetDvc(-1, &dvc));
    EXPECT_FALSE(TvxGetDvc(cdvc, &dvc));
    EXPECT_FALSE(TvxGetEdvc(cdvc, &edvc));
    EXPECT_EQ(77, TvxGetLastError());
    EXPECT_TRUE(TvxGetDvc(0, &dvc));
    EXPECT_STREQ("FAKE:d1", dvc.szConn);
}

TEST_F(Enum, StopEndsALongDiscovery)
{
    EXPECT_TRUE(TvxStopEnum());   /* nothing runs: returns at once */
    pmag->vszLive = {"d1"};
    pmag->tmsDisc = 60000;
    ASSERT_TRUE(TvxStartEnum(0, 0xFFFF, 0, nullptr));
    while (pmag->cEnumInside == 0 && !TvxIsEnumFinished())
        pabsutil->SleepMs(1);
    EXPECT_FALSE(TvxIsEnumFinished());
    /* Another enumeration cannot start meanwhile. */
    EXPECT_FALSE(TvxEnumDevices(nullptr));
    EXPECT_EQ(ercEnumListNotFree, TvxGetLastError());
    uint32_t tmsStart = pabsutil->GetTickMs();
    EXPECT_TRUE(TvxStopEnum());
    EXPECT_LT(pabsutil->GetTickMs() - tmsStart, 10000u);
    EXPECT_TRUE(TvxIsEnumFinished());
    EXPECT_EQ(1, pmag->fDiscStopped.load());
    ASSERT_TRUE(TvxFreeDvcEnum());
    /* The flag is cleared by the next start. */
    pmag->tmsDisc = 20;
    int cdvc = 0;
    ASSERT_TRUE(TvxEnumDevicesEx(&cdvc, 0, 0xFFFF, 0, nullptr));
    EXPECT_EQ(1, cdvc);
    EXPECT_EQ(1, pmag->fDiscStopped.load());
}

TEST_F(Enum, ReadersSeeCompleteNodesWhileTheThreadAppends)
{
    std::vector<std::string> vsz;
    for (int i = 0; i < 100; i++)
        vsz.push_back("d" + std::to_string(i));
    pmag->vszLive = vsz;
    ASSERT_TRUE(TvxStartEnum(0, 0xFFFF, 0, nullptr));
    int cSeen = 0;
    while (!TvxIsEnumFinished() || cSeen < 100) {
        int cdvc = 0;
        ASSERT_TRUE(TvxGetEnumCount(&cdvc));
        for (; cSeen < cdvc; cSeen++) {
            DVC dvc;
            ASSERT_TRUE(TvxGetDvc(cSeen, &dvc));
            EXPECT_EQ("FAKE:d" + std::to_string(cSeen), std::string(dvc.szConn));
        }
        if (cdvc == 100)
            break;
    }
    EXPECT_EQ(100, cSeen);
}

TEST_F(Enum, FreeWhileRunningLeavesNoStaleNodes)
{
    pmag->vszLive = {"d1", "d2"};
    pmag->tmsDisc = 200;
    ASSERT_TRUE(TvxStartEnum(0, 0xFFFF, 0, nullptr));
    ASSERT_TRUE(TvxFreeDvcEnum());
    /* Still running: no new enumeration yet. */
    EXPECT_FALSE(TvxEnumDevices(nullptr));
    WaitFinished();
    int cdvc = -1;
    ASSERT_TRUE(TvxGetEnumCount(&cdvc));
    EXPECT_EQ(0, cdvc);
    pmag->tmsDisc = 0;
    pmag->vszLive = {"d3"};
    ASSERT_TRUE(TvxEnumDevicesEx(&cdvc, 0, 0xFFFF, 0, nullptr));
    ASSERT_EQ(1, cdvc);
    DVC dvc;
    ASSERT_TRUE(TvxGetDvc(0, &dvc));
    EXPECT_STREQ("FAKE:d3", dvc.szConn);
}

TEST_F(Enum, UnloadStopsARunningEnumeration)
{
    pmag->vszLive = {"d1"};
    pmag->tmsDisc = 60000;
    ASSERT_TRUE(TvxStartEnum(0, 0xFFFF, 0, nullptr));
    while (pmag->cEnumInside == 0)
        pabsutil->SleepMs(1);
    MAGFAKE *pmagSeen = pmag;
    /* Shut-down waits for the thread: the manager is no longer inside when it returns. */
    uint32_t tmsStart = pabsutil->GetTickMs();
    DllTerm();
    EXPECT_LT(pabsutil->GetTickMs() - tmsStart, 10000u);
    EXPECT_EQ(0, pmagSeen->cEnumInside.load());
    EXPECT_EQ(1, pmagSeen->fDiscStopped.load());
    VzTestStop();
    pmag = nullptr;
}

TEST_F(Enum, ConcurrentStartsRunOneAtATime)
{
    pmag->vszLive = {"d1"};
    pmag->tmsDisc = 20;
    std::atomic<int> cStarted{0};
    std::vector<std::thread> vthd;
    for (int i = 0; i < 4; i++)
        vthd.emplace_back([&] {
            if (TvxStartEnum(0, 0xFFFF, 0, nullptr))
                cStarted++;
        });
    for (std::thread &thd : vthd)
        thd.join();
    EXPECT_EQ(1, cStarted.load());
    WaitFinished();
    int cdvc = 0;
    ASSERT_TRUE(TvxGetEnumCount(&cdvc));
    EXPECT_EQ(1, cdvc);
}

} // namespace
