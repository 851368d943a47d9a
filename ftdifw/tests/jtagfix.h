/*
 * jtagfix.h - the fixture of the JTAG port tests: board ft60 opened through
 * the runtime with the port enabled, commands and data phases sent as
 * transactions, the chain in Test-Logic-Reset at the start of every test,
 * and operations run one by one as single commands or together as a batch
 * program. The test installs the library it tests (SetUpTestSuite).
 */
#ifndef JTAGFIX_H
#define JTAGFIX_H

#include "fwtrans.h"
#include "jtagops.h"
#include "korsimenv.h"
#include "voziri.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

const uint32_t idcodeFpga = 0x01C22093;

inline KSIMCTL &Sim() { return PkorsimEnv()->simctl; }

class JTAGFIX : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    int ErcCmd(BYTES rgbCmd, uint8_t cbRet = 0, uint8_t *pbRet = nullptr);
    /* A data-phase command: args after the command code; returns the error code. */
    int ErcPhase(uint8_t cmd, BYTES rgbArg, const BYTES &rgbSnd, BYTES *prgbRcv, TRANS *ptr = nullptr);
    static BYTES RgbArgs(std::initializer_list<uint8_t> rgb, uint32_t n);
    /* Test-Logic-Reset with the pins as enable leaves them. */
    void Reset();
    /* The chain's TAP state as the simulator reports it. */
    std::string SzSimState();
    /* A "key value" of channel A of ft60 from the simulator's FTDI report (~0 when missing). */
    uint64_t SimValue(const char *szKey);
    /* Runs op as single commands; appends its TDO bytes. tapBefore: the model before it. */
    int ErcSingle(const JOP &jop, const TAPMODEL &tapBefore, BYTES &rgbTdo);
    /* Runs ops as one batch program; the TDO bytes and the final counts. */
    int ErcBatch(const std::vector<JOP> &rgjop, BYTES &rgbTdo, TRANS *ptr = nullptr);
    /* Runs ops from Test-Logic-Reset as one batch program, then again one by one: TDO, the
     * chain's end state and the clocks the MPSSE ran (waits included) agree with the model
     * and with each other. */
    void ExpectBatchAsSingles(const std::vector<JOP> &rgjop);

    HIF hif = hifNil;
    TAPMODEL tap { idcodeFpga };
};

#endif
