/*
 * sccpld.cpp - CoolRunner-II erase, program and verify (IEEE 1532 ISC).
 *
 * Rows are built from the device's map file and its JEDEC file; each row is
 * one DR scan of its cells followed by its address (the Gray code of the
 * row number, most significant bit first). Every other device of the chain
 * is in BYPASS.
 */
#include "scdvc.h"

#include <string.h>

#include <vector>

#include "cr2map.h"
#include "jedec.h"
#include "rdfile.h"
#include "schain.h"

namespace {

const size_t cbJedecMax = 16u << 20;

const char szResetWalk[] = "111110";     /* Test-Logic-Reset, Run-Test/Idle */
const char szFinalWalk[] = "11111";      /* Test-Logic-Reset */
const char szInitWalk[] = "1110110";     /* Pause-IR .. Capture-DR, Exit1-DR, Update-DR, Run-Test/Idle */
const char szRowEntryWalk[] = "11100";   /* Pause-IR .. Capture-DR, Shift-DR */

/* Security cells 0 to 6 by SCMODE bits 4-5. */
const uint8_t rgrgsec[4][7] = {
    {1, 1, 1, 1, 1, 1, 1}, {0, 1, 0, 1, 0, 1, 0}, {0, 0, 1, 0, 1, 0, 0}, {1, 1, 0, 1, 0, 1, 1},
};

int CbitAddrOf(const char *szName)
{
    static const char *const rgsz7[] = {"XC2C384", "XC2C256", "XC2C128", "XC2C64A", "XC2C64"};
    for (const char *sz : rgsz7)
        if (strcmp(szName, sz) == 0)
            return 7;
    if (strcmp(szName, "XC2C32") == 0 || strcmp(szName, "XC2C32A") == 0)
        return 6;
    return 8;
}

/* Lines that are cleared in every row (and left set in row K - 1 when the
 * device has done cells). */
std::vector<uint32_t> RglineFixed(const char *szName, uint32_t L)
{
    static const char *const rgszBig[] = {"XC2C512", "XC2C384", "XC2C256", "XC2C128"};
    for (const char *sz : rgszBig)
        if (strcmp(szName, sz) == 0) {
            uint32_t g = (L + 1) / 2;
            return {0, g - 1, g, L};
        }
    if (strcmp(szName, "XC2C32") == 0 || strcmp(szName, "XC2C32A") == 0)
        return {0, L};
    return {};
}

/* The map and the rows of one operation. */
struct CR2ROWS {
    CPLDMAP map;
    uint32_t L = 0, K = 0;
    std::vector<std::vector<uint8_t>> rgrowExp, rgrowRead;
    int cbitAddr = 8;

    void SetRowBit(uint32_t line, uint32_t col, int state)
    {
        uint32_t k = L - line;
        uint8_t &b = rgrowExp[col][k / 8];
        b = (uint8_t)(state ? (b | (1u << (k % 8))) : (b & ~(1u << (k % 8))));
    }
    bool FSetKey(uint32_t key, int state)
    {
        uint32_t line, col;
        if (!map.FFind(key, &line, &col))
            return false;
        SetRowBit(line, col, state);
        return true;
    }
    /* The address of row r: its Gray code, most significant bit first. */
    void Address(uint32_t r, uint8_t *pb) const
    {
        uint32_t gray = r ^ (r >> 1);
        memset(pb, 0, 4);
        for (int i = 0; i < cbitAddr; i++)
            if ((gray >> (cbitAddr - 1 - i)) & 1)
                pb[i / 8] |= (uint8_t)(1u << (i % 8));
    }
    uint32_t CbitRow() const { return L + 1; }
};

void WaitUs(SCHAIN *pschain, uint32_t us)
{
    uint32_t ms = (us + 999) / 1000;
    pschain->pfnSleepMs(ms < 1 ? 1 : ms);
}

bool FBuildRows(SCCPLD *pcpld, CR2ROWS &rows, bool fVerify, STREP &rep)
{
    const char *szName = pcpld->pjtdvc->szName;
    rep.FReport(stcLoadingFile, 0);
    std::string strDir = StrCpldMapDir(szName, pcpld->pschain->szDataDir);
    if (strDir.empty() || !rows.map.FLoad(strDir + szName + ".map")) {
        rep.FReport(stcNoMapFile, 0);
        return false;
    }
    rows.L = rows.map.lineLast;
    rows.K = rows.map.colLast;
    size_t cbRow = (rows.L + 1) / 8 + 1;
    rows.rgrowExp.assign(rows.K + 1, std::vector<uint8_t>(cbRow, 0));
    if (fVerify)
        rows.rgrowRead.assign(rows.K + 1, std::vector<uint8_t>(cbRow, 0));

    std::vector<char> rgch;
    bool fOpened = false;
    if (!FReadWholeFile(pcpld->szPath, cbJedecMax, rgch, &fOpened)) {
        rep.FReport(fOpened ? stcFileReadFailed : stcFileNotFound, 0);
        return false;
    }
    JEDEC jed;
    std::string strErr;
    /* every fuse of the file must have its cell */
    if (!FParseJedec(rgch.data(), rgch.size(), szName, jed, &strErr) || jed.cfuse > rows.map.cFuse) {
        rep.FReport(stcFileReadFailed, 0);
        return false;
    }
    for (uint32_t ifuse = 0; ifuse < jed.cfuse; ifuse++) {
        if (!rows.FSetKey(KeyMap(mapcFuse, ifuse), jed.rgfuse[ifuse])) {
            rep.FReport(stcFileReadFailed, 0);
            return false;
        }
    }

    for (uint32_t key : rows.map.rgkeySpare)
        rows.FSetKey(key, 1);
    std::vector<uint32_t> rgline = RglineFixed(szName, rows.L);
    for (uint32_t col = 0; col <= rows.K; col++)
        for (uint32_t line : rgline)
            rows.SetRowBit(line, col, 0);
    if (fVerify || rows.map.cSec > 0) {
        const uint8_t *rgsec = rgrgsec[fVerify ? 0 : (pcpld->pschain->scmode >> 4) & 3];
        for (uint32_t isec = 0; isec < 7; isec++)
            rows.FSetKey(KeyMap(mapcSec, isec), rgsec[isec]);
    }
    if (rows.map.cDone > 0) {
        rows.FSetKey(KeyMap(mapcDone, 0), 1);
        rows.FSetKey(KeyMap(mapcDone, 1), 0);
        if (rows.K >= 1)
            for (uint32_t line : rgline)
                rows.SetRowBit(line, rows.K - 1, 1);
    }
    for (uint32_t key : rows.map.rgkeyUser)
        rows.FSetKey(key, 1);
    rows.cbitAddr = CbitAddrOf(szName);
    return true;
}

/* One instruction into the device, from Run-Test/Idle to Run-Test/Idle or Pause-IR. */
struct CR2OPS {
    SCHAIN *pschain;
    SCCPLD *pcpld;
    int iscdvc;
    HTVX h;
    STREP &rep;
    bool FIr(int op, int tapstEnd = tapstIdle)
    {
        return pschain->FShiftIrFromIdle(iscdvc, pcpld->rgop[op], h, tapstEnd, rep);
    }
    bool FWalk(const char *sz) { return pschain->FWalk(h, sz, rep); }
    /* The time runs from the last clock: the clocks asked for go out first. */
    bool FWait(uint32_t us)
    {
        if (!pschain->FWait(h, rep))
            return false;
        WaitUs(pschain, us);
        return true;
    }
    /* Into ISC mode with the row instruction (ISC_PROGRAM, ISC_READ) in Pause-IR, then on to Shift-DR. */
    bool FEnterRows(int opRows)
    {
        return FIr(SCCPLD::opBypass) && FIr(SCCPLD::opIscEnable) && FWait(800) && FIr(opRows, tapstIrPause) &&
               FWalk(szRowEntryWalk);
    }
    /* ISC_INIT with its capture/update pulse, then ISC_DISABLE: the device loads its new configuration. */
    bool FInitDisable()
    {
        return FIr(SCCPLD::opIscInit) && FWait(200) && FIr(SCCPLD::opIscInit, tapstIrPause) && FWalk(szInitWalk) &&
               FWait(800) && FIr(SCCPLD::opIscDisable) && FWait(100);
    }
};

/* The port opened and the TAP reset twice; null (the failure reported) otherwise. */
HTVX HOpenReset(SCHAIN *pschain, STREP &rep)
{
    HTVX h = pschain->HOpenJtag(rep);
    if (h == nullptr || !pschain->FWalk(h, szResetWalk, rep) || !pschain->FWalk(h, szResetWalk, rep))
        return nullptr;
    return h;
}

} // namespace

bool SCCPLD::FErase(int iscdvc, int cscdvcAfter, STREP &rep)
{
    HTVX h = pschain->HOpenJtag(rep);
    if (h == nullptr)
        return false;
    CR2OPS ops = {pschain, this, iscdvc, h, rep};
    if (!ops.FWalk(szResetWalk))
        return false;
    rep.FReport(stcEraseStart, 0);
    uint8_t bZero = 0;
    bool fOk = ops.FIr(opBypass) && ops.FIr(opIscEnable) && ops.FWait(200) && ops.FIr(opIscErase) &&
               ops.FWait(100000) && ops.FWait(5000) && ops.FIr(opIscInit) && ops.FWait(20) &&
               ops.FIr(opIscInit, tapstIrPause) && ops.FWalk(szInitWalk) && ops.FWait(800) &&
               ops.FIr(opIscDisable) && ops.FWait(100) && ops.FIr(opIscDisable) && ops.FWait(100) &&
               ops.FIr(opBypass) && ops.FIr(opBypass) &&
               pschain->FShiftDr(iscdvc, &bZero, 1, (uint32_t)iscdvc, (uint32_t)cscdvcAfter, h, rep) &&
               ops.FIr(opBypass) && ops.FIr(opBypass) && ops.FWalk(szResetWalk);
    rep.FReport(stcEraseEnd, 0);
    if (fOk)
        pschain->FCloseJtag(h);
    return fOk;
}

bool SCCPLD::FProgram(int iscdvc, int cscdvcAfter, STREP &rep)
{
    CR2ROWS rows;
    if (!FBuildRows(this, rows, false, rep) || !FErase(iscdvc, cscdvcAfter, rep))
        return false;
    HTVX h = HOpenReset(pschain, rep);
    if (h == nullptr)
        return false;
    CR2OPS ops = {pschain, this, iscdvc, h, rep};
    rep.FReport(stcProgressRange, (int32_t)(rows.K + 1));
    if (!ops.FEnterRows(opIscProgram))
        return false;
    uint32_t lead = (uint32_t)cscdvcAfter, trail = (uint32_t)iscdvc;
    for (uint32_t r = 0; r <= rows.K; r++) {
        rep.FReport(stcProgress, (int32_t)r);
        uint8_t rgbAddr[4];
        rows.Address(r, rgbAddr);
        bool fRow = r == 0 ? pschain->FShiftDrMore(iscdvc, rows.rgrowExp[r].data(), rows.CbitRow(), lead, h, rep)
                           : pschain->FShiftDrEnter(iscdvc, rows.rgrowExp[r].data(), nullptr, rows.CbitRow(), lead,
                                                    h, rep);
        if (!fRow || !pschain->FShiftDrLeave(iscdvc, rgbAddr, (uint32_t)rows.cbitAddr, trail, h, rep))
            return false;
        ops.FWait(10000);
    }
    uint8_t rgbTdo[(1 + cscdvcMax * 32 + 32 + 7) / 8 + 8];
    if (!ops.FInitDisable() || !pschain->FShiftIrCapture(iscdvc, rgop[opBypass], h, tapstIdle, rgbTdo, rep) ||
        !ops.FIr(opBypass) || !ops.FWalk(szFinalWalk))
        return false;
    pschain->FCloseJtag(h);
    return true;
}

bool SCCPLD::FVerify(int iscdvc, int cscdvcAfter, STREP &rep)
{
    CR2ROWS rows;
    if (!FBuildRows(this, rows, true, rep))
        return false;
    HTVX h = HOpenReset(pschain, rep);
    if (h == nullptr)
        return false;
    CR2OPS ops = {pschain, this, iscdvc, h, rep};
    rep.FReport(stcVerifying, 0);
    uint32_t lead = (uint32_t)cscdvcAfter, trail = (uint32_t)iscdvc;
    uint8_t rgbAddr[4];
    rows.Address(0, rgbAddr);
    if (!ops.FEnterRows(opIscRead) ||
        !pschain->FShiftDrPause(iscdvc, rgbAddr, (uint32_t)rows.cbitAddr, trail, lead, h, rep))
        return false;
    bool fSame = true;
    uint32_t cbitRow = rows.CbitRow();
    for (uint32_t k = 0; k < rows.K && fSame; k++) {
        ops.FWait(20);
        rows.Address(k + 1 < rows.K ? k + 1 : rows.K - 1, rgbAddr);
        if (!pschain->FReadDr(iscdvc, rows.rgrowRead[k].data(), cbitRow, lead, h, rep) || !ops.FWalk("0") ||
            !pschain->FShiftDrLeave(iscdvc, rgbAddr, (uint32_t)rows.cbitAddr, trail, h, rep))
            return false;
        for (uint32_t ibit = 0; ibit < cbitRow; ibit++) {
            if (((rows.rgrowRead[k][ibit / 8] ^ rows.rgrowExp[k][ibit / 8]) >> (ibit % 8)) & 1) {
                rep.FReport(ercVerifyFailed, 0);
                fSame = false;
                break;
            }
        }
    }
    if (!ops.FInitDisable() || !ops.FIr(opBypass) || !ops.FWalk(szFinalWalk))
        return false;
    pschain->FCloseJtag(h);
    return fSame;
}
