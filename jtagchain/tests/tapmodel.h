/*
 * tapmodel.h - a JTAG chain after IEEE 1149.1, for the tests.
 *
 * Each device has a TAP controller (all devices share TCK and TMS), an
 * instruction register of its own length that captures ...01, and data
 * registers chosen by the instruction: BYPASS (all ones, and any opcode
 * the device does not know) a one-bit register capturing 0, IDCODE a 32-bit
 * register capturing the device's IDCODE, and optionally one test register
 * of a fixed length under an opcode of its own (captures its last update).
 * Test-Logic-Reset selects IDCODE (BYPASS for a device without one).
 *
 * TDI enters device 0; the last device drives TDO. Port convention: the
 * TDO bit reported for a clock is the level the chain drives after that
 * clock's falling edge (1 when the last device is not in a shift state).
 */
#ifndef JTAGCHAIN_TESTS_TAPMODEL_H
#define JTAGCHAIN_TESTS_TAPMODEL_H

#include <stdint.h>
#include <string>
#include <vector>

enum TMSTATE {
    tmTestLogicReset, tmRunTestIdle, tmSelectDr, tmCaptureDr, tmShiftDr, tmExit1Dr, tmPauseDr, tmExit2Dr,
    tmUpdateDr, tmSelectIr, tmCaptureIr, tmShiftIr, tmExit1Ir, tmPauseIr, tmExit2Ir, tmUpdateIr,
};

/* IEEE 1149.1 state diagram. */
TMSTATE TmNext(TMSTATE tm, int tms);

struct TMDEVSPEC {
    int cbitIr;
    uint32_t idcode;        /* 0: the device has no IDCODE register */
    uint32_t opIdcode;
    uint32_t opTest;        /* opcode of the test register (0 = none) */
    int cbitTest;           /* length of the test register */
    uint32_t opStream;      /* opcode of a one-bit register that logs every bit entering it (0 = none) */
    bool fTestReadOnly;     /* Update-DR leaves the test register as it is */
    /* An FPGA's clear and start (0 = none): Update-IR with opClear makes the
     * instruction capture show INIT_B (bit 4) high and DONE (bit 5) low; the
     * next Update-IR with opStart brings back the capture the test set. */
    uint32_t opClear = 0;
    uint32_t opStart = 0;
};

struct TMDEV {
    TMDEVSPEC spec;
    std::vector<int> irShift;              /* bit 0 nearest TDO */
    uint32_t irCur;
    std::vector<int> dr;                   /* selected data register while shifting */
    std::vector<int> testReg;              /* last update of the test register */
    std::vector<uint32_t> rgirUpdated;     /* instruction after every Update-IR */
    std::vector<std::vector<int>> rgtestUpdated;   /* test register after every Update-DR under opTest */
    std::vector<std::vector<int>> rgstream;        /* bits entering under opStream, one list per Capture-DR */
    uint32_t irCaptureHigh = 0;                    /* IR capture bits above the fixed 01 (a status) */
    uint32_t irCaptureStarted = 0;                 /* what opStart brings back */
    bool fCleared = false;
};

class TAPMODEL {
public:
    explicit TAPMODEL(const std::vector<TMDEVSPEC> &rgspec);
    /* One TCK cycle; returns the TDO level after the falling edge. */
    int Clock(int tms, int tdi);
    TMSTATE State() const { return tm; }
    /* Force TDO to a constant (0 or 1) or back to the chain (-1). */
    void SetStuckTdo(int tdo) { tdoStuck = tdo; }
    std::vector<TMDEV> rgdev;
    uint64_t cclk;
    /* TMS value of every clock, for checking walks. */
    std::string strTms;
private:
    TMSTATE tm;
    int tdoStuck;
    int tdoDriven;
    std::vector<int> &RegOf(TMDEV &dev, bool fIr);
    void Capture(bool fIr);
    void Update(bool fIr);
    void Reset();
};

#endif
