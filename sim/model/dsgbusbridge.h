// dsgbusbridge.h - the test design of the boards whose RAM and flash hang on
// a memory bus the FPGA bridges to the register port ("miravo2-test",
// "miravo-test"), and the test design of the boards that only show their
// switches and buttons ("tullen").
//
// Bus bridge registers:
//   0      control word: 0xF9 then 0xFB writes register 4 into the RAM at
//          the latched address, 0xFA reads the RAM into register 5, 0xFF
//          ends a RAM cycle; 0x35 then 0x37 strobes register 4 into the
//          flash as a command word, 0x36 reads the flash (its status after a
//          command) into register 5, 0x3F ends a flash cycle
//   1-3    address, bits 7-0, 15-8, 23-16 (a write restarts the word port)
//   4      byte driven onto the bus          5  byte read from the bus
//   7      flash word port: two writes program a word (first byte low),
//          two reads return the word at the address
//   8      bit 0 set once the design is ready (option "readyms" after it
//          starts, default 300 ms, scaled)
//   14     flash size code (option "flashcode"; the flash holds 2^code
//          bytes when the design first makes it, 24 at most)
//   0x80   buttons in bits 4-7 (option "buttons")
//   0x82   switches (option "switches")
// Memories: "ram" (16 MB) and "flash" (x16 NOR, 128 KB blocks, the common
// 0x20/0xD0 command set); bus addresses beyond the flash wrap.
// Faults (options): "fault.noready" 1 (register 8 stays 0), "fault.ramstuck"
// mask of RAM data bits that read 0, "fault.ramalias" an address bit the RAM
// ignores, "fault.flashstuck" mask of bits a flash word program leaves set
// (low and high byte), "fault.erasehang" 1 (an erase never ends).
// "tullen" has only registers 0x80 and 0x82.

#ifndef KOR_SIM_DSGBUSBRIDGE_H
#define KOR_SIM_DSGBUSBRIDGE_H

#include "bpinor.h"
#include "simdesign.h"

#include <memory>

namespace sim {

class DSGBUSBRIDGE : public SIMDESIGN {
public:
    DSGBUSBRIDGE(DESIGNENV &env, uint32_t codeDefault);

    bool FPut(uint8_t reg, uint8_t b) override;
    bool FGet(uint8_t reg, uint8_t &b) override;

    static std::unique_ptr<SIMDESIGN> PdesignMiravo2(DESIGNENV &env);
    static std::unique_ptr<SIMDESIGN> PdesignMiravo(DESIGNENV &env);

private:
    uint32_t Addr() const { return uint32_t(rgbAddr[0] | rgbAddr[1] << 8 | rgbAddr[2] << 16); }
    uint32_t IwFlash() const { return (Addr() % cbFlash) / 2; }
    void Control(uint8_t b);
    void RamWrite();
    uint8_t BRamRead();
    bool FFlashBusy();

    uint8_t rgbAddr[3] = {};
    uint8_t bOut = 0, bIn = 0, bCtlLast = 0xFF;
    uint8_t bWordLow = 0;
    int iWordWrite = 0, iWordRead = 0;
    uint16_t wRead = 0;
    uint32_t codeFlash;
    uint32_t cbFlash;
    uint64_t usReady;
    FLASHARRAY &flash;
    BPINOR nor;
};

class DSGSWITCHES : public SIMDESIGN {
public:
    explicit DSGSWITCHES(DESIGNENV &env) : SIMDESIGN(env) {}
    bool FPut(uint8_t reg, uint8_t b) override;
    bool FGet(uint8_t reg, uint8_t &b) override;

    static std::unique_ptr<SIMDESIGN> Pdesign(DESIGNENV &env) { return std::make_unique<DSGSWITCHES>(env); }
};

// Switches (0x82) and buttons (bits 4-7 of 0x80) of the boards' options.
bool FGetSwitchesButtons(const DESIGNENV &env, uint8_t reg, uint8_t &b);

} // namespace sim

#endif
