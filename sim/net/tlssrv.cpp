/* tlssrv.cpp - tlssrv.h with OpenSSL. */
#include "tlssrv.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <stdio.h>

struct TLSSRV {
    SSL_CTX *pctx;
};

struct TLSSESS {
    SSL *pssl;
};

bool FTlsMakeCert(const std::string &szKeyPath, const std::string &szCertPath, const char *szCn)
{
    EVP_PKEY *pkey = EVP_EC_gen("P-256");
    X509 *px509 = X509_new();
    bool fOk = pkey != NULL && px509 != NULL;
    if (fOk) {
        ASN1_INTEGER_set(X509_get_serialNumber(px509), 1);
        X509_gmtime_adj(X509_getm_notBefore(px509), -3600);
        X509_gmtime_adj(X509_getm_notAfter(px509), 7L * 24 * 3600);
        X509_set_pubkey(px509, pkey);
        X509_NAME *pname = X509_get_subject_name(px509);
        X509_NAME_add_entry_by_txt(pname, "CN", MBSTRING_ASC, (const unsigned char *)szCn, -1, -1, 0);
        X509_set_issuer_name(px509, pname);
        fOk = X509_sign(px509, pkey, EVP_sha256()) > 0;
    }
    FILE *pfKey = fOk ? fopen(szKeyPath.c_str(), "wb") : NULL;
    FILE *pfCert = fOk ? fopen(szCertPath.c_str(), "wb") : NULL;
    fOk = pfKey != NULL && pfCert != NULL && PEM_write_PrivateKey(pfKey, pkey, NULL, NULL, 0, NULL, NULL) == 1 &&
          PEM_write_X509(pfCert, px509) == 1;
    if (pfKey != NULL)
        fOk = fclose(pfKey) == 0 && fOk;
    if (pfCert != NULL)
        fOk = fclose(pfCert) == 0 && fOk;
    X509_free(px509);
    EVP_PKEY_free(pkey);
    ERR_clear_error();
    return fOk;
}

TLSSRV *PtlssrvNew(const std::string &szKeyPath, const std::string &szCertPath)
{
    SSL_CTX *pctx = SSL_CTX_new(TLS_server_method());
    if (pctx == NULL)
        return NULL;
    if (SSL_CTX_use_certificate_file(pctx, szCertPath.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_use_PrivateKey_file(pctx, szKeyPath.c_str(), SSL_FILETYPE_PEM) != 1) {
        SSL_CTX_free(pctx);
        ERR_clear_error();
        return NULL;
    }
    return new TLSSRV{pctx};
}

void TlssrvFree(TLSSRV *psrv)
{
    if (psrv == NULL)
        return;
    SSL_CTX_free(psrv->pctx);
    delete psrv;
}

TLSSESS *PtlsAccept(TLSSRV *psrv, int fd)
{
    SSL *pssl = SSL_new(psrv->pctx);
    if (pssl == NULL || SSL_set_fd(pssl, fd) != 1 || SSL_accept(pssl) != 1) {
        if (pssl != NULL)
            SSL_free(pssl);
        ERR_clear_error();
        return NULL;
    }
    return new TLSSESS{pssl};
}

long CbTlsRead(TLSSESS *psess, void *pb, size_t cb)
{
    size_t c = 0;
    if (SSL_read_ex(psess->pssl, pb, cb, &c) == 1)
        return (long)c;
    int err = SSL_get_error(psess->pssl, 0);
    ERR_clear_error();
    return err == SSL_ERROR_ZERO_RETURN ? 0 : -1;
}

bool FTlsWriteAll(TLSSESS *psess, const void *pb, size_t cb)
{
    size_t c = 0;
    bool f = cb == 0 || SSL_write_ex(psess->pssl, pb, cb, &c) == 1;
    ERR_clear_error();
    return f;
}

size_t CbTlsPending(TLSSESS *psess) { return size_t(SSL_pending(psess->pssl)); }

void TlsEnd(TLSSESS *psess)
{
    if (psess == NULL)
        return;
    SSL_shutdown(psess->pssl);
    SSL_free(psess->pssl);
    ERR_clear_error();
    delete psess;
}
