/*
 * ftsock.h - the stand-in's one TCP connection per handle to the simulator
 * (loopback), ftsock_posix.cpp and ftsock_win32.cpp.
 */
#ifndef FTD2XX_FTSOCK_H
#define FTD2XX_FTSOCK_H

#include <stddef.h>
#include <stdint.h>

#include <string>

typedef intptr_t FTSOCK;
const FTSOCK ftsockNil = -1;

/* Connects to "a.b.c.d:port"; ftsockNil on failure. */
FTSOCK FtsockConnect(const std::string &szAddr);
bool FFtsockSend(FTSOCK sock, const void *pv, size_t cb);
bool FFtsockRecv(FTSOCK sock, void *pv, size_t cb);
void FtsockClose(FTSOCK sock);
/* Parses "a.b.c.d:port" (portable). */
bool FFtsockParseAddr(const std::string &szAddr, std::string *pszHost, uint16_t *pport);

#endif
