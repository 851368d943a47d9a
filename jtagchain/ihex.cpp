#include "ihex.h"

#include "rdfile.h"

namespace {

int NibOf(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    return -1;
}

bool FFail(HEXIMAGE &img, uint32_t err, uint32_t line)
{
    img.err = err;
    img.line = line;
    return false;
}

} // namespace

void HEXIMAGE::Reset()
{
    err = hexerrNone;
    line = 0;
    ibLowest = 0xFFFFFFFFu;
    ibEnd = 0;
    rgb.clear();
}

bool FParseHexText(const char *pch, size_t cch, HEXIMAGE &img)
{
    img.Reset();
    uint32_t ibSegment = 0, ibLinear = 0;
    uint32_t line = 0;
    std::vector<uint8_t> rgbRec;
    for (size_t ich = 0; ich < cch;) {
        line++;
        size_t ichEnd = ich;
        while (ichEnd < cch && pch[ichEnd] != '\n')
            ichEnd++;
        size_t ichNext = ichEnd + 1;
        while (ichEnd > ich && (pch[ichEnd - 1] == '\r' || pch[ichEnd - 1] == ' ' || pch[ichEnd - 1] == '\t'))
            ichEnd--;
        if (ichEnd == ich) {            /* blank line */
            ich = ichNext;
            continue;
        }
        if (pch[ich] != ':')
            return FFail(img, NibOf(pch[ich]) < 0 ? hexerrDigit : hexerrRecord, line);
        if ((ichEnd - ich - 1) % 2 != 0 || ichEnd - ich - 1 < 10)
            return FFail(img, hexerrRecord, line);
        rgbRec.clear();
        for (size_t k = ich + 1; k < ichEnd; k += 2) {
            int hi = NibOf(pch[k]), lo = NibOf(pch[k + 1]);
            if (hi < 0 || lo < 0)
                return FFail(img, hexerrDigit, line);
            rgbRec.push_back((uint8_t)(hi * 16 + lo));
        }
        uint32_t cb = rgbRec[0];
        if (rgbRec.size() != cb + 5)
            return FFail(img, hexerrRecord, line);
        uint8_t bSum = 0;
        for (uint8_t b : rgbRec)
            bSum = (uint8_t)(bSum + b);
        if (bSum != 0)
            return FFail(img, hexerrRecord, line);
        uint32_t ibRec = (uint32_t)rgbRec[1] << 8 | rgbRec[2];
        const uint8_t *pbData = &rgbRec[4];
        switch (rgbRec[3]) {
        case 0x00:
            for (uint32_t i = 0; i < cb; i++) {
                uint64_t ib = (uint64_t)((ibRec + i) & 0xFFFF) + ibLinear + ibSegment;
                if (ib >= cbHexImageMax)
                    return FFail(img, hexerrRecord, line);
                if (ib >= img.rgb.size())
                    img.rgb.resize((size_t)ib + 1, 0xFF);
                img.rgb[(size_t)ib] = pbData[i];
                if (ib < img.ibLowest)
                    img.ibLowest = (uint32_t)ib;
                if (ib + 1 > img.ibEnd)
                    img.ibEnd = (uint32_t)ib + 1;
            }
            break;
        case 0x01:
            return true;
        case 0x02:
            if (cb != 2)
                return FFail(img, hexerrRecord, line);
            ibSegment = ((uint32_t)pbData[0] << 8 | pbData[1]) << 4;
            break;
        case 0x04:
            if (cb != 2)
                return FFail(img, hexerrRecord, line);
            ibLinear = ((uint32_t)pbData[0] << 8 | pbData[1]) << 16;
            break;
        case 0x03:
        case 0x05:
            if (cb != 4)
                return FFail(img, hexerrRecord, line);
            break;
        default:
            return FFail(img, hexerrRecord, line);
        }
        ich = ichNext;
    }
    return true;
}

bool FReadHexFile(HEXIMAGE &img, const char *szPath)
{
    std::vector<char> rgch;
    bool fOpened = false;
    if (!FReadWholeFile(szPath, 64u << 20, rgch, &fOpened)) {
        img.Reset();
        img.err = fOpened ? hexerrRecord : hexerrOpen;
        return false;
    }
    return FParseHexText(rgch.data(), rgch.size(), img);
}
