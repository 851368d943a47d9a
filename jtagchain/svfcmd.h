/*
 * svfcmd.h - the statements of a Serial Vector Format file, as the parser
 * gives them to the player.
 *
 * Bit vectors hold one value per byte array, least significant bit of each
 * byte first: bit 0 of a vector is the first bit shifted (the rightmost
 * hexadecimal digit of the file's value holds bits 0 to 3).
 */
#ifndef JTAGCHAIN_SVFCMD_H
#define JTAGCHAIN_SVFCMD_H

#include <stdint.h>

#include <string>
#include <vector>

#include "tap.h"

/* Statement kinds. */
enum SVFK {
    svfkEndDr,
    svfkEndIr,
    svfkHdr,
    svfkHir,
    svfkTdr,
    svfkTir,
    svfkSdr,
    svfkSir,
    svfkRunTest,
    svfkState,
    svfkTrst,
    svfkFrequency,
};

/* The longest scan the player takes (bits); longer ones are refused. */
enum : uint32_t { cbitSvfScanMax = 1u << 26 };

/* A scan's values as the statement leaves them: what it gives, and what the
 * player keeps from the previous scan of the same kind and length. */
struct SVFSCAN {
    uint32_t cbit = 0;
    std::vector<uint8_t> tdi, tdo, mask, smask;   /* empty: not given */
};

struct SVFCMD {
    SVFK svfk;
    int line = 0;                   /* line of the file the statement starts on */
    SVFSCAN scan;                   /* HDR ... SIR */
    int tapst = tapstNone;          /* ENDDR, ENDIR; RUNTEST run state (tapstNone: as before) */
    int tapstEnd = tapstNone;       /* RUNTEST end state (tapstNone: the run state) */
    uint64_t cclk = 0;              /* RUNTEST clock count (TCK or SCK) */
    double secMin = 0;              /* RUNTEST minimum time */
    double hz = 0;                  /* FREQUENCY (0: none) */
    std::vector<int> rgtapst;       /* STATE path and stable state */
};

/* Parse an SVF text (CR, LF or CRLF line ends; "!" and "//" comments to
 * the end of the line; values that wrap across lines). An unknown
 * statement, a malformed one or text after the last ";" fails with the
 * line and a reason. */
bool FParseSvfText(const char *pch, size_t cch, std::vector<SVFCMD> &rgcmd, int *pline, std::string *pstrErr);

/* Name of a TAP state as SVF writes it; tapstNone for an unknown one. */
int TapstFromSvfName(const char *sz);

#endif /* JTAGCHAIN_SVFCMD_H */
