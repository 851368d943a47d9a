// bus.h - the simulated USB bus: devices, host connections, claims and the
// transfers in flight.
//
// Locking: one mutex (BUS::mtx) guards every board, firmware and transfer.
// Wire connections, the control channel and the timer thread take it for
// each request; functions ending in L expect the caller to hold it. Answers
// and completions are queued on the connection (CONN::Send) and written by
// the connection's own writer thread, so no socket I/O happens under the
// lock and a slow host never stalls the other connections.

#ifndef KOR_SIM_BUS_H
#define KOR_SIM_BUS_H

#include "../fw/fw.h"
#include "../model/board.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace sim {

struct DEVICE;
class FTCHIP;
class FTSESSION;

// One host connection of the wire: one host-side device object.
class CONN {
public:
    CONN(int sockIn, int idIn);
    ~CONN();
    // Queues one frame for the writer thread.
    void Send(std::vector<uint8_t> rgbFrame);
    void StopWriter();

    const int sock;
    const int id;

    // Guarded by BUS::mtx
    struct XFER {
        bool fPending = false;
        uint32_t tag = 0;
        uint32_t cb = 0;
        uint32_t cbDone = 0;
        uint64_t idTimer = 0;
        std::vector<uint8_t> rgb;
    };
    DEVICE *pdev = nullptr;
    bool fGone = false;         // the device it was open on left the bus
    uint8_t rgbOwner[13] = {};  // owner record (usbwire.h); kind 0: not told
    XFER rgxfer[4];

private:
    void WriterThread();

    std::mutex mtxOut;
    std::condition_variable cvOut;
    std::deque<std::vector<uint8_t>> qOut;
    bool fStop = false;
    std::thread thWriter;
};

struct DEVICE {
    DEVICE(const BOARDCFG &cfg, int slotIn);
    ~DEVICE();
    std::string SzPath() const;
    bool FPresent() const { return fPlugged && fOnBus; }

    BOARD bd;
    FW fw;
    const int slot;
    unsigned gen = 0;           // bumps at every renumeration: new path
    bool fPlugged = true;       // the cable (control channel)
    bool fOnBus = true;         // false while renumerating
    bool fClaimElsewhere = false;   // fault: a foreign host holds the interface
    CONN *pconnClaim = nullptr;
    std::vector<CONN *> rgpconn;
    std::unique_ptr<FTCHIP> pftchip;   // FTDI boards (sim/ftdi): not on the USB wire
};

class BUS {
public:
    explicit BUS(const std::vector<BOARDCFG> &rgcfg);
    ~BUS();

    // Wire requests; each takes the lock.
    void AddConn(CONN *pconn);
    void RemoveConn(CONN *pconn);
    std::vector<uint8_t> RgbEnum();
    uint32_t Open(CONN *pconn, const std::string &szPath);
    uint32_t Close(CONN *pconn);
    uint32_t Claim(CONN *pconn);
    uint32_t Release(CONN *pconn);
    void SetOwner(CONN *pconn, const uint8_t *pbOwner);
    // Status, and the owner record of the claim holder into pbOwner.
    uint32_t Claimer(CONN *pconn, uint8_t *pbOwner);
    // Closes every connection but pconn of owner pbOwner, whose process ended.
    uint32_t OwnerEnded(CONN *pconn, const uint8_t *pbOwner);
    uint32_t Control(CONN *pconn, uint8_t bm, uint8_t req, uint16_t wValue, uint16_t wIndex, const uint8_t *pbOut,
                     uint16_t wLength, std::vector<uint8_t> &rgbIn);
    void Submit(CONN *pconn, uint32_t tag, uint8_t ep, const uint8_t *pb, uint32_t cb, uint32_t tms);
    uint32_t Cancel(CONN *pconn, uint8_t ep);

    // Control channel (caller holds mtx).
    DEVICE *PdevByName(const std::string &szName);
    void UnplugL(DEVICE &dev);
    void PlugL(DEVICE &dev);
    void RenumerateL(DEVICE &dev, bool fReset);
    void PumpL(DEVICE &dev);

    std::mutex mtx;
    std::condition_variable cvPresence;     // notified when a device comes or goes
    std::vector<std::unique_ptr<DEVICE>> rgpdev;
    std::map<int, FTSESSION *> mpftsession;     // FTDI wire connections by id

private:
    uint32_t StsNoDeviceL(CONN &conn) const;
    void CloseL(CONN &conn);
    void CompleteL(CONN &conn, uint8_t ep, uint32_t sts);
    void DropConnsL(DEVICE &dev);
    void CommandWriteL(DEVICE &dev, CONN &conn);
    bool FPumpXferL(DEVICE &dev, CONN &conn, uint8_t ep);
    void ComeBackL(DEVICE &dev, unsigned genLeft);
    uint64_t ScheduleL(unsigned tms, std::function<void()> fn);
    void TimerThread();

    std::map<int, CONN *> mpconn;
    using CLOCK = std::chrono::steady_clock;
    std::multimap<CLOCK::time_point, std::function<void()>> mptimer;
    uint64_t idTimerNext = 1;
    std::condition_variable cvTimer;
    bool fStop = false;
    std::thread thTimer;
};

// Frame builders shared by the wire server.
std::vector<uint8_t> RgbFrame(uint8_t type, uint32_t tag, const std::vector<uint8_t> &rgbPayload);
std::vector<uint8_t> RgbResult(uint32_t tag, uint32_t sts);

} // namespace sim

#endif
