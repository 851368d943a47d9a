/*
 * clisim.h - the client libraries' tests against the simulator: korsim with
 * one board, and the runtime (with its USB transport) started in a private
 * name space of this process.
 *
 * A test program registers the environment once (CLISIM_ENVIRONMENT) and
 * its fixtures derive from CLISIMTEST, which opens the board and closes it
 * again.
 */
#ifndef KOR_CLISIM_H
#define KOR_CLISIM_H

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "simctl.h"
#include "usbc.h"
#include "vzcore.h"
#include "yorl.h"

/*
 * The boards: cli1 with a two-device chain, the register and management
 * ports and four rails; cli2 whose ports count among the private
 * capabilities.
 */
static const char szClisimCfg[] =
    "board cli1\n"
    "  serial 210183000021\n"
    "  user CliBoard\n"
    "  product KorvanelUsb2\n"
    "  pdid 0x00700121\n"
    "  fwver 0x0305\n"
    "  caps 0x00000807 0x00000000\n"
    "  chip fixed\n"
    "  jtag XC3S500E 0x01C22093 6 0x09\n"
    "  jtag XCF04S 0x05045093 8 0xFE\n"
    "  jtagprops 0x00020003\n"
    "  rail VCCINT 1000 2000 1200 300\n"
    "  rail VCCAUX 1000 1000 2500 120\n"
    "  rail VCCO 1000 1000 3300 45\n"
    "  rail VCCRAM_DDR_TERMINATION_1V8_AB 500 250 3600 10\n"
    "board cli2\n"
    "  serial 210183000022\n"
    "  user CliPrivate\n"
    "  product KorvanelUsb2\n"
    "  pdid 0x00700122\n"
    "  fwver 0x0305\n"
    "  caps 0x00000000 0x00000807\n"
    "  chip fixed\n"
    "  jtag XC3S500E 0x01C22093 6 0x09\n"
    "  jtagprops 0x80020003\n";

static const char szClisimBoard[] = "cli1";
static const char szClisimSN[] = "SN:210183000021";
static const char szClisimPrivSN[] = "SN:210183000022";

class CLISIMENV : public ::testing::Environment {
public:
    void SetUp() override
    {
        std::string szErr;
        fOk = simctl.FStart(szClisimCfg, &szErr);
        ASSERT_TRUE(fOk) << szErr;
        std::string szAddr = "127.0.0.1:" + std::to_string(simctl.Port());
        setenv("KOR_SIM", szAddr.c_str(), 1);
        char sz[96];
        snprintf(sz, sizeof(sz), "cli-%u", (unsigned)getpid());
        setenv("YORL_NAMESPACE", sz, 1);
        const char *szTmp = getenv("KOR_TEST_TMP");
        std::string szFw = std::string(szTmp ? szTmp : "/tmp") + "/" + sz + "-fw/";
        setenv("YORL_FWDIR", szFw.c_str(), 1);
        /* A private device table: opens read it, and the path is taken at start-up. */
        std::string szTbl = std::string(szTmp ? szTmp : "/tmp") + "/" + sz + "-dvctbl.txt";
        mkdir(szTmp ? szTmp : "/tmp", 0755);
        remove(szTbl.c_str());
        setenv("YORL_DEVTBL", szTbl.c_str(), 1);
        DllInit();
        fOk = FVzStarted() && FUsbcStart() != 0;
        ASSERT_TRUE(fOk) << "runtime did not start";
    }
    void TearDown() override
    {
        if (FVzStarted()) {
            DllTerm();
            UsbcStop();
        }
        simctl.Stop();
    }

    SIMCTL simctl;
    bool fOk = false;
};

inline CLISIMENV *&PclisimEnv()
{
    static CLISIMENV *penv = nullptr;
    return penv;
}

#define CLISIM_ENVIRONMENT()                                                                           \
    static ::testing::Environment *const penvClisim_ =                                                  \
        ::testing::AddGlobalTestEnvironment(PclisimEnv() = new CLISIMENV)

/* A fixture with the board opened through the runtime. */
class CLISIMTEST : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(PclisimEnv() != nullptr && PclisimEnv()->fOk);
        ASSERT_TRUE(TvxOpen(&hif, szClisimSN)) << TvxGetLastError();
    }
    void TearDown() override
    {
        if (hif != hifNil)
            TvxClose(hif);
    }
    SIMCTL &Sim() { return PclisimEnv()->simctl; }
    /* Data lines of a control command. */
    std::vector<std::string> Lines(const std::string &szCmd)
    {
        std::vector<std::string> rgsz;
        std::string szErr;
        EXPECT_TRUE(Sim().FCmd(szCmd, &rgsz, &szErr)) << szCmd << ": " << szErr;
        return rgsz;
    }

    HIF hif = hifNil;
};

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
