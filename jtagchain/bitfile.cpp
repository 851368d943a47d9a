#include "bitfile.h"

#include <new>
#include <stdlib.h>
#include <string.h>

namespace {

/* A cursor over the image bytes; every read checks what is left. */
class BITRDR {
public:
    BITRDR(const uint8_t *pbImage, size_t cbImage) : pb(pbImage), cb(cbImage), ib(0) {}
    size_t CbLeft() const { return cb - ib; }
    bool FReadU8(uint8_t *pbVal)
    {
        if (CbLeft() < 1)
            return false;
        *pbVal = pb[ib++];
        return true;
    }
    bool FReadU16(uint16_t *pw)
    {
        if (CbLeft() < 2)
            return false;
        *pw = (uint16_t)((pb[ib] << 8) | pb[ib + 1]);
        ib += 2;
        return true;
    }
    bool FReadU32(uint32_t *pdw)
    {
        if (CbLeft() < 4)
            return false;
        *pdw = ((uint32_t)pb[ib] << 24) | ((uint32_t)pb[ib + 1] << 16) | ((uint32_t)pb[ib + 2] << 8) | pb[ib + 3];
        ib += 4;
        return true;
    }
    /* A zero-filled block of exactly cbBlock bytes with the next bytes. */
    bool FReadBlock(size_t cbBlock, uint8_t **ppbBlock)
    {
        if (CbLeft() < cbBlock)
            return false;
        uint8_t *pbBlock = (uint8_t *)calloc(cbBlock ? cbBlock : 1, 1);
        if (pbBlock == nullptr)
            return false;
        memcpy(pbBlock, pb + ib, cbBlock);
        ib += cbBlock;
        *ppbBlock = pbBlock;
        return true;
    }
    /* A text section: its bytes as stored, and a NUL after them, so that a
     * text of length 0 or one without a NUL of its own is a text too. */
    bool FReadText(size_t cbText, uint8_t **ppbText)
    {
        if (CbLeft() < cbText)
            return false;
        uint8_t *pbText = (uint8_t *)calloc(cbText + 1, 1);
        if (pbText == nullptr)
            return false;
        memcpy(pbText, pb + ib, cbText);
        ib += cbText;
        *ppbText = pbText;
        return true;
    }
    bool FSkip(size_t cbSkip)
    {
        if (CbLeft() < cbSkip)
            return false;
        ib += cbSkip;
        return true;
    }
private:
    const uint8_t *pb;
    size_t cb;
    size_t ib;
};

bool FReadFileWhole(FILE *pf, uint8_t **ppb, size_t *pcb)
{
    *ppb = nullptr;
    *pcb = 0;
    if (fseek(pf, 0, SEEK_END) != 0)
        return false;
    long lSize = ftell(pf);
    if (lSize < 0 || fseek(pf, 0, SEEK_SET) != 0)
        return false;
    uint8_t *pb = (uint8_t *)malloc(lSize > 0 ? (size_t)lSize : 1);
    if (pb == nullptr)
        return false;
    if (fread(pb, 1, (size_t)lSize, pf) != (size_t)lSize) {
        free(pb);
        return false;
    }
    *ppb = pb;
    *pcb = (size_t)lSize;
    return true;
}

} // namespace

BITFILE *PbitfileNew()
{
    BITFILE *pbitfile = new (std::nothrow) BITFILE;
    if (pbitfile != nullptr)
        memset(pbitfile, 0, sizeof(*pbitfile));
    return pbitfile;
}

void ReleaseBitfile(BITFILE *pbitfile)
{
    if (pbitfile == nullptr)
        return;
    free(pbitfile->pbHeader);
    for (int isect = 0; isect < csectBitText; isect++)
        free(pbitfile->rgszSect[isect]);
    free(pbitfile->pbData);
    delete pbitfile;
}

bool FParseBitImage(const uint8_t *pb, size_t cb, BITFILE *pbitfile)
{
    BITRDR rdr(pb, cb);
    if (!rdr.FReadU16(&pbitfile->cbHeader) || !rdr.FReadBlock(pbitfile->cbHeader, &pbitfile->pbHeader) ||
        !rdr.FReadU16(&pbitfile->wSecond))
        return false;
    for (;;) {
        uint8_t bKey;
        if (!rdr.FReadU8(&bKey))
            return false;   /* no 'e' section */
        if (bKey == 'e') {
            if (!rdr.FReadU32(&pbitfile->cbData) || pbitfile->cbData == 0)
                return false;
            return rdr.FReadBlock(pbitfile->cbData, &pbitfile->pbData);
        }
        uint16_t cbSect;
        if (!rdr.FReadU16(&cbSect))
            return false;
        if (bKey < 'a' || bKey > 'd') {
            if (!rdr.FSkip(cbSect))
                return false;
            continue;
        }
        int isect = bKey - 'a';
        uint8_t *pbSect;
        if (!rdr.FReadText(cbSect, &pbSect))
            return false;
        free(pbitfile->rgszSect[isect]);
        pbitfile->rgszSect[isect] = (char *)pbSect;
        pbitfile->rgcbSect[isect] = cbSect;
    }
}

bool FParseBinImage(const uint8_t *pb, size_t cb, BITFILE *pbitfile)
{
    if (cb == 0 || cb > 0xFFFFFFFFu)
        return false;
    pbitfile->cbHeader = 1;
    pbitfile->pbHeader = (uint8_t *)calloc(1, 1);
    pbitfile->wSecond = 0;
    for (int isect = 0; isect < csectBitText; isect++) {
        pbitfile->rgszSect[isect] = (char *)calloc(1, 1);
        pbitfile->rgcbSect[isect] = 1;
    }
    pbitfile->pbData = (uint8_t *)malloc(cb);
    if (pbitfile->pbHeader == nullptr || pbitfile->pbData == nullptr)
        return false;
    for (int isect = 0; isect < csectBitText; isect++)
        if (pbitfile->rgszSect[isect] == nullptr)
            return false;
    memcpy(pbitfile->pbData, pb, cb);
    pbitfile->cbData = (uint32_t)cb;
    return true;
}

bool FReadBitFile(FILE *pf, BITFILE *pbitfile)
{
    uint8_t *pb;
    size_t cb;
    if (!FReadFileWhole(pf, &pb, &cb))
        return false;
    bool fOk = FParseBitImage(pb, cb, pbitfile);
    free(pb);
    return fOk;
}

bool FReadBinFile(FILE *pf, BITFILE *pbitfile)
{
    uint8_t *pb;
    size_t cb;
    if (!FReadFileWhole(pf, &pb, &cb))
        return false;
    bool fOk = FParseBinImage(pb, cb, pbitfile);
    free(pb);
    return fOk;
}

const char *SzBitPart(const BITFILE *pbitfile)
{
    return pbitfile->rgszSect['b' - 'a'];
}
