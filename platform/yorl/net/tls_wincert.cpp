/* tls_wincert.cpp - trusted certificates and the peer certificate check of
 * tls_schannel.cpp, with the platform's certificate functions. */
#include "tls_wincert.h"

#include <stdio.h>
#include <string.h>
#include <vector>

YBTLSROOTS::~YBTLSROOTS()
{
    if (hstore != NULL)
        CertCloseStore(hstore, 0);
}

namespace {
const char szBegin[] = "-----BEGIN CERTIFICATE-----";
const char szEnd[] = "-----END CERTIFICATE-----";

bool FReadFile(const std::string &szFile, std::string *psz)
{
    FILE *pf = fopen(szFile.c_str(), "rb");
    if (pf == NULL)
        return false;
    char rgb[4096];
    size_t c;
    while ((c = fread(rgb, 1, sizeof(rgb), pf)) > 0)
        psz->append(rgb, c);
    bool fOk = !ferror(pf);
    fclose(pf);
    return fOk;
}

bool FWithinValidity(PCCERT_CONTEXT pcert) { return CertVerifyTimeValidity(NULL, pcert->pCertInfo) == 0; }
} // namespace

bool FTlsLoadRoots(const std::string &szFile, YBTLSROOTS *proots)
{
    std::string sz;
    if (!FReadFile(szFile, &sz))
        return false;
    proots->hstore = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, NULL);
    if (proots->hstore == NULL)
        return false;
    int ccert = 0;
    for (size_t ib = sz.find(szBegin); ib != std::string::npos; ib = sz.find(szBegin, ib + 1)) {
        size_t ibEnd = sz.find(szEnd, ib);
        if (ibEnd == std::string::npos)
            break;
        DWORD cbBlock = (DWORD)(ibEnd + sizeof(szEnd) - 1 - ib);
        DWORD cbDer = 0;
        if (!CryptStringToBinaryA(sz.data() + ib, cbBlock, CRYPT_STRING_BASE64HEADER, NULL, &cbDer, NULL, NULL))
            continue;
        std::vector<BYTE> rgbDer(cbDer);
        if (!CryptStringToBinaryA(sz.data() + ib, cbBlock, CRYPT_STRING_BASE64HEADER, rgbDer.data(), &cbDer, NULL,
                                  NULL))
            continue;
        if (CertAddEncodedCertificateToStore(proots->hstore, X509_ASN_ENCODING, rgbDer.data(), cbDer,
                                             CERT_STORE_ADD_ALWAYS, NULL))
            ccert++;
    }
    return ccert > 0;
}

bool FTlsCertVerifies(PCCERT_CONTEXT pcert, const YBTLSROOTS &roots)
{
    if (pcert == NULL || roots.hstore == NULL || !FWithinValidity(pcert))
        return false;
    bool fOk = false;
    PCCERT_CONTEXT pcertRoot = NULL;
    while (!fOk && (pcertRoot = CertEnumCertificatesInStore(roots.hstore, pcertRoot)) != NULL) {
        /* A trusted certificate itself, or one it signed. */
        if (pcertRoot->cbCertEncoded == pcert->cbCertEncoded &&
            memcmp(pcertRoot->pbCertEncoded, pcert->pbCertEncoded, pcert->cbCertEncoded) == 0) {
            fOk = true;
        } else if (CertCompareCertificateName(X509_ASN_ENCODING, &pcert->pCertInfo->Issuer,
                                              &pcertRoot->pCertInfo->Subject) &&
                   FWithinValidity(pcertRoot)) {
            fOk = CryptVerifyCertificateSignatureEx(0, X509_ASN_ENCODING, CRYPT_VERIFY_CERT_SIGN_SUBJECT_CERT,
                                                    (void *)pcert, CRYPT_VERIFY_CERT_SIGN_ISSUER_CERT,
                                                    (void *)pcertRoot, 0, NULL) != FALSE;
        }
    }
    if (pcertRoot != NULL)
        CertFreeCertificateContext(pcertRoot);
    return fOk;
}
