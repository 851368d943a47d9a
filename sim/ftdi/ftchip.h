// ftchip.h - a simulated FTDI high-speed chip (FT2232H, FT4232H, FT232H)
// on a board: its configuration EEPROM, the identity it reads from it at
// power-on, and its channels with their bit modes, MPSSE engines, FIFO
// wiring and the buffers towards the host.
//
// Every member is guarded by the bus lock (BUS::mtx), like the board.

#ifndef KOR_SIM_FTCHIP_H
#define KOR_SIM_FTCHIP_H

#include "ftcfg.h"
#include "mpsse.h"
#include "twowire.h"
#include "../model/board.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace sim {

class FTCHIP;

// Faults of the control channel's FTFAULT command.
struct FTFAULTS {
    unsigned cWriteFail = 0;        // the next N writes fail with an I/O error
    int64_t cbUnplugAfter = -1;     // the chip is unplugged once this many more bytes were written
    bool fMute = false;             // the chip takes writes but never answers
};

class FTCHAN : public MPSSEPORT {
public:
    FTCHAN(FTCHIP &chipIn, int ichanIn);

    // MPSSEPORT: the board's pins behind this channel.
    bool FClock(bool fTms, bool fTdi) override;
    bool FTdo() override;
    bool FInput(int ipin) override;

    void PowerOn();
    uint32_t SetBitMode(uint8_t mask, uint8_t mode);
    // Takes bytes written by the host (all of them).
    void Write(const uint8_t *pb, size_t cb);
    // Bytes the host can read now, and reading them.
    size_t CbReadable();
    size_t CbRead(uint8_t *pb, size_t cbMax);
    void Purge(uint32_t mask);
    void SetInput(int ipin, bool f);
    bool FFifo() const;
    std::string SzName() const;         // serial (+ letter)
    std::string SzDescription() const;
    uint32_t Locid() const;

    FTCHIP &chip;
    const int ichan;
    MPSSE mpsse;
    uint8_t bitmode = 0, mask = 0;
    int idConnOpen = 0;             // wire connection holding the exclusive open, 0 = none
    uint8_t latency = 16;
    uint32_t tmsReadTimeout = 0, tmsWriteTimeout = 0, cbUsbIn = 4096, cbUsbOut = 4096;
    uint32_t chars = 0, flow = 0;
    uint64_t cbWritten = 0, cbRead = 0, cwrite = 0, cread = 0;
    STREAM stream;                  // the FIFO design of this channel
    bool fFifoWired = false, fJtagWired = false;
    TWOWIRE twowire;                // when on, a two-wire target stands between the pins and the chain

private:
    void Settle();

    std::vector<uint8_t> rgbTx;         // readable by the host
    std::vector<uint8_t> rgbPending;    // made by the MPSSE, not yet sent
    std::chrono::steady_clock::time_point tPending;
    uint16_t wInputs = 0xFFFF;          // levels of undriven inputs
};

class FTCHIP {
public:
    static constexpr unsigned cwEeprom = 128;   // 93C56
    static constexpr unsigned ibStrings = 0x1A; // first byte of the string area
    static constexpr unsigned ibStringsEnd = 0xFE;

    FTCHIP(const FTDICFG &cfgIn, BOARD &bdIn, int slotIn);

    // Power-on (plug): identity from the EEPROM, channels reset and closed.
    void PowerOn();
    // Every open handle dies (unplug, port cycle).
    void DropHandles();
    bool FEepromValid() const;
    static uint16_t WChecksum(const std::vector<uint16_t> &rgw);
    void Resume();

    const FTDICFG cfg;
    BOARD &bd;
    const int slot;
    std::vector<uint16_t> rgwEe;        // non-volatile
    unsigned epoch = 1;                 // handles of an older epoch are dead
    FTFAULTS faults;

    // Identity read at power-on.
    uint16_t vid = 0x0403, pid = 0x6010;
    std::string szSerial, szDescription;
    uint16_t word0 = 0;
    std::vector<std::unique_ptr<FTCHAN>> rgpchan;

private:
    void BuildEeprom();
};

} // namespace sim

#endif
