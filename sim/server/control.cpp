// control.cpp - the control channel: a line protocol for tests.
//
// The client sends one command per line; the simulator answers with zero or
// more data lines, each starting with "> ", and one final line "OK" or
// "ERR <reason>". Commands are listed in sim/README.md. They act directly on
// the model under the bus lock, never through the wire.

#include "wireserver.h"
#include "net.h"
#include "../model/iscreport.h"
#include "../model/xfpga.h"
#include "../wire/boardproto.h"
#include "../ftdi/ftcontrol.h"
#include "designctl.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace sim {

namespace {

class CONTROL {
public:
    CONTROL(BUS &busIn, std::atomic<bool> &fQuitIn) : bus(busIn), fQuit(fQuitIn) {}
    // Runs one command line; returns the answer text.
    std::string SzRun(const std::string &szLine);

private:
    bool FBoard(std::string &szErr);
    bool FNum(size_t iarg, uint64_t &v);
    bool FRaw32(size_t iarg, uint32_t &v);
    bool FRailFaultCmd(FAULTS &faults, bool &fOk, std::string &szErr);
    void Data(const std::string &sz) { szOut += "> " + sz + "\n"; }
    bool FState(DEVICE &dev);
    bool FMem(DEVICE &dev, std::string &szErr);
    const XFPGA *PxfpgaArg(DEVICE &dev, size_t iarg, size_t &idev, std::string &szErr);
    bool FFpga(DEVICE &dev, std::string &szErr);
    bool FCfgData(DEVICE &dev, std::string &szErr);
    bool FFault(DEVICE &dev, std::string &szErr);
    bool FWait(DEVICE &dev, std::unique_lock<std::mutex> &lock, std::string &szErr);
    bool FInspect(const std::string &szCmd, DEVICE &dev, bool &fOk, std::string &szErr);
    bool FChange(const std::string &szCmd, DEVICE &dev);
    bool FBoardCommand(const std::string &szCmd, std::unique_lock<std::mutex> &lock, std::string &szErr);

    BUS &bus;
    std::atomic<bool> &fQuit;
    std::vector<std::string> rgszArg;
    DEVICE *pdev = nullptr;
    std::string szOut;
};

// Bounds of what a client may ask for.
constexpr uint64_t cbMemReadMax = 1u << 20;
constexpr uint64_t cb4G = uint64_t(1) << 32;
constexpr uint64_t cStaleMax = 256;
constexpr uint64_t tmsWaitMax = 600000;

bool FParseHex(const std::string &sz, std::vector<uint8_t> &rgb)
{
    if (sz.size() % 2 != 0)
        return false;
    rgb.clear();
    for (size_t ich = 0; ich < sz.size(); ich += 2) {
        if (!isxdigit((unsigned char)sz[ich]) || !isxdigit((unsigned char)sz[ich + 1]))
            return false;
        rgb.push_back(uint8_t(strtoul(sz.substr(ich, 2).c_str(), nullptr, 16)));
    }
    return true;
}

std::string SzFmt(const char *szFmt, unsigned long long v)
{
    char sz[64];
    snprintf(sz, sizeof(sz), szFmt, v);
    return sz;
}

const char *const rgszChip[] = { "fixed", "fx2", "fx3" };
const char *const rgszMode[] = { "app", "blank", "loader", "boot" };

// An unsigned number (decimal, 0x hexadecimal or 0 octal) of at most 32
// bits: no sign (strtoull would turn "-1" into the largest value and every
// bound check after it would wrap), nothing after it.
bool CONTROL::FNum(size_t iarg, uint64_t &v)
{
    if (iarg >= rgszArg.size() || !isdigit((unsigned char)rgszArg[iarg][0]))
        return false;
    char *pchEnd = nullptr;
    errno = 0;
    v = strtoull(rgszArg[iarg].c_str(), &pchEnd, 0);
    return errno == 0 && *pchEnd == 0 && v <= 0xFFFFFFFFu;
}

// A rail's raw 32-bit value: an unsigned number as FNum, or a negative one
// ("-5") stored as its two's complement (the readings are signed).
bool CONTROL::FRaw32(size_t iarg, uint32_t &v)
{
    if (iarg >= rgszArg.size())
        return false;
    bool fNeg = rgszArg[iarg][0] == '-';
    std::string szSave = rgszArg[iarg];
    if (fNeg)
        rgszArg[iarg].erase(0, 1);
    uint64_t u = 0;
    bool fOk = FNum(iarg, u) && (!fNeg || u <= 0x80000000u);
    rgszArg[iarg] = szSave;
    v = fNeg ? uint32_t(0u - uint32_t(u)) : uint32_t(u);
    return fOk;
}

// The supply-rail faults: "railcount N" (the count query answers N),
// "railcountfail" (it fails), "railfail props|label|data RAIL M" (that call
// on that rail fails once M more of them succeeded). False: not a rail fault.
bool CONTROL::FRailFaultCmd(FAULTS &faults, bool &fOk, std::string &szErr)
{
    static const char *const rgszCall[] = { "props", "label", "data" };
    std::string szKind = rgszArg.size() > 2 ? rgszArg[2] : "";
    uint64_t v = 0, v2 = 0;
    fOk = true;
    if (szKind == "railcount" && rgszArg.size() == 4 && FNum(3, v) && v <= 255)
        faults.crailReported = int(v);
    else if (szKind == "railcountfail" && rgszArg.size() == 3)
        faults.fRailCountFails = true;
    else if (szKind == "railfail" && rgszArg.size() == 6 && FNum(4, v) && FNum(5, v2) && v <= 255) {
        auto it = std::find(std::begin(rgszCall), std::end(rgszCall), rgszArg[3]);
        if (it == std::end(rgszCall)) {
            szErr = "usage: FAULT board railfail props|label|data RAIL M";
            return fOk = false, true;
        }
        faults.cmdRailFail = uint8_t(boardproto::mgmtCmdRailProps + (it - std::begin(rgszCall)));
        faults.irailFail = unsigned(v);
        faults.cRailCallsOk = unsigned(v2);
    } else if (szKind.compare(0, 4, "rail") == 0) {
        szErr = "usage: FAULT board railcount N | railcountfail | railfail props|label|data RAIL M";
        return fOk = false, true;
    } else
        return false;
    return true;
}

// True when [addr, addr + cb) lies inside cbMem bytes (no wrap-around).
bool FInside(uint64_t addr, uint64_t cb, uint64_t cbMem)
{
    return addr <= cbMem && cb <= cbMem - addr;
}

bool CONTROL::FBoard(std::string &szErr)
{
    if (rgszArg.size() < 2) {
        szErr = "board name missing";
        return false;
    }
    pdev = bus.PdevByName(rgszArg[1]);
    if (!pdev) {
        szErr = "no board " + rgszArg[1];
        return false;
    }
    return true;
}

bool CONTROL::FState(DEVICE &dev)
{
    const BOARD &bd = dev.bd;
    const IDENT &id = bd.ident;
    Data("name " + bd.cfg.szName);
    Data("path " + dev.SzPath());
    Data(std::string("present ") + (dev.FPresent() ? "1" : "0"));
    Data(std::string("plugged ") + (dev.fPlugged ? "1" : "0"));
    Data(std::string("chip ") + rgszChip[bd.cfg.chip]);
    Data(std::string("mode ") + rgszMode[bd.fwm]);
    Data("serial " + id.szSerial);
    Data("user " + id.szUser);
    Data("product " + id.szProduct);
    Data("mac " + id.szMac);
    Data(SzFmt("pdid 0x%08llX", id.pdid));
    Data(SzFmt("fwver 0x%04llX", id.fwver));
    Data(SzFmt("fwverrom 0x%04llX", id.fwverRom));
    Data(SzFmt("dcappub 0x%08llX", id.dcapPub));
    Data(SzFmt("dcappriv 0x%08llX", id.dcapPriv));
    Data(SzFmt("vid 0x%04llX", id.vid));
    Data(SzFmt("pid 0x%04llX", id.pid));
    Data(SzFmt("key 0x%04llX", bd.key));
    Data(std::string("cpureset ") + (bd.fCpuReset ? "1" : "0"));
    Data(std::string("claim ") + (dev.fClaimElsewhere ? "elsewhere" : dev.pconnClaim ? "held" : "none"));
    Data("connections " + std::to_string(dev.rgpconn.size()));
    Data("phase " + dev.fw.SzPhase());
    Data("statusqueued " + std::to_string(dev.fw.CstsQueued()));
    std::string szJtag;
    for (auto &jport : dev.fw.rgjport)
        szJtag += jport.fEnabled ? "1" : "0";
    Data("jtagports " + szJtag);
    if (!dev.fw.rgjport.empty())
        Data("tck " + std::to_string(dev.fw.rgjport[0].freqTck));
    std::string szStm;
    for (auto &sport : dev.fw.rgsport)
        szStm += sport.fEnabled ? "1" : "0";
    Data("streamports " + szStm);
    Data(std::string("regport ") + (dev.fw.fRegEnabled ? "1" : "0"));
    Data(std::string("mgmtport ") + (dev.fw.fMgmtEnabled ? "1" : "0"));
    Data(std::string("configreset ") + (bd.fConfigReset ? "1" : "0"));
    Data(std::string("done ") + (bd.regs.fLoaded ? "1" : "0"));
    Data("design " + bd.regs.szDesign);
    Data(std::string("auth ") + (bd.fAuth ? "1" : "0"));
    return true;
}

bool CONTROL::FMem(DEVICE &dev, std::string &szErr)
{
    uint64_t addr, cb;
    if (rgszArg.size() < 5 || !FNum(3, addr) || !FNum(4, cb) || cb > cbMemReadMax) {
        szErr = "usage: MEM board e2prom|fx2|ext|fx3|eeprom|spi addr len";
        return false;
    }
    const std::string &szMem = rgszArg[2];
    BOARD &bd = dev.bd;
    std::vector<uint8_t> rgb;
    auto fromArray = [&](const uint8_t *pb, size_t cbArray) {
        if (!FInside(addr, cb, cbArray))
            return false;
        rgb.assign(pb + addr, pb + addr + cb);
        return true;
    };
    bool fOk = true;
    if (szMem == "e2prom")
        fOk = fromArray(bd.rgbE2prom, BOARD::cbE2prom);
    else if (szMem == "fx2")
        fOk = fromArray(bd.rgbFx2Ram, BOARD::cbFx2Ram);
    else if (szMem == "ext")
        fOk = fromArray(bd.rgbFx2Ext.data(), bd.rgbFx2Ext.size());
    else if (szMem == "fx3" && (fOk = FInside(addr, cb, cb4G)))
        rgb = bd.memFx3Ram.Read(uint32_t(addr), cb);
    else if (szMem == "eeprom" && (fOk = FInside(addr, cb, cb4G)))
        rgb = bd.memFx3Eeprom.Read(uint32_t(addr), cb);
    else if (szMem == "spi" && (fOk = FInside(addr, cb, cb4G)))
        rgb = bd.memSpiFlash.Read(uint32_t(addr), cb);
    else if (szMem != "fx3" && szMem != "eeprom" && szMem != "spi") {
        szErr = "unknown memory " + szMem;
        return false;
    }
    if (!fOk) {
        szErr = "range outside the memory";
        return false;
    }
    Data(SzHex(rgb.data(), rgb.size()));
    return true;
}

// The FPGA at chain position rgszArg[iarg] (0 nearest TDO), else the first one.
const XFPGA *CONTROL::PxfpgaArg(DEVICE &dev, size_t iarg, size_t &idev, std::string &szErr)
{
    const CHAIN &chain = dev.bd.chain;
    uint64_t v;
    bool fIndex = FNum(iarg, v);
    for (idev = fIndex ? size_t(v) : 0; idev < chain.Cdev(); idev++) {
        const XFPGA *pxfpga = dynamic_cast<const XFPGA *>(chain.Pjdev(idev));
        if (pxfpga)
            return pxfpga;
        if (fIndex)
            break;
    }
    szErr = "no FPGA";
    return nullptr;
}

bool CONTROL::FFpga(DEVICE &dev, std::string &szErr)
{
    size_t idev;
    const XFPGA *pxfpga = PxfpgaArg(dev, 2, idev, szErr);
    if (!pxfpga)
        return false;
    const CFGLOGIC &cfg = pxfpga->Cfg();
    Data("dev " + std::to_string(idev));
    Data("model " + pxfpga->SzModel());
    Data(std::string("family ") + SzXfam(cfg.Xfam()));
    Data(std::string("done ") + (cfg.FDone() ? "1" : "0"));
    Data(std::string("init ") + (pxfpga->FInitB() ? "1" : "0"));
    Data(std::string("running ") + (pxfpga->FRunning() ? "1" : "0"));
    Data("design " + cfg.SzTag());
    Data(SzFmt("stat 0x%08llX", cfg.Stat()));
    Data(std::string("crcerror ") + (cfg.FCrcError() ? "1" : "0"));
    Data(std::string("iderror ") + (cfg.FIdError() ? "1" : "0"));
    Data(std::string("synced ") + (cfg.FSynced() ? "1" : "0"));
    Data(std::string("startclock ") + (cfg.FJtagStartupClock() ? "jtag" : "cclk"));
    Data("startup " + std::to_string(cfg.Phase()));
    Data("fdri " + std::to_string(cfg.RgbFdri().size()));
    Data("cfgbytes " + std::to_string(cfg.RgbConfigScan().size()));
    return true;
}

// CFGDATA B [I] [fdri]: the configuration scan (or the frame data) as hex.
bool CONTROL::FCfgData(DEVICE &dev, std::string &szErr)
{
    size_t idev;
    bool fFdri = !rgszArg.empty() && rgszArg.back() == "fdri";
    const XFPGA *pxfpga = PxfpgaArg(dev, 2, idev, szErr);
    if (!pxfpga)
        return false;
    const auto &rgb = fFdri ? pxfpga->Cfg().RgbFdri() : pxfpga->Cfg().RgbConfigScan();
    Data(SzHex(rgb.data(), rgb.size()));
    return true;
}

bool CONTROL::FFault(DEVICE &dev, std::string &szErr)
{
    FAULTS &faults = dev.fw.faults;
    std::string szKind = rgszArg.size() > 2 ? rgszArg[2] : "";
    uint64_t v = 0;
    bool fNum = FNum(3, v);
    bool fRailOk = true;
    if (FRailFaultCmd(faults, fRailOk, szErr))
        return fRailOk;
    if (szKind == "clear") {
        faults = FAULTS();
        dev.fClaimElsewhere = false;
        dev.bd.chain.SetStuckTdo(-1);
        return true;
    }
    if (szKind == "claim" && rgszArg.size() == 4) {
        dev.fClaimElsewhere = rgszArg[3] == "on";
        return true;
    }
    if (szKind == "renum" && rgszArg.size() >= 4) {
        if (rgszArg[3] == "never")
            faults.fRenumNever = true;
        else if (rgszArg[3] == "serial" && rgszArg.size() == 5 && rgszArg[4].size() == 12)
            faults.szRenumSerial = rgszArg[4];
        else if (rgszArg[3] == "delay" && rgszArg.size() == 5 && FNum(4, v) && v <= tmsWaitMax)
            faults.tmsRenum = unsigned(v);
        else {
            szErr = "usage: FAULT board renum never | serial SERIAL12 | delay MS";
            return false;
        }
        return true;
    }
    if (szKind == "stucktdo" && rgszArg.size() == 4) {
        dev.bd.chain.SetStuckTdo(rgszArg[3] == "off" ? -1 : rgszArg[3] == "1" ? 1 : 0);
        return true;
    }
    if (!fNum) {
        szErr = "usage: FAULT board stale|zlp|pipe|unplugcmd|short|stall|fx3chunk|stallreq N, "
                "claim on|off, renum ..., stucktdo 0|1|off, clear";
        return false;
    }
    if (szKind == "stale" && v > cStaleMax) {
        szErr = "at most " + std::to_string(cStaleMax) + " stale status packets";
        return false;
    }
    if (szKind == "stale")
        dev.fw.PushStaleSts(unsigned(v));
    else if (szKind == "zlp")
        faults.cZlpSts = unsigned(v);
    else if (szKind == "pipe")
        faults.cPipeCmd = unsigned(v);
    else if (szKind == "unplugcmd")
        faults.cmdUnplug = int(v);
    else if (szKind == "short")
        faults.cbShortIn = int64_t(v);
    else if (szKind == "stall")
        faults.cbStallData = int64_t(v);
    else if (szKind == "fx3chunk")
        faults.cFx3ChunkFail = unsigned(v);
    else if (szKind == "stallreq" && v <= 0xFF) {
        if (std::find(faults.rgreqStall.begin(), faults.rgreqStall.end(), uint8_t(v)) == faults.rgreqStall.end())
            faults.rgreqStall.push_back(uint8_t(v));
    }
    else {
        szErr = "unknown fault " + szKind;
        return false;
    }
    return true;
}

bool CONTROL::FWait(DEVICE &dev, std::unique_lock<std::mutex> &lock, std::string &szErr)
{
    uint64_t tms = 5000;
    if (rgszArg.size() < 3 || (rgszArg[2] != "present" && rgszArg[2] != "absent") ||
        (rgszArg.size() > 3 && (!FNum(3, tms) || tms > tmsWaitMax))) {
        szErr = "usage: WAIT board present|absent [ms]";
        return false;
    }
    bool fWantPresent = rgszArg[2] == "present";
    if (!bus.cvPresence.wait_for(lock, std::chrono::milliseconds(tms),
                                 [&] { return dev.FPresent() == fWantPresent; })) {
        szErr = "timeout";
        return false;
    }
    Data("path " + dev.SzPath());
    return true;
}

bool CONTROL::FInspect(const std::string &szCmd, DEVICE &dev, bool &fOk, std::string &szErr)
{
    BOARD &bd = dev.bd;
    uint64_t v = 0;
    fOk = true;
    if (szCmd == "STATE")
        fOk = FState(dev);
    else if (szCmd == "MEM")
        fOk = FMem(dev, szErr);
    else if (szCmd == "FPGA")
        fOk = FFpga(dev, szErr);
    else if (szCmd == "CFGDATA")
        fOk = FCfgData(dev, szErr);
    else if (szCmd == "CPLD" || szCmd == "CPLDROW" || szCmd == "PROM" || szCmd == "PROMMEM") {
        std::vector<std::string> rgszData;
        bool fKnown = false;
        fOk = FIscInspect(bd, rgszArg, rgszData, fKnown, szErr);
        for (auto &sz : rgszData)
            Data(sz);
    }
    else if (szCmd == "LOG")
        for (auto &sz : dev.fw.rgszLog)
            Data(sz);
    else if (szCmd == "REGS")
        Data(SzHex(bd.regs.Rgb(), 256));
    else if (szCmd == "REGSTREAM" && FNum(2, v) && v < 256)
        Data(SzHex(bd.regs.RgbStream(uint8_t(v)).data(), bd.regs.RgbStream(uint8_t(v)).size()));
    else if (szCmd == "TAP") {
        Data(std::string("state ") + SzTapState(bd.chain.Tap()));
        Data("clocks " + std::to_string(bd.chain.Cclk()));
        for (size_t idev = 0; idev < bd.chain.Cdev(); idev++)
            Data("dev " + std::to_string(idev) + " " + bd.chain.Pjdev(idev)->SzDescribe());
    } else if (szCmd == "RAILS") {
        for (auto &rail : bd.rgrail)
            Data(rail.szLabel + " " + std::to_string(rail.kV) + " " + std::to_string(rail.kI) + " " +
                 std::to_string(rail.rawV) + " " + std::to_string(rail.rawI));
    } else if (szCmd == "SINK")
        Data(SzHex(bd.stream.rgbSink.data(), bd.stream.rgbSink.size()));
    else if (szCmd == "ACCOUNTS")
        for (auto &acct : bd.rgacct)
            Data(acct.szName + " " + std::to_string(acct.attr) + " " + acct.szPassword);
    else
        return false;
    return true;
}

bool CONTROL::FChange(const std::string &szCmd, DEVICE &dev)
{
    BOARD &bd = dev.bd;
    uint64_t v1 = 0, v2 = 0;
    uint32_t rawV = 0, rawI = 0;
    std::vector<uint8_t> rgb;
    if (szCmd == "PLUG")
        bus.PlugL(dev);
    else if (szCmd == "UNPLUG")
        bus.UnplugL(dev);
    else if (szCmd == "RENUMERATE")
        bus.RenumerateL(dev, false);
    else if (szCmd == "LOGCLEAR")
        dev.fw.rgszLog.clear();
    else if (szCmd == "SINKCLEAR")
        bd.stream.rgbSink.clear();
    else if (szCmd == "SETREG" && FNum(2, v1) && FNum(3, v2) && v1 < 256)
        bd.regs.FServes() ? bd.regs.Put(uint8_t(v1), uint8_t(v2)) : bd.regs.Poke(uint8_t(v1), uint8_t(v2));
    else if (szCmd == "REGFEED" && rgszArg.size() == 4 && FNum(2, v1) && v1 < 256 && FParseHex(rgszArg[3], rgb))
        bd.regs.Feed(uint8_t(v1), rgb);
    else if (szCmd == "JTAGPROPS" && FNum(2, v1) && v1 <= 0xFFFFFFFFull)
        bd.dprpJtag = uint32_t(v1);
    else if (szCmd == "SETRAIL" && rgszArg.size() == 5 && FNum(2, v1) && FRaw32(3, rawV) && FRaw32(4, rawI) &&
             v1 < bd.rgrail.size()) {
        bd.rgrail[v1].rawV = rawV;
        bd.rgrail[v1].rawI = rawI;
    } else if (szCmd == "SOURCE" && rgszArg.size() == 3 && rgszArg[2] == "loopback")
        bd.stream.fLoopback = true;
    else if (szCmd == "SOURCE" && rgszArg.size() == 4 && rgszArg[2] == "pattern" && FNum(3, v1)) {
        bd.stream.fLoopback = false;
        bd.stream.bPattern = uint8_t(v1);
    } else if (szCmd == "POKE" && rgszArg.size() == 5 && rgszArg[2] == "e2prom" && FNum(3, v1) &&
               FParseHex(rgszArg[4], rgb) && FInside(v1, rgb.size(), BOARD::cbE2prom))
        std::copy(rgb.begin(), rgb.end(), bd.rgbE2prom + v1);
    else
        return false;
    return true;
}

bool CONTROL::FBoardCommand(const std::string &szCmd, std::unique_lock<std::mutex> &lock, std::string &szErr)
{
    if (!FBoard(szErr))
        return false;
    DEVICE &dev = *pdev;
    if (szCmd == "WAIT")
        return FWait(dev, lock, szErr);
    if (szCmd == "FAULT")
        return FFault(dev, szErr);
    bool fOk;
    if (FInspect(szCmd, dev, fOk, szErr))
        return fOk;
    if (FChange(szCmd, dev))
        return true;
    std::vector<std::string> rgszData;
    if (FDesignControl(dev.bd, szCmd, rgszArg, rgszData, fOk, szErr)) {
        for (auto &sz : rgszData)
            Data(sz);
        return fOk;
    }
    if (FFtdiControl(bus, dev, szCmd, rgszArg, rgszData, fOk, szErr)) {
        for (auto &sz : rgszData)
            Data(sz);
        return fOk;
    }
    szErr = "unknown command or bad arguments: " + szCmd;
    return false;
}

std::string CONTROL::SzRun(const std::string &szLine)
{
    std::istringstream iss(szLine);
    rgszArg.clear();
    std::string szArg;
    while (iss >> szArg)
        rgszArg.push_back(szArg);
    szOut.clear();
    if (rgszArg.empty())
        return "ERR empty command\n";
    std::string szCmd = rgszArg[0];
    std::transform(szCmd.begin(), szCmd.end(), szCmd.begin(), [](unsigned char ch) { return char(toupper(ch)); });
    std::string szErr;
    bool fOk = true;
    std::unique_lock<std::mutex> lock(bus.mtx);
    if (szCmd == "PING") {
    } else if (szCmd == "QUIT") {
        fQuit = true;
    } else if (szCmd == "BOARDS") {
        for (auto &pdevAll : bus.rgpdev)
            Data(pdevAll->bd.cfg.szName + " " + pdevAll->SzPath() + " " + (pdevAll->FPresent() ? "present" : "absent") +
                 " " + pdevAll->bd.ident.szSerial);
    } else {
        fOk = FBoardCommand(szCmd, lock, szErr);
        if (fOk && pdev)
            bus.PumpL(*pdev);
    }
    return szOut + (fOk ? "OK\n" : "ERR " + szErr + "\n");
}

} // namespace

void ServeControl(BUS &bus, int sock, std::atomic<bool> &fQuit)
{
    CONTROL control(bus, fQuit);
    std::string szLine;
    while (!fQuit && FRecvLine(sock, szLine)) {
        std::string szAnswer = control.SzRun(szLine);
        if (!FSendAll(sock, szAnswer.data(), szAnswer.size()))
            break;
    }
}

} // namespace sim
