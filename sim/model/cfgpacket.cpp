// cfgpacket.cpp - packet processor of the simulated FPGA configuration logic.

#include "cfgpacket.h"

#include <cstring>

namespace sim {

namespace {

constexpr uint32_t wSync = 0xAA995566;

// Register addresses by family.
struct REGMAP {
    int crc, far, fdri, fdro, cmd, ctl, mask, stat, cor, flr, idcode;
};
constexpr REGMAP regmap32 = { 0, 1, 2, 3, 4, 5, 6, 7, 9, 11, 14 };
constexpr REGMAP regmap16 = { 0, 1, 3, 4, 5, 6, 7, 8, 10, 13, 14 };

enum CMDCODE : uint32_t {
    cmdNull = 0, cmdWcfg = 1, cmdMfwr = 2, cmdLfrm = 3, cmdRcfg = 4, cmdStart = 5, cmdRcap = 6, cmdRcrc = 7,
    cmdAghigh = 8, cmdSwitch = 9, cmdGrestore = 10, cmdShutdown = 11, cmdGcapture = 12, cmdDesync = 13,
};

const REGMAP &Regmap(XFAM xfam)
{
    return xfam == xfamS3 || xfam == xfamS3E ? regmap32 : regmap16;
}

constexpr unsigned phaseDone = 4, phaseGts = 5, phaseGwe = 6, phaseEnd = 7;

} // namespace

bool FXfamFromSz(const std::string &sz, XFAM &xfam)
{
    static const char *const rgsz[] = { "s3", "s3e", "s3a", "s6" };
    for (unsigned i = 0; i < 4; i++)
        if (sz == rgsz[i]) {
            xfam = XFAM(i);
            return true;
        }
    return false;
}

const char *SzXfam(XFAM xfam)
{
    static const char *const rgsz[] = { "s3", "s3e", "s3a", "s6" };
    return rgsz[xfam];
}

CFGLOGIC::CFGLOGIC(XFAM xfamIn, uint32_t idcodeIn)
    : xfam(xfamIn), idcode(idcodeIn),
      cbitWord(xfamIn == xfamS3 || xfamIn == xfamS3E ? 32 : 16),
      cbitSync(xfamIn == xfamS3A ? 16 : 32),
      cwordAutoCrc(xfamIn == xfamS3A ? 0 : xfamIn == xfamS6 ? 2 : 1),
      crc(xfamIn == xfamS3A || xfamIn == xfamS6)
{
    Clear();
}

void CFGLOGIC::Clear()
{
    bool fWasRunning = fGwe || fDone;
    shift = 0;
    wCur = 0;
    cbitCur = 0;
    fSynced = false;
    fAfterSync = false;
    regCur = regLastType1 = regNone;
    opCur = 0;
    cwordLeft = 0;
    cwordCountLeft = 0;
    cwordAutoLeft = 0;
    rgwIdcode.clear();
    rgwCrc.clear();
    mpregval.clear();
    crc.Clear();
    fCrcError = fIdError = fWcfg = false;
    rgbFdri.clear();
    szTag.clear();
    fStartArmed = false;
    phase = 0;
    fDone = false;
    fGts = true;
    fGwe = false;
    qwOut.clear();
    rgbScan.clear();
    rgbScanLoaded.clear();
    fScanWroteFdri = false;
    if (fWasRunning)
        fRunChanged = true;
}

void CFGLOGIC::SetConfigured(const std::string &szTagIn)
{
    Clear();
    fRunChanged = false;
    szTag = szTagIn;
    phase = phaseEnd;
    fDone = true;
    fGts = false;
    fGwe = true;
}

bool CFGLOGIC::FJtagStartupClock() const
{
    auto it = mpregval.find(Regmap(xfam).cor);
    uint32_t cor = it == mpregval.end() ? 0 : it->second;
    return (StartupClockSource(cor) & 2) != 0;
}

unsigned CFGLOGIC::StartupClockSource(uint32_t cor) const
{
    if (xfam == xfamS3)
        return (cor >> 15) & 2;
    return cbitWord == 32 ? (cor >> 15) & 3 : cor & 3;
}

uint32_t CFGLOGIC::Stat() const
{
    bool fInit = FInitB();
    if (cbitWord == 32)
        return (fDone ? 1u << 14 : 0) | (fInit ? 1u << 13 : 0) | (fIdError ? 1u << 7 : 0) |
               (fGwe ? 1u << 6 : 0) | (fGwe ? 1u << 5 : 0) | (fGts ? 0 : 1u << 4) | (fCrcError ? 1u : 0);
    return (fDone ? 1u << 13 : 0) | (fInit ? 1u << 12 : 0) | (fGwe ? 1u << 5 : 0) | (fGwe ? 1u << 4 : 0) |
           (fGts ? 0 : 1u << 3) | (fIdError ? 1u << 1 : 0) | (fCrcError ? 1u : 0);
}

void CFGLOGIC::BeginScan()
{
    fInScan = true;
    fScanWroteFdri = false;
    rgbScan.clear();
    bScan = 0;
    cbitScan = 0;
    // The CFG_IN register hands whole words on: every scan starts a new
    // word, whatever was left of the last one is lost.
    wCur = 0;
    cbitCur = 0;
}

void CFGLOGIC::EndScan()
{
    if (fInScan && fScanWroteFdri)
        rgbScanLoaded = rgbScan;
    fInScan = false;
    RunCclkStartup();
}

void CFGLOGIC::BitIn(bool fBit)
{
    if (fInScan && !rgbScan.empty() && rgbScan.size() < cbRecordMax) {
        bScan = uint8_t(bScan << 1 | (fBit ? 1 : 0));
        if (++cbitScan == 8) {
            rgbScan.push_back(bScan);
            bScan = 0;
            cbitScan = 0;
        }
    }
    if (!fSynced) {
        shift = (shift << 1) | (fBit ? 1 : 0);
        if (cbitSync == 32 ? uint32_t(shift) == wSync : uint16_t(shift) == uint16_t(wSync >> 16)) {
            fSynced = true;
            fAfterSync = cbitSync == 16;
            wCur = 0;
            cbitCur = 0;
            regCur = regNone;
            cwordLeft = 0;
            cwordCountLeft = 0;
            cwordAutoLeft = 0;
            if (fInScan && rgbScan.empty()) {
                rgbScan = { 0xAA, 0x99, 0x55, 0x66 };
                rgbScan.resize(cbitSync / 8);
                bScan = 0;
                cbitScan = 0;
            }
        }
        return;
    }
    wCur = (wCur << 1) | (fBit ? 1 : 0);
    if (++cbitCur == cbitWord) {
        uint32_t w = cbitWord == 32 ? wCur : (wCur & 0xFFFF);
        wCur = 0;
        cbitCur = 0;
        Word(w);
    }
}

void CFGLOGIC::Word(uint32_t w)
{
    if (fAfterSync) {
        fAfterSync = false;
        if (w == (wSync & 0xFFFF))
            return;     // the second half of the 32-bit sync word
    }
    if (cwordAutoLeft > 0) {
        AutoCrcWord(w);
        return;
    }
    if (cwordCountLeft > 0) {
        cwordType2 = (cwordType2 << 16) | w;
        if (--cwordCountLeft == 0) {
            cwordLeft = cwordType2;
            if (opCur == 1 && cwordLeft > 0) {
                ReadReg(regCur, cwordType2);
                cwordLeft = 0;
            }
        }
        return;
    }
    if (cwordLeft > 0) {
        cwordLeft--;
        Data(w);
        return;
    }
    Header(w);
}

void CFGLOGIC::Header(uint32_t w)
{
    unsigned type = cbitWord == 32 ? w >> 29 : (w >> 13) & 7;
    if (type == 1) {
        if (cbitWord == 32) {
            opCur = (w >> 27) & 3;
            regCur = (w >> 13) & 0x1F;
            cwordLeft = w & 0x7FF;
        } else {
            opCur = (w >> 11) & 3;
            regCur = (w >> 5) & 0x3F;
            cwordLeft = w & 0x1F;
        }
        regLastType1 = regCur;
        rgwIdcode.clear();
    } else if (type == 2) {
        if (cbitWord == 32) {
            opCur = (w >> 27) & 3;
            regCur = regLastType1;
            cwordLeft = w & 0x07FFFFFF;
        } else {
            opCur = (w >> 11) & 3;
            regCur = (w >> 5) & 0x3F;
            cwordType2 = 0;
            cwordCountLeft = 2;
        }
    } else {
        return;     // not a packet header: ignored
    }
    if (opCur == 1 && cwordLeft > 0) {
        ReadReg(regCur, uint32_t(cwordLeft));
        cwordLeft = 0;
    }
    rgwCrc.clear();
}

void CFGLOGIC::Data(uint32_t w)
{
    if (opCur != 2 || regCur == regNone)
        return;
    WriteReg(regCur, w);
    // The automatic CRC words follow the last word of a block of frame data.
    if (cwordLeft == 0 && regCur == Regmap(xfam).fdri && cwordAutoCrc > 0) {
        cwordAutoLeft = cwordAutoCrc;
        wAutoCrc = 0;
    }
}

void CFGLOGIC::AutoCrcWord(uint32_t w)
{
    wAutoCrc = (wAutoCrc << 16) | w;
    if (--cwordAutoLeft == 0)
        CheckCrc(cbitWord == 32 ? w : wAutoCrc);
}

void CFGLOGIC::CheckCrc(uint32_t crcWant)
{
    if (!crc.FCheck(crcWant)) {
        fCrcError = true;
        fStartArmed = false;
    }
}

void CFGLOGIC::WriteReg(int reg, uint32_t w)
{
    const REGMAP &rm = Regmap(xfam);
    if (reg == rm.crc) {
        // 16-bit families: bits 21-16, then bits 15-0.
        rgwCrc.push_back(w);
        if (cbitWord == 32 || rgwCrc.size() == 2) {
            CheckCrc(cbitWord == 32 ? w : (rgwCrc[0] << 16) | (rgwCrc[1] & 0xFFFF));
            rgwCrc.clear();
        }
        return;
    }
    crc.Feed(unsigned(reg), w);
    if (reg == rm.fdri) {
        if (fIdError || fCrcError || !fWcfg)
            return;
        if (rgbFdri.size() < cbRecordMax) {
            for (int ib = int(cbitWord / 8) - 1; ib >= 0; ib--)
                rgbFdri.push_back(uint8_t(w >> (8 * ib)));
        }
        fScanWroteFdri = true;
        return;
    }
    if (reg == rm.cmd) {
        mpregval[reg] = w;
        Command(w & 0x1F);
        return;
    }
    if (reg == rm.idcode) {
        rgwIdcode.push_back(w);
        if (cbitWord == 32 || rgwIdcode.size() == 2) {
            uint32_t id = cbitWord == 32 ? w : (rgwIdcode[0] << 16) | (rgwIdcode[1] & 0xFFFF);
            mpregval[reg] = id;
            if ((id & 0x0FFFFFFF) != (idcode & 0x0FFFFFFF))
                fIdError = true;
            rgwIdcode.clear();
        }
        return;
    }
    mpregval[reg] = w;
}

void CFGLOGIC::ReadReg(int reg, uint32_t cword)
{
    const REGMAP &rm = Regmap(xfam);
    for (uint32_t iword = 0; iword < cword && qwOut.size() < 4096; iword++) {
        uint32_t w = 0;
        if (reg == rm.stat)
            w = Stat();
        else if (reg == rm.idcode)
            w = cbitWord == 32 ? idcode : iword == 0 ? idcode >> 16 : idcode & 0xFFFF;
        else if (reg == rm.crc)
            w = cbitWord == 32 ? crc.Value() : iword == 0 ? crc.Value() >> 16 : crc.Value() & 0xFFFF;
        else if (reg != rm.fdro) {
            auto it = mpregval.find(reg);
            w = it == mpregval.end() ? 0 : it->second;
        }
        qwOut.push_back(cbitWord == 32 ? w : (w & 0xFFFF));
    }
}

void CFGLOGIC::Command(uint32_t cmd)
{
    switch (cmd) {
    case cmdRcrc:
        crc.Clear();
        break;
    case cmdWcfg:
        fWcfg = true;
        break;
    case cmdStart:
        if (!fCrcError && !fIdError)
            fStartArmed = true;
        break;
    case cmdDesync:
        Desync();
        break;
    case cmdShutdown:
        break;
    default:
        break;
    }
}

void CFGLOGIC::Desync()
{
    fSynced = false;
    shift = 0;
    regCur = regNone;
    cwordLeft = 0;
    fWcfg = false;
    RunCclkStartup();
}

void CFGLOGIC::RunCclkStartup()
{
    auto it = mpregval.find(Regmap(xfam).cor);
    uint32_t cor = it == mpregval.end() ? 0 : it->second;
    if (StartupClockSource(cor) != 0)
        return;         // JTAG clock, or a user clock the board does not drive
    while (fStartArmed && phase < phaseEnd)
        StartupStep();
}

void CFGLOGIC::StartupClockJtag()
{
    if (fStartArmed && phase < phaseEnd && FJtagStartupClock())
        StartupStep();
}

void CFGLOGIC::StartupStep()
{
    phase++;
    if (phase == phaseDone)
        fDone = true;
    if (phase == phaseGts)
        fGts = false;
    if (phase == phaseGwe) {
        TakeTag();
        fGwe = true;
        fRunChanged = true;
    }
    if (phase == phaseEnd)
        fStartArmed = false;
}

void CFGLOGIC::TakeTag()
{
    szTag.clear();
    if (rgbFdri.size() < 8 || memcmp(rgbFdri.data(), "KVDT", 4) != 0)
        return;
    uint32_t cch = uint32_t(rgbFdri[4]) << 24 | uint32_t(rgbFdri[5]) << 16 | uint32_t(rgbFdri[6]) << 8 | rgbFdri[7];
    if (cch > 255 || 8 + cch > rgbFdri.size())
        return;
    szTag.assign(reinterpret_cast<const char *>(rgbFdri.data()) + 8, cch);
}

std::vector<uint8_t> CFGLOGIC::RgbitOut()
{
    std::vector<uint8_t> rgbit;
    while (!qwOut.empty()) {
        uint32_t w = qwOut.front();
        qwOut.pop_front();
        for (int ibit = int(cbitWord) - 1; ibit >= 0; ibit--)
            rgbit.push_back((w >> ibit) & 1);
    }
    return rgbit;
}

} // namespace sim
