/*
 * fwjtagio.cpp - the JTAG port's general-purpose pins and board control
 * outputs (commands 25 to 31). They work on the port's pin table, which for
 * port 0 lists no pin: the masks are empty, nothing is made an output, and
 * the commands write or read the pin bytes as they stand.
 */
#include "fwjtag.h"

#if AMBREL_JTAG

const uint32_t fsGpioOut = 0, fsGpioIn = 0;

namespace {

/* Writes both pin bytes as tracked (at once unless buffering is on). */
void WritePins(int i)
{
    JTAGIF &jt = rgjtag[i];
    if (!(FJtagPinsAll(jt, bDirJtag) && FJtagWrite(jt)))
        FwSetSts(i, stsFtdiIo);
}

} // namespace

void JtagGpioCmd(int i)
{
    FWIF &fwif = rgfwif[i];
    JTAGIF &jt = rgjtag[i];
    switch (fwif.cmdCur) {
    case 25:
    case 31:
        /* a board control output: the table names none for this port */
        return WritePins(i);
    case 26:
        FwPutRet(i, &fsGpioOut, 4);
        return FwPutRet(i, &fsGpioIn, 4);
    case 27: {
        jt.wGpio = DwArg(i, 0) & fsGpioOut;
        uint32_t fsMade = jt.wGpio;
        WritePins(i);
        if (fwif.rgbSts[1] == stsOk)
            FwPutRet(i, &fsMade, 4);
        return;
    }
    case 28: return FwPutRet(i, &jt.wGpio, 4);
    case 29: return WritePins(i);
    case 30: {
        if (!FJtagAdd(jt, { 0x81, 0x83, 0x87 }) || !FMpsFlush(&jt.mpsbuf, jt.hChannel, 1, 2))
            return FwSetSts(i, stsFtdiIo);
        uint32_t fsLevels = (uint32_t(jt.mpsbuf.pb[0]) | uint32_t(jt.mpsbuf.pb[1]) << 8) & fsGpioIn;
        return FwPutRet(i, &fsLevels, 4);
    }
    default: return FwSetSts(i, stsNotSupported);
    }
}

#endif /* AMBREL_JTAG */
