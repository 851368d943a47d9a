/*
 * apifix.h - the exports over the chain model: platform, reports, fixture.
 */
#ifndef JTAGCHAIN_TESTS_APIFIX_H
#define JTAGCHAIN_TESTS_APIFIX_H

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "brisel.h"
#include "modelport.h"
#include "tapmodel.h"
#include "testplat.h"


typedef std::vector<std::pair<int32_t, int32_t>> RGREP;

/* Reports of the operation threads. */
struct REPREC {
    std::mutex mtx;
    std::condition_variable cv;
    RGREP rgrep;
    int cEnd = 0;
    int iAnswerFalse = -1;      /* answer false to the report of this number */
    int32_t stcAnswerFalse = 0; /* ... or to every report of this code */
    std::thread::id idThread;
};
inline REPREC *preprecCur;

inline bool FEndCode(int32_t stc)
{
    return stc == stcDone || stc == stcFailed || stc == stcStatusBad || stc == stcStatusGood ||
           stc == stcChainProgrammed;
}

inline uint8_t BRISELCALL RecordStatus(int32_t stc, int32_t lValue)
{
    REPREC *prr = preprecCur;
    std::lock_guard<std::mutex> lock(prr->mtx);
    prr->idThread = std::this_thread::get_id();
    prr->rgrep.push_back({stc, lValue});
    int irep = (int)prr->rgrep.size() - 1;
    if (FEndCode(stc)) {
        prr->cEnd++;
        prr->cv.notify_all();
    }
    return (irep == prr->iAnswerFalse || stc == prr->stcAnswerFalse) ? 0 : 1;
}

inline const TMDEVSPEC devXc3s500e = {6, 0x41C22093, 0x09, 0, 0, 0, false, 0x0B, 0x0C};
inline const TMDEVSPEC devXcf04s = {8, 0x05046093, 0xFE, 0, 0, 0, false};
inline const TMDEVSPEC devXc2c64a = {8, 0x06E5E093, 0x01, 0, 0, 0, false};

struct APIFIX {
    explicit APIFIX(const std::vector<TMDEVSPEC> &rgspec) : model(rgspec), port(&model)
    {
        testsys.strDataDir = BRISEL_DATA_DIR;
        ptestsysCur = &testsys;
        pjtportCur = &port;
        preprecCur = &reprec;
        uint32_t erc = 77;
        EXPECT_TRUE(BriselInit(&erc));
        EXPECT_EQ(erc, 0u);
    }
    ~APIFIX()
    {
        WaitThreads();
        uint32_t erc = 77;
        BriselTerm(&erc);
        EXPECT_EQ(erc, 0u);
        ptestsysCur = nullptr;
        pjtportCur = nullptr;
        preprecCur = nullptr;
    }
    /* The end report of an operation started with a callback, and the reports. */
    RGREP RgrepAfterEnd()
    {
        std::unique_lock<std::mutex> lock(reprec.mtx);
        reprec.cv.wait_for(lock, std::chrono::seconds(20), [this] { return reprec.cEnd > 0; });
        lock.unlock();
        WaitThreads();
        lock.lock();
        return reprec.rgrep;
    }
    void WaitThreads()
    {
        for (int i = 0; i < 2000 && testsys.cThreadsRunning != 0; i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(testsys.cThreadsRunning, 0);
    }
    void Identify()
    {
        uint32_t erc = 5;
        ASSERT_TRUE(BriselInitScanChain("sim:board", nullptr, &erc));
        ASSERT_EQ(erc, 0u);
    }
    TESTSYS testsys;
    TAPMODEL model;
    MODELPORT port;
    REPREC reprec;
};

inline int CountReports(const RGREP &rgrep, int32_t stc)
{
    int c = 0;
    for (auto &rep : rgrep)
        c += rep.first == stc;
    return c;
}

/* Exactly one end report, and it is the last one. */
inline void ExpectOneEndLast(const RGREP &rgrep, int32_t stcEnd, int32_t lValue)
{
    ASSERT_FALSE(rgrep.empty());
    int cEnd = 0;
    for (auto &rep : rgrep)
        cEnd += FEndCode(rep.first);
    EXPECT_EQ(cEnd, 1);
    EXPECT_EQ(rgrep.back().first, stcEnd);
    EXPECT_EQ(rgrep.back().second, lValue);
}


#endif
