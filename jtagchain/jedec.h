/*
 * jedec.h - JEDEC fuse files (JESD3) as the vendor's tools write them.
 *
 * Text before STX is passed over; from STX to ETX the file is fields, each a
 * letter and its text up to "*": QF (number of fuses), F (state of the
 * fuses no L field gives), N (notes: "N DEVICE <part>-<speed>-<package>"
 * names the part), L (a fuse number and the states of the following fuses,
 * over as many lines as they take), C (the fuse checksum). Four hexadecimal
 * digits after ETX are the transmission checksum, which line-end changes
 * alter: it is noted, not checked.
 */
#ifndef JTAGCHAIN_JEDEC_H
#define JTAGCHAIN_JEDEC_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

struct JEDEC {
    uint32_t cfuse = 0;                 /* QF */
    std::vector<uint8_t> rgfuse;        /* state of every fuse, 0 or 1 */
    std::string strDevice;              /* part of the DEVICE note, up to its first "-" */
    bool fTxChecksum = false;           /* a transmission checksum follows ETX */
    bool fTxChecksumOk = false;
};

enum : uint32_t { cfuseJedecMax = 1u << 22 };

/* Parse a JEDEC file's bytes. Refused: no STX, no QF, a field without "*",
 * an L field with a character other than 0, 1 or blanks, fuses beyond QF,
 * a fuse checksum that differs, a DEVICE note naming another part than
 * szDevice (when one is given). */
bool FParseJedec(const char *pch, size_t cch, const char *szDevice, JEDEC &jed, std::string *pstrErr);

#endif
