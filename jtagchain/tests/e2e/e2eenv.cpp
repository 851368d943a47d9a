/*
 * e2eenv.cpp - korsim, the runtime and Brisel for the end-to-end tests.
 */
#include "e2eenv.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "usbc.h"
#include "vzcore.h"

namespace {

E2EENV *penvE2e = nullptr;

std::string SzFile(const std::string &szPath)
{
    std::ifstream ifs(szPath);
    std::stringstream ss;
    ss << ifs.rdbuf();
    return ss.str();
}

} // namespace

E2EENV *PenvE2e()
{
    return penvE2e;
}

static ::testing::Environment *const penvRegistered = ::testing::AddGlobalTestEnvironment(penvE2e = new E2EENV);

void E2EENV::SetUp()
{
    std::string szConfig = SzFile(std::string(E2E_SIM_CONFIGS) + "fpga-prom.cfg") + "\n" +
                           SzFile(std::string(E2E_SIM_CONFIGS) + "three-device.cfg");
    ASSERT_NE(szConfig.find("board xf2"), std::string::npos);
    std::string szErr;
    fOk = simctl.FStart(szConfig, &szErr);
    ASSERT_TRUE(fOk) << szErr;

    char sz[96];
    snprintf(sz, sizeof(sz), "e2e-%u", (unsigned)getpid());
    const char *szTmp = getenv("KOR_TEST_TMP");
    szTmpDir = std::string(szTmp ? szTmp : "/tmp") + "/" + sz + "/";
    if (szTmp != nullptr)
        mkdir(szTmp, 0755);
    mkdir(szTmpDir.c_str(), 0700);
    std::string szAddr = "127.0.0.1:" + std::to_string(simctl.Port());
    setenv("KOR_SIM", szAddr.c_str(), 1);
    setenv("YORL_NAMESPACE", sz, 1);
    setenv("YORL_FWDIR", (szTmpDir + "fw/").c_str(), 1);
    setenv("YORL_DATADIR", E2E_DATA_DIR, 1);
    /* A private device table: opens read it, and the path is taken at start-up. */
    setenv("YORL_DEVTBL", (szTmpDir + "dvctbl.txt").c_str(), 1);
    DllInit();
    fOk = FVzStarted() && FUsbcStart() != 0;
    ASSERT_TRUE(fOk) << "runtime did not start";
    uint32_t erc = 99;
    fOk = BriselInit(&erc) != 0;
    ASSERT_TRUE(fOk) << erc;
}

void E2EENV::TearDown()
{
    uint32_t erc = 0;
    BriselTerm(&erc);
    if (FVzStarted()) {
        DllTerm();
        UsbcStop();
    }
    simctl.Stop();
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
