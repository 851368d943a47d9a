// One flash operation on the worker thread (flashjob.h).

#include "flashjob.h"

#include <string.h>

#include <algorithm>
#include <new>
#include <vector>

#include "wholefile.h"

const FLASHPROFILE g_flprofCorvale = {
    0x2000000, CbBlockCorvale, 1, 0x100000, 10, true, true, false, 0, 0, 0x2000000, true, idsFlWriting,
};

const FLASHPROFILE g_flprofPentra = {
    0x1000000, CbBlockPentra, 5, 0x20000, 300, false, false, true, 1000, 100, 0x1000000, false, idsFlConfigWith,
};

namespace {

enum { cbReadAsk = 0x2000000, cfirstContactMax = 10, tsecContact = 1, tsecChipErase = 240, tsecBlockErase = 5,
       tsecTransfer = 1, cmdQuery = 0x13, cmdBlockErase = 0x43, cmdChipErase = 0x53 };

// An operation's run: each step gives false at a failure (idsFail set) or a
// cancel (nothing set; the final text says so).
class FLASHRUN {
public:
    FLASHRUN(const FLASHPROFILE &profIn, const FLASHARGS &argsIn, FLASHPORTS &portsIn)
        : prof(profIn), args(argsIn), ports(portsIn)
    {
    }
    FLASHEND Run();

private:
    bool FFail(uint32_t ids, const std::string &szSuffix = std::string())
    {
        end.idsFail = ids;
        end.szFailSuffix = szSuffix;
        return false;
    }
    bool FGoOn() { return !ports.FCancelled(); }
    // A text logged only while no cancel is asked for.
    void LogUnlessCancelled(uint32_t ids, const std::string &szSuffix = std::string())
    {
        if (!ports.FCancelled())
            ports.Log(ids, szSuffix);
    }
    bool FBringUp();
    bool FFirstContact();
    bool FEraseWalk();
    bool FProgram();
    bool FVerify();
    bool FReadBack();
    bool FRangeTo(uint32_t addr, uint32_t cb) { return FPutAddress(ports, addr) && FPutLength(ports, cb); }
    void ShutDown();

    const FLASHPROFILE &prof;
    const FLASHARGS &args;
    FLASHPORTS &ports;
    FLASHIMG img;
    bool fOpen = false;
    FLASHEND end;
};

bool FLASHRUN::FBringUp()
{
    if (!FGoOn())
        return false;
    if (!ports.FOpen())
        return FFail(idsFlNoOpen);
    fOpen = true;
    if (prof.fEnableFirst && !ports.FEnable())
        return FFail(idsFlNoEnable);
    if (!ports.FConfigReset(true))
        return FFail(idsFlCommFailed);
    ports.SleepMs(100);
    if (!ports.FConfigReset(false))
        return FFail(idsFlCommFailed);
    if (!FGoOn())
        return false;
    LogUnlessCancelled(idsFlConfiguring);
    if (!ports.FConfigureFpga())
        return FFail(idsFlNoTestImage);
    if (!prof.fEnableFirst && !ports.FEnable())
        return FFail(idsFlNoEnable);
    return FGoOn();
}

bool FLASHRUN::FFirstContact()
{
    if (prof.msBeforeContact != 0)
        ports.SleepMs(prof.msBeforeContact);
    for (int i = 0; i < cfirstContactMax && RunCmd(ports, cmdInit, -1) == rcWriteFailed; i++) {
        if (!FGoOn())
            return false;
        ports.SleepMs(100);
    }
    if (!FGoOn())
        return false;
    if (prof.msAfterContact != 0)
        ports.SleepMs(prof.msAfterContact);
    if (RunCmd(ports, cmdInit, tsecContact) != 0)
        return FFail(idsFlCommFailed);
    return true;
}

// Every block that a run touches, from the block holding its first byte.
bool FLASHRUN::FEraseWalk()
{
    if (!FGoOn())
        return false;
    ports.Log(idsFlErasing);
    for (int iseg = 0; iseg < img.cseg; iseg++) {
        for (uint32_t addr : RgaddrEraseWalk(img.rgseg[iseg].addr, img.rgseg[iseg].cb, prof.pfnCbBlock)) {
            if (!FGoOn())
                return false;
            if (!FPutAddress(ports, addr))
                return FFail(idsFlFailed);
            int r = RunCmd(ports, cmdQuery, prof.tsecQuery);
            if (r == 1 && RunCmd(ports, cmdBlockErase, tsecBlockErase) != 0)
                return FFail(idsFlFailed);
            if (r != 0 && r != 1)
                return FFail(idsFlFailed);
        }
    }
    return true;
}

bool FLASHRUN::FProgram()
{
    if (args.op == opProgram)
        LogUnlessCancelled(idsFlConfigWith, args.szProgramFile);
    else
        LogUnlessCancelled(prof.idsWriting, args.szWriteFile);
    static const uint8_t bPad = 0xFF;
    for (int iseg = 0; iseg < img.cseg; iseg++) {
        const FLASHSEG &seg = img.rgseg[iseg];
        if (!FGoOn())
            return false;
        PADDED range = prof.fWordPads ? PadToWords(seg.addr, seg.cb) : PADDED{seg.addr, seg.cb, false, false};
        if (!FRangeTo(range.addr, range.cb) || RunCmd(ports, cmdProgram, tsecTransfer) != 0)
            return FFail(idsFlFailed);
        if (range.fLead && !ports.FPutReg(regData, bPad))
            return FFail(idsFlFailed);
        for (uint32_t ib = 0; ib < seg.cb; ib += prof.cbPiece) {
            if (!FGoOn())
                return false;
            if (!ports.FPutRegRepeat(regData, seg.pb + ib, std::min(prof.cbPiece, seg.cb - ib)))
                return FFail(idsFlFailed);
        }
        if (range.fTail && !ports.FPutReg(regData, bPad))
            return FFail(idsFlFailed);
        if (RunCmd(ports, -1, prof.tsecProgramEnd) != 0)
            return FFail(idsFlFailed);
    }
    return true;
}

bool FLASHRUN::FVerify()
{
    LogUnlessCancelled(idsFlVerifying);
    std::vector<uint8_t> rgb;
    for (int iseg = 0; iseg < img.cseg; iseg++) {
        const FLASHSEG &seg = img.rgseg[iseg];
        try {
            rgb.assign(seg.cb, 0);
        } catch (const std::bad_alloc &) {
            return FFail(idsFlFailed);
        }
        if (!FRangeTo(seg.addr, seg.cb) || RunCmd(ports, cmdRead, tsecTransfer) != 0)
            return FFail(idsFlFailed);
        for (uint32_t ib = 0; ib < seg.cb; ib += prof.cbPiece) {
            if (!FGoOn())
                return false;
            if (!ports.FGetRegRepeat(regData, rgb.data() + ib, std::min(prof.cbPiece, seg.cb - ib)))
                return FFail(idsFlFailed);
        }
        if (seg.cb != 0 && memcmp(rgb.data(), seg.pb, seg.cb) != 0)
            return FFail(idsFlFailed);
    }
    return true;
}

// The whole flash into the file, which takes the data only when every piece
// was read and written: a failure or a cancel leaves no part of it.
bool FLASHRUN::FReadBack()
{
    if (!FGoOn())
        return false;
    ports.Log(idsFlReading);
    std::vector<uint8_t> rgb(prof.cbPiece);
    if (!FRangeTo(0, cbReadAsk) || RunCmd(ports, cmdRead, tsecTransfer) != 0)
        return FFail(idsFlFailed);
    WHOLEFILE file;
    if (!file.FCreate(args.szReadFile))
        return FFail(idsFlFileError, args.szReadFile);
    for (uint32_t ib = 0; ib < prof.cbReadBack; ib += prof.cbPiece) {
        if (!FGoOn())
            return false;
        if (!ports.FGetRegRepeat(regData, rgb.data(), prof.cbPiece))
            return FFail(idsFlFailed);
        if (!file.FWrite(rgb.data(), prof.cbPiece))
            return FFail(idsFlFileError, args.szReadFile);
    }
    if (!file.FCommit())
        return FFail(idsFlFileError, args.szReadFile);
    return true;
}

void FLASHRUN::ShutDown()
{
    if (!fOpen)
        return;
    ports.FConfigReset(true);
    ports.SleepMs(100);
    ports.FConfigReset(false);
    ports.Disable();
    if (prof.fTarv)
        ports.TarvDisable();
    ports.Close();
    fOpen = false;
}

FLASHEND FLASHRUN::Run()
{
    bool fOk = true;
    if (args.op == opProgram || args.op == opWriteFile) {
        if (!FLoadFlashImage(prof, args, &img))
            fOk = FFail(idsFlFileError, args.op == opProgram ? args.szProgramFile : args.szWriteFile);
    }
    fOk = fOk && FBringUp() && FFirstContact();
    if (fOk && args.op == opErase) {
        LogUnlessCancelled(idsFlErasing);
        if (FGoOn() && RunCmd(ports, cmdChipErase, tsecChipErase) != 0)
            fOk = FFail(idsFlFailed);
    }
    fOk = fOk && FGoOn();
    if (fOk && (args.op == opProgram || args.op == opWriteFile) && img.cseg > 0)
        fOk = FEraseWalk() && FProgram() && (!args.fVerify || FVerify());
    if (fOk && args.op == opReadBack)
        fOk = FReadBack();
    ShutDown();
    if (fOk)
        end.idsFinal = args.op == opProgram ? idsFlSuccess : idsFlDone;
    else if (end.idsFail == 0 || ports.FCancelled())
        end.idsFinal = idsFlCancelled;
    else
        end.idsFinal = idsFlConfigFailed;
    return end;
}

} // namespace

bool FLoadFlashImage(const FLASHPROFILE &prof, const FLASHARGS &args, FLASHIMG *pimg)
{
    bool fOk;
    if (args.op == opWriteFile) {
        fOk = FLoadDataFile(args.szWriteFile, args.addrWrite, pimg);
    } else {
        FLASHRULES rules = prof.fCorvaleRules ? RulesCorvale(args.fX16) : RulesPentra();
        fOk = FLoadProgramFile(args.szProgramFile, rules, pimg, nullptr);
        if (fOk && prof.fCorvaleRules && args.fBpiDown)
            fOk = FMirrorBpiDown(pimg);
    }
    return fOk && FImageFits(*pimg, prof.cbFlash);
}

FLASHEND RunFlashJob(const FLASHPROFILE &prof, const FLASHARGS &args, FLASHPORTS &ports)
{
    return FLASHRUN(prof, args, ports).Run();
}

void LogFlashEnd(const FLASHEND &end, FLASHPORTS &ports)
{
    if (end.idsFinal == idsFlConfigFailed && end.idsFail != 0)
        ports.Log(end.idsFail, end.szFailSuffix);
    ports.Log(end.idsFinal);
}
