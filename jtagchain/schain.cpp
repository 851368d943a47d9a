#include "schain.h"

#include <string.h>

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <errno.h>
#  include <time.h>
#endif

#include "sztext.h"

namespace {

/* Fill bits: one call sends at most 2048 of them. */
const uint32_t cbitFillMax = 2048;
const uint8_t rgbOnes[256] = {
#define X8 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF
#define X64 X8, X8, X8, X8, X8, X8, X8, X8
    X64, X64, X64, X64
#undef X64
#undef X8
};
const uint8_t rgbZeros[256] = {0};

} // namespace

void SleepMsPlatform(uint32_t tms)
{
#if defined(_WIN32)
    Sleep(tms);
#else
    struct timespec ts;
    ts.tv_sec = tms / 1000;
    ts.tv_nsec = (long)(tms % 1000) * 1000000L;
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR)
        ;
#endif
}

SCHAIN::SCHAIN()
    : cscdvcCapacity(0), cscdvc(0), iscdvcSel(0), cLoop(0), scmode(0), pjtport(nullptr),
      pfnSleepMs(SleepMsPlatform), htvxOpen(nullptr)
{
    memset(rgpscdvc, 0, sizeof(rgpscdvc));
    szDvc[0] = '\0';
    szDataDir[0] = '\0';
}

SCHAIN::~SCHAIN()
{
    RemoveAll();
}

bool SCHAIN::FInit()
{
    RemoveAll();
    cscdvcCapacity = cscdvcMax;
    scmode = 0;
    iscdvcSel = 0;
    cLoop = 0;
    return true;
}

bool SCHAIN::FSetDvcName(const char *szDvcNew)
{
    SzCopyBounded(szDvc, szDvcNew ? szDvcNew : "", sizeof(szDvc));
    return true;
}

bool SCHAIN::FAddDvc(SCDVC *pscdvc)
{
    if (pscdvc == nullptr || cscdvc >= cscdvcCapacity)
        return false;
    rgpscdvc[cscdvc++] = pscdvc;
    return true;
}

bool SCHAIN::FRemDvc(int iscdvc)
{
    if (iscdvc < 0 || iscdvc >= cscdvc)
        return false;
    delete rgpscdvc[iscdvc];
    for (int i = iscdvc; i + 1 < cscdvc; i++)
        rgpscdvc[i] = rgpscdvc[i + 1];
    rgpscdvc[--cscdvc] = nullptr;
    return true;
}

void SCHAIN::RemoveAll()
{
    while (cscdvc > 0)
        FRemDvc(cscdvc - 1);
}

int SCHAIN::IscdvcFromPscdvc(const SCDVC *pscdvc) const
{
    for (int i = 0; i < cscdvc; i++)
        if (rgpscdvc[i] == pscdvc)
            return i;
    return -1;
}

SCDVC *SCHAIN::PscdvcFromIscdvc(int iscdvc) const
{
    return (iscdvc >= 0 && iscdvc < cscdvc) ? rgpscdvc[iscdvc] : nullptr;
}

JTDVC *SCHAIN::PjtdvcFromIscdvc(int iscdvc) const
{
    SCDVC *pscdvc = PscdvcFromIscdvc(iscdvc);
    return pscdvc ? pscdvc->pjtdvc : nullptr;
}

void SCHAIN::Reverse()
{
    for (int k = 0; k < cscdvc / 2; k++) {
        SCDVC *pscdvc = rgpscdvc[k];
        rgpscdvc[k] = rgpscdvc[cscdvc - 1 - k];
        rgpscdvc[cscdvc - 1 - k] = pscdvc;
    }
}

HTVX SCHAIN::HOpenJtag(STREP &rep)
{
    uint32_t erc = 0;
    HTVX h = nullptr;
    if (pjtport == nullptr || !pjtport->FOpen(&h, szDvc, &erc)) {
        rep.FReport(stcFailed, 0);
        return nullptr;
    }
    if (!pjtport->FEnable(h, &erc)) {
        pjtport->FClose(h, &erc);
        rep.FReport(stcFailed, 0);
        return nullptr;
    }
    htvxOpen.store(h);
    return h;
}

bool SCHAIN::FCloseJtag(HTVX h)
{
    uint32_t erc = 0;
    HTVX hOpen = h;
    htvxOpen.compare_exchange_strong(hOpen, nullptr);
    pjtport->FDisable(h, &erc);
    pjtport->FWaitForTransaction(h, &erc);
    pjtport->FClose(h, &erc);
    return true;
}

bool SCHAIN::FAbortOpenPort(uint32_t *perc)
{
    HTVX h = htvxOpen.load();
    if (h == nullptr || pjtport == nullptr)
        return false;
    *perc = 0;
    return pjtport->FAbortConfigTransaction(h, perc) && *perc == 0;
}

bool SCHAIN::FFail(HTVX h, STREP &rep)
{
    FCloseJtag(h);
    rep.FReport(stcFailed, 0);
    return false;
}

bool SCHAIN::FWalk(HTVX h, const char *szTms, STREP &rep)
{
    uint32_t cclk = (uint32_t)strlen(szTms);
    uint8_t rgbPairs[16] = {0};
    if (cclk > 4 * sizeof(rgbPairs))
        return FFail(h, rep);
    for (uint32_t k = 0; k < cclk; k++)
        if (szTms[k] == '1')
            rgbPairs[k / 4] |= (uint8_t)(2u << (2 * (k % 4)));
    uint32_t erc = 0;
    if (cclk != 0 && !pjtport->FPutTmsTdiBits(h, cclk, rgbPairs, false, nullptr, &erc))
        return FFail(h, rep);
    return true;
}

bool SCHAIN::FWalkTo(HTVX h, int tapstFrom, int tapstTo, STREP &rep)
{
    TAPWALK walk = TapWalk(tapstFrom, tapstTo);
    uint8_t rgbPairs[4];
    WalkToPairs(walk, rgbPairs);
    uint32_t erc = 0;
    if (walk.cclk != 0 && !pjtport->FPutTmsTdiBits(h, walk.cclk, rgbPairs, false, nullptr, &erc))
        return FFail(h, rep);
    return true;
}

bool SCHAIN::FPutBits(HTVX h, uint32_t cbit, const uint8_t *pb, uint8_t *pbTdo, STREP &rep)
{
    uint32_t erc = 0;
    if (cbit != 0 && !pjtport->FPutTdiBits(h, cbit, pb, 0, pbTdo != nullptr, pbTdo, &erc))
        return FFail(h, rep);
    return true;
}

bool SCHAIN::FPutOnes(HTVX h, uint32_t cbit, STREP &rep)
{
    while (cbit > 0) {
        uint32_t cbitPiece = cbit < cbitFillMax ? cbit : cbitFillMax;
        if (!FPutBits(h, cbitPiece, rgbOnes, nullptr, rep))
            return false;
        cbit -= cbitPiece;
    }
    return true;
}

bool SCHAIN::FPutZeros(HTVX h, uint32_t cbit, STREP &rep)
{
    while (cbit > 0) {
        uint32_t cbitPiece = cbit < cbitFillMax ? cbit : cbitFillMax;
        if (!FPutBits(h, cbitPiece, rgbZeros, nullptr, rep))
            return false;
        cbit -= cbitPiece;
    }
    return true;
}

bool SCHAIN::FPutLastBit(HTVX h, int tdi, STREP &rep)
{
    uint8_t bPair = (uint8_t)(0x02 | (tdi ? 0x01 : 0x00));
    uint32_t erc = 0;
    if (!pjtport->FPutTmsTdiBits(h, 1, &bPair, false, nullptr, &erc))
        return FFail(h, rep);
    return true;
}

bool SCHAIN::FWait(HTVX h, STREP &rep)
{
    uint32_t erc = 0;
    if (!pjtport->FWaitForTransaction(h, &erc))
        return FFail(h, rep);
    return true;
}

bool SCHAIN::FReadIdcode(HTVX h, uint8_t *pb4, STREP &rep)
{
    if (!rep.FReport(stcQueryContinue, 0)) {
        FCloseJtag(h);
        return false;
    }
    uint32_t erc = 0;
    if (!pjtport->FGetTdoBits(h, 32, 0, 0, pb4, &erc))
        return FFail(h, rep);
    return true;
}

bool SCHAIN::FIrFill(int iscdvc, uint32_t *pcbitBefore, uint32_t *pcbitAfter) const
{
    uint32_t cbitBefore = 0, cbitAfter = 0;
    for (int i = 0; i < cscdvc; i++) {
        int32_t cbitIr = rgpscdvc[i]->cbitIr;
        if (cbitIr <= 0 || cbitIr > 32)
            return false;   /* a device whose IR length is not known: no sound fill */
        if (i < iscdvc)
            cbitBefore += (uint32_t)cbitIr;
        else if (i > iscdvc)
            cbitAfter += (uint32_t)cbitIr;
    }
    *pcbitBefore = cbitBefore;
    *pcbitAfter = cbitAfter;
    return iscdvc >= 0 && iscdvc < cscdvc;
}

/* Shift-IR onwards: A ones, the opcode, B ones, leaving in Exit1-IR. */
bool SCHAIN::FShiftIrBody(int iscdvc, uint32_t op, HTVX h, STREP &rep)
{
    uint32_t cbitBefore, cbitAfter;
    if (!FIrFill(iscdvc, &cbitBefore, &cbitAfter))
        return FFail(h, rep);
    uint32_t cbitIr = (uint32_t)rgpscdvc[iscdvc]->cbitIr;
    uint8_t rgbOp[4] = {(uint8_t)op, (uint8_t)(op >> 8), (uint8_t)(op >> 16), (uint8_t)(op >> 24)};
    if (!FPutOnes(h, cbitAfter, rep))
        return false;
    if (cbitBefore == 0)
        return FPutBits(h, cbitIr - 1, rgbOp, nullptr, rep) && FPutLastBit(h, (op >> (cbitIr - 1)) & 1, rep);
    return FPutBits(h, cbitIr, rgbOp, nullptr, rep) && FPutOnes(h, cbitBefore - 1, rep) && FPutLastBit(h, 1, rep);
}

bool SCHAIN::FShiftIr(int iscdvc, uint32_t op, HTVX h, STREP &rep)
{
    return FWalk(h, "100", rep) && FShiftIrBody(iscdvc, op, h, rep) && FWalk(h, "11", rep) && FWait(h, rep);
}

bool SCHAIN::FIrEndWalk(HTVX h, int tapstEnd, STREP &rep)
{
    if (tapstEnd == tapstIdle)
        return FWalk(h, "10", rep);
    if (tapstEnd == tapstIrPause)
        return FWalk(h, "0", rep);
    return true;
}

/* The entry walk ends in Capture-IR, so the first clock after it captures
 * and shifts nothing: it carries a spare 1, and the instruction bits follow
 * it exactly as in the other instruction shifts. The TDO of that first clock
 * and of the fill and opcode clocks after it go to the buffer (at least
 * 1 + A + L(i) bits): the captured instruction registers from TDO on. */
bool SCHAIN::FShiftIrCapture(int iscdvc, uint32_t op, HTVX h, int tapstEnd, uint8_t *pbTdo, STREP &rep)
{
    uint32_t cbitBefore, cbitAfter;
    if (!FWalk(h, "110", rep))
        return false;
    if (!FIrFill(iscdvc, &cbitBefore, &cbitAfter))
        return FFail(h, rep);
    uint32_t cbitIr = (uint32_t)rgpscdvc[iscdvc]->cbitIr;
    /* spare bit, A ones, the opcode but its last bit when nothing follows it */
    uint8_t rgb[(1 + cscdvcMax * 32 + 32 + 7) / 8] = {0};
    uint32_t cbit = 0;
    rgb[0] = 1;
    cbit = 1;
    for (uint32_t k = 0; k < cbitAfter; k++, cbit++)
        rgb[cbit / 8] |= (uint8_t)(1u << (cbit % 8));
    uint32_t cbitOp = cbitBefore == 0 ? cbitIr - 1 : cbitIr;
    for (uint32_t k = 0; k < cbitOp; k++, cbit++)
        rgb[cbit / 8] |= (uint8_t)(((op >> k) & 1) << (cbit % 8));
    if (!FPutBits(h, cbit, rgb, pbTdo, rep))
        return false;
    bool fOk;
    if (cbitBefore == 0)
        fOk = FPutLastBit(h, (op >> (cbitIr - 1)) & 1, rep);
    else
        fOk = FPutOnes(h, cbitBefore - 1, rep) && FPutLastBit(h, 1, rep);
    return fOk && FIrEndWalk(h, tapstEnd, rep) && FWait(h, rep);
}

bool SCHAIN::FShiftIrFromIdle(int iscdvc, uint32_t op, HTVX h, int tapstEnd, STREP &rep)
{
    return FWalk(h, "1100", rep) && FShiftIrBody(iscdvc, op, h, rep) && FIrEndWalk(h, tapstEnd, rep) &&
           FWait(h, rep);
}

/* The data leaving Shift-DR on its last bit: with no trailing devices the
 * last data bit goes with TMS 1, otherwise the trailing BYPASS bits do. */
bool SCHAIN::FExitRule(const uint8_t *pb, uint32_t cbit, uint32_t cbitTrail, HTVX h, STREP &rep)
{
    if (cbitTrail == 0) {
        if (cbit == 0)
            return FFail(h, rep);   /* no bit to leave Shift-DR with */
        return FPutBits(h, cbit - 1, pb, nullptr, rep) &&
               FPutLastBit(h, (pb[(cbit - 1) / 8] >> ((cbit - 1) % 8)) & 1, rep);
    }
    return FPutBits(h, cbit, pb, nullptr, rep) && FPutOnes(h, cbitTrail - 1, rep) && FPutLastBit(h, 1, rep);
}

bool SCHAIN::FShiftDrMore(int, const uint8_t *pb, uint32_t cbit, uint32_t cbitLead, HTVX h, STREP &rep)
{
    return FPutOnes(h, cbitLead, rep) && FPutBits(h, cbit, pb, nullptr, rep) && FWait(h, rep);
}

bool SCHAIN::FShiftDrEnter(int, const uint8_t *pb, uint8_t *pbTdo, uint32_t cbit, uint32_t cbitLead, HTVX h,
                           STREP &rep)
{
    return FWalk(h, "100", rep) && FPutOnes(h, cbitLead, rep) && FPutBits(h, cbit, pb, pbTdo, rep) &&
           FWait(h, rep);
}

bool SCHAIN::FShiftDrLeave(int, const uint8_t *pb, uint32_t cbit, uint32_t cbitTrail, HTVX h, STREP &rep)
{
    return FExitRule(pb, cbit, cbitTrail, h, rep) && FWalk(h, "10", rep) && FWait(h, rep);
}

bool SCHAIN::FReadDr(int, uint8_t *pbTdo, uint32_t cbit, uint32_t cbitLead, HTVX h, STREP &rep)
{
    uint32_t erc = 0;
    if (!FWalk(h, "10", rep) || !FPutZeros(h, cbitLead, rep))
        return false;
    if (cbit != 0 && !pjtport->FGetTdoBits(h, cbit, 0, 0, pbTdo, &erc))
        return FFail(h, rep);
    return FWait(h, rep);
}

bool SCHAIN::FShiftDr(int, const uint8_t *pb, uint32_t cbit, uint32_t cbitTrail, uint32_t cbitLead, HTVX h,
                      STREP &rep)
{
    return FWalk(h, "100", rep) && FPutOnes(h, cbitLead, rep) && FExitRule(pb, cbit, cbitTrail, h, rep) &&
           FWalk(h, "10", rep) && FWait(h, rep);
}

bool SCHAIN::FShiftDrPause(int, const uint8_t *pb, uint32_t cbit, uint32_t cbitTrail, uint32_t cbitLead, HTVX h,
                           STREP &rep)
{
    if (!FPutOnes(h, cbitLead, rep) || !FExitRule(pb, cbit, cbitTrail, h, rep) || !FWalk(h, "0", rep) ||
        !FWait(h, rep))
        return false;
    pfnSleepMs(1000);
    return FWalk(h, "110", rep) && FWait(h, rep);
}
