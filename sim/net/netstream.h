// netstream.h - one TCP connection of a simulated network board, plain or
// TLS (server side), with blocking whole sends and receives.

#ifndef KOR_SIM_NETSTREAM_H
#define KOR_SIM_NETSTREAM_H

#include "tlssrv.h"

#include <cstddef>
#include <cstdint>

namespace sim {

class NETSTREAM {
public:
    explicit NETSTREAM(int sockIn) : sock(sockIn) {}
    ~NETSTREAM();
    NETSTREAM(const NETSTREAM &) = delete;
    NETSTREAM &operator=(const NETSTREAM &) = delete;

    // Server hand-shake; false when it fails (the connection is then unusable).
    bool FStartTls(TLSSRV *psrv);
    bool FSecure() const { return psess != nullptr; }
    // Some bytes (at most cb): the count, 0 when the peer closed, -1 on failure.
    long CbRead(void *pb, size_t cb);
    bool FReadAll(void *pb, size_t cb);
    bool FWriteAll(const void *pb, size_t cb);
    // Whether a read would find bytes without waiting on the socket.
    bool FPending() const;
    void Close();

    int sock;

private:
    TLSSESS *psess = nullptr;
};

} // namespace sim

#endif
