#include "chainops.h"

#include <stdio.h>
#include <string.h>

#include "bitfile.h"
#include "dvclist.h"
#include "svfplay.h"
#include "sztext.h"

std::atomic<bool> fUserAbort(false);

namespace {

const char szStartWalk[] = "11111010";   /* Test-Logic-Reset, Run-Test/Idle, Select-DR-Scan, Capture-DR */
const char szEndWalk[] = "11111";        /* Test-Logic-Reset */

uint32_t WordOf(const uint8_t *pb)
{
    return pb[0] | ((uint32_t)pb[1] << 8) | ((uint32_t)pb[2] << 16) | ((uint32_t)pb[3] << 24);
}

/* Close and report the failure of an operation whose port is open. */
bool FFailOpen(SCHAIN *pschain, HTVX h, STREP &rep)
{
    pschain->FCloseJtag(h);
    rep.FReport(stcFailed, 0);
    return false;
}

} // namespace

bool FIdentifyChain(SCHAIN *pschain, STREP &rep)
{
    pschain->RemoveAll();
    HTVX h = pschain->HOpenJtag(rep);
    if (h == nullptr)
        return false;
    if (!pschain->FWalk(h, szStartWalk, rep))
        return false;
    for (int cword = 0;; cword++) {
        uint8_t rgb[4];
        if (!pschain->FReadIdcode(h, rgb, rep)) {
            /* the read has closed the port */
            pschain->RemoveAll();
            rep.FReport(stcFailed, 0);
            return false;
        }
        uint32_t w = WordOf(rgb);
        if (w == 0) {
            if (!pschain->FWalk(h, szEndWalk, rep)) {
                pschain->RemoveAll();
                return false;
            }
            pschain->FCloseJtag(h);
            /* The chain was read to its end. Nothing identified (no device
             * list, devices the list does not know, TDO held low) is an
             * empty chain, which the caller shows as such. */
            pschain->Reverse();
            rep.FReport(stcDone, 0);
            return true;
        }
        /* A chain that never ends (TDO stuck, open chain) gives up here. */
        if (cword >= cwordIdentifyMax || pschain->cscdvc >= cscdvcMax) {
            pschain->RemoveAll();
            return FFailOpen(pschain, h, rep);
        }
        SCDVC *pscdvc = IdentifyIdcode(pschain, w);
        if (pscdvc == nullptr)
            continue;
        pscdvc->idcode = w;
        pscdvc->iwordScan = cword;
        SetJtdvcFilter(pscdvc);
        pschain->FAddDvc(pscdvc);
        rep.FReport(stcIdcode, (int32_t)w);
    }
}

bool FRecheckChain(SCHAIN *pschain, STREP &rep)
{
    HTVX h = pschain->HOpenJtag(rep);
    if (h == nullptr)
        return false;
    if (!pschain->FWalk(h, szStartWalk, rep))
        return false;
    int i = 0;
    for (int cword = 0;; cword++) {
        uint8_t rgb[4];
        if (!pschain->FReadIdcode(h, rgb, rep)) {
            rep.FReport(stcFailed, 0);
            return false;
        }
        uint32_t w = WordOf(rgb);
        if (w == 0) {
            if (i < pschain->cscdvc) {
                rep.FReport(stcChainMismatch, pschain->iscdvcSel);
                pschain->FCloseJtag(h);
                return false;
            }
            if (!pschain->FWalk(h, szEndWalk, rep))
                return false;
            pschain->FCloseJtag(h);
            return true;
        }
        if (cword >= cwordIdentifyMax)
            return FFailOpen(pschain, h, rep);
        SCDVC *pscdvc = IdentifyIdcode(pschain, w);
        if (pscdvc == nullptr)
            continue;
        delete pscdvc;
        if (i >= pschain->cscdvc || w != pschain->rgpscdvc[pschain->cscdvc - 1 - i]->idcode) {
            rep.FReport(stcChainMismatch, pschain->iscdvcSel);
            pschain->FCloseJtag(h);
            return false;
        }
        i++;
    }
}

bool FLoopIdcode(SCHAIN *pschain, STREP &rep)
{
    int iscdvc = pschain->iscdvcSel;
    int cscdvc = pschain->cscdvc;
    if (iscdvc < 0 || iscdvc >= cscdvc) {
        rep.FReport(stcFailed, -1);
        return false;
    }
    /* The device's own place in the scan: words of devices the list does not
     * know come out of TDO too. */
    int iwordDvc = pschain->rgpscdvc[iscdvc]->iwordScan >= 0 ? pschain->rgpscdvc[iscdvc]->iwordScan
                                                              : cscdvc - 1 - iscdvc;
    uint32_t idcodeWant = pschain->rgpscdvc[iscdvc]->idcode;
    HTVX h = pschain->HOpenJtag(rep);
    if (h == nullptr)
        return false;
    if (!rep.FReport(stcQueryContinue, 0)) {
        rep.FReport(stcFailed, -1);
        pschain->FCloseJtag(h);
        return false;
    }
    uint32_t idcodeLast = 0;
    for (int iround = 0; iround < pschain->cLoop; iround++) {
        if (!pschain->FWalk(h, szStartWalk, rep)) {
            rep.FReport(stcFailed, -1);
            return false;
        }
        bool fReported = false;
        for (int iword = 0; iword < cscdvcMax; iword++) {
            uint8_t rgb[4];
            if (!pschain->FReadIdcode(h, rgb, rep)) {
                rep.FReport(stcFailed, 0);
                rep.FReport(stcFailed, -1);
                return false;
            }
            uint32_t w = WordOf(rgb);
            if (w == 0) {
                if (iword <= iwordDvc) {
                    rep.FReport(stcFailed, -1);
                    pschain->FCloseJtag(h);
                    return false;
                }
                break;
            }
            if (iword == iwordDvc) {
                if (w == idcodeWant) {
                    rep.FReport(stcIdcode, (int32_t)w);
                    idcodeLast = w;
                    fReported = true;
                } else {
                    rep.FReport(stcIdcode, -1);
                }
            }
        }
        if (!fReported) {
            rep.FReport(stcFailed, -1);
            pschain->FCloseJtag(h);
            return false;
        }
    }
    pschain->FCloseJtag(h);
    rep.FReport(stcDone, (int32_t)idcodeLast);
    return true;
}

namespace {

/* An FPGA from its .bit or .bin file: load, re-check, download, status. */
bool FProgramFpga(SCHAIN *pschain, SCFPGA *pscfpga, int cft, STREP &rep)
{
    int iscdvc = pschain->iscdvcSel;
    rep.FReport(stcLoadingFile, iscdvc);
    if (!(cft == cftBit ? pscfpga->FLoadBitFile(rep) : pscfpga->FLoadBinFile(rep)) || !FRecheckChain(pschain, rep)) {
        rep.FReport(stcFailed, 0);
        return false;
    }
    rep.FReport(stcProgrammingDevice, iscdvc);
    if (!pscfpga->FDownload(iscdvc, rep)) {
        rep.FReport(stcFailed, 0);
        return false;
    }
    rep.FReport(stcVerifying, 0);
    if (pscfpga->alg != 1) {
        /* A bitstream that did not start the device is no success. */
        if (!pscfpga->FCheckDone(iscdvc, rep)) {
            pscfpga->ClearConfiguration(iscdvc);
            rep.FReport(stcStatusBad, 0);
            return false;
        }
        rep.FReport(stcDone, 0);
        return true;
    }
    bool fConfigured = pscfpga->FCheckStatus(iscdvc, pschain->cscdvc - 1 - iscdvc, rep);
    /* A bitstream that did not start the device may have left its
     * configuration logic mid-stream: clear it for the next download. */
    if (!fConfigured)
        pscfpga->ClearConfiguration(iscdvc);
    rep.FReport(fConfigured ? stcStatusGood : stcStatusBad, 0);
    return fConfigured;
}

/* A CoolRunner-II operation (ALG 1): re-check, then the algorithm on the selected device. */
bool FCpldOperation(SCHAIN *pschain, SCCPLD *pcpld, bool (SCCPLD::*pfn)(int, int, STREP &), STREP &rep)
{
    int iscdvc = pschain->iscdvcSel;
    if (!FRecheckChain(pschain, rep)) {
        rep.FReport(stcFailed, 0);
        return false;
    }
    rep.FReport(stcProgrammingDevice, iscdvc);
    bool fOk = pcpld->alg == 1 && (pcpld->*pfn)(iscdvc, pschain->cscdvc - 1 - iscdvc, rep);
    rep.FReport(fOk ? stcDone : stcFailed, 0);
    return fOk;
}

/* Page size of an XCFxxS PROM in bits. */
uint32_t CbitPageProm(const SCPROM *pprom)
{
    return strcmp(pprom->pjtdvc->szName, "XCF01S") == 0 ? 2048 : 4096;
}

bool FLoadPromImage(SCPROM *pprom, int cft, STREP &rep)
{
    return cft == cftMcs ? pprom->FLoadHexFile(rep) : pprom->FLoadBitFile(rep);
}

/* A PROM from its .mcs or .bit file: re-check, load, erase and program. */
bool FProgramProm(SCHAIN *pschain, SCPROM *pprom, int cft, STREP &rep)
{
    int iscdvc = pschain->iscdvcSel;
    int cscdvcAfter = pschain->cscdvc - 1 - iscdvc;
    rep.FReport(stcLoadingFile, iscdvc);
    if (!FRecheckChain(pschain, rep)) {
        rep.FReport(stcFailed, 0);
        return false;
    }
    rep.FReport(stcProgrammingDevice, iscdvc);
    bool fOk = FLoadPromImage(pprom, cft, rep);
    if (fOk && pprom->alg == 1)
        fOk = pprom->FProgramS(iscdvc, cscdvcAfter, CbitPageProm(pprom), rep);
    else if (fOk && pprom->alg == 2)
        fOk = pprom->FProgramP(iscdvc, cscdvcAfter, 256, rep);
    else
        fOk = false;
    rep.FReport(fOk ? stcDone : stcFailed, 0);
    return fOk;
}

/* Erase a PROM, or verify it against its file (XCFxxS). */
bool FPromOperation(SCHAIN *pschain, SCPROM *pprom, bool fVerify, STREP &rep)
{
    int iscdvc = pschain->iscdvcSel;
    int cscdvcAfter = pschain->cscdvc - 1 - iscdvc;
    bool fOk;
    if (fVerify) {
        rep.FReport(stcLoadingFile, iscdvc);
        fOk = FLoadPromImage(pprom, FileTypeFromPath(pprom->szPath), rep) && FRecheckChain(pschain, rep);
        if (fOk) {
            rep.FReport(stcProgrammingDevice, iscdvc);
            fOk = pprom->FVerifyS(iscdvc, cscdvcAfter, CbitPageProm(pprom), rep);
        }
    } else {
        fOk = FRecheckChain(pschain, rep);
        if (fOk)
            fOk = pprom->alg == 1 ? pprom->FEraseS(iscdvc, cscdvcAfter, rep)
                : pprom->alg == 2 ? pprom->FEraseP(iscdvc, cscdvcAfter, rep) : false;
    }
    rep.FReport(fOk ? stcDone : stcFailed, 0);
    return fOk;
}

} // namespace

bool FProgramDvc(SCHAIN *pschain, STREP &rep)
{
    fUserAbort = false;
    SCDVC *pscdvc = pschain->PscdvcFromIscdvc(pschain->iscdvcSel);
    int cft = pscdvc ? FileTypeFromPath(pscdvc->szPath) : cftNone;
    if (pscdvc != nullptr && pscdvc->dvct == dvctFpga && (cft == cftBit || cft == cftBin))
        return FProgramFpga(pschain, static_cast<SCFPGA *>(pscdvc), cft, rep);
    if (pscdvc != nullptr && cft == cftSvf) {
        /* the file drives the whole chain, whatever the device */
        bool fOk = FPlaySvf(pschain, rep);
        rep.FReport(fOk ? stcDone : stcFailed, 0);
        return fOk;
    }
    if (pscdvc != nullptr && pscdvc->dvct == dvctCpld && cft == cftJed)
        return FCpldOperation(pschain, static_cast<SCCPLD *>(pscdvc), &SCCPLD::FProgram, rep);
    if (pscdvc != nullptr && pscdvc->dvct == dvctProm && (cft == cftBit || cft == cftMcs))
        return FProgramProm(pschain, static_cast<SCPROM *>(pscdvc), cft, rep);
    /* every other combination of device and file fails */
    rep.FReport(stcFailed, 0);
    return false;
}

bool FEraseDvc(SCHAIN *pschain, STREP &rep)
{
    fUserAbort = false;
    SCDVC *pscdvc = pschain->PscdvcFromIscdvc(pschain->iscdvcSel);
    if (pscdvc != nullptr && pscdvc->dvct == dvctCpld)
        return FCpldOperation(pschain, static_cast<SCCPLD *>(pscdvc), &SCCPLD::FErase, rep);
    if (pscdvc != nullptr && pscdvc->dvct == dvctProm)
        return FPromOperation(pschain, static_cast<SCPROM *>(pscdvc), false, rep);
    rep.FReport(stcFailed, 0);
    return false;
}

bool FVerifyDvc(SCHAIN *pschain, STREP &rep)
{
    fUserAbort = false;
    SCDVC *pscdvc = pschain->PscdvcFromIscdvc(pschain->iscdvcSel);
    int cft = pscdvc ? FileTypeFromPath(pscdvc->szPath) : cftNone;
    if (pscdvc != nullptr && pscdvc->dvct == dvctCpld && cft == cftJed)
        return FCpldOperation(pschain, static_cast<SCCPLD *>(pscdvc), &SCCPLD::FVerify, rep);
    /* only the serial PROMs (ALG 1) read their pages back; the parallel ones
     * fail at once, like every device that cannot be verified */
    if (pscdvc != nullptr && pscdvc->dvct == dvctProm && static_cast<SCPROM *>(pscdvc)->alg == 1 &&
        (cft == cftBit || cft == cftMcs))
        return FPromOperation(pschain, static_cast<SCPROM *>(pscdvc), true, rep);
    rep.FReport(stcFailed, 0);
    return false;
}

bool FProgramChain(SCHAIN *pschain, STREP &rep)
{
    fUserAbort = false;
    int cProgrammed = 0;
    for (int iscdvc = 0; iscdvc < pschain->cscdvc; iscdvc++) {
        if (pschain->rgpscdvc[iscdvc]->szPath[0] == '\0')
            continue;
        pschain->iscdvcSel = iscdvc;
        bool fOk;
        {
            STREP repDvc(rep.Pfn());   /* each device reports its own end */
            fOk = FProgramDvc(pschain, repDvc);
        }
        if (fUserAbort)
            break;
        if (fOk)
            cProgrammed++;
    }
    rep.FReport(stcChainProgrammed, cProgrammed);
    return true;
}

int CheckBitAssociation(SCHAIN *pschain, const char *szPath, int iscdvc, uint32_t fsCheck)
{
    SCDVC *pscdvc = pschain->PscdvcFromIscdvc(iscdvc);
    if (pscdvc == nullptr)
        return basAccept;
    FILE *pf = fopen(szPath, "rb");
    if (pf == nullptr)
        return basAccept;
    BITFILE *pbitfile = PbitfileNew();
    bool fRead = pbitfile != nullptr && FReadBitFile(pf, pbitfile);
    fclose(pf);
    if (!fRead || SzBitPart(pbitfile) == nullptr) {
        ReleaseBitfile(pbitfile);
        return basAccept;
    }
    char szPart[2 + 125 + 1] = "xc";
    SzAppendBounded(szPart, SzBitPart(pbitfile), sizeof(szPart));
    /* Start-up clock: bit 0 of data byte 29 (COR bit 16 of 32-bit families). */
    bool fClockKnown = pbitfile->cbData >= 30;
    bool fJtagClock = fClockKnown && (pbitfile->pbData[29] & 1) != 0;
    ReleaseBitfile(pbitfile);

    if (fsCheck & fsCheckPart) {
        uint32_t mask = 0;
        uint32_t idcodePart = LookupPartIdcode(pschain, szPart, &mask);
        if (idcodePart == 0)
            return basPartUnknown;
        if ((idcodePart & mask) != (pscdvc->idcode & mask))
            return basIdcodeConflict;
        if (!SzPrefixNoCase(szPart, pscdvc->pjtdvc->szName))
            return basNameMismatch;
    }
    if ((fsCheck & fsCheckClock) && fClockKnown) {
        uint32_t idcodeFamily = pscdvc->idcode & 0x0FE00000u;
        if (pscdvc->dvct == dvctFpga && (idcodeFamily == 0x01400000u || idcodeFamily == 0x01C00000u) && !fJtagClock)
            return basFpgaNotJtagClock;
        if (pscdvc->dvct == dvctProm && (pscdvc->idcode & 0x0FFE0000u) == 0x05040000u && fJtagClock)
            return basPromJtagClock;
    }
    return basAccept;
}
