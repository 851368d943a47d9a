// WRKTHD transfers: register reads and writes and stream transfers, run on
// the worker thread through the device manager and the register port, each
// ending with the completion sent to the page that asked.

#include "wrkthd.h"

#include <stdio.h>
#include <stdlib.h>

#include "kelm.h"
#include "strtext.h"
#include "vesk.h"

// Open the device and enable its register port; a failure is reported and
// leaves nothing open.
BOOL WRKTHD::FOpen(const char *szConn)
{
    if (szConn == nullptr || !KelmOpen(&hif, szConn)) {
        Line(SZ_XF_NOCONNECT);
        return FALSE;
    }
    if (!VeskEnable(hif)) {
        KelmClose(hif);
        Line(SZ_XF_NOCONNECT);
        return FALSE;
    }
    return TRUE;
}

// Release the port (fDisable) and close the device: the handle is closed on
// every path once it was opened, whatever the release gave.
void WRKTHD::Close(BOOL fDisable)
{
    if (fDisable)
        VeskDisable(hif);
    KelmClose(hif);
}

// The page that asked gets the result; when its window is gone the worker
// frees what the transfer owned.
void WRKTHD::CompleteXfer(BOOL fOk, uint8_t *pb, int32_t cb)
{
    XFERDONE done = {rq.rqt, fOk, pb, cb, FALSE};
    if (IsWindow(rq.hwndTarget))
        SendMessageA(rq.hwndTarget, wmXferDone, 0, reinterpret_cast<LPARAM>(&done));
    if (pb == rq.pbStream) {
        if (!done.fTaken)
            free(rq.pbStream);
        rq.pbStream = nullptr;
    }
}

BOOL WRKTHD::FDoReadRegs(const char *szConn)
{
    BOOL fOk = FOpen(szConn);
    if (fOk) {
        BOOL fRead = rq.cb == 1 ? VeskGetReg(hif, rq.rgbReg[0], &rq.rgbData[0], FALSE)
                                : VeskGetRegSet(hif, rq.rgbReg, rq.rgbData, static_cast<uint32_t>(rq.cb), FALSE);
        if (!fRead) {
            char sz[64];
            snprintf(sz, sizeof(sz), SZ_XF_READFAILED, rq.cb > 0 ? rq.rgbReg[0] : 0);
            Line(sz);
            VeskDisable(hif);
            KelmClose(hif);
            fOk = FALSE;
        } else {
            fOk = VeskDisable(hif) != 0;
            fOk = KelmClose(hif) && fOk;
        }
    }
    CompleteXfer(fOk, rq.rgbData, rq.cb);
    return TRUE;
}

BOOL WRKTHD::FDoWriteRegs(const char *szConn)
{
    BOOL fOk = FOpen(szConn);
    if (fOk) {
        for (int i = 0; i < rq.cb; i++) {
            if (!VeskPutReg(hif, rq.rgbReg[i], rq.rgbData[i], FALSE)) {
                char sz[64];
                snprintf(sz, sizeof(sz), SZ_XF_WRITEFAILED, rq.rgbReg[i]);
                Line(sz);
                fOk = FALSE;
                break;
            }
        }
        if (fOk) {
            fOk = VeskDisable(hif) != 0;
            fOk = KelmClose(hif) && fOk;
        } else {
            Close(TRUE);
        }
    }
    CompleteXfer(fOk, rq.rgbData, rq.cb);
    return TRUE;
}

// A stream in blocks of 8192 bytes; the progress bar counts the blocks.
BOOL WRKTHD::FDoStream(const char *szConn)
{
    BOOL fOk = FOpen(szConn);
    if (fOk) {
        SetRange(rq.cb / cbStreamBlock);
        SetPos(0);
        int32_t cbLeft = rq.cb, cblock = 0;
        while (cbLeft > 0) {
            int32_t cbBlock = cbLeft > cbStreamBlock ? cbStreamBlock : cbLeft;
            uint8_t *pb = rq.pbStream + (rq.cb - cbLeft);
            BOOL fMoved = rq.rqt == rqtReadStream
                              ? VeskGetRegRepeat(hif, rq.bReg, pb, static_cast<uint32_t>(cbBlock), FALSE)
                              : VeskPutRegRepeat(hif, rq.bReg, pb, static_cast<uint32_t>(cbBlock), FALSE);
            if (!fMoved)
                break;
            cblock++;
            cbLeft -= cbStreamBlock;
            SetPos(cblock);
        }
        fOk = cbLeft <= 0;
        Close(TRUE);
    }
    CompleteXfer(fOk, rq.pbStream, rq.cb);
    return TRUE;
}
