// dsgmemmgr.cpp - the memory-manager design (dsgmemmgr.h).

#include "dsgmemmgr.h"

#include <algorithm>
#include <cstdio>

namespace sim {

namespace {

enum : uint8_t {
    regSwitches = 0x10, regButtons = 0x11, regCmd = 0x80, regStatus = 0x81, regResult = 0x82, regData = 0xA0,
    stsDone = 1, stsBusy = 2, stsDataIn = 3, stsDataOut = 4, stsBusyFF = 0xFF,
    cmdInit = 0x01, cmdProgram = 0x0C, cmdRead = 0x0D, cmdQuery = 0x13, cmdErase = 0x43, cmdChipErase = 0x53,
    resultBadRange = 2, resultUnknown = 0xFF,
};

const uint8_t rgregAddr[4] = {0x94, 0x89, 0x88, 0x87};   // bits 31-24 first
const uint8_t rgregLen[4] = {0x93, 0x92, 0x91, 0x90};
const uint32_t cbChunk = 4096;                          // data moved per flash access

std::string SzHex2(uint8_t b)
{
    char sz[8];
    snprintf(sz, sizeof(sz), "%02x", b);
    return sz;
}

std::string SzNum(uint32_t u)
{
    char sz[16];
    snprintf(sz, sizeof(sz), "0x%x", u);
    return sz;
}

class MEMMGR : public SIMDESIGN {
public:
    MEMMGR(DESIGNENV &envIn, const MEMMGRPROFILE &profileIn)
        : SIMDESIGN(envIn), profile(profileIn), flash(env.Flash(profile.szFlash, profile.rgregion, FLASHTIMES{0, 0}))
    {
    }

    bool FPut(uint8_t reg, uint8_t b) override;
    bool FGet(uint8_t reg, uint8_t &b) override;

private:
    enum PHASE { phIdle, phBusy, phDataIn, phDataOut };

    uint32_t UReg(const uint8_t rgreg[4]) const;
    void Command(uint8_t cmd);
    void Finish(uint64_t usAt, uint8_t bResult);
    void TakeData(uint8_t b);
    void FlushProgram();
    uint8_t BRead();
    uint8_t BStatus();
    std::string SzFault(const char *szKind) const { return "fault." + std::string(szKind) + "." + SzHex2(cmdCur); }

    const MEMMGRPROFILE &profile;
    FLASHARRAY &flash;
    uint8_t rgbReg[256] = {};
    PHASE ph = phIdle;
    uint8_t cmdCur = 0;
    uint8_t bResult = 0;
    bool fStuck = false;
    uint64_t usDone = 0;
    uint32_t cReads = 0;
    // The transfer of a program or read command.
    uint32_t addrXfer = 0, cbLeft = 0;
    std::vector<uint8_t> rgbChunk;
    uint32_t addrChunk = 0;
    uint64_t nsProgramEnd = 0;   // when the flash has programmed what arrived so far
    uint64_t nsProgramBusy = 0;  // the flash's programming time of this command
    bool fRangeOk = true;
};

uint32_t MEMMGR::UReg(const uint8_t rgreg[4]) const
{
    uint32_t u = 0;
    for (int i = 0; i < 4; i++)
        u = (u << 8) | rgbReg[rgreg[i]];
    return u;
}

void MEMMGR::Finish(uint64_t usAt, uint8_t bResultIn)
{
    ph = phBusy;
    usDone = usAt;
    bResult = bResultIn;
    if (env.FHasOpt(SzFault("result")))
        bResult = static_cast<uint8_t>(env.UOpt(SzFault("result")));
}

void MEMMGR::Command(uint8_t cmd)
{
    if (ph == phDataIn)
        FlushProgram();
    cmdCur = cmd;
    fStuck = env.FHasOpt(SzFault("stuck"));
    uint32_t addr = UReg(rgregAddr), cb = UReg(rgregLen);
    env.Log("cmd " + SzHex2(cmd) + " addr " + SzNum(addr) + " len " + SzNum(cb));
    uint64_t usNow = DESIGNENV::UsNow();
    switch (cmd) {
    case cmdInit:
        Finish(usNow, 0);
        return;
    case cmdQuery: {
        uint32_t addrBlock = 0, cbBlock = 0;
        if (!flash.FBlockAt(addr, &addrBlock, &cbBlock)) {
            Finish(usNow, resultBadRange);
            return;
        }
        uint8_t r = flash.FBlank(addrBlock, cbBlock) ? 0 : 1;
        env.Log("query " + SzNum(addrBlock) + " " + std::to_string(r));
        Finish(usNow, r);
        return;
    }
    case cmdErase: {
        uint32_t addrBlock = 0, cbBlock = 0;
        bool fOk = flash.FBlockAt(addr, &addrBlock, &cbBlock) && flash.FEraseBlock(addr);
        if (fOk)
            env.Log("erase " + SzNum(addrBlock));
        // Done once the flash is: its busy time started at the erase call.
        uint64_t usBusy = fOk ? env.UsScaled(profile.usEraseBlock) : 0;
        env.Log("busy " + std::to_string(usBusy));
        Finish(DESIGNENV::UsNow() + 1 + usBusy, fOk ? 0 : 1);
        return;
    }
    case cmdChipErase: {
        bool fOk = flash.FEraseChip();
        uint64_t usChip = fOk ? env.UsScaled(profile.usChipErase) : 0;
        env.Log("chiperase");
        env.Log("busy " + std::to_string(usChip));
        Finish(DESIGNENV::UsNow() + 1 + usChip, fOk ? 0 : 1);
        return;
    }
    case cmdProgram:
    case cmdRead:
        addrXfer = addr;
        cbLeft = cb;
        rgbChunk.clear();
        addrChunk = addr;
        nsProgramEnd = usNow * 1000;
        nsProgramBusy = 0;
        fRangeOk = addr < flash.CbSize() && cb <= flash.CbSize() - addr;
        if (cmd == cmdProgram && (!fRangeOk || (profile.fX16 && ((addr | cb) & 1)))) {
            Finish(usNow, resultBadRange);
            return;
        }
        env.Log(std::string(cmd == cmdProgram ? "program " : "read ") + SzNum(addr) + " " + SzNum(cb));
        ph = cmd == cmdProgram ? phDataIn : phDataOut;
        if (cb == 0)
            Finish(usNow, 0);
        return;
    default:
        for (auto &test : profile.rgtest)
            if (test.cmd == cmd) {
                Finish(usNow + env.UsScaled(test.msBusy * 1000ull),
                       static_cast<uint8_t>(env.UOpt("testresult." + SzHex2(cmd), 0)));
                return;
            }
        Finish(usNow, resultUnknown);
    }
}

void MEMMGR::FlushProgram()
{
    if (rgbChunk.empty())
        return;
    std::vector<uint8_t> rgbOld = flash.Read(addrChunk, rgbChunk.size());
    for (size_t i = 0; i < rgbChunk.size(); i++)
        rgbOld[i] &= rgbChunk[i];
    if (env.FHasOpt("fault.flip")) {
        uint64_t addrFlip = env.UOpt("fault.flip");
        if (addrFlip >= addrChunk && addrFlip < addrChunk + rgbChunk.size())
            rgbOld[addrFlip - addrChunk] |= 1;
    }
    flash.Poke(addrChunk, rgbOld.data(), rgbOld.size());
    uint64_t nsNow = DESIGNENV::UsNow() * 1000;
    uint64_t nsBusy = env.UsScaled(uint64_t(profile.nsProgramByte) * rgbChunk.size());
    nsProgramEnd = std::max(nsProgramEnd, nsNow) + nsBusy;
    nsProgramBusy += nsBusy;
    addrChunk += static_cast<uint32_t>(rgbChunk.size());
    rgbChunk.clear();
}

void MEMMGR::TakeData(uint8_t b)
{
    if (ph != phDataIn || cbLeft == 0)
        return;
    rgbChunk.push_back(b);
    cbLeft--;
    if (rgbChunk.size() >= cbChunk || ((addrChunk + rgbChunk.size()) % cbChunk) == 0)
        FlushProgram();
    if (cbLeft == 0) {
        FlushProgram();
        env.Log("busy " + std::to_string(nsProgramBusy / 1000));
        Finish((nsProgramEnd + 999) / 1000, 0);
    }
}

uint8_t MEMMGR::BRead()
{
    if (ph != phDataOut || cbLeft == 0)
        return 0xFF;
    if (rgbChunk.empty()) {
        uint32_t cb = std::min(cbLeft, cbChunk);
        rgbChunk.assign(cb, 0xFF);
        if (addrXfer < flash.CbSize())
            flash.Read(addrXfer, rgbChunk.data(), std::min<uint32_t>(cb, flash.CbSize() - addrXfer));
        addrChunk = 0;
    }
    uint8_t b = rgbChunk[addrChunk++];
    addrXfer++;
    if (--cbLeft == 0)
        Finish(DESIGNENV::UsNow(), 0);
    else if (addrChunk == rgbChunk.size())
        rgbChunk.clear();
    return b;
}

uint8_t MEMMGR::BStatus()
{
    uint8_t sts = stsDone;
    if (ph == phDataIn)
        sts = stsDataIn;
    else if (ph == phDataOut)
        sts = stsDataOut;
    else if (ph == phBusy && (fStuck || DESIGNENV::UsNow() < usDone))
        sts = (++cReads % 4) == 0 ? stsBusyFF : stsBusy;
    else if (ph == phBusy)
        ph = phIdle;
    if (env.FHasOpt(SzFault("status")) && cmdCur != 0)
        sts = static_cast<uint8_t>(env.UOpt(SzFault("status")));
    return sts;
}

bool MEMMGR::FPut(uint8_t reg, uint8_t b)
{
    switch (reg) {
    case regCmd:
        Command(b);
        return false;   // reads back what was written
    case regData:
        TakeData(b);
        return true;
    case regStatus:
    case regResult:
        return true;    // the self-test writes 1 to the status first: taken, no effect
    default:
        rgbReg[reg] = b;
        return false;
    }
}

bool MEMMGR::FGet(uint8_t reg, uint8_t &b)
{
    switch (reg) {
    case regStatus:
        b = BStatus();
        return true;
    case regResult:
        b = bResult;
        return true;
    case regData:
        b = BRead();
        return true;
    case regSwitches:
        b = static_cast<uint8_t>(env.UOpt("switches", 0));
        return true;
    case regButtons:
        b = static_cast<uint8_t>(env.UOpt("buttons", 0));
        return true;
    default:
        return false;
    }
}

} // namespace

std::unique_ptr<SIMDESIGN> PdesignMemMgr(DESIGNENV &env, const MEMMGRPROFILE &profile)
{
    return std::make_unique<MEMMGR>(env, profile);
}

} // namespace sim
