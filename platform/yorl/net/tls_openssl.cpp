/* tls_openssl.cpp - ybnet.h's TLS client with OpenSSL. */
#include "ybnet.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

struct YBTLS {
    SSL_CTX *pctx;
    SSL *pssl;
};

namespace {
/* Result of an SSL call that did not succeed: what to wait for, or the
 * failure. */
ERC ErcSsl(SSL *pssl, int r, int *pev)
{
    switch (SSL_get_error(pssl, r)) {
    case SSL_ERROR_WANT_READ:
        *pev = ybpollRead;
        return ercYbAgain;
    case SSL_ERROR_WANT_WRITE:
        *pev = ybpollWrite;
        return ercYbAgain;
    default:
        ERR_clear_error();
        return ercAbsFailed;
    }
}

void TlsFree(YBTLS *ptls)
{
    if (ptls->pssl != NULL)
        SSL_free(ptls->pssl);
    if (ptls->pctx != NULL)
        SSL_CTX_free(ptls->pctx);
    delete ptls;
}
} // namespace

ERC YbTlsConnect(YBSOCK sock, const std::string &szCaFile, uint32_t tms, YBTLS **pptls)
{
    YBTLS *ptls = new (std::nothrow) YBTLS{NULL, NULL};
    if (ptls == NULL)
        return ercAbsOutOfMemory;
    ptls->pctx = SSL_CTX_new(TLS_client_method());
    if (ptls->pctx == NULL) {
        TlsFree(ptls);
        return ercAbsFailed;
    }
    SSL_CTX_set_min_proto_version(ptls->pctx, TLS1_2_VERSION);
    if (!szCaFile.empty()) {
        if (SSL_CTX_load_verify_locations(ptls->pctx, szCaFile.c_str(), NULL) != 1) {
            ERR_clear_error();
            TlsFree(ptls);
            return ercAbsNotFound;
        }
        SSL_CTX_set_verify(ptls->pctx, SSL_VERIFY_PEER, NULL);
    } else {
        SSL_CTX_set_verify(ptls->pctx, SSL_VERIFY_NONE, NULL);
    }
    ptls->pssl = SSL_new(ptls->pctx);
    if (ptls->pssl == NULL || SSL_set_fd(ptls->pssl, (int)sock) != 1) {
        ERR_clear_error();
        TlsFree(ptls);
        return ercAbsFailed;
    }
    uint64_t tickEnd = YbTickMs() + (tms == tmsInfinite ? (uint64_t)1 << 40 : tms);
    for (;;) {
        int r = SSL_connect(ptls->pssl);
        if (r == 1)
            break;
        int ev = 0;
        ERC erc = ErcSsl(ptls->pssl, r, &ev);
        if (erc != ercYbAgain) {
            if (!szCaFile.empty() && SSL_get_verify_result(ptls->pssl) != X509_V_OK)
                erc = ercAbsTlsVerify;
            TlsFree(ptls);
            return erc;
        }
        uint64_t tick = YbTickMs();
        int rev = 0;
        if (tick >= tickEnd || YbSockPoll(&sock, &ev, &rev, 1, (uint32_t)(tickEnd - tick)) == ercAbsTimeout) {
            TlsFree(ptls);
            return ercAbsConnectTimeout;
        }
    }
    *pptls = ptls;
    return 0;
}

ERC YbTlsSend(YBTLS *ptls, const void *pb, size_t cb, size_t *pcb, int *pev)
{
    size_t c = 0;
    int r = SSL_write_ex(ptls->pssl, pb, cb, &c);
    if (r == 1) {
        *pcb = c;
        return 0;
    }
    return ErcSsl(ptls->pssl, r, pev);
}

ERC YbTlsRecv(YBTLS *ptls, void *pb, size_t cb, size_t *pcb, int *pev)
{
    size_t c = 0;
    int r = SSL_read_ex(ptls->pssl, pb, cb, &c);
    if (r == 1) {
        *pcb = c;
        return 0;
    }
    return ErcSsl(ptls->pssl, r, pev);
}

void YbTlsClose(YBTLS *ptls)
{
    if (ptls == NULL)
        return;
    SSL_shutdown(ptls->pssl);
    ERR_clear_error();
    TlsFree(ptls);
}
