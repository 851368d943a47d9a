/* korsimenv.cpp - the simulated boards of a test program. */
#include "korsimenv.h"

#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "kor_child.h"  /* KorSetEnv */

#if defined(_WIN32)
#include <process.h>
#define KorGetPid _getpid
#else
#include <unistd.h>
#define KorGetPid getpid
#endif

#ifndef KORSIMENV_KORSIM
#define KORSIMENV_KORSIM ""
#endif

namespace {

std::string SzEnv(const char *szVar)
{
    const char *sz = getenv(szVar);
    return sz ? std::string(sz) : std::string();
}

/* Sets szVar unless the caller has chosen a value already. */
void SetEnvDefault(const char *szVar, const std::string &szValue)
{
    if (SzEnv(szVar).empty())
        KorSetEnv(szVar, szValue.c_str());
}

}  // namespace

KORSIMENV *&PkorsimEnv()
{
    static KORSIMENV *penv = nullptr;
    return penv;
}

std::string SzKorTestDir(const std::string &szLeaf)
{
    std::string szRoot = SzEnv("KOR_TEST_TMP");
    if (szRoot.empty())
        szRoot = std::filesystem::temp_directory_path().string();
    std::filesystem::path path = std::filesystem::path(szRoot) / (szLeaf + "-" + std::to_string(KorGetPid()));
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    std::string sz = path.string();
#if defined(_WIN32)
    return sz + "\\";
#else
    return sz + "/";
#endif
}

KORSIMENV::KORSIMENV(const std::string &szConfigIn, const std::string &szTagIn, bool fRuntimeLoadedIn)
    : szConfig(szConfigIn), szTag(szTagIn), fRuntimeLoaded(fRuntimeLoadedIn)
{
}

KORSIMENV::~KORSIMENV()
{
    TearDown();
}

void KORSIMENV::SetUp()
{
    fOk = false;
    szErr.clear();
    std::string szSim = SzEnv("KOR_SIM");
    if (szSim.empty()) {
        if (fRuntimeLoaded) {
            szErr = "KOR_SIM is not set: the runtime has started without the simulator; run this program "
                    "through tests/support/simwine.sh (ctest does)";
            return;
        }
        if (!FStartSimulator())
            return;
        szSim = SzEnv("KOR_SIM");
    }
    if (!simctl.FConnect(szSim, &szErr))
        return;
    fOk = simctl.FCmd("PING", nullptr, &szErr);
}

bool KORSIMENV::FStartSimulator()
{
    std::string szKorsim = SzEnv("KORSIM");
    if (szKorsim.empty())
        szKorsim = KORSIMENV_KORSIM;
    if (szKorsim.empty()) {
        szErr = "no simulator: set KOR_SIM (simwine.sh) or KORSIM";
        return false;
    }
    szDir = SzKorTestDir("simenv-" + szTag);
    std::string szPortFile = szDir + "port";
    std::error_code ec;
    std::filesystem::remove(szPortFile, ec);
    if (!procSim.FStart(szKorsim, {"--config", szConfig, "--port", "0", "--port-file", szPortFile})) {
        szErr = "cannot start " + szKorsim;
        return false;
    }
    /* korsim writes the port file through a rename once it listens. */
    std::string szPort;
    auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (szPort.empty() && std::chrono::steady_clock::now() < tEnd) {
        std::ifstream ifs(szPortFile);
        if (!(ifs >> szPort))
            szPort.clear();
        if (szPort.empty()) {
            int code = 0;
            if (procSim.FWait(20, &code)) {
                szErr = "korsim ended at start (code " + std::to_string(code) + "): configuration " + szConfig;
                return false;
            }
        }
    }
    if (szPort.empty()) {
        szErr = "korsim did not start listening";
        procSim.Kill();
        return false;
    }
    KorSetEnv("KOR_SIM", ("127.0.0.1:" + szPort).c_str());
    /* Private settings for the runtime the test starts next. */
    SetEnvDefault("YORL_NAMESPACE", "simt-" + szTag + "-" + std::to_string(KorGetPid()));
    SetEnvDefault("YORL_DEVTBL", szDir + "dvctbl.txt");
    SetEnvDefault("YORL_FWDIR", szDir + "fw/");
    std::filesystem::remove(szDir + "dvctbl.txt", ec);
    return true;
}

void KORSIMENV::TearDown()
{
    if (procSim.FRunning()) {
        /* QUIT ends korsim right after its answer; one that does not end is killed. */
        simctl.FCmd("QUIT");
        if (!procSim.FWait(5000))
            procSim.Kill();
        KorSetEnv("KOR_SIM", nullptr);
    }
    simctl.Close();
    if (!szDir.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(szDir, ec);
        szDir.clear();
    }
    fOk = false;
}
