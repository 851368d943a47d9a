// stream.h - the design's stream sink and source.
//
// The sink keeps what the host sent (bounded). The source either loops the
// sink back (bytes sent become bytes to receive, in order; at most
// cbLoopMax are kept) or produces a counting pattern 00 01 02 ... from a
// configurable start.

#ifndef KOR_SIM_STREAM_H
#define KOR_SIM_STREAM_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace sim {

class STREAM {
public:
    static constexpr size_t cbSinkMax = 4 << 20;
    static constexpr size_t cbLoopMax = 64 << 20;   // oldest loopback bytes drop beyond this

    void Write(const uint8_t *pb, size_t cb);
    // Up to cb bytes into pb; returns the number produced.
    size_t Read(uint8_t *pb, size_t cb);
    size_t CbAvailable() const;

    bool fLoopback = true;
    uint8_t bPattern = 0;           // next pattern byte
    std::vector<uint8_t> rgbSink;   // everything received, up to cbSinkMax
    std::deque<uint8_t> qLoop;      // loopback bytes not yet read back
};

} // namespace sim

#endif
