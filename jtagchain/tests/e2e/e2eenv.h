/*
 * e2eenv.h - the end-to-end environment: korsim with the boards of the
 * program's configuration (E2E_SIM_CONFIG, joined by the build from
 * sim/configs/ or fpga-parts.cfg; E2E_BOARDS names the boards it must
 * have) reached through the shipped runtime and
 * Tvxutil (korsimenv.h: ctest runs the program through simwine.sh, which
 * gives it a private name space), Brisel initialised on the project's device
 * list (YORL_DATADIR); and a recorder of status reports.
 */
#ifndef KOR_E2EENV_H
#define KOR_E2EENV_H

#include <stdint.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "brisel.h"
#include "korsimenv.h"

class E2EENV : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;

    KORSIMENV simenv{E2E_SIM_CONFIG, "e2e", true};
    KSIMCTL &simctl = simenv.simctl;
    std::string szTmpDir;       /* ends with the separator */
    bool fOk = false;
};

E2EENV *PenvE2e();

/* Reports of one operation, the callback's answers, and its end. */
struct REPORT {
    int32_t stc;
    int32_t lValue;
    bool operator==(const REPORT &r) const { return stc == r.stc && lValue == r.lValue; }
};

class RECORDER {
public:
    static RECORDER &Get();
    void Reset(int32_t stcStopAt = 0, int32_t lStopAt = -1);
    /* Waits until an end report arrived (false on time-out). */
    bool FWaitEnd(unsigned tms);
    std::vector<REPORT> Reports();
    uint8_t Report(int32_t stc, int32_t lValue);
    static bool FEndReport(int32_t stc);

private:
    std::mutex mtx;
    std::condition_variable cv;
    std::vector<REPORT> rgreport;
    int32_t stcStop = 0;
    int32_t lStop = -1;
    int cend = 0;
};

uint8_t BRISELCALL E2eCallback(int32_t stc, int32_t lValue);

#endif
