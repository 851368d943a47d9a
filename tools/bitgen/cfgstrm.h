/*
 * cfgstrm.h - configuration data in the packet format of the Xilinx
 * configuration user guides.
 *
 * Words leave most significant bit first and are stored big-endian. Two
 * word sizes:
 *  - 32-bit words (Spartan-3, Spartan-3E): type-1 header
 *    001 op(2) reg(14, address in bits 17-13) 00 count(11); type-2 header
 *    010 op(2) count(27).
 *  - 16-bit words (Spartan-3A, Spartan-6): type-1 header
 *    001 op(2) reg(6) count(5); type-2 header 010 op(2) reg(6) 00000
 *    followed by a 32-bit count in two words.
 * op 2 is a write. Every register write but those to CRC feeds the CRC:
 * CRC-16 with the polynomial x^16 + x^15 + x^2 + 1, over the data word then
 * the register address (5 bits for 32-bit words, 6 bits for 16-bit words),
 * least significant bit first; the command RCRC clears it. A write to the
 * CRC register carries the value to check and starts the CRC anew.
 */
#ifndef TOOLS_BITGEN_CFGSTRM_H
#define TOOLS_BITGEN_CFGSTRM_H

#include <stdint.h>
#include <vector>

class CFGSTRM {
public:
    explicit CFGSTRM(int cbitWord) : cbitWord(cbitWord), crc(0) {}
    int CbitWord() const { return cbitWord; }
    void Word(uint32_t w);
    /* Dummy words, then the sync word AA995566 (two words when 16-bit). */
    void Dummy(int cword);
    void Sync();
    void Noop(int cword);
    /* Type-1 write of the words to a register. */
    void Write(int reg, const std::vector<uint32_t> &rgw);
    void Write1(int reg, uint32_t w) { Write(reg, std::vector<uint32_t>{w}); }
    /* Type-1 write header with no words, type-2 header with the count, then the words. */
    void WriteLong(int reg, const std::vector<uint32_t> &rgw);
    /* Write the CRC register with the CRC so far. */
    void WriteCrc(int regCrc);
    void ResetCrc() { crc = 0; }
    uint16_t Crc() const { return crc; }
    const std::vector<uint8_t> &Bytes() const { return rgb; }
private:
    void Feed(int reg, uint32_t w);
    int cbitWord;
    uint16_t crc;
    std::vector<uint8_t> rgb;
};

uint16_t CrcUpdate(uint16_t crc, uint32_t w, int cbitWord, int reg, int cbitReg);

#endif
