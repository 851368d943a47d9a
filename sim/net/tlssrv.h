/*
 * tlssrv.h - the server side of TLS for the simulated network boards and
 * the network tests (Linux, OpenSSL): a key and self-signed certificate
 * made at run time, and TLS sessions on blocking sockets.
 */
#ifndef TLSSRV_H
#define TLSSRV_H

#include <stddef.h>
#include <string>

/* Writes a new EC key and a self-signed certificate for szCn (PEM). */
bool FTlsMakeCert(const std::string &szKeyPath, const std::string &szCertPath, const char *szCn);

struct TLSSRV;
/* A server context with the key and certificate; NULL on failure. */
TLSSRV *PtlssrvNew(const std::string &szKeyPath, const std::string &szCertPath);
void TlssrvFree(TLSSRV *psrv);

struct TLSSESS;
/* Runs the server hand-shake on the connected socket fd; NULL when it
 * fails (the socket stays open and the caller's). */
TLSSESS *PtlsAccept(TLSSRV *psrv, int fd);
/* Up to cb bytes; 0 when the peer closed, -1 on failure. */
long CbTlsRead(TLSSESS *psess, void *pb, size_t cb);
bool FTlsWriteAll(TLSSESS *psess, const void *pb, size_t cb);
/* Bytes already decrypted and waiting to be read. */
size_t CbTlsPending(TLSSESS *psess);
/* Sends close-notify and frees the session; the socket stays open. */
void TlsEnd(TLSSESS *psess);

#endif
