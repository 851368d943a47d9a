/*
 * ftee.h - the configuration EEPROM of FTDI's high-speed parts as FTDI
 * documents it (93C56, 128 words): identity words, the three string
 * descriptors, the user area after them, the checksum in the last word.
 */
#ifndef FTD2XX_FTEE_H
#define FTD2XX_FTEE_H

#include "ftd2xx.h"

#include <stdint.h>

#include <string>
#include <vector>

class FTEE {
public:
    static const unsigned cw = 128;
    static const unsigned ibStrings = 0x1A;     /* first byte of the string area */
    static const unsigned ibEnd = 0xFE;         /* the checksum word follows */

    std::vector<uint16_t> rgw;

    bool FValid() const;
    void SetChecksum();
    uint8_t B(unsigned ib) const { return uint8_t(ib & 1 ? rgw[ib / 2] >> 8 : rgw[ib / 2]); }
    void SetB(unsigned ib, uint8_t b);
    /* String whose pointer pair is at ibPtr (0x0E manufacturer, 0x10 product, 0x12 serial). */
    std::string SzString(unsigned ibPtr) const;
    /* Start and size of the user area. */
    unsigned IbUa() const;
    unsigned CbUa() const { return ibEnd - IbUa(); }
    /* Rewrites the three strings, keeping the user area's bytes as far as
     * they fit; false when the strings do not fit. */
    bool FSetStrings(const std::string &szMfr, const std::string &szDesc, const std::string &szSerial);
    /* Program data of the given record version from the image and back. */
    void ToProgramData(FT_PROGRAM_DATA *pdata) const;
    bool FFromProgramData(const FT_PROGRAM_DATA *pdata);
};

#endif
