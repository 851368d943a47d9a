// fw.h - the maker's USB firmware of a simulated board.
//
// FW answers what the host can send to the device: vendor requests on the
// default pipe (vendreq.cpp, chipram.cpp, accounts.cpp), command packets on the command endpoint with
// status packets queued for the status endpoint (fwcore.cpp: system protocol,
// dispatch, data phases), and the bytes of data phases on the two data
// endpoints. Each protocol lives in its own file (jtagproto.cpp,
// streamproto.cpp, regproto.cpp, mgmtproto.cpp). FW does no I/O and knows
// nothing of connections: the bus (server/) calls it under the simulator's
// lock and moves bytes between it and the host's transfers.

#ifndef KOR_SIM_FW_H
#define KOR_SIM_FW_H

#include "../model/board.h"
#include "phase.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace sim {

// Status codes the firmware writes into status bytes.
enum : uint8_t {
    stsNoErc = 0,
    stsNotSupported = 1,
    stsTransferCancelled = 2,
    stsCapabilityNotEnabled = 4,
    stsInvalidPort = 12,
    stsBadArgument = 13,
    stsUnknownProtocol = 49,
    stsUnknownCommand = 50,
    stsBadCommandLength = 51,
};

enum : uint8_t {
    aptSys = 0,
    aptProto1 = 1,
    aptJtag = 2,
    aptStream = 11,
};

// What the bus must do after a vendor request.
enum FWACT : uint8_t {
    fwactNone,
    fwactRenumerate,    // leave the bus and come back under a new path
    fwactReset,         // power-on reset, then come back under a new path
};

// Faults the control channel injects; each counter is used up as it fires.
struct FAULTS {
    unsigned cZlpSts = 0;           // status reads that end with zero bytes
    unsigned cPipeCmd = 0;          // command writes that end with a pipe error
    int cmdUnplug = -1;             // unplug when this many more command packets arrived
    int64_t cbShortIn = -1;         // data phase IN ends with a short packet after this many bytes
    int64_t cbStallData = -1;       // data phase stops moving after this many bytes (both directions)
    unsigned cFx3ChunkFail = 0;     // FX3 RAM writes (0xA0 out with data) that stall
    bool fRenumNever = false;       // renumeration does not come back
    std::string szRenumSerial;      // renumeration comes back with this serial
    unsigned tmsRenum = 50;         // time off the bus when renumerating
    std::vector<uint8_t> rgreqStall;    // vendor requests that stall
    // Supply rails (management protocol)
    int crailReported = -1;         // the count query answers this many rails (-1: the board's)
    bool fRailCountFails = false;   // the count query fails
    uint8_t cmdRailFail = 0;        // rail command (props, label, data) that fails on irailFail ...
    unsigned irailFail = 0;
    unsigned cRailCallsOk = 0;      // ... once this many more of its calls on that rail succeeded
};

// Runs of TDI bits in Shift-DR at least this long go through the chain's
// fast path (CHAIN::ShiftDrRun); shorter ones clock by clock.
constexpr size_t cclkRunMin = 64;

struct JTAGPORT {
    bool fEnabled = false;
    uint32_t freqTck = 10000000;
    bool fTms = true, fTdi = false, fTck = false;
    bool fBuffered = false;
};

struct STMPORT {
    bool fEnabled = false;
    uint32_t cbChunkOut = 65536, cbChunkIn = 65536;
    uint32_t tmsRead = 2000, tmsWrite = 2000;
};

class FW {
public:
    explicit FW(BOARD &bd);

    // Power-on (plug, reset): protocol state cleared. The status queue is
    // the endpoint's FIFO; ClearSts empties it.
    void PowerOn();

    // Vendor request on the default pipe. Returns false to stall; rgbIn gets
    // the data of an IN request (at most wLength bytes).
    bool FVendorRequest(uint8_t bm, uint8_t req, uint16_t wValue, uint16_t wIndex, const uint8_t *pbOut,
                        uint16_t wLength, std::vector<uint8_t> &rgbIn, FWACT &fwact);

    // One command packet from the command endpoint.
    void CommandPacket(const uint8_t *pb, size_t cb);

    bool FStsReady() const { return !qsts.empty(); }
    size_t CstsQueued() const { return qsts.size(); }
    void ClearSts() { qsts.clear(); }
    std::vector<uint8_t> PopSts();
    void PushStaleSts(unsigned c);

    // Data endpoints. DataOut returns the bytes taken; DataIn the bytes given
    // and sets fShort when the device ends the transfer with a short packet
    // (the phase has no more IN bytes, or a fault says so).
    size_t DataOut(const uint8_t *pb, size_t cb);
    size_t DataIn(uint8_t *pb, size_t cb, bool &fShort);
    bool FPhaseArmed() const { return pphase != nullptr; }

    void Log(const std::string &sz);
    std::vector<std::string> rgszLog;
    FAULTS faults;
    BOARD &bd;

    // Port state (visible to the control channel).
    std::vector<JTAGPORT> rgjport;
    std::vector<STMPORT> rgsport;
    bool fRegEnabled = false;
    bool fMgmtEnabled = false;
    std::string SzPhase() const;

private:
    // Vendor requests (vendreq.cpp)
    bool FVrIn(uint8_t req, uint16_t wValue, uint16_t wIndex, uint16_t wLength, std::vector<uint8_t> &rgbIn);
    bool FVrOut(uint8_t req, uint16_t wValue, uint16_t wIndex, const uint8_t *pb, uint16_t cb, FWACT &fwact);
    bool FVrOutKeyed(uint8_t req, uint16_t wValue, const uint8_t *pb, uint16_t cb, FWACT &fwact);
    bool FVrRamA0(uint16_t wValue, uint16_t wIndex, const uint8_t *pb, uint16_t cb, FWACT &fwact);
    bool FVrAccount(uint8_t req, const uint8_t *pb, uint16_t cb);
    bool FVrFx3Mem(bool fIn, uint8_t req, uint16_t wValue, uint16_t wIndex, const uint8_t *pb, uint16_t cb,
                   std::vector<uint8_t> &rgbIn);
    bool FOldFirmware() const;
    void Fx2CpuRelease();

    // Firmware core (fwcore.cpp)
    void Dispatch(const uint8_t *pb, size_t cb);
    void PhaseCommand(const uint8_t *pb, size_t cb);
    void SysCommand(const uint8_t *pb, size_t cb, bool fInPhase);
    void Proto1Command(const uint8_t *pb, size_t cb);
    void PushSts(uint8_t sts, const uint8_t *pbRet = nullptr, size_t cbRet = 0);
    void PushStsU32(uint8_t sts, uint32_t dw) { uint8_t rgb[4] = { uint8_t(dw), uint8_t(dw >> 8), uint8_t(dw >> 16), uint8_t(dw >> 24) }; PushSts(sts, rgb, 4); }
    void ArmPhase(std::unique_ptr<PHASE> pphaseNew, const uint8_t *pbCmd);
    void CheckPhaseDone();
    void EndPhase();
    bool FPortProps(const uint8_t *pb, size_t cb, const std::vector<uint32_t> &rgdprp);
    // The checks of a single-port protocol before its own commands (those
    // from 3 to cmdLast, rgcbLen giving each one's length byte): port
    // properties, unknown command, port number, enable, command length.
    // Answers all of these itself; true when the command is to be carried out.
    bool FPortCommandReady(const uint8_t *pb, size_t cb, uint32_t dprp, uint8_t cmdLast, const uint8_t *rgcbLen,
                           bool &fEnabled);

    // Protocols
    void JtagCommand(const uint8_t *pb, size_t cb);
    void StreamCommand(const uint8_t *pb, size_t cb);
    void RegCommand(const uint8_t *pb, size_t cb);
    void MgmtCommand(const uint8_t *pb, size_t cb);
    bool FRailFault(uint8_t cmd, unsigned irail);

    std::deque<std::vector<uint8_t>> qsts;
    std::unique_ptr<PHASE> pphase;
    uint64_t cbPhaseMoved = 0;      // for the stall and short faults
    uint64_t cbPhaseIn = 0;
};

// JTAG helpers shared by jtagproto.cpp and jtagbatch.cpp: setting the pins
// (a rising TCK clocks the chain with the new TMS and TDI) and the batch
// command's data phase.
void JtagPinsSet(CHAIN &chain, JTAGPORT &jport, bool fTms, bool fTdi, bool fTck);
std::unique_ptr<PHASE> PphaseJtagBatch(CHAIN &chain, JTAGPORT &jport, uint32_t cbOps, uint32_t cbTdo);

// Little helpers shared by the protocol files.
inline uint32_t U32At(const uint8_t *pb, size_t cb, size_t ib)
{
    uint32_t dw = 0;
    for (size_t i = 0; i < 4; i++)
        dw |= uint32_t(ib + i < cb ? pb[ib + i] : 0) << (8 * i);
    return dw;
}
inline uint8_t U8At(const uint8_t *pb, size_t cb, size_t ib) { return ib < cb ? pb[ib] : 0; }
std::string SzHex(const uint8_t *pb, size_t cb);
// Text of a NUL-padded field.
std::string SzFromBytes(const uint8_t *pb, size_t cb);

} // namespace sim

#endif
