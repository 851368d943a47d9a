// Number texts of the register pages: reading a text in any of the formats
// below and writing a value in one of them.
//
// Format codes: 0 eight binary digits without prefix, 1 decimal, 2 "0x"
// hexadecimal, 3 "0b" binary, 4 signed decimal (read only), -1 invalid.
// Binary and hexadecimal treat the value as an unsigned 32-bit number; only
// the decimal text is signed.
#ifndef ORRIN_NUMFMT_H
#define ORRIN_NUMFMT_H

#include "ortypes.h"

enum {
    nfmtInvalid = -1,
    nfmtBin8 = 0,
    nfmtDec = 1,
    nfmtHex = 2,
    nfmtBin = 3,
    nfmtSigned = 4,
};

enum { cchNumTextMin = 34 };   // room FSzFromVal needs: 32 digits, terminator and slack

// Format code of a text.
int NfmtFromSz(const char *sz);
// Value of a text; -1 for an invalid text (and for some valid ones).
int ValFromSz(const char *sz);
// Value of a text; *pfValid FALSE (value -1) when the text is invalid.
int ValFromSzChecked(const char *sz, BOOL *pfValid);
// Text of val in format nfmt (0 to 3) into sz (cchNumTextMin characters);
// another code leaves sz unchanged. Always TRUE.
BOOL FSzFromVal(int val, int nfmt, char *sz);

#endif
