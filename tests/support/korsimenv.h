/*
 * korsimenv.h - simulated boards for a test program, in every build.
 *
 * A test program registers one KORSIMENV (KORSIM_ENVIRONMENT) naming its
 * board configuration. The simulator is found in this order:
 *
 *  - KOR_SIM is set (simwine.sh started korsim on the configuration and gave
 *    the program a private name space, device table and firmware folder):
 *    the environment only connects to its control channel. This is how the
 *    programs that link the shipped runtime run, natively and under wine:
 *    the runtime starts when it is loaded, before main(), and reads its
 *    settings then.
 *  - otherwise (Linux, programs that start the runtime themselves) it starts
 *    korsim with --port 0 --port-file, sets KOR_SIM and the private folders
 *    for the runtime start that follows, and ends korsim at the end.
 */
#ifndef KOR_KORSIMENV_H
#define KOR_KORSIMENV_H

#include <string>

#include <gtest/gtest.h>

#include "ksimctl.h"
#include "ksimproc.h"

class KORSIMENV : public ::testing::Environment {
public:
    /* szConfig: the board configuration file; szTag names the private
     * folders. fRuntimeLoaded: the program links the shipped runtime, so the
     * simulator must have been started before the program (simwine.sh). */
    KORSIMENV(const std::string &szConfig, const std::string &szTag, bool fRuntimeLoaded);
    ~KORSIMENV() override;

    void SetUp() override;
    void TearDown() override;

    /* The control channel; fOk once the simulator is reachable. */
    KSIMCTL simctl;
    bool fOk = false;
    /* Why SetUp failed. */
    std::string szErr;
    /* True when this process started korsim itself. */
    bool FOwnSimulator() const { return procSim.FRunning(); }

private:
    bool FStartSimulator();

    std::string szConfig, szTag;
    bool fRuntimeLoaded;
    KSIMPROC procSim;
    std::string szDir;
};

/* The registered environment (one per program). */
KORSIMENV *&PkorsimEnv();

/* A folder of its own for this test process below KOR_TEST_TMP (or the
 * system's temporary folder), made if missing; ends with a separator. */
std::string SzKorTestDir(const std::string &szLeaf);

#define KORSIM_ENVIRONMENT(szConfig, szTag, fRuntimeLoaded)                                            \
    static ::testing::Environment *const penvKorsim_ =                                                  \
        ::testing::AddGlobalTestEnvironment(PkorsimEnv() = new KORSIMENV(szConfig, szTag, fRuntimeLoaded))

#endif
