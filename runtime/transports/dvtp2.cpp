/*
 * dvtp2.cpp - DVTP2: a transaction's command, data and completion phases
 * through the FTDI firmware library's entry points, polled in 5 ms steps so
 * that a cancel is seen at once.
 */
#include <string.h>

#include "dvtp2.h"
#include "vzcore.h"
#include "yorl.h"

namespace {
const uint32_t tmsPkt = 10000;
const uint32_t tmsPoll = 5;
const uint8_t rgbAbort[4] = {0x03, 0x00, 0x02, 0x00};
const int ercFwPending = 13;
} // namespace

DVTP2::DVTP2(const char *szDllPathIn)
    : pabsdll(nullptr), hmodDll(nullptr), hftd(-1), pfnConnect(nullptr), pfnDisconnect(nullptr),
      pfnSendCmd(nullptr), pfnReadCmdSts(nullptr), pfnInitReadWrite(nullptr), pfnGetTransSts(nullptr),
      pfnGetLastErc(nullptr)
{
    dtp = dtpUsbFtdi;
    SzCopy(szDllPath, szDllPathIn ? szDllPathIn : "", sizeof(szDllPath));
}

DVTP2::~DVTP2()
{
    XTerm();
}

int DVTP2::FXInit()
{
    hftd = -1;
    hmodDll = nullptr;
    pabsdll = pabsfact->InstABSDLL();
    bool fOk = pabsdll != nullptr && pabsdll->Init() && pabsdll->Load(szDllPath, &hmodDll);
    struct ENTRY {
        const char *szName;
        void **ppfn;
    } rgentry[] = {
        {"FtdConnect", (void **)&pfnConnect},         {"FtdDisconnect", (void **)&pfnDisconnect},
        {"FtdSendCmd", (void **)&pfnSendCmd},         {"FtdReadCmdSts", (void **)&pfnReadCmdSts},
        {"FtdInitReadWrite", (void **)&pfnInitReadWrite}, {"FtdGetTransSts", (void **)&pfnGetTransSts},
        {"FtdGetLastErc", (void **)&pfnGetLastErc},
    };
    for (ENTRY &entry : rgentry)
        fOk = fOk && pabsdll->GetProc(hmodDll, entry.szName, entry.ppfn) && *entry.ppfn != nullptr;
    if (fOk)
        return 1;
    XTerm();
    return 0;
}

void DVTP2::XTerm()
{
    pfnConnect = nullptr;
    pfnDisconnect = nullptr;
    pfnSendCmd = nullptr;
    pfnReadCmdSts = nullptr;
    pfnInitReadWrite = nullptr;
    pfnGetTransSts = nullptr;
    pfnGetLastErc = nullptr;
    if (pabsdll != nullptr) {
        if (hmodDll != nullptr)
            pabsdll->Free(hmodDll);
        pabsdll->Term();
        pabsfact->RlsABSDLL(pabsdll);
    }
    hmodDll = nullptr;
    pabsdll = nullptr;
}

int DVTP2::FXConnect(int)
{
    int h = -1;
    if (pfnConnect == nullptr || !pfnConnect(szConn, &h))
        return FRecordErc(ercConnectionFailed, "DVTP2::FXConnect call to FtdevConnect() failed"), 0;
    hftd = h;
    return 1;
}

void DVTP2::XDisconnect()
{
    int h = hftd;
    if (pfnDisconnect == nullptr || !pfnDisconnect(&h))
        FRecordErc(ercInternalError, "DVTP2::XDisconnect call to FtdevDisconnect() failed");
    hftd = -1;
}

int DVTP2::FXTrans()
{
    if (tfp.rgbCmd[0] != 0 && !FCmdPhase())
        return 0;
    int fOk = 1;
    if ((tfp.cbSnd != 0 || tfp.cbRcv != 0) && !FDataPhase())
        fOk = 0;
    if (tfp.rgbCmdDone[0] != 0 && !FCompletionPhase())
        fOk = 0;
    return fOk;
}

int DVTP2::FCmdPhase()
{
    uint8_t cbTaken = 0;
    uint8_t cbPkt = uint8_t(tfp.rgbCmd[0] + 1);
    if (!pfnSendCmd(hftd, tfp.rgbCmd, cbPkt, &cbTaken, tmsPkt) || cbTaken != cbPkt)
        return ercTrans = ercCmdSendFailed, 0;
    uint8_t rgbSts[64];
    uint8_t cbSts = 0;
    if (!pfnReadCmdSts(hftd, rgbSts, sizeof(rgbSts), &cbSts, tmsPkt))
        return ercTrans = ercStsReceiveFailed, 0;
    return FProcessSts(rgbSts, cbSts, &tfp.rplyCmd);
}

bool DVTP2::FCancelRequested(ABSSEM *psem)
{
    if (psem->Wait(0))
        return true;
    return pabsutil->GetLastErc() != ercAbsTimeout;
}

int DVTP2::FDataPhase()
{
    ABSSEM *psem = PsemTransCancel();
    if (psem == nullptr) {
        ercTrans = ercInternalError;
        FAbort();
        return 0;
    }
    if (!pfnInitReadWrite(hftd, tfp.pbRcv, tfp.pbSnd, tfp.cbRcv, tfp.cbSnd)) {
        ercTrans = ercDataSndLessRcvLess;
        FAbort();
        return 0;
    }
    uint32_t cbRcvd = 0, cbSent = 0, cbRcvdPub = 0, cbSentPub = 0;
    bool fDone = false;
    for (;;) {
        if (fDone && cbRcvd >= tfp.cbRcv && cbSent >= tfp.cbSnd)
            return 1;
        if (pfnGetTransSts(hftd, &cbRcvd, &cbSent))
            fDone = true;
        else if (pfnGetLastErc() != ercFwPending) {
            ercTrans = ercDataSndLessRcvLess;
            break;
        }
        if (cbRcvd != cbRcvdPub || cbSent != cbSentPub) {
            SetCbData(cbSent, cbRcvd);
            cbRcvdPub = cbRcvd;
            cbSentPub = cbSent;
        }
        if (FCancelRequested(psem))
            break;
    }
    FAbort();
    return 0;
}

int DVTP2::FCompletionPhase()
{
    ABSSEM *psem = PsemTransCancel();
    if (psem == nullptr)
        return ercTrans = ercInternalError, 0;
    uint8_t cbTaken = 0;
    uint8_t cbPkt = uint8_t(tfp.rgbCmdDone[0] + 1);
    if (!pfnSendCmd(hftd, tfp.rgbCmdDone, cbPkt, &cbTaken, tmsPkt) || cbTaken != cbPkt)
        return ercTrans = ercCmdSendFailed, 0;
    uint8_t rgbSts[64];
    uint8_t cbSts = 0;
    if (fCancelSent) {
        if (!pfnReadCmdSts(hftd, rgbSts, sizeof(rgbSts), &cbSts, tmsPkt))
            return ercTrans = ercStsReceiveFailed, 0;
    } else {
        for (;;) {
            if (pfnReadCmdSts(hftd, rgbSts, sizeof(rgbSts), &cbSts, tmsPoll))
                break;
            if (pfnGetLastErc() != ercFwPending)
                return ercTrans = ercStsReceiveFailed, 0;
            if (!FCancelRequested(psem))
                continue;
            if (!FAbort() || !pfnReadCmdSts(hftd, rgbSts, sizeof(rgbSts), &cbSts, tmsPkt))
                return ercTrans = ercStsReceiveFailed, 0;
            break;
        }
    }
    return FProcessSts(rgbSts, cbSts, &tfp.rplyCmdDone);
}

int DVTP2::FAbort()
{
    fCancelSent = 1;
    uint8_t cbTaken = 0;
    return pfnSendCmd(hftd, rgbAbort, sizeof(rgbAbort), &cbTaken, tmsPkt) && cbTaken == sizeof(rgbAbort);
}
