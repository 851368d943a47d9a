/*
 * cr2gen.h - CoolRunner-II map files and JEDEC files of our own.
 *
 * The map of a part places every JEDEC fuse, the security, done and user
 * cells and the spare cells in the part's array (one line per cell of a
 * row, one tab-separated column per row), from the public geometry: rows,
 * cells per row, address bits. Which fuse goes to which cell is our own
 * (a fixed shuffle), so the maps are not a part's real fuse layout but
 * describe arrays of the right size.
 *
 * Array cells: a row's cell k is the k-th bit shifted into the ISC data
 * register (line L - k of the map). The done cells are in row K - 1, the
 * security cells 8 to 14 and the user cells 20 to 51 of row K; cells 0 and
 * L of every row (and the two middle cells of the larger parts) are fixed.
 */
#ifndef TOOLS_CR2GEN_H
#define TOOLS_CR2GEN_H

#include <stdint.h>

#include <string>
#include <vector>

struct CR2PART {
    const char *szName;
    unsigned crow;
    unsigned cbitRow;
    unsigned cbitAddr;
    unsigned ibitDone;      /* done cell 1 (programmed) in row K - 1; done cell 0 is the next one */
    unsigned cfuse;         /* JEDEC fuses (QF) */
};

/* The parts of the device list; null for another name. */
const CR2PART *PpartCr2(const std::string &strName);
const std::vector<CR2PART> &RgpartCr2();

/* Text of the part's map file. */
std::string StrCr2Map(const CR2PART &part);

/* What a map places where: for each row and cell, the fuse number, or -1
 * for a cell that is no fuse (its class in rgkind). */
enum CR2CELL { cr2Fuse, cr2Spare, cr2Sec, cr2Done, cr2User, cr2Fixed };
struct CR2LAYOUT {
    std::vector<std::vector<int>> rgrgifuse;      /* [row][cell] */
    std::vector<std::vector<CR2CELL>> rgrgkind;
    std::vector<std::vector<int>> rgrgn;          /* number of sec/done/user cells */
};
CR2LAYOUT LayoutCr2(const CR2PART &part);

/* The cells of a row once a design of these fuses is programmed: spare and
 * user cells 1, fixed cells cleared (but in the done row), done cell 1
 * programmed, the security cells by pattern ipattern (0 to 3, 0 leaves them). */
std::vector<uint8_t> RowProgrammed(const CR2PART &part, const CR2LAYOUT &lay, const std::vector<uint8_t> &rgfuse,
                                   unsigned irow, int ipattern);

/* Fuse states of a design for tests (a fixed sequence of the seed, about four in five set). */
std::vector<uint8_t> RgfuseOfSeed(size_t cfuse, uint32_t seed);

/* A JEDEC file as the vendor's tools write it: header text before STX,
 * QF, QP, F0, N DEVICE, L fields of 16 fuses (a longer last field may wrap
 * over lines), the fuse checksum C, ETX and the transmission checksum. */
std::string StrJedec(const std::string &strDevice, const std::vector<uint8_t> &rgfuse, bool fCrlf);

#endif
