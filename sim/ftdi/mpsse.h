// mpsse.h - the Multi-Protocol Synchronous Serial Engine of an FTDI
// high-speed channel, as FTDI publishes its command set.
//
// The engine takes the bytes the host writes in MPSSE mode, runs every
// complete command and keeps an incomplete one (or one that waits on a pin)
// until more bytes arrive. Answers go to the channel's transmit buffer.
//
// Pins of the low byte (ADBUS) in JTAG use: bit 0 TCK, bit 1 TDI (data out),
// bit 2 TDO (data in), bit 3 TMS, bit 5 GPIOL1 (the pin the wait and
// clock-until commands watch). A pin drives the board only while its
// direction bit is 1; an undriven TCK gives no clock, an undriven TDI or TMS
// reads as 1 on the board (pulled up).
//
// Clock data commands (bit 7 clear): bit 0 writes on the falling edge, bit 1
// counts bits instead of bytes, bit 2 reads on the falling edge, bit 3 sends
// LSB first, bit 4 writes TDI, bit 5 reads TDO, bit 6 writes TMS (0x4A/0x4B,
// with read 0x6A/0x6B/0x6E/0x6F: up to 7 bits, bit 7 of the byte held on TDI).
// Lengths are one less than the count: bytes u16, bits u8. A read in bit
// mode shifts into the answer byte from the LSB side when MSB first (the
// bits end at the bottom) and from the MSB side when LSB first (they end at
// the top). A bit read on the rising edge is the TDO level before that
// clock; on the falling edge, after it.
//
// Other commands: 0x80/0x82 set low/high byte (value, direction), 0x81/0x83
// read them, 0x84/0x85 loopback on/off (TDO reads TDI), 0x86 clock divisor
// (u16), 0x87 send immediate, 0x88/0x89 wait until GPIOL1 high/low, 0x8A/0x8B
// divide-by-5 off/on, 0x8C/0x8D three-phase clocking on/off, 0x8E clock 1-8
// bits without data, 0x8F clock (n+1)*8 bits without data, 0x94/0x95 clock
// until GPIOL1 high/low, 0x96/0x97 adaptive clocking on/off, 0x9C/0x9D clock
// (n+1)*8 bits or until GPIOL1 high/low, 0x9E drive-zero mask (u16). Any
// other byte is a bad command: the engine answers 0xFA and that byte and goes
// on with the next.
//
// TCK = 60 MHz / ((1 + divisor) * 2), or 12 MHz / ... with divide-by-5.

#ifndef KOR_SIM_MPSSE_H
#define KOR_SIM_MPSSE_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

// What the engine's pins are connected to.
class MPSSEPORT {
public:
    virtual ~MPSSEPORT() = default;
    // One TCK period with these TMS and TDI levels; TDO after the falling edge.
    virtual bool FClock(bool fTms, bool fTdi) = 0;
    // TDO level now.
    virtual bool FTdo() = 0;
    // Level of an input pin of the low (0-7) or high (8-15) byte that nothing
    // on the board drives.
    virtual bool FInput(int ipin) = 0;
};

class MPSSE {
public:
    explicit MPSSE(MPSSEPORT *pportIn) : pport(pportIn) {}

    // Power-on / mode entry: pins inputs, loopback off, divisor 0 with
    // divide-by-5 on, nothing pending.
    void Reset();
    // Takes written bytes; answers are appended to rgbOut. fImmediate is set
    // when a send immediate ran.
    void Write(const uint8_t *pb, size_t cb, std::vector<uint8_t> &rgbOut, bool &fImmediate);
    // Runs what waits on a pin again (after the pin changed).
    void Resume(std::vector<uint8_t> &rgbOut, bool &fImmediate);
    // Bytes kept for an incomplete or waiting command (purge drops them).
    void DropPending() { rgbIn.clear(); }
    size_t CbPending() const { return rgbIn.size(); }
    bool FWaiting() const { return fWaiting; }

    uint8_t BLow() const { return bLowVal; }
    uint8_t BLowDir() const { return bLowDir; }
    uint8_t BHigh() const { return bHighVal; }
    uint8_t BHighDir() const { return bHighDir; }
    uint32_t FreqTck() const;
    uint64_t Cclk() const { return cclk; }
    uint64_t Ccmd() const { return ccmd; }
    uint64_t CbadCmd() const { return cbad; }
    bool FLoopback() const { return fLoopback; }
    // Sum over every clock so far of its period (nanoseconds): the time the
    // wire needed.
    uint64_t TnsWire() const { return tnsWire; }

private:
    // Runs the command at pb (cb bytes available); returns the bytes it
    // used, 0 when it is incomplete or waits on a pin.
    size_t CbRun(const uint8_t *pb, size_t cb, std::vector<uint8_t> &rgbOut, bool &fImmediate);
    size_t CbShift(const uint8_t *pb, size_t cb, std::vector<uint8_t> &rgbOut);
    bool FBit(bool fTms, bool fTdi, bool fReadFalling);
    void ClockIdle(uint64_t cbit);
    uint8_t BReadLow();
    uint8_t BReadHigh();
    bool FGpiol1();
    void SetLow(uint8_t bVal, uint8_t bDir);
    bool FPinOut(int ibit, bool fDefault) const;

    MPSSEPORT *pport;
    std::vector<uint8_t> rgbIn;
    bool fWaiting = false;
    uint8_t bLowVal = 0, bLowDir = 0, bHighVal = 0, bHighDir = 0;
    uint16_t divisor = 0;
    bool fDiv5 = true, fThreePhase = false, fAdaptive = false, fLoopback = false;
    uint64_t cclk = 0, ccmd = 0, cbad = 0, tnsWire = 0;
};

} // namespace sim

#endif
