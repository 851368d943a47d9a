/*
 * usbcfw.cpp - firmware catalogues of the firmware directory, the Intel HEX
 * reader and the FX2 download, E2PROM files, the FX3 image download and the
 * FX3 EEPROM and SPI-flash transfers.
 */
#include <stdio.h>
#include <string.h>

#include <new>
#include <vector>

#include "fx2loader.h"
#include "usbc.h"
#include "vzcore.h"
#include "yorl.h"

namespace {
const uint32_t tmsCatalogFresh = 1000;
const uint16_t sigFx3 = 0x5943;
const uint16_t keyFx3Eeprom = 0x7A16;
const uint16_t keyFx3Spi = 0x19E7;
const uint32_t cbFx3Chunk = 4096, cbFx3ChunkRetry = 512;

int NibHex(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

/* cdig hexadecimal digits at ich of a line of cch characters. */
bool FHexField(const char *sz, size_t cch, size_t ich, int cdig, uint32_t *pw)
{
    if (ich + (size_t)cdig > cch)
        return false;
    uint32_t w = 0;
    for (int i = 0; i < cdig; i++) {
        int nib = NibHex(sz[ich + i]);
        if (nib < 0)
            return false;
        w = w << 4 | (uint32_t)nib;
    }
    *pw = w;
    return true;
}
} // namespace

/* ---- catalogues ---- */

void USBC::EnumFirmware(FWCAT *pcat, const char *szPattern, const char *szFormat, const char *szFn)
{
    uint32_t tick = pabsutil->GetTickMs();
    if (pcat->tickScan != 0 && (uint32_t)(tick - pcat->tickScan) < tmsCatalogFresh)
        return;
    char szMsg[96];
    auto fail = [&](const char *szStep) {
        if (szFn) {
            snprintf(szMsg, sizeof(szMsg), "%s%s", szFn, szStep);
            FRecordErc(ercInternalError, szMsg);
        } else {
            FRecordErc(ercInternalError, nullptr);
        }
    };
    pcat->cfwimg = 0;
    ABSDIR *pdir = pabsfact->InstABSDIR();
    if (pdir == nullptr)
        return fail(" InstABSDIR failed");
    if (!pdir->Init()) {
        fail(" pabsdir->Init() failed");
        pabsfact->RlsABSDIR(pdir);
        return;
    }
    if (!pdir->OpenDir(szFwDir, szPattern)) {
        fail(" pabsdir->OpenDir() failed");
        pdir->Term();
        pabsfact->RlsABSDIR(pdir);
        return;
    }
    bool fComplete = true;
    size_t cchDir = strlen(szFwDir);
    while (pcat->cfwimg < cfwimgMax) {
        char szName[cchAbsPathMax];
        if (!pdir->GetNextFileName(szName, sizeof(szName))) {
            fail(" pabsdir->GetNextFileName() failed");
            fComplete = false;
            break;
        }
        if (szName[0] == '\0')
            break;
        unsigned fwid, dcapPub, dcapPriv, fwver;
        if (sscanf(szName, szFormat, &fwid, &dcapPub, &dcapPriv, &fwver) != 4)
            continue;
        if (cchDir + strlen(szName) + 1 > sizeof(FWIMG::szPath))
            continue;      /* the path would not fit: not listed */
        FWIMG &img = pcat->rgfwimg[pcat->cfwimg];
        memset(&img, 0, sizeof(img));
        img.fwid = (uint8_t)fwid;
        img.dcapPub = dcapPub;
        img.dcapPriv = dcapPriv;
        img.fwver = (uint16_t)fwver;
        snprintf(img.szPath, sizeof(img.szPath), "%s%s", szFwDir, szName);
        bool fReplaced = false;
        for (int32_t i = 0; i < pcat->cfwimg; i++) {
            FWIMG &imgOld = pcat->rgfwimg[i];
            if (imgOld.fwid == img.fwid && imgOld.dcapPub == img.dcapPub && imgOld.dcapPriv == img.dcapPriv &&
                imgOld.fwver < img.fwver) {
                imgOld = img;
                fReplaced = true;
                break;
            }
        }
        if (!fReplaced)
            pcat->cfwimg++;
    }
    if (!pdir->CloseDir())
        fail("() pabsdir->CloseDir() failed");
    if (!pdir->Term())
        fail("() pabsdir->Term() failed");
    if (!pabsfact->RlsABSDIR(pdir))
        fail("() RlsABSDIR failed");
    if (fComplete) {
        pcat->tickScan = pabsutil->GetTickMs();
        if (pcat->tickScan == 0)
            pcat->tickScan = 1;
    }
}

void USBC::EnumFirmwareHex()
{
    EnumFirmware(&catHex, "FX2FW_*.HEX", "FX2FW_%02X_%08X_%08X_%04X.HEX", "USBC::EnumFirmwareHex");
}

void USBC::EnumFirmwareIic()
{
    EnumFirmware(&catIic, "FX2FW_*.IIC", "FX2FW_%02X_%08X_%08X_%04X.IIC", "USBC::EnumFirmwareIic");
}

void USBC::EnumFirmwareImg()
{
    EnumFirmware(&catImg, "FX3FW_*.img", "FX3FW_%02X_%08X_%08X_%04X.IMG", nullptr);
}

/* ---- Intel HEX and the FX2 ---- */

namespace {

const uint32_t addrFx2Ext = 0x4000;   /* external RAM from here on (request 0xA3) */

/*
 * Bytes at addr grow the last segment when they continue it on the same
 * side of the internal/external boundary; otherwise they start a segment.
 * FALSE when the segment table is full.
 */
bool FAddHexSeg(FX2IMG *pimg, uint32_t addr, uint32_t cb)
{
    FX2SEG *pseg = pimg->cseg ? &pimg->rgseg[pimg->cseg - 1] : nullptr;
    if (pseg && pseg->addr + pseg->cb == addr && pseg->cb + cb <= 0xFFFF &&
        (pseg->addr < addrFx2Ext) == (addr < addrFx2Ext)) {
        pseg->cb += cb;
        return true;
    }
    if (pimg->cseg >= cfx2segMax)
        return false;
    pimg->rgseg[pimg->cseg++] = FX2SEG{addr, cb, pimg->rgb + addr};
    return true;
}

} // namespace

/*
 * Records whose data would run past the line or past the 64 KiB image, and
 * a 4096th segment, end the reading as a failure.
 */
uint32_t USBC::FReadHexFile(const char *szPath, FX2IMG *pimg)
{
    if (szPath == nullptr || *szPath == '\0' || pimg == nullptr)
        return 0;
    FILE *pf = fopen(szPath, "r");
    if (pf == nullptr)
        return 0;
    pimg->cseg = 0;
    uint32_t cbData = 0, addrBase = 0;
    bool fBlankFormat = false;
    char szLine[256];
    uint32_t cbResult = 0;
    while (fgets(szLine, sizeof(szLine), pf) != nullptr) {
        size_t cch = strlen(szLine);
        while (cch > 0 && (szLine[cch - 1] == '\n' || szLine[cch - 1] == '\r'))
            cch--;
        if (szLine[0] != ':')
            break;
        if (cch > 1 && szLine[1] == ' ')
            fBlankFormat = true;
        size_t ichCount = fBlankFormat ? 2 : 1, ichAddr = fBlankFormat ? 5 : 3;
        size_t ichType = fBlankFormat ? 10 : 7, ichData = fBlankFormat ? 13 : 9;
        uint32_t cb, addr, type;
        if (!FHexField(szLine, cch, ichCount, 2, &cb) || !FHexField(szLine, cch, ichAddr, 4, &addr) ||
            !FHexField(szLine, cch, ichType, 2, &type))
            break;
        if (type == 1) {
            cbResult = cbData;
            break;
        }
        if (type == 2) {
            uint32_t base;
            if (!FHexField(szLine, cch, ichData, 4, &base))
                break;
            addrBase = base * 16;
            continue;
        }
        if (type != 0)
            continue;
        addr += addrBase;
        if (addr >= 0xFFFF || addr + cb > cbFx2Img)
            break;
        uint8_t rgb[255];
        bool fOk = true;
        for (uint32_t ib = 0; ib < cb && fOk; ib++) {
            uint32_t w;
            fOk = FHexField(szLine, cch, ichData + 2 * ib, 2, &w);
            rgb[ib] = (uint8_t)w;
        }
        if (!fOk)
            break;
        /* Internal and external RAM take different requests: a record
         * across the boundary gives a segment on each side. */
        uint32_t cbLow = addr < addrFx2Ext && addr + cb > addrFx2Ext ? addrFx2Ext - addr : cb;
        if (!FAddHexSeg(pimg, addr, cbLow) || (cbLow < cb && !FAddHexSeg(pimg, addrFx2Ext, cb - cbLow)))
            break;
        memcpy(pimg->rgb + addr, rgb, cb);
        cbData += cb;
    }
    fclose(pf);
    return cbResult;
}

int USBC::FLoadFX2Loader(ABSUSB *pusb)
{
    if (!FSetFX2CpuReset(pusb, 1))
        return 0;
    std::vector<uint8_t> rgbBlock;
    rgbBlock.reserve(8192);
    uint16_t addrBlock = 0;
    for (const FX2LDREC *prec = rgfx2ldrec; !prec->fEnd; prec++) {
        if (!rgbBlock.empty() && addrBlock + rgbBlock.size() == prec->addr && rgbBlock.size() + prec->cb <= 8192) {
            rgbBlock.insert(rgbBlock.end(), prec->rgb, prec->rgb + prec->cb);
            continue;
        }
        if (!rgbBlock.empty() && !FRAMWrite(pusb, addrBlock, rgbBlock.data(), (uint16_t)rgbBlock.size()))
            return 0;
        addrBlock = prec->addr;
        rgbBlock.assign(prec->rgb, prec->rgb + prec->cb);
    }
    if (!rgbBlock.empty() && !FRAMWrite(pusb, addrBlock, rgbBlock.data(), (uint16_t)rgbBlock.size()))
        return 0;
    return FSetFX2CpuReset(pusb, 0);
}

int USBC::FWriteFX2FirmwareImg2RAM(ABSUSB *pusb, const FX2IMG *pimg)
{
    if (!FLoadFX2Loader(pusb))
        return 0;
    for (uint32_t i = 0; i < pimg->cseg; i++) {
        const FX2SEG &seg = pimg->rgseg[i];
        if (seg.addr >= addrFx2Ext && !FERAMWrite(pusb, (uint16_t)seg.addr, seg.pb, (uint16_t)seg.cb))
            return 0;
    }
    if (!FSetFX2CpuReset(pusb, 1))
        return 0;
    for (uint32_t i = 0; i < pimg->cseg; i++) {
        const FX2SEG &seg = pimg->rgseg[i];
        if (seg.addr < addrFx2Ext && !FRAMWrite(pusb, (uint16_t)seg.addr, seg.pb, (uint16_t)seg.cb))
            return 0;
    }
    return FSetFX2CpuReset(pusb, 0);
}

int USBC::FDownloadFX2HexFile(ABSUSB *pusb, const char *szPath)
{
    FX2IMG *pimg = new (std::nothrow) FX2IMG;
    if (pimg == nullptr)
        return FRecordErc(ercInsufficientResources, "USBC::FDownloadFX2HexFile"), 0;
    int fOk = FReadHexFile(szPath, pimg) != 0;
    if (!fOk)
        FRecordErc(ercConfigFileError, "USBC::FDownloadFX2HexFile image read failed");
    else
        fOk = FWriteFX2FirmwareImg2RAM(pusb, pimg);
    delete pimg;
    return fOk;
}

int USBC::FE2PROMWriteFile(ABSUSB *pusb, const char *szPath)
{
    if (szPath == nullptr || *szPath == '\0')
        return 0;
    FILE *pf = fopen(szPath, "rb");
    if (pf == nullptr)
        return 0;
    std::vector<uint8_t> rgb(cbE2prom);
    size_t cb = fread(rgb.data(), 1, rgb.size(), pf);
    fclose(pf);
    return FE2PROMWrite(pusb, 0, rgb.data(), (uint16_t)cb);
}

int USBC::FE2PROMReadFile(ABSUSB *pusb, const char *szPath)
{
    if (szPath == nullptr || *szPath == '\0')
        return 0;
    std::vector<uint8_t> rgb(cbE2prom);
    if (!FE2PROMRead(pusb, 0, rgb.data(), (uint16_t)rgb.size()))
        return 0;
    FILE *pf = fopen(szPath, "wb");
    if (pf == nullptr)
        return 0;
    size_t cb = fwrite(rgb.data(), 1, rgb.size(), pf);
    return (fclose(pf) == 0) & (cb == rgb.size());
}

/* ---- FX3 ---- */

namespace {
bool FReadU32(FILE *pf, uint32_t *pw)
{
    uint8_t rgb[4];
    if (fread(rgb, 1, 4, pf) != 4)
        return false;
    *pw = (uint32_t)rgb[0] | (uint32_t)rgb[1] << 8 | (uint32_t)rgb[2] << 16 | (uint32_t)rgb[3] << 24;
    return true;
}
} // namespace

/*
 * Section lengths count 32-bit words; a length that the rest of the file
 * cannot hold, or a section that would run past the 32-bit address space,
 * is refused before anything is allocated.
 */
int USBC::FWriteFX3FirmwareImg2RAM(ABSUSB *pusb, const char *szPath)
{
    static const char szFn[] = "USBC::FWriteFX3FirmwareImg2RAM ";
    char szMsg[128];
    auto fail = [&](int erc, const char *sz) {
        snprintf(szMsg, sizeof(szMsg), "%s%s", szFn, sz);
        FRecordErc(erc, szMsg);
        return 0;
    };
    FILE *pf = szPath ? fopen(szPath, "rb") : nullptr;
    if (pf == nullptr)
        return fail(ercConfigFileError, "failed to open firmware image");
    struct CLOSER {
        FILE *pf;
        ~CLOSER() { fclose(pf); }
    } closer{pf};
    fseek(pf, 0, SEEK_END);
    long cbFile = ftell(pf);
    fseek(pf, 0, SEEK_SET);
    uint8_t rgbSig[2], rgbHdr[2];
    if (fread(rgbSig, 1, 2, pf) != 2)
        return fail(ercConfigFileError, "failed to read firmware image signature");
    if ((rgbSig[0] | rgbSig[1] << 8) != sigFx3)
        return fail(ercConfigFileError, "invalid firmware signature");
    if (fread(rgbHdr, 1, 2, pf) != 2)
        return fail(ercConfigFileError, "failed to read dummy bytes from firmware image");
    uint32_t cw, addr;
    if (!FReadU32(pf, &cw))
        return fail(ercConfigFileError, "failed to read section length");
    if (!FReadU32(pf, &addr))
        return fail(ercConfigFileError, "failed to read section address");
    std::vector<uint8_t> rgbBack;
    if ((rgbBack.resize(cbFx3Chunk), rgbBack.size()) != cbFx3Chunk)
        return fail(ercInsufficientResources, "failed to allocate memory for read buffer");
    uint32_t cbChunkMax = cbFx3Chunk;
    bool fRetry = true;
    uint32_t sum = 0;
    while (cw != 0) {
        uint64_t cbSection = (uint64_t)cw * 4;
        long ibNow = ftell(pf);
        if (ibNow < 0 || cbSection > (uint64_t)(cbFile - ibNow) || (uint64_t)addr + cbSection > 0x100000000ull)
            return fail(ercConfigFileError, "failed to read section from firmware image file");
        std::vector<uint8_t> rgb;
        try {
            rgb.resize((size_t)cbSection);
        } catch (const std::bad_alloc &) {
            return fail(ercInsufficientResources, "failed to allocate memory for section");
        }
        if (fread(rgb.data(), 1, rgb.size(), pf) != rgb.size())
            return fail(ercConfigFileError, "failed to read section from firmware image file");
        for (size_t ib = 0; ib < rgb.size(); ib += 4)
            sum += (uint32_t)rgb[ib] | (uint32_t)rgb[ib + 1] << 8 | (uint32_t)rgb[ib + 2] << 16 |
                   (uint32_t)rgb[ib + 3] << 24;
        size_t ib = 0;
        while (ib < rgb.size()) {
            uint32_t cb = (uint32_t)(rgb.size() - ib < cbChunkMax ? rgb.size() - ib : cbChunkMax);
            uint32_t cbDone = 0;
            if (!FVendReq(pusb, false, 0xA0, (uint16_t)addr, (uint16_t)(addr >> 16), (uint16_t)cb, &rgb[ib],
                          &cbDone) ||
                cbDone != cb) {
                if (!fRetry)
                    return fail(ercControlTransferFailed, "failed to write section");
                fRetry = false;
                cbChunkMax = cbFx3ChunkRetry;
                continue;
            }
            if (!FVendReq(pusb, true, 0xA0, (uint16_t)addr, (uint16_t)(addr >> 16), (uint16_t)cb, rgbBack.data(),
                          &cbDone) ||
                cbDone != cb)
                return fail(ercControlTransferFailed, "failed to read section");
            if (memcmp(rgbBack.data(), &rgb[ib], cb) != 0)
                return fail(ercConfigFileError, "read section does not match written section");
            addr += cb;
            ib += cb;
        }
        if (!FReadU32(pf, &cw))
            return fail(ercConfigFileError, "failed to read section length");
        if (!FReadU32(pf, &addr))
            return fail(ercConfigFileError, "failed to read section address");
    }
    uint32_t sumFile;
    if (!FReadU32(pf, &sumFile))
        return fail(ercConfigFileError, "failed to read checksum");
    if (sumFile != sum)
        return fail(ercConfigFileError, "checksum does not match");
    if (!FVendReq(pusb, false, 0xA0, (uint16_t)addr, (uint16_t)(addr >> 16), 0, nullptr, nullptr))
        return fail(ercControlTransferFailed, "failed to write application entry address");
    return 1;
}

int USBC::FReadFX3Mem(ABSUSB *pusb, FX3XFER *pxfer, bool fEeprom)
{
    const char *szWhat = fEeprom ? "USBC:FReadFX3Eeprom" : "USBC:FReadFX3SpiFlash";
    const char *szMem = fEeprom ? "EEPROM" : "SPI Flash";
    char szMsg[128];
    if (pxfer == nullptr || pxfer->pb == nullptr) {
        snprintf(szMsg, sizeof(szMsg), "USBC::%s invalid parameter specified", szWhat + 5);
        return FRecordErc(ercInvalidParameter, szMsg), 0;
    }
    pxfer->cbDone = 0;
    uint32_t addr = pxfer->addr;
    while (pxfer->cbDone < pxfer->cb) {
        uint32_t cb = pxfer->cb - pxfer->cbDone;
        if (cb > 4096)
            cb = 4096;
        if (fEeprom && (addr & 0xFFFF) + cb > 0x10000)
            cb = 0x10000 - (addr & 0xFFFF);
        uint32_t cbGot = 0;
        if (!FVendReq(pusb, true, fEeprom ? 0xD1 : 0xD2, (uint16_t)(addr >> 16), (uint16_t)addr, (uint16_t)cb,
                      pxfer->pb + pxfer->cbDone, &cbGot)) {
            snprintf(szMsg, sizeof(szMsg), "%s failed to read %s", szWhat, szMem);
            return FRecordErc(ercControlTransferFailed, szMsg), 0;
        }
        addr += cbGot;
        pxfer->cbDone += cbGot;
        if (cbGot != cb) {
            snprintf(szMsg, sizeof(szMsg), "%s failed to read all bytes from %s", szWhat, szMem);
            return FRecordErc(ercControlTransferFailed, szMsg), 0;
        }
    }
    return 1;
}

int USBC::FWriteFX3Mem(ABSUSB *pusb, FX3XFER *pxfer, bool fEeprom)
{
    const char *szWhat = fEeprom ? "USBC:FWriteFX3Eeprom" : "USBC:FWriteFX3SpiFlash";
    const char *szMem = fEeprom ? "EEPROM" : "SPI Flash";
    char szMsg[128];
    if (pxfer == nullptr || pxfer->pb == nullptr) {
        snprintf(szMsg, sizeof(szMsg), "USBC::%s invalid parameter specified", szWhat + 5);
        return FRecordErc(ercInvalidParameter, szMsg), 0;
    }
    uint16_t key = fEeprom ? keyFx3Eeprom : keyFx3Spi;
    uint8_t rgbKey[2] = {(uint8_t)key, (uint8_t)(key >> 8)}, rgbZero[2] = {0, 0};
    uint32_t cbGot = 0;
    auto failClear = [&](const char *szFmt) {
        snprintf(szMsg, sizeof(szMsg), szFmt, szWhat, szMem);
        FRecordErc(ercControlTransferFailed, szMsg);
        FVendReq(pusb, false, 0xE8, 0, 0, 2, rgbZero, &cbGot);
        return 0;
    };
    if (!FVendReq(pusb, false, 0xE8, 0, 0, 2, rgbKey, &cbGot))
        return failClear("%s failed to set write key");
    if (cbGot < 2)
        return failClear("%s failed to set write key 2");
    pxfer->cbDone = 0;
    uint32_t addr = pxfer->addr;
    while (pxfer->cbDone < pxfer->cb) {
        uint32_t cb = pxfer->cb - pxfer->cbDone;
        if (cb > 4096)
            cb = 4096;
        if (fEeprom && (addr & 0xFFFF) + cb > 0x10000)
            cb = 0x10000 - (addr & 0xFFFF);
        if (!FVendReq(pusb, false, fEeprom ? 0xD1 : 0xD2, (uint16_t)(addr >> 16), (uint16_t)addr, (uint16_t)cb,
                      pxfer->pb + pxfer->cbDone, &cbGot))
            return failClear("%s failed to write %s");
        addr += cbGot;
        pxfer->cbDone += cbGot;
        if (cbGot != cb)
            return failClear("%s failed to write all bytes to %s");
    }
    if (!FVendReq(pusb, false, 0xE8, 0, 0, 2, rgbZero, &cbGot))
        return failClear("%s failed to clear write key");
    if (cbGot < 2) {
        snprintf(szMsg, sizeof(szMsg), "%s failed to clear write key 2", szWhat);
        return FRecordErc(ercControlTransferFailed, szMsg), 0;
    }
    return 1;
}

int USBC::FEraseFX3SpiFlashBlock(ABSUSB *pusb, const uint16_t *pblock)
{
    if (pblock == nullptr)
        return FRecordErc(ercInvalidParameter, "USBC::FEraseFX3SpiFlashBlock invalid parameter specified"), 0;
    uint8_t rgbKey[2] = {(uint8_t)keyFx3Spi, (uint8_t)(keyFx3Spi >> 8)}, rgbZero[2] = {0, 0};
    uint32_t cbGot = 0;
    const char *szFail = nullptr;
    if (!FVendReq(pusb, false, 0xE8, 0, 0, 2, rgbKey, &cbGot))
        szFail = "USBC:FEraseFX3SpiFlashBlock failed to set write key";
    else if (cbGot < 2)
        szFail = "USBC:FEraseFX3SpiFlashBlock failed to set write key 2";
    else if (!FVendReq(pusb, false, 0xD3, 0, *pblock, 0, nullptr, &cbGot))
        szFail = "USBC:FEraseFX3SpiFlashBlock failed to erase SPI Flash block";
    else if (!FVendReq(pusb, false, 0xE8, 0, 0, 2, rgbZero, &cbGot))
        szFail = "USBC:FEraseFX3SpiFlashBlock failed to clear write key";
    else if (cbGot < 2)
        return FRecordErc(ercControlTransferFailed, "USBC:FEraseFX3SpiFlashBlock failed to clear write key 2"), 0;
    else
        return 1;
    FRecordErc(ercControlTransferFailed, szFail);
    FVendReq(pusb, false, 0xE8, 0, 0, 2, rgbZero, &cbGot);
    return 0;
}

int USBC::FIsFX3SpiFlashReady(ABSUSB *pusb, int *pfReady)
{
    if (pfReady == nullptr)
        return FRecordErc(ercInvalidParameter, "USBC::FIsFX3SpiFlashReady invalid parameter specified"), 0;
    *pfReady = 0;
    uint8_t b = 0;
    uint32_t cb = 0;
    if (!FVendReq(pusb, true, 0xD4, 0, 0, 1, &b, &cb))
        return FRecordErc(ercControlTransferFailed, "USBC:FIsFX3SpiFlashReady vendor request failed"), 0;
    if (cb != 1)
        return FRecordErc(ercControlTransferFailed, "USBC:FIsFX3SpiFlashReady received wrong number of bytes"), 0;
    *pfReady = b != 0;
    return 1;
}
