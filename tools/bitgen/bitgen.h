/*
 * bitgen.h - configuration files for the parts of the device list, for
 * tests: .bit (keyed header, then the configuration data) and .bin (the
 * configuration data alone).
 *
 * The configuration data, laid out as the vendor's tools lay it out for the
 * family (cfgstrm.h: sync word, word size, CRC, automatic CRC words):
 * dummy words, sync, RCRC, frame length, COR (and COR2), IDCODE, MASK,
 * SWITCH or CTL, FAR, WCFG, the frame data through FDRI as a type-2 write
 * (with its automatic CRC words; on Spartan-3A an explicit CRC check),
 * GRESTORE, LFRM, no-ops, START, (MASK,) CTL, CRC check, DESYNC, no-ops.
 * The start-up clock is JTAG or CCLK, as asked. In 32-bit families the COR
 * value is the data's eighth word (one dummy word before the sync word), so
 * bit 0 of data byte 29 is COR bit 16 (JTAG start-up clock).
 *
 * Design tag: the frame data starts with the bytes "KVDT", the tag length
 * as a big-endian 32-bit number, the tag text and zero bytes up to a whole
 * 32-bit word; the rest of the frames is a pattern derived from the tag.
 */
#ifndef TOOLS_BITGEN_BITGEN_H
#define TOOLS_BITGEN_BITGEN_H

#include <stdint.h>
#include <string>
#include <vector>

enum {
    bgfamS3 = 0,      /* Spartan-3, Spartan-3E: 32-bit words */
    bgfamS3A = 1,     /* Spartan-3A, -3AN, -3A DSP: 16-bit words */
    bgfamS6 = 2,      /* Spartan-6: 16-bit words */
    bgfamNone = -1,
};

/* The packet family of an IDCODE (bits 27-21), or bgfamNone. */
int BgfamFromIdcode(uint32_t idcode);

struct BGSPEC {
    std::string strPart;        /* part text of the .bit header, without "xc" (e.g. "3s500efg320") */
    uint32_t idcode;            /* written to the IDCODE register */
    std::string strDesign;      /* design tag */
    bool fJtagClock;            /* start-up clock JTAG (else CCLK) */
    uint32_t cwordFrames;       /* frame data words; 0: the part's usual size */
    std::string strDate;
    std::string strTime;
};

/* Configuration data for the spec; false for a part of no known family. */
bool FBuildConfigData(const BGSPEC &bgspec, std::vector<uint8_t> *prgb);
/* The .bit file: header sections a (design), b (part), c (date), d (time), e (data). */
std::vector<uint8_t> BitFileFromData(const BGSPEC &bgspec, const std::vector<uint8_t> &rgbData);

extern const char szDesignTagMagic[];   /* "KVDT" */

#endif
