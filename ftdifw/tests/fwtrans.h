/*
 * fwtrans.h - one transaction of the runtime's DVT as the firmware library
 * tests send it: a command, its reply bytes, an optional data phase with its
 * completion command; plus little helpers for byte patterns.
 */
#ifndef FWTRANS_H
#define FWTRANS_H

#include <stdint.h>

#include <initializer_list>
#include <vector>

#include "voziri.h"

using BYTES = std::vector<uint8_t>;

struct TRANS {
    BYTES rgbCmd;               /* without the length byte */
    uint8_t cbRet = 0;
    const uint8_t *pbSnd = nullptr;
    uint32_t cbSnd = 0;
    uint8_t *pbRcv = nullptr;
    uint32_t cbRcv = 0;
    uint8_t cmdDone = 0;        /* completion command, 0: none */
    uint8_t rgbRet[64] = {};
    uint32_t cbOut = 0, cbIn = 0;
};

/* Starts the transaction on the handle's DVT. */
bool FStart(HIF hif, TRANS &tr);
/* Runs it: its error code (0 for success), counts in tr.cbOut/tr.cbIn. */
int ErcRun(HIF hif, TRANS &tr);

BYTES RgbLe(std::initializer_list<uint32_t> rgdw);
uint32_t DwAt(const uint8_t *pb);
BYTES RgbPattern(size_t cb, uint32_t seed);
inline bool FBitAt(const BYTES &rgb, size_t ibit) { return (rgb[ibit / 8] >> (ibit % 8)) & 1; }

#endif
