/*
 * ihex.h - Intel HEX files (.mcs) as PROM images.
 *
 * Records ":" count(2) address(4) type(2) data checksum(2), upper- or
 * lower-case digits, the byte sum of a record 0 modulo 256. Types: 00 data,
 * 01 end of file, 02 extended segment address (base = value x 16), 03 start
 * segment address, 04 extended linear address (upper 16 bits of the
 * address), 05 start linear address. The image holds addresses 0 to
 * cbHexImageMax - 1; bytes the file does not give read 0xFF (blank flash).
 */
#ifndef JTAGCHAIN_IHEX_H
#define JTAGCHAIN_IHEX_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

enum : uint32_t { cbHexImageMax = 4u << 20 };   /* the largest PROM: 32 Mbit */

enum {
    hexerrNone = 0,
    hexerrDigit = 1,        /* a character that is not a hexadecimal digit */
    hexerrRecord = 2,       /* malformed record, bad checksum, unknown type, address outside the image */
    hexerrOpen = 4,         /* the file cannot be opened */
};

struct HEXIMAGE {
    uint32_t err = hexerrNone;
    uint32_t line = 0;              /* line of the record refused */
    uint32_t ibLowest = 0xFFFFFFFFu;
    uint32_t ibEnd = 0;             /* highest address written + 1 */
    std::vector<uint8_t> rgb;       /* the image, addresses 0 to ibEnd - 1 */

    void Reset();
};

/* Read a HEX file's text into the image (after Reset); false with err set. */
bool FParseHexText(const char *pch, size_t cch, HEXIMAGE &img);
bool FReadHexFile(HEXIMAGE &img, const char *szPath);

#endif
