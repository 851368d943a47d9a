/*
 * ftlink.h - one connection of the FTDI wire (sim/wire/ftdiwire.h): a
 * request and its answer at a time.
 */
#ifndef FTD2XX_FTLINK_H
#define FTD2XX_FTLINK_H

#include "ftsock.h"

#include <stdint.h>

#include <string>
#include <vector>

class FTLINK {
public:
    FTLINK() = default;
    ~FTLINK() { FtsockClose(sock); }
    FTLINK(const FTLINK &) = delete;
    FTLINK &operator=(const FTLINK &) = delete;

    /* Connects to the simulator named by KOR_SIM; false without one. */
    bool FConnect();
    /* Sends a request and receives its answer's payload; false when the
     * connection broke (the link is then dead). */
    bool FRequest(uint8_t type, const std::vector<uint8_t> &rgbPayload, std::vector<uint8_t> *prgbAnswer);
    /* A request whose answer starts with a status: that status, or
     * FT_IO_ERROR when the link broke. */
    uint32_t StsRequest(uint8_t type, const std::vector<uint8_t> &rgbPayload, std::vector<uint8_t> *prgbAnswer = NULL);
    /* The channel named by rgbWhich (as an open names it) is held by a
     * connection of a process of this system that has ended: the simulator
     * is told, and closes that process's connections. */
    bool FHolderEnded(const std::vector<uint8_t> &rgbWhich);

private:
    FTSOCK sock = ftsockNil;
    uint32_t tagNext = 1;
};

/* Payload builder and reader, little-endian. */
class FTBYTES {
public:
    FTBYTES &U8(uint8_t b) { rgb.push_back(b); return *this; }
    FTBYTES &U16(uint16_t w) { U8(uint8_t(w)); return U8(uint8_t(w >> 8)); }
    FTBYTES &U32(uint32_t dw) { U16(uint16_t(dw)); return U16(uint16_t(dw >> 16)); }
    FTBYTES &Text(const std::string &sz) { U16(uint16_t(sz.size())); rgb.insert(rgb.end(), sz.begin(), sz.end()); return *this; }
    std::vector<uint8_t> rgb;
};

class FTREADER {
public:
    explicit FTREADER(const std::vector<uint8_t> &rgbIn) : rgb(rgbIn) {}
    uint8_t U8() { return FHave(1) ? rgb[ib++] : 0; }
    uint16_t U16() { uint16_t w = U8(); return uint16_t(w | (U8() << 8)); }
    uint32_t U32() { uint32_t dw = U16(); return dw | (uint32_t(U16()) << 16); }
    std::string Text()
    {
        uint16_t cch = U16();
        if (!FHave(cch))
            return std::string();
        std::string sz(rgb.begin() + ib, rgb.begin() + ib + cch);
        ib += cch;
        return sz;
    }
    const uint8_t *Pb(size_t cb) { const uint8_t *pb = FHave(cb) ? rgb.data() + ib : NULL; ib += pb ? cb : 0; return pb; }
    bool FOk() const { return fOk; }

private:
    bool FHave(size_t cb) { if (ib + cb > rgb.size()) fOk = false; return fOk; }
    const std::vector<uint8_t> &rgb;
    size_t ib = 0;
    bool fOk = true;
};

#endif
