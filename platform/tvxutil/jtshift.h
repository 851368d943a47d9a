/*
 * jtshift.h - the JTAG protocol's shift transactions of one Tvxutil call.
 *
 * A long shift is cut into transactions of at most cclkChunkMax clocks. The
 * chunk size is a multiple of 8, so every transaction starts on a byte of the
 * caller's TDI, pair and TDO buffers and the device's bit order (bit k at bit
 * k mod 8 of byte k / 8, pairs four to a byte) needs no repacking.
 */
#ifndef KOR_JTSHIFT_H
#define KOR_JTSHIFT_H

#include <stdint.h>

#include "voziri.h"

namespace jtshift {

/* Shift commands of the JTAG protocol (port 0). */
enum JSH : uint8_t {
    jshTdi = 8,                 /* TDI bits, TMS held, TDO captured on request */
    jshTdo = 9,                 /* TMS and TDI held, TDO captured */
    jshPairs = 10,              /* TMS/TDI pairs, TDO captured on request */
};

enum : uint32_t {
    cclkChunkMax = 1u << 19,    /* clocks per transaction: 64 KB of TDI */
};

/* One Tvxutil shift. */
struct JSHIFT {
    JSH jsh;
    uint32_t cclk;
    const uint8_t *pbOut;       /* TDI bits or pairs; NULL for jshTdo */
    uint8_t *pbTdo;             /* NULL without capture */
    bool fTms;                  /* held TMS (jshTdi, jshTdo) */
    bool fTdi;                  /* held TDI (jshTdo) */
};

/* Host bytes that carry cclk clocks of jsh's out data. */
uint32_t CbOut(JSH jsh, uint32_t cclk);
/* Bytes of cclk captured TDO bits. */
inline uint32_t CbTdo(uint32_t cclk) { return uint32_t((uint64_t(cclk) + 7) / 8); }
/* Clocks of the transaction that starts at clock iclk. */
inline uint32_t CclkChunk(const JSHIFT &js, uint32_t iclk)
{
    uint32_t cclkLeft = js.cclk - iclk;
    return cclkLeft < cclkChunkMax ? cclkLeft : cclkChunkMax;
}
/*
 * The transaction of clocks iclk to iclk + cclk - 1 (iclk a multiple of
 * cclkChunkMax): command, data phase and completion command.
 */
void BuildChunk(const JSHIFT &js, uint32_t iclk, uint32_t cclk, TFP *ptfp);

} // namespace jtshift

#endif
