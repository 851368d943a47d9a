// netstream.cpp - NETSTREAM.

#include "netstream.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

NETSTREAM::~NETSTREAM() { Close(); }

bool NETSTREAM::FStartTls(TLSSRV *psrv)
{
    if (psrv == nullptr || psess != nullptr)
        return false;
    psess = PtlsAccept(psrv, sock);
    return psess != nullptr;
}

long NETSTREAM::CbRead(void *pb, size_t cb)
{
    if (psess != nullptr)
        return CbTlsRead(psess, pb, cb);
    ssize_t c;
    do {
        c = recv(sock, pb, cb, 0);
    } while (c < 0 && errno == EINTR);
    return long(c);
}

bool NETSTREAM::FReadAll(void *pb, size_t cb)
{
    auto *pch = static_cast<uint8_t *>(pb);
    while (cb > 0) {
        long c = CbRead(pch, cb);
        if (c <= 0)
            return false;
        pch += c;
        cb -= size_t(c);
    }
    return true;
}

bool NETSTREAM::FWriteAll(const void *pb, size_t cb)
{
    if (psess != nullptr)
        return FTlsWriteAll(psess, pb, cb);
    auto *pch = static_cast<const uint8_t *>(pb);
    while (cb > 0) {
        ssize_t c = send(sock, pch, cb, MSG_NOSIGNAL);
        if (c < 0 && errno == EINTR)
            continue;
        if (c <= 0)
            return false;
        pch += c;
        cb -= size_t(c);
    }
    return true;
}

bool NETSTREAM::FPending() const { return psess != nullptr && CbTlsPending(psess) > 0; }

void NETSTREAM::Close()
{
    if (psess != nullptr) {
        TlsEnd(psess);
        psess = nullptr;
    }
    if (sock >= 0) {
        close(sock);
        sock = -1;
    }
}

} // namespace sim
