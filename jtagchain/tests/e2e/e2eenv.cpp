/*
 * e2eenv.cpp - korsim, the runtime and Brisel for the end-to-end tests.
 */
#include "e2eenv.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace {

E2EENV *penvE2e = nullptr;

} // namespace

E2EENV *PenvE2e()
{
    return penvE2e;
}

static ::testing::Environment *const penvRegistered = ::testing::AddGlobalTestEnvironment(penvE2e = new E2EENV);

void E2EENV::SetUp()
{
    simenv.SetUp();
    ASSERT_TRUE(simenv.fOk) << simenv.szErr;
    std::vector<std::string> rgszBoard;
    ASSERT_TRUE(simctl.FCmd("BOARDS", &rgszBoard));
    /* the boards of the program's configuration (E2E_BOARDS, comma-separated) */
    std::string szBoards = E2E_BOARDS;
    for (size_t ich = 0; ich < szBoards.size();) {
        size_t ichEnd = std::min(szBoards.find(',', ich), szBoards.size());
        std::string szBoard = szBoards.substr(ich, ichEnd - ich) + " ";
        ich = ichEnd + 1;
        ASSERT_TRUE(std::any_of(rgszBoard.begin(), rgszBoard.end(),
                                [&](const std::string &sz) { return sz.rfind(szBoard, 0) == 0; }))
            << szBoard << "missing from " << E2E_SIM_CONFIG;
    }
    szTmpDir = SzKorTestDir("e2e");
    uint32_t erc = 99;
    fOk = BriselInit(&erc) != 0;
    ASSERT_TRUE(fOk) << erc;
}

void E2EENV::TearDown()
{
    uint32_t erc = 0;
    BriselTerm(&erc);
    simenv.TearDown();
    std::error_code ec;
    if (!szTmpDir.empty())
        std::filesystem::remove_all(szTmpDir, ec);
}

RECORDER &RECORDER::Get()
{
    static RECORDER recorder;
    return recorder;
}

bool RECORDER::FEndReport(int32_t stc)
{
    return stc == stcDone || stc == stcFailed || stc == stcStatusBad || stc == stcStatusGood ||
           stc == stcChainProgrammed;
}

void RECORDER::Reset(int32_t stcStopAt, int32_t lStopAt)
{
    std::lock_guard<std::mutex> lock(mtx);
    rgreport.clear();
    stcStop = stcStopAt;
    lStop = lStopAt;
    cend = 0;
}

bool RECORDER::FWaitEnd(unsigned tms)
{
    std::unique_lock<std::mutex> lock(mtx);
    return cv.wait_for(lock, std::chrono::milliseconds(tms), [&] { return cend > 0; });
}

std::vector<REPORT> RECORDER::Reports()
{
    std::lock_guard<std::mutex> lock(mtx);
    return rgreport;
}

uint8_t RECORDER::Report(int32_t stc, int32_t lValue)
{
    std::lock_guard<std::mutex> lock(mtx);
    rgreport.push_back({ stc, lValue });
    bool fGoOn = !(stcStop != 0 && stc == stcStop && (lStop < 0 || lValue == lStop));
    if (FEndReport(stc)) {
        cend++;
        cv.notify_all();
    }
    return fGoOn ? 1 : 0;
}

uint8_t BRISELCALL E2eCallback(int32_t stc, int32_t lValue)
{
    return RECORDER::Get().Report(stc, lValue);
}
