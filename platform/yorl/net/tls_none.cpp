/* tls_none.cpp - ybnet.h's TLS where the build has no TLS library: every
 * hand-shake fails, so a connection that asks for TLS is never made. */
#include "ybnet.h"

ERC YbTlsConnect(YBSOCK, const std::string &, uint32_t, YBTLS **) { return ercAbsFailed; }
ERC YbTlsSend(YBTLS *, const void *, size_t, size_t *, int *) { return ercAbsFailed; }
ERC YbTlsRecv(YBTLS *, void *, size_t, size_t *, int *) { return ercAbsFailed; }
void YbTlsClose(YBTLS *) {}
