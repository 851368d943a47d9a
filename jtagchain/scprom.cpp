/*
 * scprom.cpp - Platform Flash PROMs: images from .mcs and .bit files,
 * erase, program and verify (XCFxxS: ALG 1, XCFxxP: ALG 2).
 *
 * Every instruction shift enters from Run-Test/Idle and returns there; every
 * data shift goes from Run-Test/Idle through Shift-DR back, with the other
 * devices of the chain in BYPASS. Waits are scaled by SCMODE bits 0-3.
 */
#include "scdvc.h"

#include <stdio.h>
#include <string.h>

#include "bitfile.h"
#include "ihex.h"
#include "schain.h"

namespace {

const char szResetWalk[] = "111110";

/* The image as pages of cbPage bytes, the last one filled up with 0xFF. */
std::vector<uint8_t> RgbPage(const std::vector<uint8_t> &rgb, uint32_t cbPage, uint32_t ipage)
{
    std::vector<uint8_t> rgbPage(cbPage, 0xFF);
    size_t ib = (size_t)ipage * cbPage;
    if (ib < rgb.size())
        memcpy(rgbPage.data(), rgb.data() + ib, rgb.size() - ib < cbPage ? rgb.size() - ib : cbPage);
    return rgbPage;
}

class PROMOPS {
public:
    PROMOPS(SCPROM *ppromIn, int iscdvcIn, int cscdvcAfterIn, HTVX hIn, STREP &repIn)
        : pprom(ppromIn), pschain(ppromIn->pschain), iscdvc(iscdvcIn), cscdvcAfter(cscdvcAfterIn), h(hIn),
          rep(repIn)
    {
    }
    bool FIr(int op) { return pschain->FShiftIrFromIdle(iscdvc, pprom->rgop[op], h, tapstIdle, rep); }
    bool FDr(uint32_t cbit, uint32_t v)
    {
        uint8_t rgb[4] = {(uint8_t)v, (uint8_t)(v >> 8), (uint8_t)(v >> 16), (uint8_t)(v >> 24)};
        return FDrBytes(cbit, rgb);
    }
    bool FDrBytes(uint32_t cbit, const uint8_t *pb)
    {
        return pschain->FShiftDr(iscdvc, pb, cbit, (uint32_t)iscdvc, (uint32_t)cscdvcAfter, h, rep);
    }
    /* Read cbit bits of the register the instruction selects; back in Run-Test/Idle. */
    bool FRead(uint32_t cbit, uint8_t *pbTdo)
    {
        return pschain->FReadDr(iscdvc, pbTdo, cbit, (uint32_t)cscdvcAfter, h, rep) &&
               pschain->FWalk(h, "110", rep) && pschain->FWait(h, rep);
    }
    bool FWalk(const char *sz) { return pschain->FWalk(h, sz, rep); }
    /* A wait of the device's times, scaled by the mode word: to a fifth (15) or a half (8). */
    bool FWait(uint32_t us)
    {
        /* the time runs from the last clock: the clocks asked for go out first */
        if (!pschain->FWait(h, rep))
            return false;
        uint32_t speed = pschain->scmode & 0xF;
        uint64_t usScaled = speed == 15 ? us / 5 : speed == 8 ? us / 2 : us;
        uint64_t ms = (usScaled + 999) / 1000;
        pschain->pfnSleepMs(ms < 1 ? 1 : (uint32_t)ms);
        return true;
    }

    SCPROM *pprom;
    SCHAIN *pschain;
    int iscdvc;
    int cscdvcAfter;
    HTVX h;
    STREP &rep;
};

} // namespace

bool SCPROM::FLoadHexFile(STREP &rep)
{
    HEXIMAGE img;
    rgbImage.clear();
    if (!FReadHexFile(img, szPath)) {
        rep.FReport(img.err == hexerrOpen ? stcFileNotFound : stcFileReadFailed, (int32_t)img.line);
        return false;
    }
    if (img.ibEnd == 0) {
        rep.FReport(stcFileReadFailed, 0);   /* nothing to program */
        return false;
    }
    img.rgb.resize(img.ibEnd);
    rgbImage.swap(img.rgb);
    return true;
}

bool SCPROM::FLoadBitFile(STREP &rep)
{
    rgbImage.clear();
    FILE *pf = fopen(szPath, "rb");
    if (pf == nullptr) {
        rep.FReport(stcFileNotFound, 0);
        return false;
    }
    SetBitfile(nullptr);
    BITFILE *pbitfileNew = PbitfileNew();
    bool fOk = pbitfileNew != nullptr && FReadBitFile(pf, pbitfileNew) && pbitfileNew->cbData > 0;
    fclose(pf);
    if (!fOk) {
        ReleaseBitfile(pbitfileNew);
        rep.FReport(stcFileReadFailed, 0);
        return false;
    }
    SetBitfile(pbitfileNew);
    rgbImage.resize(pbitfile->cbData);
    for (uint32_t ib = 0; ib < pbitfile->cbData; ib++)
        rgbImage[ib] = rgbBitReverse[pbitfile->pbData[ib]];
    return true;
}

bool SCPROM::FEraseS(int iscdvc, int cscdvcAfter, STREP &rep)
{
    HTVX h = pschain->HOpenJtag(rep);
    if (h == nullptr)
        return false;
    PROMOPS ops(this, iscdvc, cscdvcAfter, h, rep);
    if (!ops.FWalk(szResetWalk))
        return false;
    rep.FReport(stcEraseStart, 0);
    bool fOk = ops.FIr(opIspen) && ops.FDr(6, 0x34) && ops.FIr(opFaddr) && ops.FDr(16, 0x0001) && ops.FWait(1) &&
               ops.FWait(1) && ops.FIr(opFerase) && ops.FWait(1) && ops.FWait(15000000) && ops.FIr(opNormrst) &&
               ops.FWait(110000) && ops.FWalk(szResetWalk);
    rep.FReport(stcEraseEnd, 0);
    if (fOk)
        pschain->FCloseJtag(h);
    return fOk;
}

bool SCPROM::FProgramS(int iscdvc, int cscdvcAfter, uint32_t cbitPage, STREP &rep)
{
    uint32_t cbPage = cbitPage / 8;
    uint32_t cpage = (uint32_t)((rgbImage.size() + cbPage - 1) / cbPage);
    if (cpage == 0 || !FEraseS(iscdvc, cscdvcAfter, rep))
        return false;
    HTVX h = pschain->HOpenJtag(rep);
    if (h == nullptr)
        return false;
    PROMOPS ops(this, iscdvc, cscdvcAfter, h, rep);
    if (!ops.FWalk(szResetWalk))
        return false;
    rep.FReport(stcProgressRange, (int32_t)cpage);
    std::vector<uint8_t> rgbPage = RgbPage(rgbImage, cbPage, 0);
    if (!ops.FIr(opIspen) || !ops.FDr(6, 0x34) || !ops.FIr(opFdata0) || !ops.FDrBytes(cbitPage, rgbPage.data()) ||
        !ops.FWait(1) || !ops.FWait(1) || !ops.FIr(opFaddr) || !ops.FDr(16, 0x0000) || !ops.FWait(1) ||
        !ops.FWait(1) || !ops.FIr(opFpgm) || !ops.FWait(1) || !ops.FWait(14000))
        return false;
    /* the address moves on by itself after each page */
    for (uint32_t ipage = 1; ipage < cpage; ipage++) {
        rep.FReport(stcProgress, (int32_t)ipage);
        rgbPage = RgbPage(rgbImage, cbPage, ipage);
        if (!ops.FIr(opFdata0) || !ops.FDrBytes(cbitPage, rgbPage.data()) || !ops.FWait(1) || !ops.FWait(1) ||
            !ops.FIr(opFpgm) || !ops.FWait(1) || !ops.FWait(14000))
            return false;
    }
    /* the control register: erased, then written */
    uint32_t cbitCtl = cbitPage == 2048 ? 6 : 3, ctl = cbitPage == 2048 ? 0x3F : 0x7;
    uint32_t ibCtl = cbitPage == 2048 ? 0x4000 : 0x8000;
    bool fOk = ops.FIr(opFaddr) && ops.FDr(16, 0x0001) && ops.FWait(1) && ops.FIr(opSerase) && ops.FWait(37000) &&
               ops.FIr(opNormrst) && ops.FWait(110000) && ops.FIr(opIspen) && ops.FDr(6, 0x34) && ops.FIr(opIspen) &&
               ops.FDr(6, 0x34) && ops.FIr(opFaddr) && ops.FDr(16, ibCtl) && ops.FWait(1) && ops.FWait(1) &&
               ops.FIr(opFdata3) && ops.FDr(cbitCtl, ctl) && ops.FIr(opFpgm) && ops.FWait(1) && ops.FWait(14000) &&
               ops.FIr(opFvfy3) && ops.FWait(1) && ops.FWait(50) && ops.FDr(cbitCtl, ctl) && ops.FIr(opNormrst) &&
               ops.FWait(110000) && ops.FIr(opIspen) && ops.FDr(6, 0x34) && ops.FIr(opNormrst) &&
               ops.FWait(110000) && ops.FIr(opBypass) && ops.FDr(2, 0);
    if (fOk)
        pschain->FCloseJtag(h);
    return fOk;
}

bool SCPROM::FVerifyS(int iscdvc, int cscdvcAfter, uint32_t cbitPage, STREP &rep)
{
    uint32_t cbPage = cbitPage / 8;
    uint32_t cpage = (uint32_t)((rgbImage.size() + cbPage - 1) / cbPage);
    if (cpage == 0)
        return false;
    HTVX h = pschain->HOpenJtag(rep);
    if (h == nullptr)
        return false;
    PROMOPS ops(this, iscdvc, cscdvcAfter, h, rep);
    if (!ops.FWalk(szResetWalk))
        return false;
    rep.FReport(stcVerifying, 0);
    if (!ops.FIr(opIspen) || !ops.FDr(6, 0x34))
        return false;
    bool fSame = true;
    std::vector<uint8_t> rgbRead(cbPage + 8);
    for (uint32_t ipage = 0; ipage < cpage && fSame; ipage++) {
        /* the address counts 32 to a page */
        if (!ops.FIr(opFaddr) || !ops.FDr(16, ipage * 32) || !ops.FWait(1) || !ops.FIr(opFvfy1) || !ops.FWait(50) ||
            !ops.FRead(cbitPage, rgbRead.data()))
            return false;
        if (memcmp(rgbRead.data(), RgbPage(rgbImage, cbPage, ipage).data(), cbPage) != 0) {
            rep.FReport(ercVerifyFailed, (int32_t)ipage);
            fSame = false;
        }
    }
    if (!ops.FIr(opNormrst) || !ops.FWait(110000) || !ops.FWalk(szResetWalk))
        return false;
    pschain->FCloseJtag(h);
    return fSame;
}

namespace {

/* XCFxxP: into ISP mode, unlock and erase every block, out of ISP mode; with
 * the erase reports. Programming adds a second reset walk. */
bool FEraseBlocksP(PROMOPS &ops, bool fProgramming)
{
    if (!ops.FIr(SCPROM::opIspen) || !ops.FDr(8, 0x03) || !ops.FWalk(szResetWalk))
        return false;
    ops.rep.FReport(stcEraseStart, 0);
    bool fOk = ops.FIr(SCPROM::opIspen) && ops.FDr(8, 0xD0) && ops.FIr(SCPROM::opXscUnlock) &&
               ops.FDr(24, 0x00003F) && ops.FIr(SCPROM::opIscErase) && ops.FDr(24, 0x00003F) &&
               ops.FWait(140000000) && ops.FIr(SCPROM::opNormrst) && ops.FWait(50) && ops.FWalk(szResetWalk) &&
               (!fProgramming || ops.FWalk(szResetWalk));
    ops.rep.FReport(stcEraseEnd, 0);
    return fOk;
}

} // namespace

bool SCPROM::FEraseP(int iscdvc, int cscdvcAfter, STREP &rep)
{
    HTVX h = pschain->HOpenJtag(rep);
    if (h == nullptr)
        return false;
    PROMOPS ops(this, iscdvc, cscdvcAfter, h, rep);
    bool fOk = FEraseBlocksP(ops, false);
    if (fOk)
        pschain->FCloseJtag(h);
    return fOk;
}

bool SCPROM::FProgramP(int iscdvc, int cscdvcAfter, uint32_t cbitPage, STREP &rep)
{
    uint32_t cbPage = cbitPage / 8;
    uint32_t cpage = (uint32_t)((rgbImage.size() + cbPage - 1) / cbPage);
    if (cpage == 0)
        return false;
    HTVX h = pschain->HOpenJtag(rep);
    if (h == nullptr)
        return false;
    PROMOPS ops(this, iscdvc, cscdvcAfter, h, rep);
    if (!FEraseBlocksP(ops, true))
        return false;
    rep.FReport(stcProgressRange, (int32_t)cpage);
    std::vector<uint8_t> rgbPage = RgbPage(rgbImage, cbPage, 0);
    if (!ops.FIr(opIspen) || !ops.FDr(8, 0xD0) || !ops.FIr(opIspen) || !ops.FDr(8, 0x03) ||
        !ops.FIr(opXscDataBtc) || !ops.FDr(32, 0xFFFFFFE0) || !ops.FIr(opIscProgram) || !ops.FWait(120) ||
        !ops.FWalk(szResetWalk) || !ops.FIr(opIspen) || !ops.FDr(8, 0xD0) || !ops.FIr(opIscDataShift) ||
        !ops.FDrBytes(cbitPage, rgbPage.data()) || !ops.FIr(opIscAddressShift) || !ops.FDr(24, 0) ||
        !ops.FIr(opIscProgram) || !ops.FWait(1000))
        return false;
    for (uint32_t ipage = 1; ipage < cpage; ipage++) {
        rep.FReport(stcProgress, (int32_t)ipage);
        rgbPage = RgbPage(rgbImage, cbPage, ipage);
        if (!ops.FIr(opIscDataShift) || !ops.FDrBytes(cbitPage, rgbPage.data()) || !ops.FIr(opIscProgram) ||
            !ops.FWait(1000))
            return false;
    }
    bool fOk = ops.FIr(opIspen) && ops.FDr(8, 0x03) && ops.FIr(opXscDataSucr) && ops.FDr(16, 0xFFFC) &&
               ops.FIr(opIscProgram) && ops.FWait(60) && ops.FIr(opIspen) && ops.FDr(8, 0x03) && ops.FIr(opIspen) &&
               ops.FDr(8, 0x03) && ops.FIr(opXscDataCcb) && ops.FDr(16, 0xFFFF) && ops.FIr(opIscProgram) &&
               ops.FWait(60) && ops.FIr(opNormrst) && ops.FWait(50) && ops.FIr(opIspen) && ops.FDr(8, 0x03) &&
               ops.FIr(opXscDataDone) && ops.FDr(8, 0xCE) && ops.FIr(opIscProgram) && ops.FWait(60) &&
               /* out of ISP mode again, or the PROM gives the FPGA nothing until it is powered off */
               ops.FIr(opNormrst) && ops.FWait(50) && ops.FIr(opBypass) && ops.FDr(1, 0);
    if (fOk)
        pschain->FCloseJtag(h);
    return fOk;
}
