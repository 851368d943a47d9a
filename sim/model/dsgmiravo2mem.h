// dsgmiravo2mem.h - the Miravo2 memory design (" MEM.bit"): a bus bridge
// from eight 8-bit registers to the board's RAM and flash.
//
//   0  control: 0x15, 0x17, 0x1F in this order strobe the command byte of
//      register 4 into the flash at the address of registers 1-3; 0x16
//      opens the status window (register 5 shows the flash's data bus),
//      0x1F closes it; 0x3F starts a data stream at that address
//   1-3  address, bits 7-0, 15-8, 23-16 (plain stores)
//   4  flash command byte (plain store)
//   5  the flash's status while the window is open (bit 7 ready), else 0
//   6  RAM stream: each byte written or read moves the stream address on
//   7  flash stream: bytes pair into words at even addresses, the odd byte
//      programs the word (a lone low byte at the end is never programmed);
//      reads give the flash's data bus, so a stream read without the read
//      array command (0xFF) first gives status bytes
//
// The memories belong to the board (DESIGNENV): RAM "ram" of 16 MB and flash
// "flash" of 16 MB in 128 blocks of 128 KB, 16 bits wide, with the common
// parallel NOR command set (bpinor.h). The bridge waits for the flash before
// each word, so a word program costs no time here; an erase takes the
// flash's block erase time.
//
// Faults, from the board's options (DOPT):
//   flash.erasenotready  any value: the status window never shows ready
//   flash.erasezero A    an erase leaves byte A of every block at 0x00
//   flash.programflip A  the byte programmed at flash address A gets bit 0
//                        inverted
//   ram.stuck0 M, ram.stuck1 M   RAM bits of mask M stuck at 0 / 1 on writes
// The design log (DLOG) gets "erase ADDR" for every block erase started.

#ifndef KOR_SIM_DSGMIRAVO2MEM_H
#define KOR_SIM_DSGMIRAVO2MEM_H

#include "bpinor.h"
#include "simdesign.h"

#include <memory>

namespace sim {

class DSGMIRAVO2MEM : public SIMDESIGN {
public:
    explicit DSGMIRAVO2MEM(DESIGNENV &env);

    bool FPut(uint8_t reg, uint8_t b) override;
    bool FGet(uint8_t reg, uint8_t &b) override;

    static constexpr uint32_t cbMem = 0x1000000;
    static constexpr uint32_t cbBlock = 0x20000;

private:
    uint32_t AddrRegs() const { return (uint32_t(rgbAddr[2]) << 16 | uint32_t(rgbAddr[1]) << 8 | rgbAddr[0]) % cbMem; }
    void Control(uint8_t b);
    void FlashCommand();
    void FlashStreamPut(uint8_t b);
    uint8_t FlashStreamGet();

    SPARSEMEM &ram;
    FLASHARRAY &flash;
    BPINOR bpi;
    uint8_t rgbAddr[3] = {};
    uint8_t bCmd = 0;
    bool fEraseArmed = false;      // the last command strobed was the erase set-up
    int istrobe = 0;               // control words of the command strobe seen so far
    bool fWindow = false;          // status window open
    uint32_t addrStream = 0;
    int bLowPending = -1;          // the low byte of a word waiting for its high byte
    int64_t iwRead = -1;           // the word wRead holds
    uint16_t wRead = 0;
};

std::unique_ptr<SIMDESIGN> PdesignMiravo2Mem(DESIGNENV &env);

} // namespace sim

#endif
