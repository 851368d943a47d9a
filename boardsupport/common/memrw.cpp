// The Miravo2 memory page's worker (memrw.h).

#include "memrw.h"

#include <ctype.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>

#include <memory>
#include <new>
#include <vector>

#include "vesk.h"
#include "voziri.h"
#include "vozerc.h"

namespace {

const char szLoading[] = "Configuring board with memory manager";
const uint32_t tmsPoll = 25;

// A file the worker reads or writes, closed once.
struct FILECLOSER {
    void operator()(FILE *pf) const { fclose(pf); }
};
using PFILE = std::unique_ptr<FILE, FILECLOSER>;

bool FFileExists(const std::string &sz)
{
    PFILE pf(fopen(sz.c_str(), "rb"));
    return pf != nullptr;
}

// A buffer of cb bytes, or null when there is no room for it.
std::unique_ptr<uint8_t[]> PbAlloc(uint32_t cb)
{
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[cb ? cb : 1]);
}

// The bytes to szFile whole: to a file beside it, then renamed over it, so
// that the target holds all of them or stays as it was.
bool FWriteWhole(const std::string &szFile, const uint8_t *pb, uint32_t cb)
{
    std::string szTemp = szFile + ".part";
    FILE *pf = fopen(szTemp.c_str(), "wb");
    if (pf == nullptr)
        return false;
    bool fOk = fwrite(pb, 1, cb, pf) == cb;
    fOk = fflush(pf) == 0 && fOk;
    fOk = fclose(pf) == 0 && fOk;
#ifdef _WIN32
    // rename does not replace an existing file on Windows.
    if (fOk)
        remove(szFile.c_str());
#endif
    if (fOk && rename(szTemp.c_str(), szFile.c_str()) == 0)
        return true;
    remove(szTemp.c_str());
    return false;
}

} // namespace

bool FParseMemNumber(const std::string &sz, bool fHex, long long *pn)
{
    const char *pch = sz.c_str();
    while (isspace(static_cast<unsigned char>(*pch)))
        pch++;
    const char *pchDigits = pch;
    if (*pchDigits == '+' || *pchDigits == '-')
        pchDigits++;
    if (fHex && pchDigits[0] == '0' && (pchDigits[1] == 'x' || pchDigits[1] == 'X'))
        pchDigits += 2;
    // strtoll would take "0x" alone as 0 and accept blanks after a sign.
    if (!isxdigit(static_cast<unsigned char>(*pchDigits)))
        return false;
    char *pchEnd = nullptr;
    errno = 0;
    long long n = strtoll(pch, &pchEnd, fHex ? 16 : 10);
    if (pchEnd == pch || *pchEnd != '\0' || errno == ERANGE)
        return false;
    *pn = n;
    return true;
}

std::string SzMemDesignPath(const std::string &szTestImage)
{
    const std::string szExt = ".bit";
    if (szTestImage.size() < szExt.size() || szTestImage.compare(szTestImage.size() - szExt.size(), szExt.size(), szExt) != 0)
        return std::string();
    return szTestImage.substr(0, szTestImage.size() - szExt.size()) + " MEM.bit";
}

MEMRW::MEMRW(MEMRWUI &uiIn, const std::string &szConnIn, const std::string &szDesignIn)
    : ui(uiIn), szConn(szConnIn), szDesign(szDesignIn)
{
}

MEMRW::~MEMRW()
{
    fClosing = true;
    worker.FStopAndJoin();
}

bool MEMRW::FStart(MEMOP op, const MEMRWREQ &req)
{
    if (worker.FRunning())
        return false;
    fStarted = false;
    fClosing = false;   // a page made again after it closed
    return worker.FStart([this, op, req] {
        fStarted = true;   // the start signal
        switch (op) {
        case memopRead: Read(req); break;
        case memopWrite: Write(req); break;
        default: Erase(); break;
        }
        End();
    });
}

bool MEMRW::FClose(int tms, const std::function<void()> &fnPump)
{
    fClosing = true;
    return worker.FStopAndJoin(tms, fnPump);
}

void MEMRW::Log(const std::string &sz)
{
    if (!fClosing)
        ui.Log(sz.c_str());
}

// Text ids formatted with the chosen memory's name (the texts with %s).
void MEMRW::LogMem(int ids)
{
    std::string szFmt = ui.SzText(ids);
    std::vector<char> rgch(szFmt.size() + szMem.size() + 1);
    snprintf(rgch.data(), rgch.size(), szFmt.c_str(), szMem.c_str());
    Log(rgch.data());
}

void MEMRW::Fail(int ids)
{
    if (!FCancel())
        Log(ui.SzText(ids));
}

void MEMRW::ChooseMemory(bool fFlash)
{
    regMem = fFlash ? regFlashData : regRamData;
    szMem = ui.SzText(fFlash ? idsMemFlash : idsMemRam);
}

// Puts the memory design into the FPGA and gives it time to start; false
// (logged when it failed) when the operation ends here.
bool MEMRW::FLoadDesign(bool fCheckCancel)
{
    Log(szLoading);
    if (fCheckCancel && FCancel())
        return false;
    if (szDesign.empty() || !ui.FConfigureFpga(szDesign.c_str())) {
        Fail(idsMemNoFpga);
        return false;
    }
    if (FCancel())
        return false;
    for (int i = 0; i < 100 && !FCancel(); i++)
        ui.SleepMs(20);
    return !(fCheckCancel && FCancel());
}

bool MEMRW::FPut(uint8_t reg, uint8_t b)
{
    return VeskPutReg(hif, reg, b, 0) != 0;
}

bool MEMRW::FCommand(uint8_t bCmd)
{
    return FPut(regFlashCmd, bCmd) && FPut(regCtl, ctlStrobe1) && FPut(regCtl, ctlStrobe2) && FPut(regCtl, ctlIdle);
}

bool MEMRW::FAddress(uint32_t addr)
{
    return FPut(regAddr0, uint8_t(addr)) && FPut(regAddr1, uint8_t(addr >> 8)) && FPut(regAddr2, uint8_t(addr >> 16));
}

bool MEMRW::FReadSetup(uint32_t addr)
{
    return FCommand(fcmdReadArray) && FAddress(addr) && FPut(regCtl, ctlStream);
}

// Erase of 128 KB block iblk: its address register 3 takes the low byte of
// 2 x iblk. Polls the flash status until it is ready; a cancel seen after a
// status read ends it (false with *pfCancelled).
bool MEMRW::FEraseBlock(uint32_t iblk, bool *pfCancelled)
{
    *pfCancelled = false;
    if (!FPut(regAddr0, 0) || !FPut(regAddr1, 0) || !FPut(regAddr2, uint8_t(2 * iblk)) || !FCommand(fcmdErase) ||
        !FCommand(fcmdConfirm))
        return false;
    do {
        if (!FPut(regCtl, ctlStatus) || VeskGetReg(hif, regFlashSts, &bFlashSts, 0) == 0 || !FPut(regCtl, ctlIdle))
            return false;
        if (FCancel()) {
            ui.SleepMs(1000);
            *pfCancelled = true;
            return false;
        }
    } while (!(bFlashSts & 0x80));
    return true;
}

bool MEMRW::FOpenDevice(int idsOpenFail)
{
    HIF hifNew = 0;
    if (!KelmOpen(&hifNew, szConn.c_str())) {
        Fail(idsOpenFail);
        return false;
    }
    hif = hifNew;
    if (!KelmSetTransTimeout(hif, 0xFFFFFFFF)) {
        Fail(idsMemFpgaComm);
        return false;
    }
    VeskEnable(hif);
    return true;
}

bool MEMRW::FTransferWait(uint32_t cb, bool fIn)
{
    uint32_t cbOut = 0, cbIn = 0;
    for (;;) {
        if (KelmGetTransResult(hif, &cbOut, &cbIn, tmsPoll)) {
            // Finished: with the error of a transfer that failed, or short.
            if (TvxGetLastError() != ercNoErc || (fIn ? cbIn : cbOut) < cb) {
                Fail(idsMemFpgaComm);
                return false;
            }
            return true;
        }
        int erc = TvxGetLastError();
        if (erc != ercTransferPending && erc != ercApiLockTimeout) {
            Fail(idsMemFpgaComm);   // not "not yet": it will never end
            return false;
        }
        if (FCancel()) {
            Log(ui.SzText(idsMemCanceled));
            KelmCancelTrans(hif);
            // The buffer stays in use until the transfer has really ended.
            for (int i = 0; i < 400 && !KelmGetTransResult(hif, &cbOut, &cbIn, tmsPoll); i++) {
                erc = TvxGetLastError();
                if (erc != ercTransferPending && erc != ercApiLockTimeout)
                    break;
            }
            return false;
        }
    }
}

void MEMRW::Read(const MEMRWREQ &req)
{
    ui.EnableControls(true);
    if (FCancel())
        return;
    const std::string &szFile = req.szFile;
    if (FFileExists(szFile)) {
        std::string szAsk = ui.SzText(idsMemOverwrite) + "\n" + szFile;
        if (fClosing || !ui.FAskOverwrite(szAsk.c_str(), ui.SzText(idsMemReadCaption).c_str()))
            return;
    }
    if (FCancel())
        return;
    ChooseMemory(req.fFlash);
    if (FCancel())
        return;
    long long s = 0, n = 0;
    if (!FParseMemNumber(req.szStart, req.fHex, &s))
        return Fail(idsMemBadAddr);
    if (s < 0)
        return Fail(idsMemNegAddr);
    if (!FParseMemNumber(req.szLength, req.fHex, &n))
        return Fail(idsMemBadLength);
    if (n <= 0)
        return Fail(idsMemLengthPos);
    if (s > cbMemRw || n > cbMemRw || s + n > cbMemRw)
        return Fail(idsMemPastEnd);
    auto pb = PbAlloc(uint32_t(n));
    if (!pb)
        return Fail(idsMemNoBuffer);
    if (FCancel() || !FLoadDesign(false))
        return;
    // The target exists from here on, empty until the data are in.
    {
        PFILE pf(fopen(szFile.c_str(), "wb"));
        if (!pf) {
            if (!FCancel())
                Log(ui.SzText(idsMemFileErr) + szFile);
            return;
        }
    }
    if (FCancel())
        return;
    uint32_t addr = uint32_t(s) & ~1u;
    HIF hifNew = 0;
    if (!KelmOpen(&hifNew, szConn.c_str()))
        return Fail(idsMemFpgaComm);
    hif = hifNew;
    if (!VeskEnable(hif) || !FReadSetup(addr) || !KelmSetTransTimeout(hif, 0xFFFFFFFF))
        return Fail(idsMemFpgaComm);
    if (FCancel())
        return;
    LogMem(idsMemReading);
    uint8_t bDrop = 0;
    if ((s & 1) && !VeskGetReg(hif, regMem, &bDrop, 0))
        return Fail(idsMemFpgaComm);
    if (!VeskGetRegRepeat(hif, regMem, pb.get(), uint32_t(n), 1))
        return Fail(idsMemFpgaComm);
    if (!FTransferWait(uint32_t(n), true))
        return;
    if (FCancel())
        return;
    // The file first, then the success.
    if (!FWriteWhole(szFile, pb.get(), uint32_t(n))) {
        if (!FCancel())
            Log(ui.SzText(idsMemFileErr) + szFile);
        return;
    }
    LogMem(idsMemReadDone);
}

void MEMRW::Write(const MEMRWREQ &req)
{
    if (FCancel())
        return;
    bool fVerify = req.fVerify;
    ui.EnableControls(true);
    if (FCancel())
        return;
    ChooseMemory(req.fFlash);
    if (FCancel())
        return;
    const std::string &szFile = req.szFile;
    PFILE pf(fopen(szFile.c_str(), "rb"));
    if (!pf) {
        if (!FCancel())
            Log(ui.SzText(idsMemFileErr) + szFile);
        return;
    }
    if (FCancel() || !FLoadDesign(true))
        return;
    if (fseek(pf.get(), 0, SEEK_END) != 0) {
        if (!FCancel())
            Log(ui.SzText(idsMemFileErr) + szFile);
        return;
    }
    long cbFile = ftell(pf.get());
    if (cbFile == 0)
        return Fail(idsMemFileEmpty);
    if (cbFile < 0) {
        if (!FCancel())
            Log(ui.SzText(idsMemFileErr) + szFile);
        return;
    }
    if (cbFile > long(cbMemRw))
        return Fail(idsMemFileBig);
    uint32_t n = uint32_t(cbFile);
    if (fseek(pf.get(), 0, SEEK_SET) != 0) {
        if (!FCancel())
            Log(ui.SzText(idsMemFileErr) + szFile);
        return;
    }
    auto pb = PbAlloc(n);
    if (!pb)
        return Fail(idsMemNoBuffer);
    if (fread(pb.get(), 1, n, pf.get()) != n) {
        if (!FCancel())
            Log(ui.SzText(idsMemFileErr) + szFile);
        return;
    }
    pf.reset();
    if (FCancel())
        return;
    long long s = 0;
    if (!FParseMemNumber(req.szStart, req.fHex, &s))
        return Fail(idsMemBadAddr);
    if (s < 0)
        return Fail(idsMemNegAddr);
    if (s > cbMemRw || s + n > cbMemRw)
        return Fail(idsMemPastEnd);
    // The flash takes words: its stream starts at the even address below s
    // and pads with 0xFF (which leaves a cell as it is). The RAM takes
    // bytes: its stream starts at s, so no byte beside the file changes.
    bool fFlash = regMem == regFlashData;
    uint32_t a = fFlash ? uint32_t(s) & ~1u : uint32_t(s);
    if (!FOpenDevice(idsMemNoDevice))
        return;
    if (fFlash) {
        uint32_t cblkErase = uint32_t((s + n) / cbMemBlock) + 2;
        if (FCancel())
            return;
        Log(ui.SzText(idsMemErasing));
        for (uint32_t iblk = 0; iblk < cblkErase; iblk++) {
            bool fCancelled = false;
            if (FCancel())
                return;
            if (!FEraseBlock(iblk, &fCancelled))
                return fCancelled ? void() : Fail(idsMemFpgaComm);
        }
        if (FCancel())
            return;
        Log(ui.SzText(idsMemEraseDone));
    }
    if (!FAddress(a) || !FPut(regCtl, ctlStream))
        return Fail(idsMemFpgaComm);
    if (FCancel())
        return;
    LogMem(idsMemWriting);
    if (fFlash && (s & 1) && !FPut(regMem, 0xFF))
        return Fail(idsMemFpgaComm);
    if (!VeskPutRegRepeat(hif, regMem, pb.get(), n, 1))
        return Fail(idsMemFpgaComm);
    if (!FTransferWait(n, false))
        return;
    if (fFlash && ((s + n) & 1) && !FPut(regMem, 0xFF))
        return Fail(idsMemFpgaComm);
    if (FCancel())
        return;
    Log(ui.SzText(idsMemWriteDone));
    if (FCancel() || !fVerify)
        return;
    LogMem(idsMemVerifying);
    auto pbBack = PbAlloc(cbMemRw);
    if (!pbBack)
        return Fail(idsMemNoBuffer);
    if (!FReadSetup(0))
        return Fail(idsMemFpgaComm);
    if (!VeskGetRegRepeat(hif, regMem, pbBack.get(), cbMemRw, 1))
        return Fail(idsMemFpgaComm);
    if (!FTransferWait(cbMemRw, true))
        return;
    for (uint32_t i = 0; i < n; i++) {
        if (FCancel())
            return;
        if (pb[i] != pbBack[s + i]) {
            if (!FCancel())
                LogMem(idsMemVerifyBad);
            return;
        }
    }
    if (FCancel())
        return;
    LogMem(idsMemVerifyGood);
}

void MEMRW::Erase()
{
    ui.EnableControls(true);
    if (FCancel() || !FLoadDesign(true) || !FOpenDevice(idsMemNoDevice))
        return;
    if (FCancel())
        return;
    Log(ui.SzText(idsMemErasing));
    for (uint32_t iblk = 0; iblk < cblkMemFlash; iblk++) {
        bool fCancelled = false;
        if (FCancel())
            return;
        if (!FEraseBlock(iblk, &fCancelled))
            return fCancelled ? void() : Fail(idsMemFpgaComm);
    }
    Log(ui.SzText(idsMemEraseDone));
}

// The end of every worker: controls back (unless the page is closing), the
// device closed once.
void MEMRW::End()
{
    if (!fClosing)
        ui.EnableControls(false);
    if (hif != 0) {
        VeskDisable(hif);
        KelmClose(hif);
    }
    hif = 0;
}
