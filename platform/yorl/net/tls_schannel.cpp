/*
 * tls_schannel.cpp - ybnet.h's TLS client over the Windows platform's own
 * TLS (SSPI, the Schannel package), on a non-blocking socket.
 *
 * Records are taken from the socket into rgbIn, decrypted in place and kept
 * in rgbPlain until the caller takes them; a record to send is encrypted
 * into rgbOut and reported as sent only once it has left whole, so the
 * caller repeats a send that had to wait with the same bytes, as with any
 * other TLS library. The peer's certificate is checked by tls_wincert.cpp,
 * and only when a CA file is given.
 */
#include "ybnet.h"
#include "tls_wincert.h"

#define SECURITY_WIN32
#include <windows.h>
#include <security.h>
#include <schannel.h>

#include <new>
#include <string.h>
#include <vector>

struct YBTLS {
    YBSOCK sock = ybsockNil;
    CredHandle hcred = {};
    CtxtHandle hctx = {};
    bool fCred = false;
    bool fCtx = false;
    SecPkgContext_StreamSizes sizes = {};
    std::vector<char> rgbIn; /* received, not yet decrypted */
    size_t cbIn = 0;
    std::vector<char> rgbPlain; /* decrypted, not yet taken */
    size_t ibPlain = 0, cbPlain = 0;
    std::vector<char> rgbOut; /* one encrypted record on its way */
    size_t ibOut = 0, cbOut = 0;
    size_t cbOutPlain = 0; /* the caller's bytes that record carries */
    bool fClosed = false;
};

namespace {
const size_t cbInMax = 16384 + 2048 + 5; /* a whole record and its overhead */
const unsigned long grfIsc = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                             ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_MANUAL_CRED_VALIDATION;

void TlsFree(YBTLS *ptls)
{
    if (ptls->fCtx)
        DeleteSecurityContext(&ptls->hctx);
    if (ptls->fCred)
        FreeCredentialsHandle(&ptls->hcred);
    delete ptls;
}

/* Sends all of pb before tickEnd: 0, 38 on time-out, 1 when the peer is gone. */
ERC ErcSendAll(YBSOCK sock, const char *pb, size_t cb, uint64_t tickEnd)
{
    while (cb > 0) {
        size_t c = 0;
        ERC erc = YbSockSend(sock, pb, cb, &c);
        if (erc == 0) {
            pb += c;
            cb -= c;
            continue;
        }
        if (erc != ercYbAgain)
            return erc;
        uint64_t tick = YbTickMs();
        int ev = ybpollWrite, rev = 0;
        if (tick >= tickEnd || YbSockPoll(&sock, &ev, &rev, 1, (uint32_t)(tickEnd - tick)) == ercAbsTimeout)
            return ercAbsConnectTimeout;
    }
    return 0;
}

/* Sends a token the package made and gives its memory back. */
ERC ErcSendToken(YBSOCK sock, SecBuffer *pbuf, uint64_t tickEnd)
{
    ERC erc = 0;
    if (pbuf->pvBuffer != NULL) {
        erc = ErcSendAll(sock, (const char *)pbuf->pvBuffer, pbuf->cbBuffer, tickEnd);
        FreeContextBuffer(pbuf->pvBuffer);
        pbuf->pvBuffer = NULL;
    }
    return erc;
}

/* Keeps the unused tail (cbExtra bytes) of rgbIn at its front. */
void KeepExtra(YBTLS *ptls, size_t cbExtra)
{
    if (cbExtra > ptls->cbIn)
        cbExtra = 0;
    memmove(ptls->rgbIn.data(), ptls->rgbIn.data() + ptls->cbIn - cbExtra, cbExtra);
    ptls->cbIn = cbExtra;
}

/* Reads what the socket has into rgbIn: 0, ercYbAgain, or 1 (closed). */
ERC ErcFill(YBTLS *ptls)
{
    if (ptls->cbIn == ptls->rgbIn.size())
        return ercAbsFailed; /* a record longer than any TLS allows */
    size_t c = 0;
    ERC erc = YbSockRecv(ptls->sock, ptls->rgbIn.data() + ptls->cbIn, ptls->rgbIn.size() - ptls->cbIn, &c);
    if (erc == 0) {
        if (c == 0)
            return ercAbsFailed;
        ptls->cbIn += c;
    }
    return erc;
}

ERC ErcHandshake(YBTLS *ptls, uint64_t tickEnd)
{
    SecBuffer bufOut = {0, SECBUFFER_TOKEN, NULL};
    SecBufferDesc descOut = {SECBUFFER_VERSION, 1, &bufOut};
    unsigned long grfAttr = 0;
    SECURITY_STATUS ss = InitializeSecurityContextW(&ptls->hcred, NULL, NULL, grfIsc, 0, 0, NULL, 0, &ptls->hctx,
                                                    &descOut, &grfAttr, NULL);
    if (ss != SEC_I_CONTINUE_NEEDED) {
        if (bufOut.pvBuffer != NULL)
            FreeContextBuffer(bufOut.pvBuffer);
        return ercAbsFailed;
    }
    ptls->fCtx = true;
    ERC erc = ErcSendToken(ptls->sock, &bufOut, tickEnd);
    if (erc != 0)
        return erc;
    for (;;) {
        if (ptls->cbIn == 0)
            ss = SEC_E_INCOMPLETE_MESSAGE;
        else {
            SecBuffer rgbufIn[2] = {{(unsigned long)ptls->cbIn, SECBUFFER_TOKEN, ptls->rgbIn.data()},
                                    {0, SECBUFFER_EMPTY, NULL}};
            SecBufferDesc descIn = {SECBUFFER_VERSION, 2, rgbufIn};
            bufOut = {0, SECBUFFER_TOKEN, NULL};
            ss = InitializeSecurityContextW(&ptls->hcred, &ptls->hctx, NULL, grfIsc, 0, 0, &descIn, 0, NULL,
                                            &descOut, &grfAttr, NULL);
            if (ss == SEC_E_OK || ss == SEC_I_CONTINUE_NEEDED || FAILED(ss)) {
                /* A failure's alert goes out too, as far as it can. */
                erc = ErcSendToken(ptls->sock, &bufOut, FAILED(ss) ? YbTickMs() : tickEnd);
                if (FAILED(ss) && ss != SEC_E_INCOMPLETE_MESSAGE)
                    return ercAbsFailed;
                if (erc != 0)
                    return erc;
            }
            if (ss == SEC_E_OK || ss == SEC_I_CONTINUE_NEEDED)
                KeepExtra(ptls, rgbufIn[1].BufferType == SECBUFFER_EXTRA ? rgbufIn[1].cbBuffer : 0);
            if (ss == SEC_E_OK)
                return 0;
            if (ss != SEC_I_CONTINUE_NEEDED && ss != SEC_E_INCOMPLETE_MESSAGE)
                return ercAbsFailed; /* a client certificate asked for, or else */
            if (ss == SEC_I_CONTINUE_NEEDED && ptls->cbIn > 0)
                continue;
        }
        erc = ErcFill(ptls);
        if (erc == 0)
            continue;
        if (erc != ercYbAgain)
            return erc;
        uint64_t tick = YbTickMs();
        int ev = ybpollRead, rev = 0;
        if (tick >= tickEnd || YbSockPoll(&ptls->sock, &ev, &rev, 1, (uint32_t)(tickEnd - tick)) == ercAbsTimeout)
            return ercAbsConnectTimeout;
    }
}

/* Sends what is left of rgbOut: 0 when all of it is gone. */
ERC ErcFlush(YBTLS *ptls, int *pev)
{
    while (ptls->ibOut < ptls->cbOut) {
        size_t c = 0;
        ERC erc = YbSockSend(ptls->sock, ptls->rgbOut.data() + ptls->ibOut, ptls->cbOut - ptls->ibOut, &c);
        if (erc == ercYbAgain)
            *pev = ybpollWrite;
        if (erc != 0)
            return erc;
        ptls->ibOut += c;
    }
    return 0;
}

/* Decrypts one record of rgbIn into rgbPlain: 0 (rgbPlain may still be
 * empty), ercYbAgain when the record is not whole, 1 on close or failure. */
ERC ErcDecrypt(YBTLS *ptls)
{
    SecBuffer rgbuf[4] = {{(unsigned long)ptls->cbIn, SECBUFFER_DATA, ptls->rgbIn.data()},
                          {0, SECBUFFER_EMPTY, NULL},
                          {0, SECBUFFER_EMPTY, NULL},
                          {0, SECBUFFER_EMPTY, NULL}};
    SecBufferDesc desc = {SECBUFFER_VERSION, 4, rgbuf};
    SECURITY_STATUS ss = DecryptMessage(&ptls->hctx, &desc, 0, NULL);
    if (ss == SEC_E_INCOMPLETE_MESSAGE)
        return ercYbAgain;
    if (ss != SEC_E_OK) {
        /* The peer's close_notify, a renegotiation we do not take part in,
         * or a damaged record: the connection is over. */
        ptls->fClosed = true;
        return ercAbsFailed;
    }
    size_t cbExtra = 0;
    for (SecBuffer &buf : rgbuf) {
        if (buf.BufferType == SECBUFFER_DATA && buf.cbBuffer > 0) {
            if (ptls->rgbPlain.size() < buf.cbBuffer)
                ptls->rgbPlain.resize(buf.cbBuffer);
            memcpy(ptls->rgbPlain.data(), buf.pvBuffer, buf.cbBuffer);
            ptls->ibPlain = 0;
            ptls->cbPlain = buf.cbBuffer;
        } else if (buf.BufferType == SECBUFFER_EXTRA) {
            cbExtra = buf.cbBuffer;
        }
    }
    KeepExtra(ptls, cbExtra);
    return 0;
}
} // namespace

ERC YbTlsConnect(YBSOCK sock, const std::string &szCaFile, uint32_t tms, YBTLS **pptls)
{
    uint64_t tickEnd = YbTickMs() + (tms == tmsInfinite ? (uint64_t)1 << 40 : tms);
    YBTLSROOTS roots;
    if (!szCaFile.empty() && !FTlsLoadRoots(szCaFile, &roots))
        return ercAbsNotFound;
    YBTLS *ptls = new (std::nothrow) YBTLS;
    if (ptls == NULL)
        return ercAbsOutOfMemory;
    ptls->sock = sock;
    ptls->rgbIn.resize(cbInMax);
    SCHANNEL_CRED cred = {};
    cred.dwVersion = SCHANNEL_CRED_VERSION;
    cred.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    cred.dwFlags = SCH_CRED_NO_DEFAULT_CREDS | SCH_CRED_MANUAL_CRED_VALIDATION;
    TimeStamp ts;
    if (AcquireCredentialsHandleW(NULL, const_cast<wchar_t *>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, NULL, &cred,
                                  NULL, NULL, &ptls->hcred, &ts) != SEC_E_OK) {
        TlsFree(ptls);
        return ercAbsFailed;
    }
    ptls->fCred = true;
    ERC erc = ErcHandshake(ptls, tickEnd);
    if (erc == 0 && !szCaFile.empty()) {
        PCCERT_CONTEXT pcert = NULL;
        if (QueryContextAttributesW(&ptls->hctx, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &pcert) != SEC_E_OK ||
            !FTlsCertVerifies(pcert, roots))
            erc = ercAbsTlsVerify;
        if (pcert != NULL)
            CertFreeCertificateContext(pcert);
    }
    if (erc == 0 && QueryContextAttributesW(&ptls->hctx, SECPKG_ATTR_STREAM_SIZES, &ptls->sizes) != SEC_E_OK)
        erc = ercAbsFailed;
    if (erc != 0) {
        TlsFree(ptls);
        return erc == ercAbsConnectTimeout || erc == ercAbsTlsVerify ? erc : ercAbsFailed;
    }
    ptls->rgbOut.resize(ptls->sizes.cbHeader + ptls->sizes.cbMaximumMessage + ptls->sizes.cbTrailer);
    *pptls = ptls;
    return 0;
}

ERC YbTlsSend(YBTLS *ptls, const void *pb, size_t cb, size_t *pcb, int *pev)
{
    /* A record still on its way carries the bytes of the send that had to
     * wait; a caller that now offers fewer has given that send up, and the
     * stream can no longer be kept whole. */
    if (ptls->cbOut != 0 && cb < ptls->cbOutPlain)
        return ercAbsFailed;
    if (ptls->cbOut == 0) {
        if (cb == 0) {
            *pcb = 0;
            return 0;
        }
        size_t c = cb < ptls->sizes.cbMaximumMessage ? cb : ptls->sizes.cbMaximumMessage;
        char *pbOut = ptls->rgbOut.data();
        memcpy(pbOut + ptls->sizes.cbHeader, pb, c);
        SecBuffer rgbuf[4] = {{ptls->sizes.cbHeader, SECBUFFER_STREAM_HEADER, pbOut},
                              {(unsigned long)c, SECBUFFER_DATA, pbOut + ptls->sizes.cbHeader},
                              {ptls->sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, pbOut + ptls->sizes.cbHeader + c},
                              {0, SECBUFFER_EMPTY, NULL}};
        SecBufferDesc desc = {SECBUFFER_VERSION, 4, rgbuf};
        if (EncryptMessage(&ptls->hctx, 0, &desc, 0) != SEC_E_OK)
            return ercAbsFailed;
        ptls->ibOut = 0;
        ptls->cbOut = rgbuf[0].cbBuffer + rgbuf[1].cbBuffer + rgbuf[2].cbBuffer;
        ptls->cbOutPlain = c;
    }
    ERC erc = ErcFlush(ptls, pev);
    if (erc != 0)
        return erc;
    *pcb = ptls->cbOutPlain;
    ptls->cbOut = ptls->ibOut = ptls->cbOutPlain = 0;
    return 0;
}

ERC YbTlsRecv(YBTLS *ptls, void *pb, size_t cb, size_t *pcb, int *pev)
{
    for (;;) {
        if (ptls->cbPlain > 0) {
            size_t c = cb < ptls->cbPlain ? cb : ptls->cbPlain;
            memcpy(pb, ptls->rgbPlain.data() + ptls->ibPlain, c);
            ptls->ibPlain += c;
            ptls->cbPlain -= c;
            *pcb = c;
            return 0;
        }
        if (ptls->fClosed)
            return ercAbsFailed;
        ERC erc = ptls->cbIn > 0 ? ErcDecrypt(ptls) : ercYbAgain;
        if (erc == 0)
            continue;
        if (erc != ercYbAgain)
            return erc;
        erc = ErcFill(ptls);
        if (erc == ercYbAgain)
            *pev = ybpollRead;
        if (erc != 0) {
            if (erc != ercYbAgain)
                ptls->fClosed = true;
            return erc;
        }
    }
}

void YbTlsClose(YBTLS *ptls)
{
    if (ptls == NULL)
        return;
    /* A close_notify, as far as the socket takes it at once. */
    DWORD dwShut = SCHANNEL_SHUTDOWN;
    SecBuffer bufShut = {sizeof(dwShut), SECBUFFER_TOKEN, &dwShut};
    SecBufferDesc descShut = {SECBUFFER_VERSION, 1, &bufShut};
    if (!ptls->fClosed && ApplyControlToken(&ptls->hctx, &descShut) == SEC_E_OK) {
        SecBuffer bufOut = {0, SECBUFFER_TOKEN, NULL};
        SecBufferDesc descOut = {SECBUFFER_VERSION, 1, &bufOut};
        unsigned long grfAttr = 0;
        InitializeSecurityContextW(&ptls->hcred, &ptls->hctx, NULL, grfIsc, 0, 0, NULL, 0, NULL, &descOut, &grfAttr,
                                   NULL);
        ErcSendToken(ptls->sock, &bufOut, YbTickMs());
    }
    TlsFree(ptls);
}
