// Flash image files for the flash and memory views: an image is up to
// sixteen runs of bytes, each with the memory address where it belongs. A
// programming file is an Intel HEX file (".mcs"), a Xilinx configuration
// file (".bit") or raw binary (any other name); a data file for "Write" is
// always raw. Boards differ in the HEX limit, the x16 pair exchange of HEX
// data, what happens to .bit data, and (Corvale) the BPI DOWN mirroring.
// Portable: the readers work on the file's bytes, no device, no window.
#ifndef FLASHIMG_H
#define FLASHIMG_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

enum { csegFlashMax = 16, cchBitField = 260 };

struct FLASHSEG {
    uint32_t addr;       // memory byte address of the run's first byte
    uint32_t cb;         // bytes in the run
    const uint8_t *pb;   // the run's first byte inside the image's data
};

struct FLASHIMG {
    std::vector<uint8_t> rgbData;    // the image's bytes
    int32_t cseg = 0;
    FLASHSEG rgseg[csegFlashMax] = {};
};

struct BITHDR {
    uint16_t cbHdr = 0;
    uint8_t rgbHdr[cchBitField] = {};
    uint16_t wAfterHdr = 0;          // kept, not used
    char szDesign[cchBitField + 1] = "";   // sections "a" to "d", always terminated
    char szPart[cchBitField + 1] = "";
    char szDate[cchBitField + 1] = "";
    char szTime[cchBitField + 1] = "";
    uint32_t cbData = 0;             // section "e"
    std::vector<uint8_t> rgbData;
};

// A board's reading rules.
struct FLASHRULES {
    uint32_t cbHexLimit;   // HEX data may not reach this many bytes
    bool fX16;             // HEX data: the bytes of each pair exchanged
    bool fBitReverse;      // .bit data: every byte bit-reversed ...
    bool fBitPairSwap;     // ... then the bytes of each pair exchanged
};

// Corvale (parallel flash, x16 option), Pentra (SPI flash), Miravo3 (target
// 0 SPI flash, 1 BPI flash, 2 RAM).
FLASHRULES RulesCorvale(bool fX16);
FLASHRULES RulesPentra();
FLASHRULES RulesMiravo3(int tgt);

// Intel HEX text: the number of data bytes stored (0 on failure). Refused
// besides the format's own failures: a record whose data would reach the
// limit, more than 16 separate runs, a non-hexadecimal field, and with x16
// a record of an odd byte count (its last byte would have no partner).
uint32_t CbReadMcs(const uint8_t *pb, size_t cb, const FLASHRULES &rules, FLASHIMG *pimg);

// Xilinx .bit: true when section "e" was read with a non-zero length (its
// data transformed by the board's rule). A section longer than the file
// holds is refused before anything is allocated.
bool FReadBit(const uint8_t *pb, size_t cb, const FLASHRULES &rules, BITHDR *phdr);

// Big-endian reads at *pib, advancing it; false when the bytes are not there.
bool FReadWordBe(const uint8_t *pb, size_t cb, size_t *pib, uint16_t *pw);
bool FReadDwordBe(const uint8_t *pb, size_t cb, size_t *pib, uint32_t *pdw);

// Every byte of a file (the raw reader); false when it cannot be read.
bool FReadRawFile(const std::string &szPath, std::vector<uint8_t> *prgb);

// A programming file into an image, the reader chosen by the name's last four
// characters (".mcs", ".bit", case-sensitive; anything else raw). A .bit or raw
// file gives one run at address 0. phdr (may be null) receives the .bit header.
bool FLoadProgramFile(const std::string &szPath, const FLASHRULES &rules, FLASHIMG *pimg, BITHDR *phdr);
// A data file for "Write": one raw run at addr, unchanged.
bool FLoadDataFile(const std::string &szPath, uint32_t addr, FLASHIMG *pimg);

// Corvale's BPI DOWN mirroring over a 32 MB flash: each run moves to
// 0x2000000 - addr - cb with its 16-bit words in reverse order. False (the
// image unchanged) when a run does not lie inside the flash.
bool FMirrorBpiDown(FLASHIMG *pimg);

// Bit k of b to bit 7 - k.
uint8_t BReverse(uint8_t b);

#endif
