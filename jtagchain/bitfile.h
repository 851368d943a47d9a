/*
 * bitfile.h - configuration images read from .bit and .bin files.
 *
 * .bit layout (numbers big-endian):
 *   u16 header length, header bytes, u16 second word,
 *   then sections: key byte, length, bytes.
 *   Keys 'a' (design name), 'b' (part name), 'c' (date), 'd' (time) have a
 *   u16 length and carry texts (NUL-terminated as the vendor's tools write
 *   them; a text of length 0 or without a NUL is taken as it is); 'e' has a u32 length, is the
 *   configuration data and is the last section read.
 * A .bin file is the configuration data alone.
 */
#ifndef JTAGCHAIN_BITFILE_H
#define JTAGCHAIN_BITFILE_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

enum { csectBitText = 4 };   /* sections 'a' to 'd' */

struct BITFILE {
    uint16_t cbHeader;
    uint8_t *pbHeader;
    uint16_t wSecond;
    uint16_t rgcbSect[csectBitText];   /* section lengths as in the file */
    char *rgszSect[csectBitText];      /* section bytes as stored, with a NUL added after them */
    uint32_t cbData;
    uint8_t *pbData;
};

/* A new empty image (no blocks), null when out of memory. */
BITFILE *PbitfileNew();
/* Release an image and its blocks; null is allowed. */
void ReleaseBitfile(BITFILE *pbitfile);

/* Parse a whole .bit file image into an empty BITFILE. False for a length
 * that runs past the end of the bytes, no (or an empty) 'e' section, or no
 * memory. Sections with
 * other keys are passed over with their bytes. */
bool FParseBitImage(const uint8_t *pb, size_t cb, BITFILE *pbitfile);
/* Make a .bin image: the bytes are the configuration data; false when empty. */
bool FParseBinImage(const uint8_t *pb, size_t cb, BITFILE *pbitfile);

/* Read an open file from its start into an empty BITFILE. */
bool FReadBitFile(FILE *pf, BITFILE *pbitfile);
bool FReadBinFile(FILE *pf, BITFILE *pbitfile);

/* The part name (section 'b'), null when the file has none. */
const char *SzBitPart(const BITFILE *pbitfile);

#endif /* JTAGCHAIN_BITFILE_H */
