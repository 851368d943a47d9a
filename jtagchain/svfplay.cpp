/*
 * svfplay.cpp - SVF statements played on the chain.
 *
 * Scans: the TAP walks to Capture-DR (Capture-IR); the clock that leaves
 * the capture state gives the register's bit 0 on TDO and shifts nothing,
 * the next clocks shift header, data and trailer in (bits shifted first
 * travel furthest), the last bit with TMS 1; then the TAP walks to the end
 * state. Pieces of at most 8000 bits go to the port; TDO is read only when
 * the statement gives expected values, and compared once the port has
 * finished.
 */
#include "svfplay.h"

#include <math.h>
#include <string.h>

#include "chainops.h"
#include "rdfile.h"

namespace {

const uint32_t cbitPiece = 8000;
const size_t cbSvfFileMax = (size_t)1 << 30;
const uint64_t cLongCommand = 1000000;
const uint8_t rgbZero[cbitPiece / 8] = {0};

bool FBit(const std::vector<uint8_t> &rgb, uint32_t ibit)
{
    return (rgb[ibit / 8] >> (ibit % 8)) & 1;
}

void SetBit(std::vector<uint8_t> &rgb, uint32_t ibit, bool f)
{
    if (f)
        rgb[ibit / 8] |= (uint8_t)(1u << (ibit % 8));
}

/* Values a scan kind keeps for the next statement of the same length. */
struct SVFKEEP {
    uint32_t cbit = 0;
    std::vector<uint8_t> tdi, mask, smask;
};

/* The values of one scan, resolved with what the previous one left. */
struct SVFPART {
    uint32_t cbit = 0;
    const std::vector<uint8_t> *ptdi = nullptr;
    const std::vector<uint8_t> *ptdo = nullptr;
    const std::vector<uint8_t> *pmask = nullptr;
};

class SVFPLAYER {
public:
    SVFPLAYER(SCHAIN *pschainIn, HTVX hIn, STREP &repIn) : pschain(pschainIn), h(hIn), rep(repIn) {}
    bool FExecute(const SVFCMD &cmd);
    /* The statement's own failure (not a port failure): report made. */
    bool fReported = false;
    int tapst = tapstIdle;

private:
    bool FPut(uint32_t cbit, const uint8_t *pb, int tms, uint8_t *pbTdo);
    bool FPairs(uint32_t cclk, const uint8_t *pbPairs, uint8_t *pbTdo);
    bool FWalkTo(int tapstTo);
    bool FScan(const SVFCMD &cmd, bool fIr);
    bool FRunTest(const SVFCMD &cmd);
    bool FState(const SVFCMD &cmd);
    bool FResolve(const SVFCMD &cmd, SVFKEEP &keep, bool fHeader, SVFPART &part);
    bool FFailLine(int32_t stc, int line)
    {
        rep.FReport(stc, line);
        fReported = true;
        return false;
    }

    SCHAIN *pschain;
    HTVX h;
    STREP &rep;
    int tapstEndDr = tapstIdle;
    int tapstEndIr = tapstIdle;
    int tapstRun = tapstIdle;
    /* header DR, header IR, trailer DR, trailer IR, data DR, data IR */
    SVFKEEP rgkeep[6];
    std::vector<uint8_t> rgbHdrTdo[4];      /* expected TDO of the patterns (until they change) */
};

bool SVFPLAYER::FPut(uint32_t cbit, const uint8_t *pb, int tms, uint8_t *pbTdo)
{
    uint32_t erc = 0;
    return cbit == 0 || pschain->pjtport->FPutTdiBits(h, cbit, pb, tms, pbTdo != nullptr, pbTdo, &erc);
}

bool SVFPLAYER::FPairs(uint32_t cclk, const uint8_t *pbPairs, uint8_t *pbTdo)
{
    uint32_t erc = 0;
    return cclk == 0 || pschain->pjtport->FPutTmsTdiBits(h, cclk, pbPairs, pbTdo != nullptr, pbTdo, &erc);
}

bool SVFPLAYER::FWalkTo(int tapstTo)
{
    TAPWALK walk = TapWalk(tapst, tapstTo);
    uint8_t rgbPairs[4];
    WalkToPairs(walk, rgbPairs);
    if (!FPairs(walk.cclk, rgbPairs, nullptr))
        return false;
    tapst = tapstTo;
    return true;
}

/* SVF: TDI, MASK and SMASK left out keep the previous statement's values
 * when the length stays; MASK then defaults to all ones. TDO is compared
 * only when the statement gives it, but a header or trailer pattern keeps
 * its expected TDO until it is set anew. A pattern's TDI defaults to ones. */
bool SVFPLAYER::FResolve(const SVFCMD &cmd, SVFKEEP &keep, bool fPattern, SVFPART &part)
{
    const SVFSCAN &scan = cmd.scan;
    size_t cb = (scan.cbit + 7) / 8;
    if (scan.cbit != keep.cbit) {
        keep.cbit = scan.cbit;
        keep.tdi.clear();
        keep.mask.assign(cb, 0xFF);
        keep.smask.assign(cb, 0xFF);
        if (fPattern)
            keep.tdi.assign(cb, 0xFF);
    }
    if (!scan.tdi.empty())
        keep.tdi = scan.tdi;
    if (!scan.mask.empty())
        keep.mask = scan.mask;
    if (!scan.smask.empty())
        keep.smask = scan.smask;
    if (keep.cbit != 0 && keep.tdi.empty())
        return FFailLine(stcFileReadFailed, cmd.line);   /* a scan that never had a TDI value */
    part.cbit = keep.cbit;
    part.ptdi = &keep.tdi;
    part.pmask = &keep.mask;
    part.ptdo = scan.tdo.empty() ? nullptr : &scan.tdo;
    return true;
}

bool SVFPLAYER::FScan(const SVFCMD &cmd, bool fIr)
{
    SVFPART rgpart[3];   /* header, data, trailer */
    int ikeepHdr = fIr ? 1 : 0, ikeepTrl = fIr ? 3 : 2, ikeepData = fIr ? 5 : 4;
    if (!FResolve(cmd, rgkeep[ikeepData], false, rgpart[1]))
        return false;
    for (int i = 0; i < 2; i++) {
        int ikeep = i == 0 ? ikeepHdr : ikeepTrl;
        SVFPART &part = rgpart[i == 0 ? 0 : 2];
        part.cbit = rgkeep[ikeep].cbit;
        part.ptdi = &rgkeep[ikeep].tdi;
        part.pmask = &rgkeep[ikeep].mask;
        part.ptdo = rgbHdrTdo[ikeep].empty() ? nullptr : &rgbHdrTdo[ikeep];
    }
    uint64_t cbitAll = (uint64_t)rgpart[0].cbit + rgpart[1].cbit + rgpart[2].cbit;
    if (cbitAll > cbitSvfScanMax)
        return FFailLine(stcFileReadFailed, cmd.line);
    int tapstEnd = fIr ? tapstEndIr : tapstEndDr;
    if (cbitAll == 0)
        return FWalkTo(tapstEnd);   /* nothing to shift: only the end state counts */
    uint32_t n = (uint32_t)cbitAll;

    /* bit 0 goes with the clock that leaves the capture state (nothing is
     * shifted then); bits 1 to n are header, data and trailer */
    std::vector<uint8_t> rgbTdi((n + 1 + 7) / 8 + 1, 0);
    std::vector<uint8_t> rgbExp, rgbMask;
    bool fCompare = false;
    for (auto &part : rgpart)
        fCompare |= part.ptdo != nullptr;
    if (fCompare) {
        rgbExp.assign((n + 7) / 8, 0);
        rgbMask.assign((n + 7) / 8, 0);
    }
    uint32_t ibit = 0;
    for (auto &part : rgpart) {
        for (uint32_t k = 0; k < part.cbit; k++, ibit++) {
            SetBit(rgbTdi, ibit + 1, FBit(*part.ptdi, k));
            if (part.ptdo != nullptr) {
                SetBit(rgbExp, ibit, FBit(*part.ptdo, k));
                SetBit(rgbMask, ibit, FBit(*part.pmask, k));
            }
        }
    }

    std::vector<uint8_t> rgbTdo;
    if (fCompare)
        rgbTdo.assign((n + 7) / 8 + 8, 0);
    if (!FWalkTo(fIr ? tapstIrCapture : tapstDrCapture))
        return false;
    for (uint32_t ibitPiece = 0; ibitPiece < n; ibitPiece += cbitPiece) {
        uint32_t cbit = n - ibitPiece < cbitPiece ? n - ibitPiece : cbitPiece;
        if (!FPut(cbit, &rgbTdi[ibitPiece / 8], 0, fCompare ? &rgbTdo[ibitPiece / 8] : nullptr))
            return false;
    }
    uint8_t bPair = (uint8_t)(0x02 | (FBit(rgbTdi, n) ? 1 : 0));
    if (!FPairs(1, &bPair, nullptr))
        return false;
    tapst = fIr ? tapstIrExit1 : tapstDrExit1;
    if (!FWalkTo(tapstEnd))
        return false;
    if (fCompare) {
        uint32_t erc = 0;
        if (!pschain->pjtport->FWaitForTransaction(h, &erc))
            return false;
        for (size_t ib = 0; ib < rgbExp.size(); ib++)
            if (((rgbTdo[ib] ^ rgbExp[ib]) & rgbMask[ib]) != 0)
                return FFailLine(ercVerifyFailed, cmd.line);
    }
    return true;
}

bool SVFPLAYER::FRunTest(const SVFCMD &cmd)
{
    if (cmd.tapst != tapstNone)
        tapstRun = cmd.tapst;
    if (!FWalkTo(tapstRun))
        return false;
    /* Test-Logic-Reset is held with TMS 1, the other stable states with TMS 0 */
    int tms = tapstRun == tapstReset ? 1 : 0;
    for (uint64_t cclkLeft = cmd.cclk; cclkLeft > 0;) {
        uint32_t cclk = cclkLeft < cbitPiece ? (uint32_t)cclkLeft : cbitPiece;
        if (!FPut(cclk, rgbZero, tms, nullptr))
            return false;
        cclkLeft -= cclk;
    }
    if (cmd.secMin > 0) {
        uint32_t erc = 0;
        if (!pschain->pjtport->FWaitForTransaction(h, &erc))
            return false;
        // Rounded to a double before ceil: 32-bit x86 keeps the product in
        // extended precision, where 1.00E-02 s is a hair over 10 ms (11).
        volatile double msExact = cmd.secMin * 1000.0;
        double ms = ceil(msExact);
        pschain->pfnSleepMs(ms < 1 ? 1 : (uint32_t)ms);
    }
    return FWalkTo(cmd.tapstEnd != tapstNone ? cmd.tapstEnd : tapstRun);
}

bool SVFPLAYER::FState(const SVFCMD &cmd)
{
    int tapstFirst = cmd.rgtapst[0];
    if (tapstFirst == tapst && (tapst == tapstReset || tapst == tapstIdle || tapst == tapstDrPause ||
                                tapst == tapstIrPause)) {
        uint8_t bPair = tapst == tapstReset ? 0x02 : 0x00;
        if (!FPairs(1, &bPair, nullptr))
            return false;
    }
    for (int tapstTo : cmd.rgtapst)
        if (!FWalkTo(tapstTo))
            return false;
    return true;
}

bool SVFPLAYER::FExecute(const SVFCMD &cmd)
{
    switch (cmd.svfk) {
    case svfkEndDr:
        tapstEndDr = cmd.tapst;
        return true;
    case svfkEndIr:
        tapstEndIr = cmd.tapst;
        return true;
    case svfkHdr:
    case svfkHir:
    case svfkTdr:
    case svfkTir: {
        int ikeep = cmd.svfk == svfkHdr ? 0 : cmd.svfk == svfkHir ? 1 : cmd.svfk == svfkTdr ? 2 : 3;
        SVFPART part;
        if (!FResolve(cmd, rgkeep[ikeep], true, part))
            return false;
        rgbHdrTdo[ikeep] = cmd.scan.tdo;
        return true;
    }
    case svfkSdr:
        return FScan(cmd, false);
    case svfkSir:
        return FScan(cmd, true);
    case svfkRunTest:
        return FRunTest(cmd);
    case svfkState:
        return FState(cmd);
    case svfkTrst:          /* no TRST line on these ports */
    case svfkFrequency:     /* the port keeps its own clock */
        return true;
    }
    return false;
}

uint64_t CLongOf(const SVFCMD &cmd)
{
    if (cmd.svfk == svfkRunTest)
        return cmd.cclk;
    if (cmd.svfk == svfkSdr || cmd.svfk == svfkSir || cmd.svfk == svfkTdr || cmd.svfk == svfkTir)
        return cmd.scan.cbit;
    return 0;
}

const char szResetWalk[] = "111110";   /* Test-Logic-Reset, Run-Test/Idle */

/* The reset walk; when the port refuses it, end its transaction and try once more. */
void ResetTap(SCHAIN *pschain, HTVX h)
{
    uint8_t rgbPairs[2] = {0xAA, 0x02};   /* TMS 1,1,1,1,1,0 */
    uint32_t erc = 0;
    if (pschain->pjtport->FPutTmsTdiBits(h, 6, rgbPairs, false, nullptr, &erc))
        return;
    pschain->pjtport->FAbortConfigTransaction(h, &erc);
    uint8_t bStatus = 0;
    for (int i = 0; i < 1000 && pschain->pjtport->FQueryConfigStatus(h, &bStatus, &erc); i++)
        pschain->pfnSleepMs(1);
    pschain->pjtport->FClearConfigStatus(h, &erc);
    pschain->pjtport->FPutTmsTdiBits(h, 6, rgbPairs, false, nullptr, &erc);
}

} // namespace

bool FPlaySvfCmds(SCHAIN *pschain, HTVX h, const std::vector<SVFCMD> &rgcmd, STREP &rep, int *pline)
{
    SVFPLAYER player(pschain, h, rep);
    for (size_t icmd = 0; icmd < rgcmd.size(); icmd++) {
        const SVFCMD &cmd = rgcmd[icmd];
        *pline = cmd.line;
        if (CLongOf(cmd) > cLongCommand)
            rep.FReport(stcLongCommand, 0);
        if (!player.FExecute(cmd)) {
            if (!player.fReported)
                rep.FReport(stcFailed, 0);   /* the port failed */
            return false;
        }
        if (!rep.FReport(stcProgress, (int32_t)icmd)) {
            fUserAbort = true;
            return false;
        }
    }
    uint32_t erc = 0;
    if (!pschain->pjtport->FWaitForTransaction(h, &erc)) {
        rep.FReport(stcFailed, 0);
        return false;
    }
    return true;
}

bool FPlaySvf(SCHAIN *pschain, STREP &rep)
{
    int iscdvc = pschain->iscdvcSel;
    SCDVC *pscdvc = pschain->PscdvcFromIscdvc(iscdvc);
    rep.FReport(stcLoadingFile, iscdvc);
    std::vector<char> rgch;
    bool fOpened = false;
    if (pscdvc == nullptr || !FReadWholeFile(pscdvc->szPath, cbSvfFileMax, rgch, &fOpened)) {
        rep.FReport(fOpened ? stcFileReadFailed : stcFileNotFound, 0);
        return false;
    }
    std::vector<SVFCMD> rgcmd;
    int line = 0;
    std::string strErr;
    if (!FParseSvfText(rgch.data(), rgch.size(), rgcmd, &line, &strErr)) {
        rep.FReport(stcFileReadFailed, line);
        return false;
    }
    rgch.clear();
    rgch.shrink_to_fit();

    HTVX h = pschain->HOpenJtag(rep);
    if (h == nullptr)
        return false;
    ResetTap(pschain, h);
    rep.FReport(stcProgressRange, (int32_t)rgcmd.size());
    rep.FReport(stcProgrammingDevice, iscdvc);
    bool fOk = FPlaySvfCmds(pschain, h, rgcmd, rep, &line);
    if (!fOk) {
        /* leave the chain in Test-Logic-Reset/Run-Test/Idle, as far as it got */
        uint32_t erc = 0;
        ResetTap(pschain, h);
        pschain->pjtport->FWaitForTransaction(h, &erc);
    }
    pschain->FCloseJtag(h);
    return fOk;
}
