/*
 * cr2map.h - CoolRunner-II map files: where each JEDEC fuse and each
 * security, done, user and spare cell sits in the device's array.
 *
 * A map is text: one line per cell position of a row (line l), one
 * tab-separated column per row (address). A cell holds a fuse number
 * ("123", "_123" or "<123>"), "sec<n>", "done<n>", "user<n>" (the word
 * "user" alone is a label), "spare" or nothing (a spare cell); a cell that
 * begins with a space toggles the user column, whose numbers are user cells.
 * Row buffers hold line l of a row at bit L - l, so that shifting a row
 * least significant bit first sends line L first.
 */
#ifndef JTAGCHAIN_CR2MAP_H
#define JTAGCHAIN_CR2MAP_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <unordered_map>
#include <vector>

/* Key classes (bits 24 to 31 of a key; bits 0 to 23 the number). */
enum {
    mapcFuse = 0,
    mapcSpare = 1,
    mapcSec = 2,
    mapcDone = 3,
    mapcUser = 4,
};
inline uint32_t KeyMap(uint32_t mapc, uint32_t n) { return (mapc << 24) | (n & 0xFFFFFF); }

class CPLDMAP {
public:
    /* Read a map file whole; false when it is missing or malformed. */
    bool FLoad(const std::string &strPath);
    /* Parse a map's text (the reader behind FLoad; the fuzz target's entry). */
    bool FParse(const char *pch, size_t cch);
    /* Line and column of a key; false when the map has no such cell. */
    bool FFind(uint32_t key, uint32_t *pline, uint32_t *pcol) const;

    uint32_t lineLast = 0;      /* L */
    uint32_t colLast = 0;       /* K */
    uint32_t cFuse = 0, cSpare = 0, cSec = 0, cDone = 0, cUser = 0;
    std::vector<uint32_t> rgkeySpare, rgkeyUser;

private:
    bool FAdd(uint32_t key, uint32_t line, uint32_t col);
    std::unordered_map<uint32_t, uint64_t> mpkeycell;
};

/* The folder of a device's map file: "%XILINX%/xbr/data/" for "XC2C..." names
 * when XILINX is set, else "<data dir>xbr/"; empty for other names. */
std::string StrCpldMapDir(const char *szName, const char *szDataDir);

#endif
