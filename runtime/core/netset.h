/*
 * netset.h - the network manager's settings that the public functions
 * write and read directly: connection and discovery time-outs and the two
 * TLS switches. Reset by the start-up; the network manager reads them when
 * it next connects or discovers.
 */
#ifndef NETSET_H
#define NETSET_H

#include <stdint.h>

#include <atomic>

struct NETSET {
    std::atomic<uint32_t> tmsConn{1000};
    std::atomic<uint32_t> tmsEnum{100};
    std::atomic<int> fCtlTls{1};
    std::atomic<int> fDataTls{1};

    void Reset()
    {
        tmsConn = 1000;
        tmsEnum = 100;
        fCtlTls = 1;
        fDataTls = 1;
    }
};

extern NETSET netset;

#endif /* NETSET_H */
