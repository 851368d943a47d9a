// simdesign.h - a design the simulated FPGA runs, and the board around it.
//
// A design is what answers the register port once the FPGA is configured:
// it decides what each register write does and what each read gives. The
// board keeps what outlives any one design: the memories soldered beside
// the FPGA (flash keeps its cells through power cycles, RAM through a
// reconfiguration), the options of the board's configuration and of the
// control channel (ids, switches, buttons, injected faults, the time scale)
// and a log of design events tests can read.
//
// A design is made from its tag (designs.h) each time the FPGA starts it and
// dropped when the FPGA stops, so a register state that must not survive a
// reconfiguration lives in the design object.

#ifndef KOR_SIM_SIMDESIGN_H
#define KOR_SIM_SIMDESIGN_H

#include "flasharray.h"
#include "sparsemem.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sim {

class DESIGNENV {
public:
    // A flash of the board by name: made with this geometry at first use,
    // the same cells afterwards (whatever geometry a later caller gives).
    // Its program and erase times are scaled by the board's time scale.
    FLASHARRAY &Flash(const std::string &szName, const std::vector<FLASHREGION> &rgregion,
                      FLASHTIMES times = FLASHTIMES());
    // A RAM of the board by name, made at first use; power-on clears it.
    SPARSEMEM &Ram(const std::string &szName, uint32_t cb, uint8_t bFill = 0);
    FLASHARRAY *PflashFind(const std::string &szName);
    SPARSEMEM *PramFind(const std::string &szName, uint32_t *pcb = nullptr);
    // "flash NAME SIZE" and "ram NAME SIZE", one per memory made so far.
    std::vector<std::string> RgszMemories() const;

    // Options: text by key ("designopt KEY VALUE" in the configuration,
    // "DOPT" on the control channel). Numbers are decimal or 0x hexadecimal.
    void SetOpt(const std::string &szKey, const std::string &szValue) { mpszOpt[szKey] = szValue; }
    void ClearOpt(const std::string &szKey) { mpszOpt.erase(szKey); }
    bool FHasOpt(const std::string &szKey) const { return mpszOpt.count(szKey) != 0; }
    std::string SzOpt(const std::string &szKey, const std::string &szDefault = std::string()) const;
    uint64_t UOpt(const std::string &szKey, uint64_t uDefault = 0) const;
    const std::map<std::string, std::string> &MpszOpt() const { return mpszOpt; }

    // Time in microseconds, and a design's nominal busy time as this board
    // makes it: option "timescale" in percent (100 = as specified).
    static uint64_t UsNow() { return DEVTIME::UsSteady(); }
    uint64_t UsScaled(uint64_t usNominal) const;

    // Events for tests, in order (bounded; "DLOG" on the control channel).
    void Log(const std::string &sz);
    const std::vector<std::string> &RgszLog() const { return rgszLog; }
    void ClearLog() { rgszLog.clear(); }

    void PowerOn();

    static constexpr size_t cszLogMax = 100000;

private:
    struct RAM {
        uint32_t cb;
        std::unique_ptr<SPARSEMEM> pmem;
    };
    std::map<std::string, std::unique_ptr<FLASHARRAY>> mppflash;
    std::map<std::string, RAM> mpram;
    std::map<std::string, std::string> mpszOpt;
    std::vector<std::string> rgszLog;
};

class SIMDESIGN {
public:
    explicit SIMDESIGN(DESIGNENV &envIn) : env(envIn) {}
    virtual ~SIMDESIGN() = default;
    SIMDESIGN(const SIMDESIGN &) = delete;
    SIMDESIGN &operator=(const SIMDESIGN &) = delete;

    // A register write or read through the port. False: the design leaves
    // this register a plain store (what was written reads back).
    virtual bool FPut(uint8_t reg, uint8_t b) = 0;
    virtual bool FGet(uint8_t reg, uint8_t &b) = 0;
    // "DESIGN <board> ARGS..." on the control channel: false when ARGS name
    // nothing of this design (szErr may say why).
    virtual bool FControl(const std::vector<std::string> &rgszArg, std::vector<std::string> &rgszData,
                          std::string &szErr)
    {
        (void)rgszArg;
        (void)rgszData;
        (void)szErr;
        return false;
    }

protected:
    DESIGNENV &env;
};

} // namespace sim

#endif
