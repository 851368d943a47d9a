/*
 * vesk.cpp - the register port: the 8-bit registers of the design that runs
 * in the board's FPGA, over the register protocol of the boards' firmware
 * (protocol 3, port 0; boardproto.h).
 */
#include "vesk.h"

#include "xact.h"

namespace {

using namespace xact;

using namespace boardproto;

/*
 * Run or start the transaction. A synchronous transfer that the device ended
 * short fails even when its status said nothing.
 */
int FTransfer(HIF hif, TFP *ptfp, int fOverlap, uint32_t cbOutWant, uint32_t cbInWant, const char *szFn)
{
    if (fOverlap)
        return FStart(hif, ptfp);
    uint32_t cbOut = 0, cbIn = 0;
    if (!FRun(hif, ptfp, &cbOut, &cbIn))
        return 0;
    if (cbOut < cbOutWant)
        return FFail(ercDataSndLess, szFn);
    if (cbIn < cbInWant)
        return FFail(ercDataRcvLess, szFn);
    return 1;
}

/* A data phase of cmd: cbSnd bytes out of pbSnd, cbRcv bytes into pbRcv. */
void SetData(TFP *ptfp, uint8_t cmd, const uint8_t *pbSnd, uint32_t cbSnd, uint8_t *pbRcv, uint32_t cbRcv)
{
    ptfp->cbSnd = cbSnd;
    ptfp->pbSnd = cbSnd ? const_cast<uint8_t *>(pbSnd) : nullptr;  /* the runtime only reads it */
    ptfp->cbRcv = cbRcv;
    ptfp->pbRcv = cbRcv ? pbRcv : nullptr;
    SetDone(ptfp->rgbCmdDone, aptReg, cmd);
}

} // namespace

extern "C" {

VESKAPI int VESKCALL VeskEnable(HIF hif)
{
    return FEnable(hif, dcapReg, aptReg, 0);
}

VESKAPI int VESKCALL VeskDisable(HIF hif)
{
    return FDisable(hif, dcapReg, aptReg, 0);
}

VESKAPI int VESKCALL VeskGetReg(HIF hif, uint8_t bReg, uint8_t *pbData, int fOverlap)
{
    if (pbData == nullptr)
        return FFail(ercInvalidParameter, "VeskGetReg no buffer");
    TFP tfp;
    ClearTfp(&tfp);
    PbSetCmd(tfp.rgbCmd, aptReg, regCmdGet, 1)[0] = bReg;
    AddReply(&tfp.rplyCmd, 1, pbData);
    return FTransfer(hif, &tfp, fOverlap, 0, 0, "VeskGetReg");
}

VESKAPI int VESKCALL VeskPutReg(HIF hif, uint8_t bReg, uint8_t bData, int fOverlap)
{
    TFP tfp;
    ClearTfp(&tfp);
    uint8_t *pb = PbSetCmd(tfp.rgbCmd, aptReg, regCmdPut, 2);
    pb[0] = bReg;
    pb[1] = bData;
    return FTransfer(hif, &tfp, fOverlap, 0, 0, "VeskPutReg");
}

VESKAPI int VESKCALL VeskGetRegSet(HIF hif, const uint8_t *rgbReg, uint8_t *rgbData, uint32_t creg, int fOverlap)
{
    /* A set names at least one register; counts from a negative int are refused
     * before anything reads the caller's lists. */
    if (creg == 0 || creg > 0x7FFFFFFFu)
        return FFail(ercInvalidParameter, "VeskGetRegSet bad register count");
    if (rgbReg == nullptr || rgbData == nullptr)
        return FFail(ercInvalidParameter, "VeskGetRegSet no buffer");
    TFP tfp;
    ClearTfp(&tfp);
    PutU32(PbSetCmd(tfp.rgbCmd, aptReg, regCmdGetSet, 4), creg);
    SetData(&tfp, regCmdGetSet, rgbReg, creg, rgbData, creg);
    return FTransfer(hif, &tfp, fOverlap, creg, creg, "VeskGetRegSet transfer ended short");
}

VESKAPI int VESKCALL VeskPutRegSet(HIF hif, const uint8_t *rgbPair, uint32_t cpair, int fOverlap)
{
    if (cpair == 0 || cpair > 0x7FFFFFFFu)
        return FFail(ercInvalidParameter, "VeskPutRegSet bad pair count");
    if (rgbPair == nullptr)
        return FFail(ercInvalidParameter, "VeskPutRegSet no pairs");
    TFP tfp;
    ClearTfp(&tfp);
    PutU32(PbSetCmd(tfp.rgbCmd, aptReg, regCmdPutSet, 4), cpair);
    SetData(&tfp, regCmdPutSet, rgbPair, 2 * cpair, nullptr, 0);
    return FTransfer(hif, &tfp, fOverlap, 2 * cpair, 0, "VeskPutRegSet transfer ended short");
}

VESKAPI int VESKCALL VeskGetRegRepeat(HIF hif, uint8_t bReg, uint8_t *pbData, uint32_t cb, int fOverlap)
{
    if (cb == 0)
        return 1;
    if (pbData == nullptr)
        return FFail(ercInvalidParameter, "VeskGetRegRepeat no buffer");
    TFP tfp;
    ClearTfp(&tfp);
    uint8_t *pb = PbSetCmd(tfp.rgbCmd, aptReg, regCmdGetRepeat, 5);
    pb[0] = bReg;
    PutU32(pb + 1, cb);
    SetData(&tfp, regCmdGetRepeat, nullptr, 0, pbData, cb);
    return FTransfer(hif, &tfp, fOverlap, 0, cb, "VeskGetRegRepeat transfer ended short");
}

VESKAPI int VESKCALL VeskPutRegRepeat(HIF hif, uint8_t bReg, const uint8_t *pbData, uint32_t cb, int fOverlap)
{
    if (cb == 0)
        return 1;
    if (pbData == nullptr)
        return FFail(ercInvalidParameter, "VeskPutRegRepeat no buffer");
    TFP tfp;
    ClearTfp(&tfp);
    uint8_t *pb = PbSetCmd(tfp.rgbCmd, aptReg, regCmdPutRepeat, 5);
    pb[0] = bReg;
    PutU32(pb + 1, cb);
    SetData(&tfp, regCmdPutRepeat, pbData, cb, nullptr, 0);
    return FTransfer(hif, &tfp, fOverlap, cb, 0, "VeskPutRegRepeat transfer ended short");
}

} /* extern "C" */
