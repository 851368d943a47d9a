/*
 * cfgstrm.h - configuration data in the packet format of the Xilinx
 * configuration user guides, written the way the vendor's tools write it.
 *
 * Words leave most significant bit first and are stored big-endian. Two
 * word sizes:
 *  - 32-bit words (Spartan-3, Spartan-3E): type-1 header
 *    001 op(2) reg(14, address in bits 17-13) 00 count(11); type-2 header
 *    010 op(2) count(27).
 *  - 16-bit words (Spartan-3A, Spartan-6): type-1 header
 *    001 op(2) reg(6) count(5); type-2 header 010 op(2) reg(6) 00000
 *    followed by a 32-bit count in two words.
 * op 2 is a write. The sync word is AA995566 (one 32-bit word, or two
 * 16-bit words on Spartan-6); Spartan-3A files synchronise on the 16-bit
 * AA99 alone.
 *
 * Every register write but those to CRC feeds the CRC; the command RCRC
 * clears it:
 *  - 32-bit words: CRC-16 (x^16 + x^15 + x^2 + 1) in its reflected form
 *    (0xA001, shifting right) over the 32 data bits, then the 5 address
 *    bits, least significant bit first. It starts anew after every check.
 *  - 16-bit words: a 22-bit register that shifts left once per written word
 *    (bit 21 feeds back into the taps 0x009081) and takes the word with its
 *    6-bit address above the 16 data bits; checks leave it running. Written
 *    as two words, bits 21-16 first.
 * After each block of frame data (an FDRI write of one word or more) the
 * family's automatic CRC words follow: one on Spartan-3/3E, two on Spartan-6,
 * none on Spartan-3A.
 */
#ifndef TOOLS_BITGEN_CFGSTRM_H
#define TOOLS_BITGEN_CFGSTRM_H

#include <stdint.h>
#include <vector>

/* The packet format of a family. */
struct CFGFMT {
    int cbitWord;       /* 32 or 16 */
    int cbitSync;       /* 32, or 16 (AA99 alone) */
    int cwordAutoCrc;   /* automatic CRC words after a block of frame data */
    int regCrc;
    int regFdri;
    int regCmd;
};

enum { cmdRcrcStrm = 7 };

class CFGSTRM {
public:
    explicit CFGSTRM(const CFGFMT &fmt) : fmt(fmt), crc(0) {}
    int CbitWord() const { return fmt.cbitWord; }
    void Word(uint32_t w);
    /* Dummy words (all ones), the sync word, no-ops. */
    void Dummy(int cword);
    void Sync();
    void Noop(int cword);
    /* Type-1 write of the words to a register (of none: the header alone). */
    void Write(int reg, const std::vector<uint32_t> &rgw);
    void Write1(int reg, uint32_t w) { Write(reg, std::vector<uint32_t>{w}); }
    /* Type-2 write: 32-bit words after a type-1 header with no words;
     * 16-bit words with the register in the header and the count after it. */
    void WriteLong(int reg, const std::vector<uint32_t> &rgw);
    /* A write of the CRC register with the CRC so far. */
    void WriteCrc();
    uint32_t Crc() const { return crc; }
    const std::vector<uint8_t> &Bytes() const { return rgb; }
private:
    void Data(int reg, const std::vector<uint32_t> &rgw);
    void Check();
    CFGFMT fmt;
    uint32_t crc;
    std::vector<uint8_t> rgb;
};

/* The CRC after one more register write (cfgstrm.h's two forms). */
uint32_t CrcNext(uint32_t crc, int cbitWord, int reg, uint32_t w);

#endif
