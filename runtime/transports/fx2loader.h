/* fx2loader.h - the table of the embedded FX2 loader (fx2loader.cpp). */
#ifndef FX2LOADER_H
#define FX2LOADER_H

#include <stdint.h>

struct FX2LDREC {
    uint16_t cb;
    uint16_t addr;
    uint8_t fEnd;
    uint8_t rgb[16];
};

/* Ends with the record whose fEnd is set. */
extern const FX2LDREC rgfx2ldrec[];

#endif
