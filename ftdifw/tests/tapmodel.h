/*
 * tapmodel.h - what a one-device chain shows on TDO, by IEEE 1149.1: the
 * sixteen-state TAP controller and a device whose selected data register is
 * its 32-bit IDCODE (the instruction after Test-Logic-Reset). The tests keep
 * away from the instruction register (they never clock Select-IR-Scan with
 * TMS 0), so this register is the only one that ever reaches TDO.
 *
 * One clock: on the rising edge the register captures or shifts and the
 * controller moves; TDO changes on the falling edge (a shift state drives
 * bit 0 of the register, any other state leaves TDO released, read as 1) and
 * a falling-edge read samples it there.
 */
#ifndef TAPMODEL_H
#define TAPMODEL_H

#include <stdint.h>

#include <string>

enum TAPST {
    tstReset, tstIdle, tstDrSelect, tstDrCapture, tstDrShift, tstDrExit1, tstDrPause, tstDrExit2, tstDrUpdate,
    tstIrSelect, tstIrCapture, tstIrShift, tstIrExit1, tstIrPause, tstIrExit2, tstIrUpdate,
};

struct TAPMODEL {
    explicit TAPMODEL(uint32_t idcodeIn) : idcode(idcodeIn) {}

    static TAPST TstNext(TAPST tst, bool fTms)
    {
        static const TAPST rgtst[16][2] = {
            { tstIdle, tstReset }, { tstIdle, tstDrSelect }, { tstDrCapture, tstIrSelect },
            { tstDrShift, tstDrExit1 }, { tstDrShift, tstDrExit1 }, { tstDrPause, tstDrUpdate },
            { tstDrPause, tstDrExit2 }, { tstDrShift, tstDrUpdate }, { tstIdle, tstDrSelect },
            { tstIrCapture, tstReset }, { tstIrShift, tstIrExit1 }, { tstIrShift, tstIrExit1 },
            { tstIrPause, tstIrUpdate }, { tstIrPause, tstIrExit2 }, { tstIrShift, tstIrUpdate },
            { tstIdle, tstDrSelect },
        };
        return rgtst[tst][fTms ? 1 : 0];
    }
    static const char *SzTst(TAPST tst)
    {
        static const char *const rgsz[16] = {
            "Test-Logic-Reset", "Run-Test/Idle", "Select-DR-Scan", "Capture-DR", "Shift-DR", "Exit1-DR",
            "Pause-DR", "Exit2-DR", "Update-DR", "Select-IR-Scan", "Capture-IR", "Shift-IR", "Exit1-IR",
            "Pause-IR", "Exit2-IR", "Update-IR",
        };
        return rgsz[tst];
    }
    /* A clock that would load an instruction: the tests never give one. */
    bool FLeavesDr(bool fTms) const { return tst == tstIrSelect && !fTms; }

    /* One TCK period; the TDO level read on its falling edge. */
    bool FClock(bool fTmsIn, bool fTdiIn)
    {
        if (tst == tstDrCapture)
            dr = idcode;
        else if (tst == tstDrShift)
            dr = (dr >> 1) | (uint32_t(fTdiIn) << 31);
        tst = TstNext(tst, fTmsIn);
        fTdo = tst == tstDrShift ? (dr & 1) != 0 : true;
        return fTdo;
    }
    /* Test-Logic-Reset, as five clocks with TMS 1 leave it. */
    void Reset()
    {
        tst = tstReset;
        fTdo = true;
    }

    uint32_t idcode;
    TAPST tst = tstReset;
    uint32_t dr = 0;
    bool fTdo = true;
    /* the pins the host drives */
    bool fTms = true, fTdi = false, fTck = false;
};

#endif
