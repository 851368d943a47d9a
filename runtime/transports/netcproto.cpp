/*
 * netcproto.cpp - the control connection of a network device: control
 * commands and their answers, connecting with TLS and authentication,
 * vendor requests and the write-key sequence.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <new>

#include "netc.h"
#include "netset.h"
#include "netsock.h"
#include "vzcore.h"
#include "yorl.h"

namespace {
const uint16_t wKeyFixed = 0x5A3C;     /* write key when the tick's low bits are 0 */
const uint8_t reqWriteKey = 0xE8;

void PutU16(uint8_t *pb, uint32_t w)
{
    pb[0] = (uint8_t)w;
    pb[1] = (uint8_t)(w >> 8);
}

void PutU32(uint8_t *pb, uint32_t dw)
{
    for (int i = 0; i < 4; i++)
        pb[i] = (uint8_t)(dw >> (8 * i));
}

uint32_t U32(const uint8_t *pb) { return pb[0] | (pb[1] << 8) | (pb[2] << 16) | ((uint32_t)pb[3] << 24); }

int FTimedOut() { return pabsutil->GetLastErc() == ercAbsIoTimeout; }

int FRecordf(int erc, const char *szFormat, long a, long b = 0)
{
    char sz[160];
    snprintf(sz, sizeof(sz), szFormat, a, b);
    return FRecordErc(erc, sz);
}
} // namespace

int NETC::FCtrlCmd(ABSTCPIP *ptcpip, uint8_t cmd, const uint8_t *pbPayload, uint16_t cbPayload, uint8_t *pcsts,
                   int *pfRecvFailed, uint32_t tms)
{
    if (pfRecvFailed != nullptr)
        *pfRecvFailed = 0;
    if (ptcpip == nullptr || pcsts == nullptr || (pbPayload == nullptr && cbPayload != 0))
        return FRecordErc(ercInvalidParameter, "NETC::FCtrlCmd NULL parameter"), 0;
    uint32_t cbMsg = 8 + (uint32_t)cbPayload;
    uint8_t *pbMsg = new (std::nothrow) uint8_t[cbMsg];
    if (pbMsg == nullptr)
        return FRecordErc(ercInsufficientResources, "NETC::FCtrlCmd"), 0;
    PutU32(pbMsg, (uint32_t)cbPayload + 4);
    pbMsg[4] = netmsgCtrlCmd;
    PutU16(pbMsg + 5, (uint32_t)cbPayload + 1);
    pbMsg[7] = cmd;
    if (cbPayload != 0)
        memcpy(pbMsg + 8, pbPayload, cbPayload);
    uint32_t cbSent = 0;
    int fSent = ptcpip->Send(pbMsg, cbMsg, &cbSent, tms);
    delete[] pbMsg;
    if (!fSent) {
        return FRecordErc(ercControlTransferFailed, FTimedOut() ? "NETC::FCtrlCmd timed out sending vendor request"
                                                                : "NETC::FCtrlCmd failed to send vendor request"),
               0;
    }
    if (cbSent != cbMsg)
        return FRecordf(ercControlTransferFailed, "NETC::FCtrlCmd sent %ld of %ld bytes of request", cbSent, cbMsg),
               0;
    uint8_t rgbHdr[5];
    uint32_t cb = 0;
    if (!ptcpip->Recv(rgbHdr, 5, &cb, tms)) {
        if (pfRecvFailed != nullptr)
            *pfRecvFailed = 1;
        return FRecordErc(ercControlTransferFailed, FTimedOut()
                                                        ? "NETC::FCtrlCmd timed out receiving status length and type"
                                                        : "NETC::FCtrlCmd failed to receive status length and type"),
               0;
    }
    if (cb < 5)
        return FRecordf(ercControlTransferFailed, "NETC::FCtrlCmd only received %ld bytes of length and type", cb), 0;
    uint32_t L = U32(rgbHdr);
    if (L == 0)
        return FRecordErc(ercControlTransferFailed, "NETC::FCtrlCmd message length does not include type"), 0;
    if (rgbHdr[4] != netmsgCsts)
        return FRecordf(ercControlTransferFailed, "NETC::FCtrlCmd received incorrect message type: %ld", rgbHdr[4]), 0;
    if (L > cbNetCstsMax + 1)
        return FRecordf(ercControlTransferFailed, "NETC::FCtrlCmd invalid csts message length: %ld", (long)L), 0;
    if (!ptcpip->Recv(pcsts, L - 1, &cb, tms)) {
        return FRecordErc(ercControlTransferFailed, FTimedOut() ? "NETC::FCtrlCmd timed out receiving csts"
                                                                : "NETC::FCtrlCmd failed to receive csts"),
               0;
    }
    if (cb != L - 1)
        return FRecordf(ercControlTransferFailed, "NETC::FCtrlCmd received %ld of %lu bytes of csts", cb, L - 1), 0;
    uint32_t m = L >= 3 ? (uint32_t)(pcsts[0] | (pcsts[1] << 8)) : 0;
    if (L < 3 || m < 1 || L != m + 3)
        return FRecordErc(ercControlTransferFailed, "NETC::FCtrlCmd received improperly formatted control status mesage"),
               0;
    return 1;
}

int NETC::FConnect(ABSTCPIP *ptcpip, const char *szHost, const char *szPort, const char *szAccount,
                   const char *szPassword, int fModifier, int fTls)
{
    uint32_t tmsConn = netset.tmsConn;
    int fSkipTls = fModifier ? !fTls : !netset.fCtlTls;
    size_t cchAccount = strlen(szAccount), cchPassword = strlen(szPassword);
    if (cchAccount > cchNetAccountMax || cchPassword > cchNetPasswordMax)
        return FRecordErc(ercInvalidParameter, "NETC::FConnect"), 0;
    uint8_t *pcsts = new (std::nothrow) uint8_t[cbNetCstsMax];
    if (pcsts == nullptr)
        return FRecordErc(ercInsufficientResources, "NETC::FConnect"), 0;
    int fOk = 0;
    for (;;) {
        uint32_t ipv4;
        uint16_t port;
        if (!FNetResolve(szHost, szPort, &ipv4, &port)) {
            FRecordErc(ercNameResolutionFailed, "NETC::FConnect getaddrinfo failed");
            break;
        }
        if (!ptcpip->Connect(ipv4, port, tmsConn)) {
            uint32_t erc = pabsutil->GetLastErc();
            if (erc == ercAbsHostUnreachable)
                FRecordErc(ercHostUnreachable, "NETC::FConnect host unreachable");
            else if (erc == ercAbsConnectTimeout)
                FRecordErc(ercConnectionTimeout, "NETC::FConnect timed out while connecting");
            else
                FRecordf(ercConnectionFailed, "NETC::FConnect unknown connection failure, erc = %ld", (long)erc);
            break;
        }
        int one = 1;
        if (!ptcpip->SetSockOpt(absIpprotoTcp, absTcpNodelay, &one, 4)) {
            FRecordErc(ercConnectionFailed, "NETC::FConnect failed to set TCP_NODELAY");
            ptcpip->Close();
            break;
        }
        if (!fSkipTls) {
            int fRecvFailed = 0;
            /* Asked for by the string, TLS is never given up for a plain
             * connection that would carry the password. */
            int fTlsRequired = fModifier && fTls;
            if (!FCtrlCmd(ptcpip, cmdEnableTLS, nullptr, 0, pcsts, &fRecvFailed, tmsConn)) {
                ptcpip->Close();
                if (fRecvFailed && !fTlsRequired) {
                    /* A device without TLS closed or kept silent: again, plain. */
                    fSkipTls = 1;
                    continue;
                }
                FRecordErc(ercConnectionFailed, "NETC::FConnect failed to send cmdEnableTLS info to server");
                break;
            }
            uint8_t scode = pcsts[2];
            if (scode == 0) {
                if (!ptcpip->StartTLS(tmsConn)) {
                    uint32_t erc = pabsutil->GetLastErc();
                    if (erc == ercAbsConnectTimeout)
                        FRecordErc(ercConnectionFailed, "NETC::FConnect timed out while establishing a TLS connection");
                    else
                        FRecordf(ercConnectionFailed, "NETC::FConnect unknown connection failure, erc = %ld", (long)erc);
                    ptcpip->Close();
                    break;
                }
            } else if (scode != 8 || fTlsRequired) {
                FRecordf(ercConnectionFailed, "NETC::FConnect received scode = %ld in response to cmdEnableTLS", scode);
                ptcpip->Close();
                break;
            }
        }
        uint16_t cbAuth = (uint16_t)(2 + cchAccount + cchPassword);
        uint8_t *pbAuth = new (std::nothrow) uint8_t[cbAuth];
        if (pbAuth == nullptr) {
            FRecordErc(ercConnectionFailed, "NETC::FConnect failed to allocate command buffer");
            ptcpip->Close();
            break;
        }
        pbAuth[0] = (uint8_t)cchAccount;
        pbAuth[1] = (uint8_t)cchPassword;
        memcpy(pbAuth + 2, szAccount, cchAccount);
        memcpy(pbAuth + 2 + cchAccount, szPassword, cchPassword);
        int fSent = FCtrlCmd(ptcpip, cmdAuthenticate, pbAuth, cbAuth, pcsts, nullptr, tmsConn);
        /* The password leaves no copy behind. */
        memset(pbAuth, 0, cbAuth);
        delete[] pbAuth;
        if (!fSent) {
            FRecordErc(ercConnectionFailed, "NETC::FConnect failed to send account info to server");
            ptcpip->Close();
            break;
        }
        if (pcsts[2] != 0) {
            FRecordErc(pcsts[2] == 4 ? ercAuthenticationFailed : ercConnectionFailed,
                       "NETC::FConnect account authentication failed");
            ptcpip->Close();
            break;
        }
        fOk = 1;
        break;
    }
    delete[] pcsts;
    return fOk;
}

int NETC::FVreq(ABSTCPIP *ptcpip, int fOut, uint8_t bRequest, uint16_t wValue, uint16_t wIndex, uint16_t wLength,
                uint8_t *pb, uint32_t *pcbDone, uint32_t tms)
{
    if (ptcpip == nullptr || pcbDone == nullptr || (pb == nullptr && wLength != 0))
        return FRecordErc(ercInvalidParameter, "NETC::FVreq NULL specified for one or more parameter"), 0;
    *pcbDone = 0;
    uint32_t cbData = fOut ? wLength : 0;
    uint32_t cbMsg = 13 + cbData;
    uint8_t *pbMsg = new (std::nothrow) uint8_t[cbMsg > (uint32_t)cbNetVstsMax ? cbMsg : (uint32_t)cbNetVstsMax];
    if (pbMsg == nullptr)
        return FRecordErc(ercInsufficientResources, "NETC::FVreq"), 0;
    PutU32(pbMsg, 9 + cbData);
    pbMsg[4] = netmsgVendorReq;
    pbMsg[5] = fOut ? 0x00 : 0x80;
    pbMsg[6] = bRequest;
    PutU16(pbMsg + 7, wValue);
    PutU16(pbMsg + 9, wIndex);
    PutU16(pbMsg + 11, wLength);
    if (cbData != 0)
        memcpy(pbMsg + 13, pb, cbData);
    int fOk = 0;
    uint32_t cb = 0;
    do {
        if (!ptcpip->Send(pbMsg, cbMsg, &cb, tms)) {
            FRecordErc(ercControlTransferFailed, FTimedOut() ? "NETC::FVreq timed out sending vendor request"
                                                             : "NETC::FVreq failed to send vendor request");
            break;
        }
        if (cb != cbMsg) {
            FRecordf(ercControlTransferFailed, "NETC::FVreq sent %ld of %ld bytes of request", cb, cbMsg);
            break;
        }
        uint8_t rgbLen[4];
        if (!ptcpip->Recv(rgbLen, 4, &cb, tms)) {
            FRecordErc(ercControlTransferFailed, FTimedOut() ? "NETC::FVreq timed out receiving vsts length"
                                                             : "NETC::FVreq failed to receive vsts length");
            break;
        }
        if (cb != 4) {
            FRecordErc(ercControlTransferFailed, "NETC::FVreq invalid vsts length");
            break;
        }
        uint32_t L = U32(rgbLen);
        /* Bounded by the receive buffer; an answer needs type, status and cb. */
        if (L < 4 || L > cbNetVstsMax) {
            FRecordErc(ercControlTransferFailed, "NETC::FVreq invalid vsts length");
            break;
        }
        if (!ptcpip->Recv(pbMsg, L, &cb, tms)) {
            FRecordErc(ercControlTransferFailed, FTimedOut() ? "NETC::FVreq timed out receiving vsts"
                                                             : "NETC::FVreq failed to receive vsts");
            break;
        }
        if (cb != L) {
            FRecordf(ercControlTransferFailed, "NETC::FVreq received %ld of %ld bytes of vsts", cb, L);
            break;
        }
        if (pbMsg[0] != netmsgVendorSts) {
            FRecordf(ercControlTransferFailed, "NETC::FVreq received message type %ld insead of VendorSts", pbMsg[0]);
            break;
        }
        if (pbMsg[1] != 0) {
            FRecordErc(ercControlTransferFailed, "NETC::FVreq vendor command failed");
            break;
        }
        if (fOut) {
            *pcbDone = wLength;
            fOk = 1;
            break;
        }
        uint32_t cbAns = pbMsg[2] | (pbMsg[3] << 8);
        *pcbDone = cbAns;
        /* The data are the bytes the message holds, never more. */
        uint32_t cbHeld = L - 4;
        if (cbAns <= wLength) {
            memcpy(pb, pbMsg + 4, cbAns <= cbHeld ? cbAns : cbHeld);
            if (cbAns > cbHeld) {
                *pcbDone = cbHeld;
                FRecordf(ercControlTransferFailed, "NETC::FVreq received %ld of %ld bytes of vsts", cbHeld, cbAns);
                break;
            }
            fOk = 1;
            break;
        }
        memcpy(pb, pbMsg + 4, wLength <= cbHeld ? wLength : cbHeld);
        FRecordf(ercInternalError, "NETC::FVreq received %ld bytes but requested %ld", cbAns, wLength);
    } while (0);
    delete[] pbMsg;
    return fOk;
}

int NETC::FSendVendReq(ABSTCPIP *ptcpip, uint8_t bRequest, const uint8_t *pb, uint16_t cb)
{
    return FSendVendReq(ptcpip, bRequest, 0, pb, cb);
}

int NETC::FSendVendReq(ABSTCPIP *ptcpip, uint8_t bRequest, uint16_t wValue, const uint8_t *pb, uint16_t cb)
{
    uint16_t wKey = (uint16_t)pabsutil->GetTickMs();
    if (wKey == 0)
        wKey = wKeyFixed;
    uint8_t rgbKey[2] = {(uint8_t)wKey, (uint8_t)(wKey >> 8)};
    uint8_t rgbClear[2] = {0, 0};
    uint32_t cbDone = 0;
    if (FVreq(ptcpip, 1, reqWriteKey, 0, 0, 2, rgbKey, &cbDone, tmsNetVendReq) && cbDone == 2 &&
        FVreq(ptcpip, 1, bRequest, wValue, wKey, cb, (uint8_t *)pb, &cbDone, tmsNetVendReq) && cbDone == cb &&
        FVreq(ptcpip, 1, reqWriteKey, 0, 0, 2, rgbClear, &cbDone, tmsNetVendReq) && cbDone == 2)
        return 1;
    FVreq(ptcpip, 1, reqWriteKey, 0, 0, 2, rgbClear, &cbDone, tmsNetVendReq);
    return FRecordErc(ercControlTransferFailed, "NETC:FSendVendReq"), 0;
}
