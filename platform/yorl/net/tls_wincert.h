/*
 * tls_wincert.h - the peer certificate check of the Windows TLS client:
 * trusted certificates from a PEM file, and whether a peer's certificate is
 * one of them or signed by one of them and within its validity.
 */
#ifndef TLS_WINCERT_H
#define TLS_WINCERT_H

#include <windows.h>
#include <wincrypt.h>

#include <string>

/* The trusted certificates; an in-memory store, closed with the object. */
class YBTLSROOTS {
public:
    YBTLSROOTS() = default;
    YBTLSROOTS(const YBTLSROOTS &) = delete;
    YBTLSROOTS &operator=(const YBTLSROOTS &) = delete;
    ~YBTLSROOTS();
    HCERTSTORE hstore = NULL;
};

/* False when the file cannot be read or holds no certificate. */
bool FTlsLoadRoots(const std::string &szFile, YBTLSROOTS *proots);
bool FTlsCertVerifies(PCCERT_CONTEXT pcert, const YBTLSROOTS &roots);

#endif /* TLS_WINCERT_H */
