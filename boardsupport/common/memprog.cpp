// The Miravo3 memory programming engine (memprog.h).

#include "memprog.h"

#include <stdio.h>

#include <memory>

#include "flashimg.h"
#include "flashplan.h"
#include "wholefile.h"

namespace {

// The plug-in's texts the worker shows.
enum {
    idsConfigFail = 110, idsOpenFail = 121, idsEnableFail = 122, idsFileError = 131, idsCommFail = 132,
    idsConfiguring = 129, idsProgramming = 130, idsErasing = 133, idsFailed = 134, idsProgramDone = 135,
    idsRunFailed = 136, idsDone = 137, idsCancelled = 138, idsVerifying = 142, idsReading = 145,
    idsDesignFound = 147, idsMismatch = 148, idsTestData = 151, idsEmptyFile = 153,
};

const int cdiffShown = 7;

// The three memories' commands.
struct TGTCMDS {
    int cmdProgram, cmdRead;
};
const TGTCMDS rgtgtcmds[3] = { { 0x43, 0x53 }, { 0x32, 0x42 }, { 0x24, 0x34 } };

uint32_t CbSpiSmall(uint32_t addr) { return CbBlockMiravo3Spi(0, addr); }
uint32_t CbSpiBig(uint32_t addr) { return CbBlockMiravo3Spi(0x20DA18, addr); }

std::string SzQuoted(const std::string &szFile)
{
    return " \"" + szFile + "\"";
}

std::string SzFormat(const char *szFmt, long l)
{
    char sz[64];
    snprintf(sz, sizeof(sz), szFmt, l);
    return sz;
}

// One run: each step gives false to end the run (failure text set, or
// cancelled).
class MEMRUN {
public:
    MEMRUN(MEMPORT &portIn, const MEMJOB &jobIn) : port(portIn), job(jobIn) {}
    MEMRESULT Run();

private:
    bool FFail(int ids, const std::string &szMore = std::string())
    {
        szFail = port.SzString(ids) + szMore;
        return false;
    }
    bool FGoOn() { return !port.FCancelled(); }   // a cancel check
    void LogUnlessCancelled(const std::string &sz)
    {
        if (!port.FCancelled())
            port.Log(sz);
    }
    uint32_t ReadId();
    bool FLoadImage();
    bool FFindOrLoadDesign();
    bool FErase();
    bool FProgram();
    bool FVerify();
    bool FReadBack();
    bool FRange(uint32_t addr, uint32_t cb) { return FPutAddress(port, addr) && FPutLength(port, cb); }
    int Cmd(int cmd, int tsec) { return RunCmd(port, cmd, tsec, rcpollMemory); }
    bool FReadRange(uint32_t addr, uint32_t cb, uint8_t *pb);

    MEMPORT &port;
    const MEMJOB &job;
    FLASHIMG img;
    std::string szFail;
};

uint32_t MEMRUN::ReadId()
{
    uint32_t id = 0;
    for (int i = 0; i < 4; i++) {
        uint8_t b;
        if (!port.FGetReg(static_cast<uint8_t>(0x83 + i), &b))
            return 0xFFFFFFFF;
        id |= static_cast<uint32_t>(b) << (8 * i);
    }
    return id;
}

bool MEMRUN::FLoadImage()
{
    if (job.op == opFullTest) {
        img.rgbData = RgbMemTestData(port.MsTick(), job.cbMem);
        img.cseg = 1;
        img.rgseg[0] = { 0, job.cbMem, img.rgbData.data() };
        return true;
    }
    if (job.op != opProgram && job.op != opWriteFile)
        return true;
    const std::string &szFile = job.op == opProgram ? job.szProgramFile : job.szWriteFile;
    bool fRead = job.op == opProgram
        ? FLoadProgramFile(szFile, RulesMiravo3(job.tgt), &img, nullptr)
        : FLoadDataFile(szFile, static_cast<uint32_t>(job.addrWrite), &img);
    if (!fRead)
        return FFail(idsFileError, SzQuoted(szFile));
    if (img.cseg == 0 || img.rgseg[0].cb == 0)
        return FFail(idsEmptyFile);
    // An image that runs past the memory would wrap or be cut by the design.
    if (!FImageFits(img, job.cbMem))
        return FFail(idsFileError, SzQuoted(szFile));
    return true;
}

bool MEMRUN::FFindOrLoadDesign()
{
    port.SetTransTimeout(500);
    if (Cmd(0x01, 0) == 0 && Cmd(cmdDesignId, 0) == 0 && ReadId() == idMemDesign) {
        port.SetTransTimeout(10000);
        LogUnlessCancelled(port.SzString(idsDesignFound));
        return true;
    }
    port.SetTransTimeout(10000);
    LogUnlessCancelled(port.SzString(idsConfiguring));
    if (!port.FConfigure())
        return FFail(idsConfigFail);
    if (!FGoOn())
        return false;
    port.SleepMs(500);
    for (int i = 0; i < 10 && Cmd(0x01, -1) == rcWriteFailed; i++) {
        if (!FGoOn())
            return false;
        port.SleepMs(100);
    }
    if (!FGoOn())
        return false;
    port.SleepMs(100);
    if (Cmd(0x01, 1) != 0 || Cmd(cmdDesignId, 1) != 0 || ReadId() != idMemDesign)
        return FFail(idsCommFail);
    return true;
}

bool MEMRUN::FErase()
{
    std::string szErasing = port.SzString(idsErasing);
    if (!FGoOn())
        return false;
    port.Log(szErasing);
    PFNCBBLOCK pfnCbBlock = CbBlockMiravo3Bpi;
    if (job.tgt == tgtSpi) {
        pfnCbBlock = CbSpiSmall;
        if (Cmd(cmdSpiId, 1) == 0 && (ReadId() & 0xFFFFFF) == 0x20DA18)
            pfnCbBlock = CbSpiBig;
    }
    FLASHSEG segAll = { 0, job.cbMem, nullptr };
    int cseg = job.op == opErase ? 1 : img.cseg;
    for (int iseg = 0; iseg < cseg; iseg++) {
        const FLASHSEG &seg = job.op == opErase ? segAll : img.rgseg[iseg];
        // Every block the run touches, the first one too when the run starts
        // inside it.
        for (uint32_t a : RgaddrEraseWalk(seg.addr, seg.cb, pfnCbBlock)) {
            if (!FGoOn())
                return false;
            if (!FPutAddress(port, a))
                return FFail(idsFailed);
            if (job.tgt == tgtSpi) {
                int r = Cmd(0x23, 5);
                if (r == 1) {
                    if (Cmd(0x33, 5) != 0)
                        return FFail(idsFailed);
                } else if (r != 0) {
                    return FFail(idsFailed);
                }
            } else if (Cmd(0x22, 5) != 0) {
                return FFail(idsFailed);
            }
        }
    }
    return true;
}

bool MEMRUN::FProgram()
{
    std::string sz = job.op == opFullTest
        ? port.SzString(idsTestData)
        : port.SzString(idsProgramming) + SzQuoted(job.op == opProgram ? job.szProgramFile : job.szWriteFile);
    sz += SzFormat(" (%ld Bytes)", static_cast<long>(img.rgseg[0].cb));
    if (!FGoOn())
        return false;
    port.Log(sz);
    for (int iseg = 0; iseg < img.cseg; iseg++) {
        const FLASHSEG &seg = img.rgseg[iseg];
        if (!FGoOn())
            return false;
        if (!FRange(seg.addr, seg.cb))
            return FFail(idsFailed);
        Cmd(rgtgtcmds[job.tgt].cmdProgram, 0);
        for (uint32_t ib = 0; ib < seg.cb; ib += cbMemPiece) {
            if (!FGoOn())
                return false;
            uint32_t cb = seg.cb - ib < cbMemPiece ? seg.cb - ib : cbMemPiece;
            if (!port.FPutData(seg.pb + ib, cb))
                return FFail(idsFailed);
        }
        if (Cmd(-1, 300) != 0)
            return FFail(idsFailed);
    }
    return true;
}

bool MEMRUN::FReadRange(uint32_t addr, uint32_t cb, uint8_t *pb)
{
    if (!FRange(addr, cb))
        return FFail(idsFailed);
    Cmd(rgtgtcmds[job.tgt].cmdRead, 0);
    for (uint32_t ib = 0; ib < cb; ib += cbMemPiece) {
        if (!FGoOn())
            return false;
        uint32_t cbPiece = cb - ib < cbMemPiece ? cb - ib : cbMemPiece;
        if (!port.FGetData(pb + ib, cbPiece))
            return FFail(idsFailed);
    }
    return true;
}

bool MEMRUN::FVerify()
{
    LogUnlessCancelled(port.SzString(idsVerifying));
    std::vector<uint8_t> rgbRead;
    for (int iseg = 0; iseg < img.cseg; iseg++) {
        const FLASHSEG &seg = img.rgseg[iseg];
        try {
            rgbRead.assign(seg.cb, 0);
        } catch (const std::bad_alloc &) {
            return FFail(idsFailed);
        }
        if (!FReadRange(seg.addr, seg.cb, rgbRead.data()))
            return false;
        if (job.op != opFullTest) {
            for (uint32_t ib = 0; ib < seg.cb; ib++)
                if (rgbRead[ib] != seg.pb[ib])
                    return FFail(idsMismatch);
            continue;
        }
        long cdiff = 0;
        for (uint32_t ib = 0; ib < seg.cb; ib++) {
            if (rgbRead[ib] == seg.pb[ib])
                continue;
            if (cdiff == 0)
                LogUnlessCancelled("Address\tWritten\tRead");
            if (cdiff < cdiffShown) {
                char sz[64];
                snprintf(sz, sizeof(sz), "0x%04X\t0x%02X\t0x%02X", ib, seg.pb[ib], rgbRead[ib]);
                LogUnlessCancelled(sz);
            } else if (cdiff == cdiffShown) {
                LogUnlessCancelled("...");
            }
            cdiff++;
        }
        if (cdiff != 0) {
            char sz[96];
            snprintf(sz, sizeof(sz), "Total errors: %ld / %ld (%.2f%%)", cdiff, static_cast<long>(seg.cb),
                     cdiff * 100.0 / seg.cb);
            LogUnlessCancelled(sz);
        }
    }
    return true;
}

bool MEMRUN::FReadBack()
{
    uint32_t cbRead = static_cast<uint32_t>(job.cbRead);
    std::string sz = port.SzString(idsReading) + SzQuoted(job.szReadFile) + SzFormat(" (%ld Bytes)", job.cbRead);
    if (!FGoOn())
        return false;
    port.Log(sz);
    std::vector<uint8_t> rgb;
    try {
        rgb.resize(cbMemPiece);
    } catch (const std::bad_alloc &) {
        return FFail(idsFailed);
    }
    if (!FRange(static_cast<uint32_t>(job.addrRead), cbRead))
        return FFail(idsFailed);
    Cmd(rgtgtcmds[job.tgt].cmdRead, 0);
    WHOLEFILE file;
    if (!file.FCreate(job.szReadFile))
        return FFail(idsFileError, SzQuoted(job.szReadFile));
    for (uint32_t ib = 0; ib < cbRead; ib += cbMemPiece) {
        if (!FGoOn())
            return false;
        uint32_t cb = cbRead - ib < cbMemPiece ? cbRead - ib : cbMemPiece;
        if (!port.FGetData(rgb.data(), cb))
            return FFail(idsFailed);
        if (!file.FWrite(rgb.data(), cb))
            return FFail(idsFileError);
    }
    // The file counts only once it is complete and reads back as written.
    if (!file.FCommit())
        return FFail(idsFileError, SzQuoted(job.szReadFile));
    return true;
}

MEMRESULT MEMRUN::Run()
{
    uint32_t msStart = port.MsTick();
    bool fOk = false;
    bool fFlash = job.tgt == tgtSpi || job.tgt == tgtBpi;
    bool fWrites = job.op == opProgram || job.op == opWriteFile || job.op == opFullTest;
    do {
        if (!port.FOpen()) {
            FFail(idsOpenFail);
            break;
        }
        if (!FGoOn())
            break;
        if (!port.FEnable()) {
            FFail(idsEnableFail);
            break;
        }
        if (job.tgt < tgtSpi || job.tgt > tgtRam || !FLoadImage() || !FGoOn() || !FFindOrLoadDesign())
            break;
        if (fFlash && (job.op == opErase || (fWrites && img.cseg > 0)) && !FErase())
            break;
        if (fWrites && img.cseg > 0) {
            if (!FProgram())
                break;
            if ((job.fVerify || job.op == opFullTest) && !FVerify())
                break;
        }
        if (job.op == opReadBack && !FReadBack())
            break;
        fOk = true;
    } while (false);
    port.Close();

    MEMRESULT result;
    result.fOk = fOk;
    if (fOk) {
        result.rgszFinal.push_back(port.SzString(job.op == opProgram ? idsProgramDone : idsDone) +
                                   SzElapsed(port.MsTick() - msStart));
    } else if (port.FCancelled()) {
        result.rgszFinal.push_back(port.SzString(idsCancelled));
    } else {
        if (!szFail.empty())
            result.rgszFinal.push_back(szFail);
        result.rgszFinal.push_back(port.SzString(port.FCancelled() ? idsCancelled : idsRunFailed));
    }
    return result;
}

} // namespace

MEMRESULT RunMemJob(MEMPORT &port, const MEMJOB &job)
{
    MEMRUN run(port, job);
    return run.Run();
}

std::vector<uint8_t> RgbMemTestData(uint32_t seed, uint32_t cb)
{
    std::vector<uint8_t> rgb(cb);
    uint32_t u = seed;
    for (uint8_t &b : rgb) {
        u = u * 214013u + 2531011u;
        uint32_t r = (u >> 16) & 0x7FFF;
        b = static_cast<uint8_t>(r >> 7);
    }
    return rgb;
}

std::string SzElapsed(uint32_t ms)
{
    if (ms <= 20)
        return std::string();
    if (ms < 1000)
        return SzFormat(" (%ld ms)", static_cast<long>(ms));
    return SzFormat(" (%ld sec)", static_cast<long>(ms / 1000));
}
