/*
 * ftdifake.cpp - a scripted stand-in for an FTDI firmware library, for the
 * FTDI transport's tests only (never shipped): the eight entry points of
 * ambrel.h on one interface. A command is answered with its own bytes as
 * return bytes; the data phase hands back the send bytes inverted; the
 * completion and cancel packets get their final status (cancel: code 2).
 * FakeFtdConnName tells the test what the transport connected to.
 */
#define AMBREL_BUILD
#include "ambrel.h"

#include <stdio.h>
#include <string.h>

#include <mutex>
#include <string>

namespace {

std::mutex mtx;
std::string szConnLast;
int cConnect = 0;
uint8_t rgbCmd[64];
uint8_t cbCmd = 0;
bool fCmd = false;
bool fArmed = false;
uint32_t cbRcvArmed = 0, cbSndArmed = 0;
thread_local int ercLast = 0;

int Fail(int erc)
{
    ercLast = erc;
    return 0;
}

} // namespace

extern "C" {

AMBRELAPI int AMBRELCALL FtdConnect(const char *szConn, int *phif)
{
    if (szConn == nullptr || phif == nullptr)
        return Fail(ercFwInvalidArg);
    std::lock_guard<std::mutex> lock(mtx);
    szConnLast = szConn;
    cConnect++;
    *phif = 0;
    return 1;
}

AMBRELAPI int AMBRELCALL FtdDisconnect(int *phif)
{
    if (phif == nullptr)
        return Fail(ercFwInvalidArg);
    std::lock_guard<std::mutex> lock(mtx);
    cConnect--;
    *phif = -1;
    return 1;
}

AMBRELAPI int AMBRELCALL FtdSendCmd(int hif, const uint8_t *rgb, uint8_t cb, uint8_t *pcbSent, uint32_t)
{
    if (rgb == nullptr)
        return Fail(ercFwInvalidArg);
    if (hif != 0 || cb == 0 || cb > 64)
        return Fail(ercFwInvalidHandle);
    std::lock_guard<std::mutex> lock(mtx);
    memcpy(rgbCmd, rgb, cb);
    cbCmd = cb;
    fCmd = true;
    if (pcbSent)
        *pcbSent = cb;
    return 1;
}

AMBRELAPI int AMBRELCALL FtdReadCmdSts(int hif, uint8_t *rgbSts, uint8_t cbSts, uint8_t *pcbSts, uint32_t)
{
    if (rgbSts == nullptr || pcbSts == nullptr)
        return Fail(ercFwInvalidArg);
    if (hif != 0)
        return Fail(ercFwInvalidHandle);
    std::lock_guard<std::mutex> lock(mtx);
    if (!fCmd)
        return Fail(ercFwTimeout);
    fCmd = false;
    uint8_t rgb[64];
    uint8_t cb;
    if (cbCmd == 4 && rgbCmd[1] == 0 && rgbCmd[2] == 2) {
        rgb[0] = 1, rgb[1] = 2, cb = 2;            /* the cancel: the phase ends with code 2 */
        fArmed = false;
    } else if (cbCmd >= 3 && (rgbCmd[2] & 0x80)) {
        rgb[0] = 1, rgb[1] = 0, cb = 2;            /* final status */
        fArmed = false;
    } else {
        uint8_t cbEcho = uint8_t(cbCmd - 1 > 8 ? 8 : cbCmd - 1);
        rgb[0] = uint8_t(1 + cbEcho);
        rgb[1] = 0;
        memcpy(rgb + 2, rgbCmd + 1, cbEcho);
        cb = uint8_t(2 + cbEcho);
    }
    *pcbSts = cb;
    if (cbSts < cb)
        return Fail(ercFwStsBufferSmall);
    memcpy(rgbSts, rgb, cb);
    return 1;
}

AMBRELAPI int AMBRELCALL FtdInitReadWrite(int hif, uint8_t *rgbRcv, const uint8_t *rgbSnd, uint32_t cbRcv,
                                          uint32_t cbSnd)
{
    if ((rgbRcv == nullptr && cbRcv != 0) || (rgbSnd == nullptr && cbSnd != 0) || (!rgbRcv && !rgbSnd))
        return Fail(ercFwInvalidArg);
    std::lock_guard<std::mutex> lock(mtx);
    for (uint32_t ib = 0; ib < cbRcv; ib++)
        rgbRcv[ib] = ib < cbSnd ? uint8_t(~rgbSnd[ib]) : 0x5A;
    cbRcvArmed = cbRcv;
    cbSndArmed = cbSnd;
    fArmed = hif == 0;
    return 1;
}

AMBRELAPI int AMBRELCALL FtdGetTransSts(int hif, uint32_t *pcbRcv, uint32_t *pcbSnd)
{
    if (pcbRcv == nullptr && pcbSnd == nullptr)
        return Fail(ercFwInvalidArg);
    std::lock_guard<std::mutex> lock(mtx);
    if (hif != 0 || !fArmed)
        return Fail(ercFwInvalidArg);
    if (pcbRcv)
        *pcbRcv = cbRcvArmed;
    if (pcbSnd)
        *pcbSnd = cbSndArmed;
    return 1;
}

AMBRELAPI int AMBRELCALL FtdGetLastErc(void)
{
    return ercLast;
}

AMBRELAPI void AMBRELCALL FtdSetLastErc(int erc)
{
    ercLast = erc;
}

/* The test's view: last connection text and the connections now open. */
AMBRELAPI int AMBRELCALL FakeFtdConnName(char *sz, int cch)
{
    std::lock_guard<std::mutex> lock(mtx);
    snprintf(sz, size_t(cch), "%s", szConnLast.c_str());
    return cConnect;
}

} /* extern "C" */
