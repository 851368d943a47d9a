/*
 * clisim.h - the client libraries' tests against the simulator: the boards
 * of clisim.cfg (cli1, cli2), reached through the shipped runtime and client
 * libraries, and korsim's control channel to look at them.
 *
 * A test program registers the environment once (CLISIM_ENVIRONMENT) and
 * its fixtures derive from CLISIMTEST, which opens board cli1 and closes it
 * again. ctest runs the programs through simwine.sh (korsimenv.h).
 */
#ifndef KOR_CLISIM_H
#define KOR_CLISIM_H

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "korsimenv.h"
#include "voziri.h"

static const char szClisimBoard[] = "cli1";
static const char szClisimSN[] = "SN:210183000021";
static const char szClisimPrivSN[] = "SN:210183000022";

typedef KORSIMENV CLISIMENV;

inline CLISIMENV *PclisimEnv()
{
    return PkorsimEnv();
}

#define CLISIM_ENVIRONMENT() KORSIM_ENVIRONMENT(KORSIM_CONFIG, "cli", true)

/* A fixture on the simulated boards: the control channel. */
class CLISIMBASE : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(PclisimEnv() != nullptr && PclisimEnv()->fOk) << (PclisimEnv() ? PclisimEnv()->szErr : "");
    }
    KSIMCTL &Sim() { return PclisimEnv()->simctl; }
    /* Data lines of a control command. */
    std::vector<std::string> Lines(const std::string &szCmd)
    {
        std::vector<std::string> rgsz;
        std::string szErr;
        EXPECT_TRUE(Sim().FCmd(szCmd, &rgsz, &szErr)) << szCmd << ": " << szErr;
        return rgsz;
    }
};

/* A fixture with board cli1 opened through the runtime. */
class CLISIMTEST : public CLISIMBASE {
protected:
    void SetUp() override
    {
        CLISIMBASE::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(TvxOpen(&hif, szClisimSN)) << TvxGetLastError();
    }
    void TearDown() override
    {
        if (hif != hifNil)
            TvxClose(hif);
    }

    HIF hif = hifNil;
};

/* Test data: cb bytes of a fixed pseudo-random sequence. */
inline std::vector<uint8_t> RgbRandom(size_t cb, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> rgb(cb);
    for (auto &b : rgb)
        b = uint8_t(rng());
    return rgb;
}

inline std::string SzHex(const uint8_t *pb, size_t cb)
{
    static const char rgch[] = "0123456789ABCDEF";
    std::string sz;
    sz.reserve(2 * cb);
    for (size_t i = 0; i < cb; i++) {
        sz += rgch[pb[i] >> 4];
        sz += rgch[pb[i] & 15];
    }
    return sz;
}

#endif
