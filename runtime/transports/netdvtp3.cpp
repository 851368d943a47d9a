/*
 * netdvtp3.cpp - DVTP3: transactions of a network device. Command packets
 * go out as DvcCmd messages and status packets come back as DvcSts messages
 * on the control connection; the data phase runs on the data connection at
 * the same time as the wait for its status, in passes of at most 500 ms.
 */
#include <stdio.h>
#include <string.h>

#include <new>

#include "netc.h"
#include "netdvtp3.h"
#include "vzcore.h"
#include "yorl.h"

namespace {
const uint32_t tmsNet = 10000;
const uint32_t tmsDataPass = 500;
const uint32_t tmsStsSlice = 100;
const uint32_t cbStsHdr = 5;
const uint32_t cbStsMsgMax = 69;       /* L (3 to 65) + 4 */
const uint8_t rgbAbort[4] = {0x03, 0x00, 0x02, 0x00};

uint32_t U32(const uint8_t *pb) { return pb[0] | (pb[1] << 8) | (pb[2] << 16) | ((uint32_t)pb[3] << 24); }

/* A DvcSts header: L from 3 to 65, type 5. */
int FStsHdrOk(const uint8_t *pbHdr)
{
    uint32_t L = U32(pbHdr);
    return L >= 3 && L <= 65 && pbHdr[4] == netmsgDvcSts;
}

/* A whole DvcSts message: the packet's length byte is L - 2. */
int FStsMsgOk(const uint8_t *pbMsg) { return U32(pbMsg) - 2 == pbMsg[5]; }

void TcpipRelease(ABSTCPIP **pptcpip)
{
    if (*pptcpip == nullptr)
        return;
    (*pptcpip)->Close();
    (*pptcpip)->Term();
    pabsfact->RlsABSTCPIP(*pptcpip);
    *pptcpip = nullptr;
}
} // namespace

DVTP3::DVTP3(ABSTCPIP *ptcpipCmdStsIn, int fDataTlsIn)
    : ptcpipCmdSts(ptcpipCmdStsIn), ptcpipDtoDti(nullptr), fDataTls(fDataTlsIn), fDataConn(0), fStsRefused(0)
{
    dtp = dtpNetwork;
}

DVTP3::~DVTP3() { XTerm(); }

int DVTP3::FXInit()
{
    if (ptcpipCmdSts == nullptr)
        return FRecordErc(ercInternalError, "DVTP3::FXInit ptcpipCmdSts is NULL"), 0;
    if (ptcpipDtoDti != nullptr)
        return 1;
    ptcpipDtoDti = pabsfact->InstABSTCPIP();
    if (ptcpipDtoDti == nullptr)
        return FRecordErc(ercInsufficientResources, "DVTP3::FXInit ptcpipDtoDti"), 0;
    if (!ptcpipDtoDti->Init()) {
        pabsfact->RlsABSTCPIP(ptcpipDtoDti);
        ptcpipDtoDti = nullptr;
        return FRecordErc(ercInternalError, "DVTP3::FXInit ptcpipDtoDti->Init()"), 0;
    }
    return 1;
}

void DVTP3::XTerm()
{
    TcpipRelease(&ptcpipCmdSts);
    TcpipRelease(&ptcpipDtoDti);
    fDataConn = 0;
}

int DVTP3::FXConnect(int fFirstOpener)
{
    (void)fFirstOpener;
    fCtrlSecure = ptcpipCmdSts != nullptr && ptcpipCmdSts->IsSecure();
    if (!FEstPassiveDataConn())
        return FRecordErc(ercConnectionFailed, "DVTP3::FXConnect failed to establish data connection"), 0;
    fDataSecure = ptcpipDtoDti->IsSecure();
    return 1;
}

void DVTP3::XDisconnect()
{
    if (ptcpipDtoDti != nullptr)
        ptcpipDtoDti->Close();
    if (ptcpipCmdSts != nullptr)
        ptcpipCmdSts->Close();
    fDataConn = 0;
}

int DVTP3::FEstPassiveDataConn()
{
    if (ptcpipCmdSts == nullptr || ptcpipDtoDti == nullptr)
        return FRecordErc(ercInternalError, "DVTP3::FEstPassiveDataConn improper initialization"), 0;
    ptcpipDtoDti->Close();
    fDataConn = 0;
    uint8_t *pcsts = new (std::nothrow) uint8_t[cbNetCstsMax];
    if (pcsts == nullptr)
        return FRecordErc(ercInsufficientResources, "DVTP3::FEstPassiveDataConn"), 0;
    int fOk = 0;
    do {
        if (!NETC::FCtrlCmd(ptcpipCmdSts, cmdEstPasiveDataConn, nullptr, 0, pcsts, nullptr, tmsNet)) {
            FRecordErc(ercConnectionFailed, "DVTP3::FEstPassiveDataConn failed to send cmdEstPasiveDataConn");
            break;
        }
        uint16_t m = (uint16_t)(pcsts[0] | (pcsts[1] << 8));
        if (pcsts[2] != 2) {
            FRecordErc(ercConnectionFailed, "DVTP3::FEstPassiveDataConn incorrect status response code");
            break;
        }
        if (m != 7) {
            char sz[96];
            snprintf(sz, sizeof(sz), "DVTP3::FEstPassiveDataConn incorrect status response size: %hu", m);
            FRecordErc(ercConnectionFailed, sz);
            break;
        }
        uint32_t ipv4;
        memcpy(&ipv4, pcsts + 3, 4);
        uint16_t port = (uint16_t)((pcsts[7] << 8) | pcsts[8]);
        if (!ptcpipDtoDti->Connect(ipv4, port, tmsNet)) {
            uint32_t erc = pabsutil->GetLastErc();
            FRecordErc(ercConnectionFailed, erc == ercAbsHostUnreachable
                                                ? "DVTP3::FEstPassiveDataConn data connection failed - unreachable"
                                            : erc == ercAbsConnectTimeout
                                                ? "DVTP3::FEstPassiveDataConn data connection failed - timeout"
                                                : "DVTP3::FEstPassiveDataConn data connection failed - unknown");
            break;
        }
        if (fDataTls) {
            if (!NETC::FCtrlCmd(ptcpipCmdSts, cmdEnableDataTLS, nullptr, 0, pcsts, nullptr, tmsNet)) {
                ptcpipDtoDti->Close();
                FRecordErc(ercConnectionFailed, "DVTP3::FEstPassiveDataConn failed to send cmdEnableDataTLS");
                break;
            }
            if (pcsts[2] == 0 && !ptcpipDtoDti->StartTLS(tmsNet)) {
                uint32_t erc = pabsutil->GetLastErc();
                if (erc == ercAbsConnectTimeout) {
                    FRecordErc(ercConnectionFailed,
                               "DVTP3::FEstPassiveDataConn timed out while establishing a TLS connection");
                } else {
                    char sz[112];
                    snprintf(sz, sizeof(sz), "DVTP3::FEstPassiveDataConn unknown TLS connection failure, erc = %d",
                             (int)erc);
                    FRecordErc(ercConnectionFailed, sz);
                }
                ptcpipDtoDti->Close();
                break;
            }
        }
        int one = 1;
        ptcpipDtoDti->SetSockOpt(absIpprotoTcp, absTcpNodelay, &one, 4);
        fDataConn = 1;
        fOk = 1;
    } while (0);
    delete[] pcsts;
    return fOk;
}

int DVTP3::FXTrans()
{
    if (!fDataConn) {
        if (!FEstPassiveDataConn()) {
            ercTrans = ercConnectionFailed;
            return 0;
        }
        fDataSecure = ptcpipDtoDti->IsSecure();
    }
    if (tfp.rgbCmd[0] != 0 && !FCmdPhase())
        return 0;
    int fOk = 1;
    fStsRefused = 0;
    if ((tfp.cbSnd != 0 || tfp.cbRcv != 0) && !FDataPhase())
        fOk = 0;
    /* A device that refused the data command keeps its own code: the
     * completion that follows only ends the exchange. */
    int ercRefused = ercTrans;
    if (tfp.rgbCmdDone[0] != 0 && !FCompletionPhase())
        fOk = 0;
    if (fStsRefused)
        ercTrans = ercRefused;
    return fOk;
}

int DVTP3::FSendPkt(const uint8_t *rgbPkt, uint32_t tms)
{
    uint8_t rgbMsg[4 + 1 + cbCmdPktMax + 1];
    uint32_t cbPkt = (uint32_t)rgbPkt[0] + 1;
    if (cbPkt > cbCmdPktMax)
        return 0;
    uint32_t L = cbPkt + 1;
    rgbMsg[0] = (uint8_t)L;
    rgbMsg[1] = rgbMsg[2] = rgbMsg[3] = 0;
    rgbMsg[4] = netmsgDvcCmd;
    memcpy(rgbMsg + 5, rgbPkt, cbPkt);
    uint32_t cbSent = 0;
    return ptcpipCmdSts->Send(rgbMsg, L + 4, &cbSent, tms) && cbSent == L + 4;
}

int DVTP3::FRecvSts(uint8_t *rgbPkt, uint32_t tms)
{
    uint8_t rgbHdr[cbStsHdr];
    uint32_t cb = 0;
    if (!ptcpipCmdSts->Recv(rgbHdr, cbStsHdr, &cb, tms) || cb != cbStsHdr || !FStsHdrOk(rgbHdr))
        return 0;
    uint32_t L = U32(rgbHdr);
    /* The body follows its header at once; 0 lets the connection bound the wait. */
    if (!ptcpipCmdSts->Recv(rgbPkt, L - 1, &cb, 0) || cb != L - 1)
        return 0;
    return rgbPkt[0] == L - 2;
}

int DVTP3::FRecvStsRest(uint8_t *rgbMsg, uint32_t *pcbExpected, uint32_t cbReceived, uint32_t tms)
{
    uint32_t cbExpected = *pcbExpected == 0 ? cbStsHdr : *pcbExpected;
    if (cbExpected < cbStsHdr || cbReceived > cbExpected || cbExpected > cbStsMsgMax)
        return 0;
    uint32_t cb = 0;
    if (cbReceived < cbStsHdr) {
        if (!ptcpipCmdSts->Recv(rgbMsg + cbReceived, cbStsHdr - cbReceived, &cb, tms) ||
            cb != cbStsHdr - cbReceived)
            return 0;
        cbReceived = cbStsHdr;
    }
    if (!FStsHdrOk(rgbMsg))
        return 0;
    cbExpected = U32(rgbMsg) + 4;
    *pcbExpected = cbExpected;
    if (cbReceived < cbExpected &&
        (!ptcpipCmdSts->Recv(rgbMsg + cbReceived, cbExpected - cbReceived, &cb, tms) ||
         cb != cbExpected - cbReceived))
        return 0;
    return FStsMsgOk(rgbMsg);
}

int DVTP3::FCmdPhase()
{
    if (!FSendPkt(tfp.rgbCmd, tmsNet)) {
        ercTrans = ercCmdSendFailed;
        return 0;
    }
    if (tfp.cbSnd != 0 || tfp.cbRcv != 0)
        return 1;
    uint8_t rgbSts[cbStsPktMax];
    if (!FRecvSts(rgbSts, tmsNet)) {
        ercTrans = ercStsReceiveFailed;
        return 0;
    }
    return FProcessSts(rgbSts, (uint32_t)rgbSts[0] + 1, &tfp.rplyCmd);
}

int DVTP3::FDataPhase()
{
    uint8_t rgbMsg[cbStsMsgMax];
    uint32_t cbStsExpected = cbStsHdr, cbStsGot = 0;
    int fStsComplete = 0;
    uint32_t cbSent = 0, cbRcvd = 0;
    ABSXFER xferData, xferSts;
    ptcpipDtoDti->PrepareTransfer(&xferData, tfp.pbRcv, tfp.cbRcv, tfp.pbSnd, tfp.cbSnd);
    ptcpipCmdSts->PrepareTransfer(&xferSts, rgbMsg, cbStsHdr, nullptr, 0);
    ABSSEM *psemCancel = PsemTransCancel();
    if (psemCancel == nullptr) {
        ercTrans = ercInternalError;
        return 0;
    }
    for (;;) {
        if (cbSent >= tfp.cbSnd && cbRcvd >= tfp.cbRcv && fStsComplete)
            return 1;
        bool fPass = fStsComplete ? ptcpipDtoDti->WaitTransfers(&xferData, nullptr, tmsDataPass)
                                  : ptcpipDtoDti->WaitTransfers(&xferData, &xferSts, tmsDataPass);
        if (!fPass && pabsutil->GetLastErc() != ercAbsIoTimeout) {
            /* Count what moved before the break, then abort. */
            cbSent += xferData.cbSent;
            cbRcvd += xferData.cbRcvd;
            SetCbData(cbSent, cbRcvd);
            if (!fStsComplete)
                cbStsGot += xferSts.cbRcvd;
            break;
        }
        if (!fStsComplete && xferSts.cbRcvd != 0) {
            cbStsGot += xferSts.cbRcvd;
            if (cbStsGot == cbStsHdr && cbStsExpected == cbStsHdr) {
                if (!FStsHdrOk(rgbMsg))
                    break;
                cbStsExpected = U32(rgbMsg) + 4;
            }
            if (cbStsGot == cbStsExpected) {
                fStsComplete = 1;   /* consumed: an abort reads no more of it */
                if (!FStsMsgOk(rgbMsg)) {
                    ercTrans = ercStsReceiveFailed;
                    fStsRefused = 1;
                    break;
                }
                if (!FProcessSts(rgbMsg + 5, (uint32_t)rgbMsg[5] + 1, &tfp.rplyCmd)) {
                    /* The device refused the command: its own code stands. */
                    fStsRefused = 1;
                    break;
                }
            } else {
                ptcpipCmdSts->PrepareTransfer(&xferSts, rgbMsg + cbStsGot, cbStsExpected - cbStsGot, nullptr, 0);
            }
        }
        if (xferData.cbSent != 0 || xferData.cbRcvd != 0) {
            cbSent += xferData.cbSent;
            cbRcvd += xferData.cbRcvd;
            SetCbData(cbSent, cbRcvd);
        }
        ptcpipDtoDti->PrepareTransfer(&xferData, tfp.pbRcv ? tfp.pbRcv + cbRcvd : nullptr, tfp.cbRcv - cbRcvd,
                                      tfp.pbSnd ? tfp.pbSnd + cbSent : nullptr, tfp.cbSnd - cbSent);
        if (psemCancel->Wait(0) || pabsutil->GetLastErc() != ercAbsTimeout)
            break;
    }
    /* Abort: the cancel packet, the data connection closed. */
    FAbort();
    if (!fStsComplete && FRecvStsRest(rgbMsg, &cbStsExpected, cbStsGot, tmsNet))
        fStsComplete = 1;
    if (!fStsComplete) {
        ercTrans = ercStsReceiveFailed;
        return 0;
    }
    if (fStsRefused)
        return 0;
    int fSndShort = cbSent < tfp.cbSnd, fRcvShort = cbRcvd < tfp.cbRcv;
    if (fSndShort && fRcvShort)
        ercTrans = ercDataSndLessRcvLess;
    else if (fSndShort)
        ercTrans = ercDataSndLess;
    else if (fRcvShort)
        ercTrans = ercDataRcvLess;
    return 0;
}

int DVTP3::FCompletionPhase()
{
    ABSSEM *psemCancel = PsemTransCancel();
    if (psemCancel == nullptr) {
        ercTrans = ercInternalError;
        return 0;
    }
    if (!FSendPkt(tfp.rgbCmdDone, tmsNet)) {
        ercTrans = ercCmdSendFailed;
        return 0;
    }
    uint8_t rgbMsg[cbStsMsgMax];
    if (fCancelSent) {
        if (!FRecvSts(rgbMsg + 4, tmsNet)) {
            ercTrans = ercStsReceiveFailed;
            return 0;
        }
        return FProcessSts(rgbMsg + 4, (uint32_t)rgbMsg[4] + 1, &tfp.rplyCmdDone);
    }
    uint32_t cbExpected = cbStsHdr, cbGot = 0;
    for (;;) {
        uint32_t cb = 0;
        bool fRecv = ptcpipCmdSts->Recv(rgbMsg + cbGot, cbExpected - cbGot, &cb, tmsStsSlice);
        cbGot += cb;
        if (!fRecv && pabsutil->GetLastErc() != ercAbsIoTimeout) {
            ercTrans = ercStsReceiveFailed;
            return 0;
        }
        if (cbGot == cbExpected && cbExpected == cbStsHdr) {
            if (!FStsHdrOk(rgbMsg)) {
                ercTrans = ercStsReceiveFailed;
                return 0;
            }
            cbExpected = U32(rgbMsg) + 4;
        }
        if (cbGot == cbExpected) {
            if (!FStsMsgOk(rgbMsg)) {
                ercTrans = ercStsReceiveFailed;
                return 0;
            }
            break;
        }
        if (psemCancel->Wait(0) || pabsutil->GetLastErc() != ercAbsTimeout) {
            if (!FAbort() || !FRecvStsRest(rgbMsg, &cbExpected, cbGot, tmsNet)) {
                ercTrans = ercStsReceiveFailed;
                return 0;
            }
            break;
        }
    }
    return FProcessSts(rgbMsg + 5, (uint32_t)rgbMsg[5] + 1, &tfp.rplyCmdDone);
}

int DVTP3::FAbort()
{
    fCancelSent = 1;
    int fOk = FSendPkt(rgbAbort, tmsNet);
    ptcpipDtoDti->Close();
    fDataConn = 0;
    return fOk;
}
