// stream.cpp - stream sink and source.

#include "stream.h"

namespace sim {

void STREAM::Write(const uint8_t *pb, size_t cb)
{
    size_t cbKeep = rgbSink.size() < cbSinkMax ? cbSinkMax - rgbSink.size() : 0;
    rgbSink.insert(rgbSink.end(), pb, pb + (cb < cbKeep ? cb : cbKeep));
    if (fLoopback) {
        qLoop.insert(qLoop.end(), pb, pb + cb);
        if (qLoop.size() > cbLoopMax)
            qLoop.erase(qLoop.begin(), qLoop.begin() + (qLoop.size() - cbLoopMax));
    }
}

size_t STREAM::Read(uint8_t *pb, size_t cb)
{
    if (!fLoopback) {
        for (size_t ib = 0; ib < cb; ib++)
            pb[ib] = bPattern++;
        return cb;
    }
    size_t cbRead = cb < qLoop.size() ? cb : qLoop.size();
    for (size_t ib = 0; ib < cbRead; ib++) {
        pb[ib] = qLoop.front();
        qLoop.pop_front();
    }
    return cbRead;
}

size_t STREAM::CbAvailable() const
{
    return fLoopback ? qLoop.size() : size_t(-1);
}

} // namespace sim
