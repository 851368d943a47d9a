// ftcontrol.cpp - control-channel commands of FTDI boards.
//
//   FTDI B                     "key value" lines: the chip and each channel (A.mode, A.tck, ...)
//   EEPROM B                   > hex of the EEPROM (256 bytes)
//   EEPOKE B ADDR HEX          writes EEPROM bytes
//   FTPIN B CH PIN 0|1         level of an undriven input pin (0-15) of a channel
//   FTSINK B CH, FTSINKCLEAR B CH, FTSOURCE B CH loopback|pattern N
//                              the FIFO design of a channel
//   FTFAULT B writefail N | unplugafter BYTES | mute on|off | clear
//   FT2W B CH off | FRAME D WAIT TAIL
//                              a two-wire target between the channel's pins and
//                              the chain (twowire.h; WAIT "never": never ready)
//   FT2W B CH                  > frames N, host SLOTS, tail SLOTS of the last frame

#include "ftcontrol.h"
#include "ftchip.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace sim {

namespace {

bool FNum(const std::vector<std::string> &rgszArg, size_t iarg, uint64_t &v)
{
    if (iarg >= rgszArg.size() || rgszArg[iarg].empty())
        return false;
    char *pchEnd = nullptr;
    v = strtoull(rgszArg[iarg].c_str(), &pchEnd, 0);
    return *pchEnd == 0;
}

std::string SzHexBytes(const uint8_t *pb, size_t cb)
{
    static const char rgchHex[] = "0123456789abcdef";
    std::string sz;
    for (size_t ib = 0; ib < cb; ib++) {
        sz += rgchHex[pb[ib] >> 4];
        sz += rgchHex[pb[ib] & 15];
    }
    return sz;
}

FTCHAN *PchanArg(FTCHIP &chip, const std::vector<std::string> &rgszArg, size_t iarg)
{
    if (iarg >= rgszArg.size() || rgszArg[iarg].size() != 1)
        return nullptr;
    int ichan = toupper((unsigned char)rgszArg[iarg][0]) - 'A';
    return ichan >= 0 && ichan < int(chip.rgpchan.size()) ? chip.rgpchan[size_t(ichan)].get() : nullptr;
}

void Describe(FTCHIP &chip, std::vector<std::string> &rgszData)
{
    char sz[160];
    snprintf(sz, sizeof(sz), "type %u", unsigned(chip.cfg.ftt));
    rgszData.push_back(sz);
    snprintf(sz, sizeof(sz), "id 0x%04x%04x", chip.vid, chip.pid);
    rgszData.push_back(sz);
    rgszData.push_back("serial " + chip.szSerial);
    rgszData.push_back("description " + chip.szDescription);
    rgszData.push_back(std::string("eeprom ") + (chip.FEepromValid() ? "valid" : "invalid"));
    for (auto &pchan : chip.rgpchan) {
        FTCHAN &chan = *pchan;
        std::string szPre(1, char('A' + chan.ichan));
        auto add = [&](const char *szKey, unsigned long long v) {
            snprintf(sz, sizeof(sz), "%s.%s %llu", szPre.c_str(), szKey, v);
            rgszData.push_back(sz);
        };
        add("open", chan.idConnOpen != 0);
        add("mode", chan.bitmode);
        add("fifo", chan.FFifo());
        add("latency", chan.latency);
        add("readtimeout", chan.tmsReadTimeout);
        add("writetimeout", chan.tmsWriteTimeout);
        add("usbin", chan.cbUsbIn);
        add("usbout", chan.cbUsbOut);
        add("flow", chan.flow);
        add("tck", chan.mpsse.FreqTck());
        add("clocks", chan.mpsse.Cclk());
        add("commands", chan.mpsse.Ccmd());
        add("badcommands", chan.mpsse.CbadCmd());
        add("pending", chan.mpsse.CbPending());
        add("waiting", chan.mpsse.FWaiting());
        add("loopback", chan.mpsse.FLoopback());
        add("low", chan.mpsse.BLow());
        add("lowdir", chan.mpsse.BLowDir());
        add("high", chan.mpsse.BHigh());
        add("highdir", chan.mpsse.BHighDir());
        add("written", chan.cbWritten);
        add("read", chan.cbRead);
        add("writes", chan.cwrite);
        add("reads", chan.cread);
        add("wirens", chan.mpsse.TnsWire());
    }
}

bool FFault(BUS &bus, DEVICE &dev, const std::vector<std::string> &rgszArg, std::string &szErr)
{
    FTCHIP &chip = *dev.pftchip;
    uint64_t v = 0;
    const std::string szKind = rgszArg.size() > 2 ? rgszArg[2] : "";
    if (szKind == "clear")
        chip.faults = FTFAULTS();
    else if (szKind == "writefail" && FNum(rgszArg, 3, v))
        chip.faults.cWriteFail = unsigned(v);
    else if (szKind == "unplugafter" && FNum(rgszArg, 3, v))
        chip.faults.cbUnplugAfter = int64_t(v);
    else if (szKind == "mute" && rgszArg.size() == 4 && (rgszArg[3] == "on" || rgszArg[3] == "off"))
        chip.faults.fMute = rgszArg[3] == "on";
    else {
        szErr = "usage: FTFAULT board writefail N | unplugafter BYTES | mute on|off | clear";
        return false;
    }
    (void)bus;
    return true;
}

} // namespace

bool FFtdiControl(BUS &bus, DEVICE &dev, const std::string &szCmd, const std::vector<std::string> &rgszArg,
                  std::vector<std::string> &rgszData, bool &fOk, std::string &szErr)
{
    static const char *const rgszCmd[] = { "FTDI", "EEPROM", "EEPOKE", "FTPIN", "FTSINK", "FTSINKCLEAR",
                                           "FTSOURCE", "FTFAULT", "FT2W" };
    bool fKnown = false;
    for (const char *szKnown : rgszCmd)
        fKnown = fKnown || szCmd == szKnown;
    if (!fKnown)
        return false;
    fOk = false;
    if (!dev.pftchip) {
        szErr = "not an FTDI board";
        return true;
    }
    FTCHIP &chip = *dev.pftchip;
    uint64_t v1 = 0, v2 = 0;
    if (szCmd == "FTDI") {
        Describe(chip, rgszData);
    } else if (szCmd == "EEPROM") {
        std::vector<uint8_t> rgb;
        for (uint16_t w : chip.rgwEe) {
            rgb.push_back(uint8_t(w));
            rgb.push_back(uint8_t(w >> 8));
        }
        rgszData.push_back(SzHexBytes(rgb.data(), rgb.size()));
    } else if (szCmd == "EEPOKE") {
        if (!FNum(rgszArg, 2, v1) || rgszArg.size() != 4 || rgszArg[3].size() % 2 != 0 ||
            v1 + rgszArg[3].size() / 2 > 2 * FTCHIP::cwEeprom) {
            szErr = "usage: EEPOKE board ADDR HEX";
            return true;
        }
        for (size_t ib = 0; ib < rgszArg[3].size() / 2; ib++) {
            unsigned b = unsigned(strtoul(rgszArg[3].substr(2 * ib, 2).c_str(), nullptr, 16));
            size_t ibEe = size_t(v1) + ib;
            uint16_t &w = chip.rgwEe[ibEe / 2];
            w = ibEe & 1 ? uint16_t((w & 0xFF) | (b << 8)) : uint16_t((w & 0xFF00) | b);
        }
    } else {
        FTCHAN *pchan = PchanArg(chip, rgszArg, 2);
        if (szCmd == "FTFAULT") {
            fOk = FFault(bus, dev, rgszArg, szErr);
            return true;
        }
        if (!pchan) {
            szErr = "no such channel";
            return true;
        }
        if (szCmd == "FTPIN" && FNum(rgszArg, 3, v1) && FNum(rgszArg, 4, v2) && v1 < 16) {
            pchan->SetInput(int(v1), v2 != 0);
            chip.Resume();
        } else if (szCmd == "FTSINK")
            rgszData.push_back(SzHexBytes(pchan->stream.rgbSink.data(), pchan->stream.rgbSink.size()));
        else if (szCmd == "FTSINKCLEAR")
            pchan->stream.rgbSink.clear();
        else if (szCmd == "FTSOURCE" && rgszArg.size() == 4 && rgszArg[3] == "loopback")
            pchan->stream.fLoopback = true;
        else if (szCmd == "FTSOURCE" && rgszArg.size() == 5 && rgszArg[3] == "pattern" && FNum(rgszArg, 4, v1)) {
            pchan->stream.fLoopback = false;
            pchan->stream.bPattern = uint8_t(v1);
        } else if (szCmd == "FT2W" && rgszArg.size() == 3) {
            rgszData.push_back("frames " + std::to_string(pchan->twowire.Cframe()));
            rgszData.push_back("host " + pchan->twowire.SzHostLast());
            rgszData.push_back("tail " + pchan->twowire.SzTailLast());
        } else if (szCmd == "FT2W" && rgszArg.size() == 4 && rgszArg[3] == "off") {
            pchan->twowire.Off();
        } else if (szCmd == "FT2W" && rgszArg.size() == 7 && FNum(rgszArg, 4, v1) && FNum(rgszArg, 6, v2)) {
            uint64_t cwait = 0;
            if (rgszArg[5] == "never")
                cwait = TWOWIRE::cwaitNever;
            else if (!FNum(rgszArg, 5, cwait) || cwait > 1000) {
                szErr = "bad wait: " + rgszArg[5];
                return true;
            }
            if (!pchan->twowire.FConfigure(rgszArg[3], unsigned(v1), unsigned(cwait), unsigned(v2), szErr))
                return true;
        } else {
            szErr = "bad arguments: " + szCmd;
            return true;
        }
    }
    fOk = true;
    return true;
}

} // namespace sim
