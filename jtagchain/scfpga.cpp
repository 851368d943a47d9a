/*
 * Xilinx FPGA configuration over JTAG: loading .bit and .bin files, the
 * family's pre-configuration (by the device list's ALG number), the
 * bitstream download through CFG_IN with start-up through JSTART, and the
 * status read through CFG_OUT.
 *
 * Configuration words leave most significant bit first; the primitives send
 * each byte least significant bit first, so words are stored big-endian
 * with every byte bit-reversed.
 */
#include <stdio.h>
#include <string.h>
#include <vector>

#include "bitfile.h"
#include "chainops.h"
#include "schain.h"

namespace {

const char szResetWalk[] = "1111101";     /* Test-Logic-Reset, Run-Test/Idle, Select-DR-Scan */
const char szToShiftDr[] = "00";          /* from Select-DR-Scan */
const char szStartupAlg1[] = "0000000000000000" "1101";   /* 16 clocks in Shift-DR, to Select-DR-Scan */
const uint32_t cbChunk = 8192;
const uint32_t cclkStartupIdle = 32;      /* start-up clocks in Run-Test/Idle after JSTART */
const uint32_t cclkClearPoll = 10000;     /* clocks in Run-Test/Idle before each look at INIT_B */
const int cpollClearMax = 8;
/* The instruction capture of the Xilinx FPGAs: bit 5 DONE, bit 4 INIT_B. */
const uint32_t ibitCaptureDone = 5, ibitCaptureInit = 4;

/* Configuration bits for a framed shift: cbitLead zero bits, then the words. */
struct CFGBITS {
    std::vector<uint8_t> rgb;
    uint32_t cbit = 0;
    void Bit(int bit)
    {
        if (cbit % 8 == 0)
            rgb.push_back(0);
        if (bit)
            rgb.back() |= (uint8_t)(1u << (cbit % 8));
        cbit++;
    }
    CFGBITS &Zeros(uint32_t c)
    {
        for (uint32_t k = 0; k < c; k++)
            Bit(0);
        return *this;
    }
    CFGBITS &Words(std::initializer_list<uint32_t> rgw)
    {
        for (uint32_t w : rgw)
            for (int k = 31; k >= 0; k--)
                Bit((w >> k) & 1);
        return *this;
    }
};

/* Framed data shift of the bits to the device at index i, entered in
 * Shift-DR: 32 - (i mod 32) zero bits, the data, and for i >= 1 the i bits
 * that fill the BYPASS registers toward TDI, the last with TMS 1. Ends in
 * Exit1-DR. */
bool FFramedShift(SCHAIN *pschain, HTVX h, int iscdvc, const uint8_t *pb, uint32_t cbit, STREP &rep)
{
    if (!pschain->FPutZeros(h, 32 - (uint32_t)(iscdvc % 32), rep))
        return false;
    if (iscdvc == 0)
        return pschain->FPutBits(h, cbit - 1, pb, nullptr, rep) &&
               pschain->FPutLastBit(h, (pb[(cbit - 1) / 8] >> ((cbit - 1) % 8)) & 1, rep);
    return pschain->FPutBits(h, cbit, pb, nullptr, rep) && pschain->FPutZeros(h, (uint32_t)iscdvc - 1, rep) &&
           pschain->FPutLastBit(h, 0, rep);
}

bool FFramedWords(SCHAIN *pschain, HTVX h, int iscdvc, const CFGBITS &cfgbits, STREP &rep)
{
    return FFramedShift(pschain, h, iscdvc, cfgbits.rgb.data(), cfgbits.cbit, rep);
}

} // namespace

bool SCFPGA::FLoadFile(bool fBit, STREP &rep)
{
    FILE *pf = fopen(szPath, "rb");
    if (pf == nullptr) {
        rep.FReport(stcFileNotFound, 0);
        return false;
    }
    SetBitfile(nullptr);
    BITFILE *pbitfileNew = PbitfileNew();
    bool fOk = pbitfileNew != nullptr && (fBit ? FReadBitFile(pf, pbitfileNew) : FReadBinFile(pf, pbitfileNew));
    fclose(pf);
    if (!fOk) {
        ReleaseBitfile(pbitfileNew);
        rep.FReport(stcFileReadFailed, 0);
        return false;
    }
    SetBitfile(pbitfileNew);
    return true;
}

bool SCFPGA::FLoadBitFile(STREP &rep)
{
    return FLoadFile(true, rep);
}

bool SCFPGA::FLoadBinFile(STREP &rep)
{
    return FLoadFile(false, rep);
}

bool SCFPGA::FPreConfigureAlg1(HTVX h, int iscdvc, STREP &rep)
{
    SCHAIN *psc = pschain;
    CFGBITS cfg1, cfg3, cfg5;
    cfg1.Words({0x30012001, 0x00A0BF3D, 0x30008001, 0x00000005, 0x30008001, 0x00000007, 0x00000000});
    cfg3.Words({0x30008001, 0x00000008, 0x30012001, 0x00A03FFF, 0x30008001, 0x00000005, 0x30008001,
                0x00000007, 0x00000000});
    cfg5.Words({0x30012001, 0x00A0BF2D, 0x30008001, 0x00000005, 0x30008001, 0x00000007, 0x00000000});
    return psc->FWalk(h, szResetWalk, rep) && psc->FShiftIr(iscdvc, rgop[opCfgIn], h, rep) &&
           psc->FWalk(h, szToShiftDr, rep) && FFramedWords(psc, h, iscdvc, cfg1, rep) && psc->FWalk(h, "11", rep) &&
           psc->FShiftIr(iscdvc, rgop[opJstart], h, rep) && psc->FWalk(h, szToShiftDr, rep) &&
           psc->FWalk(h, szStartupAlg1, rep) &&
           psc->FShiftIr(iscdvc, rgop[opCfgIn], h, rep) && psc->FWalk(h, szToShiftDr, rep) &&
           FFramedWords(psc, h, iscdvc, cfg3, rep) && psc->FWalk(h, "101", rep) &&
           psc->FShiftIr(iscdvc, rgop[opJstart], h, rep) && psc->FWalk(h, szToShiftDr, rep) &&
           psc->FWalk(h, szStartupAlg1, rep) &&
           psc->FShiftIr(iscdvc, rgop[opCfgIn], h, rep) && psc->FWalk(h, szToShiftDr, rep) &&
           FFramedWords(psc, h, iscdvc, cfg5, rep) && psc->FWalk(h, "101", rep) &&
           psc->FShiftIr(iscdvc, rgop[opJstart], h, rep) && psc->FWalk(h, szToShiftDr, rep) &&
           psc->FWalk(h, "0000000000000000" "110", rep) && psc->FWalk(h, "11111", rep) && psc->FWait(h, rep);
}

bool SCFPGA::FPreConfigureAlg2(HTVX h, int iscdvc, STREP &rep)
{
    SCHAIN *psc = pschain;
    CFGBITS cfg;
    cfg.Zeros(31).Words({0xFFFFFFFF, 0xAA995566, 0x30008001, 0x00000007, 0x00000000, 0x00000000});
    return psc->FWalk(h, szResetWalk, rep) && psc->FShiftIr(iscdvc, rgop[opJprogram], h, rep) &&
           psc->FWalk(h, "0110", rep) && psc->FPutZeros(h, 10000, rep) && psc->FWalk(h, "1", rep) &&
           psc->FShiftIr(iscdvc, rgop[opCfgIn], h, rep) && psc->FWalk(h, szToShiftDr, rep) &&
           FFramedWords(psc, h, iscdvc, cfg, rep) && psc->FWalk(h, "11", rep) &&
           psc->FShiftIr(iscdvc, rgop[opJshutdown], h, rep) && psc->FWalk(h, "0110", rep) &&
           psc->FPutZeros(h, 12, rep) && psc->FWalk(h, "11111", rep) && psc->FWait(h, rep);
}

bool SCFPGA::FPreConfigure(int iscdvc, STREP &rep)
{
    if (alg < 1 || alg > 5)
        return true;
    HTVX h = pschain->HOpenJtag(rep);
    if (h == nullptr)
        return false;
    bool fOk;
    if (alg == 1) {
        fOk = FPreConfigureAlg1(h, iscdvc, rep);
    } else if (alg == 2) {
        fOk = FPreConfigureAlg2(h, iscdvc, rep);
    } else {
        /* Families 3 to 5: clear the configuration with JPROGRAM, wait in
         * Run-Test/Idle, and leave the TAP in Test-Logic-Reset. */
        uint32_t cclkWait = alg == 4 ? 100000 : 10000;
        fOk = pschain->FWalk(h, szResetWalk, rep) && pschain->FShiftIr(iscdvc, rgop[opJprogram], h, rep) &&
              pschain->FWalk(h, "0110", rep) && pschain->FPutZeros(h, cclkWait, rep) &&
              pschain->FWalk(h, "11111", rep) && pschain->FWait(h, rep);
    }
    if (fOk)
        pschain->FCloseJtag(h);
    return fOk;
}

bool SCFPGA::FStartupClocks(HTVX h, STREP &rep)
{
    /* Family 1 gives its 16 clocks in Shift-DR and ends in Run-Test/Idle; the
     * start-up sequence itself runs on TCK in Run-Test/Idle under JSTART, so
     * the clocks that reach DONE follow there. */
    if (alg == 1)
        return pschain->FWalk(h, szToShiftDr, rep) && pschain->FWalk(h, "0000000000000000" "110", rep) &&
               pschain->FPutZeros(h, cclkStartupIdle, rep);
    if (alg >= 2 && alg <= 5)
        return pschain->FWalk(h, "0110", rep) && pschain->FPutZeros(h, 32, rep) && pschain->FWalk(h, "1111", rep);
    return true;
}

/*
 * A download that stopped in the middle (stopped by the user, a port that
 * failed or was aborted) or a bitstream that did not start the device leaves
 * its configuration logic in the middle of the bitstream, still synchronised:
 * the next download (and the pre-configuration words of family 1, which carry
 * no sync word) would be taken as frame data, and the device could not be
 * configured again until its next power-up. JPROGRAM clears it, so the
 * device is left unconfigured and ready. Its outcome is not reported: the
 * failure that led here is.
 */
bool SCFPGA::FClearOnPort(HTVX h, int iscdvc)
{
    if (rgop[opJprogram] == 0)
        return true;   /* the family names no JPROGRAM: shift nothing unknown */
    STREP repQuiet(nullptr);
    uint32_t cclkWait = alg == 4 ? 100000 : 10000;
    return pschain->FWalk(h, szResetWalk, repQuiet) && pschain->FShiftIr(iscdvc, rgop[opJprogram], h, repQuiet) &&
        pschain->FWalk(h, "0110", repQuiet) && pschain->FPutZeros(h, cclkWait, repQuiet) &&
        pschain->FWalk(h, "11111", repQuiet) && pschain->FWait(h, repQuiet);
}

void SCFPGA::ClearConfiguration(int iscdvc)
{
    STREP repQuiet(nullptr);
    HTVX h = pschain->HOpenJtag(repQuiet);
    if (h == nullptr)
        return;
    /* a primitive that failed has closed the port itself */
    if (FClearOnPort(h, iscdvc))
        pschain->FCloseJtag(h);
}

bool SCFPGA::FCancelled(STREP &rep)
{
    if (!fUserAbort)
        return false;
    rep.FReport(stcFailed, 0);
    return true;
}

/*
 * The instruction capture of the device (BYPASS loaded everywhere), from
 * Run-Test/Idle back to it: the device's captured instruction bits, bit 0
 * first.
 */
bool SCFPGA::FCaptureBits(HTVX h, int iscdvc, uint32_t *pcapture, STREP &rep)
{
    SCHAIN *psc = pschain;
    uint8_t rgbTdo[(1 + cscdvcMax * 32 + 32 + 7) / 8] = {0};
    if (!psc->FShiftIrCapture(iscdvc, rgop[opBypass], h, tapstIdle, rgbTdo, rep))
        return false;
    uint32_t ibitFirst = 0;
    for (int i = iscdvc + 1; i < psc->cscdvc; i++)
        ibitFirst += (uint32_t)psc->rgpscdvc[i]->cbitIr;
    *pcapture = 0;
    for (uint32_t k = 0; k < (uint32_t)cbitIr && k < 32; k++)
        *pcapture |= (uint32_t)((rgbTdo[(ibitFirst + k) / 8] >> ((ibitFirst + k) % 8)) & 1) << k;
    return true;
}

/*
 * Every download starts on a cleared device, as the configuration flows of
 * the devices require: JPROGRAM, then clocks in Run-Test/Idle until the
 * instruction capture shows INIT_B high (the configuration memory is clear)
 * with DONE low. A device that already runs a design (loaded from its PROM,
 * or by the last download) would otherwise keep it, and its DONE, high from
 * the old design, would pass the check after the download. A device that
 * does not show the clear within the polls fails the operation. Runs on the
 * download's port, which stays open when the device is clear and is closed
 * otherwise.
 */
bool SCFPGA::FClearForDownload(int iscdvc, HTVX h, STREP &rep)
{
    if (rgop[opJprogram] == 0)
        return true;    /* the family names no JPROGRAM */
    SCHAIN *psc = pschain;
    if (!psc->FWalk(h, "111110", rep) || !psc->FShiftIrFromIdle(iscdvc, rgop[opJprogram], h, tapstIdle, rep))
        return false;
    bool fCleared = false;
    for (int ipoll = 0; ipoll < cpollClearMax && !fCleared; ipoll++) {
        if (!psc->FPutZeros(h, cclkClearPoll, rep))
            return false;
        if (cbitIr < 6) {
            fCleared = true;    /* no status in the capture: the wait alone */
            break;
        }
        uint32_t capture = 0;
        if (!FCaptureBits(h, iscdvc, &capture, rep))
            return false;
        fCleared = ((capture >> ibitCaptureInit) & 1) != 0 && ((capture >> ibitCaptureDone) & 1) == 0;
        if (!fCleared && FCancelled(rep)) {
            psc->FCloseJtag(h);
            return false;
        }
    }
    if (!psc->FWalk(h, "11111", rep) || !psc->FWait(h, rep))
        return false;
    if (!fCleared) {
        psc->FCloseJtag(h);
        rep.FReport(stcFailed, 0);
    }
    return fCleared;
}

bool SCFPGA::FDownload(int iscdvc, STREP &rep)
{
    if (pbitfile == nullptr || pbitfile->cbData == 0) {
        rep.FReport(stcFailed, 0);
        return false;
    }
    std::vector<uint8_t> rgbChunk(cbChunk);
    {
        /* Its outcome does not stop the download, which opens the port anew. */
        STREP repPre(nullptr);
        FPreConfigure(iscdvc, repPre);
    }
    /* A cancel accepted during the pre-configuration (its port aborted)
     * ends the operation like one during the download. */
    if (FCancelled(rep))
        return false;
    SCHAIN *psc = pschain;
    HTVX h = psc->HOpenJtag(rep);
    if (h == nullptr || !FClearForDownload(iscdvc, h, rep))
        return false;
    if (FCancelled(rep)) {
        psc->FCloseJtag(h);
        return false;
    }
    if (!psc->FWalk(h, szResetWalk, rep) || !psc->FShiftIr(iscdvc, rgop[opCfgIn], h, rep) ||
        !psc->FWalk(h, szToShiftDr, rep) || !psc->FPutZeros(h, 32 - (uint32_t)(iscdvc % 32), rep))
        return false;
    uint32_t cb = pbitfile->cbData;
    uint32_t cchunk = cb / cbChunk;
    uint32_t cbLast = cb % cbChunk;
    rep.FReport(stcProgressRange, (int32_t)cchunk);
    if (cbLast == 0) {
        cbLast = cbChunk;
        cchunk--;
    }
    const uint8_t *pbData = pbitfile->pbData;
    for (uint32_t ichunk = 0; ichunk < cchunk; ichunk++, pbData += cbChunk) {
        for (uint32_t ib = 0; ib < cbChunk; ib++)
            rgbChunk[ib] = rgbBitReverse[pbData[ib]];
        if (!psc->FPutBits(h, cbChunk * 8, rgbChunk.data(), nullptr, rep)) {
            ClearConfiguration(iscdvc);
            return false;
        }
        if (!rep.FReport(stcProgress, (int32_t)ichunk)) {
            if (FClearOnPort(h, iscdvc))
                psc->FCloseJtag(h);
            rep.FReport(stcFailed, 0);
            fUserAbort = true;
            return false;
        }
    }
    for (uint32_t ib = 0; ib < cbLast; ib++)
        rgbChunk[ib] = rgbBitReverse[pbData[ib]];
    uint32_t cbit = cbLast * 8;
    bool fOk;
    if (iscdvc == 0)
        fOk = psc->FPutBits(h, cbit - 1, rgbChunk.data(), nullptr, rep) &&
              psc->FPutLastBit(h, (rgbChunk[cbLast - 1] >> 7) & 1, rep);
    else
        fOk = psc->FPutBits(h, cbit, rgbChunk.data(), nullptr, rep) &&
              psc->FPutZeros(h, (uint32_t)iscdvc - 1, rep) && psc->FPutLastBit(h, 0, rep);
    if (!fOk || !psc->FWalk(h, "11", rep) || !psc->FShiftIr(iscdvc, rgop[opJstart], h, rep) ||
        !FStartupClocks(h, rep) || !psc->FWait(h, rep)) {
        ClearConfiguration(iscdvc);
        return false;
    }
    psc->FCloseJtag(h);
    return true;
}

bool SCFPGA::FCheckStatus(int iscdvc, int cscdvcAfter, STREP &rep)
{
    SCHAIN *psc = pschain;
    HTVX h = psc->HOpenJtag(rep);
    if (h == nullptr)
        return false;
    /* Read STAT inside a sync / desync pair. */
    CFGBITS cfgRead, cfgDesync;
    cfgRead.Words({0xFFFFFFFF, 0xAA995566, 0x2800E001, 0x20000000, 0x20000000});
    cfgDesync.Words({0x30008001, 0x0000000D, 0x20000000, 0x20000000});
    uint32_t cbitRead = (uint32_t)cscdvcAfter + 32;
    std::vector<uint8_t> rgbTdo((cbitRead + 7) / 8);
    uint32_t erc = 0;
    if (!psc->FWalk(h, szResetWalk, rep) || !psc->FShiftIr(iscdvc, rgop[opCfgIn], h, rep) ||
        !psc->FWalk(h, szToShiftDr, rep) || !FFramedWords(psc, h, iscdvc, cfgRead, rep) ||
        !psc->FWalk(h, "11", rep) || !psc->FShiftIr(iscdvc, rgop[opCfgOut], h, rep) || !psc->FWalk(h, "0", rep))
        return false;
    /* From Capture-DR: the BYPASS bits toward TDO, then the status word, most significant bit first. */
    if (!psc->pjtport->FGetTdoBits(h, cbitRead, 0, 0, rgbTdo.data(), &erc))
        return psc->FFail(h, rep);
    if (!psc->FWait(h, rep) || !psc->FWalk(h, "111", rep) || !psc->FShiftIr(iscdvc, rgop[opCfgIn], h, rep) ||
        !psc->FWalk(h, szToShiftDr, rep) || !FFramedWords(psc, h, iscdvc, cfgDesync, rep) ||
        !psc->FWalk(h, "11", rep) || !psc->FWalk(h, "11111", rep) || !psc->FWait(h, rep))
        return false;
    psc->FCloseJtag(h);
    uint32_t status = 0;
    for (int j = 0; j < 32; j++) {
        uint32_t k = (uint32_t)cscdvcAfter + (uint32_t)j;
        status |= (uint32_t)((rgbTdo[k / 8] >> (k % 8)) & 1) << (31 - j);
    }
    return (status & (1u << 14)) != 0 && (status & (1u << 7)) == 0;
}

/*
 * Families without a status read: the device's instruction-register capture
 * carries DONE in bit 5 (bits 1-0 are the fixed 01). Read with BYPASS in
 * every device, from Run-Test/Idle, back to Test-Logic-Reset.
 */
bool SCFPGA::FCheckDone(int iscdvc, STREP &rep)
{
    if (cbitIr < 6)
        return true;   /* no DONE bit to look at */
    SCHAIN *psc = pschain;
    HTVX h = psc->HOpenJtag(rep);
    if (h == nullptr)
        return false;
    uint32_t capture = 0;
    if (!psc->FWalk(h, "111110", rep) || !FCaptureBits(h, iscdvc, &capture, rep) || !psc->FWalk(h, "111", rep) ||
        !psc->FWait(h, rep))
        return false;
    psc->FCloseJtag(h);
    return ((capture >> ibitCaptureDone) & 1) != 0;
}
