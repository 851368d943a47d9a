#include "bitgen.h"

#include <string.h>

#include "cfgstrm.h"

const char szDesignTagMagic[] = "KVDT";

namespace {

/* Packet format, registers and words of each family. */
struct FAMREG {
    CFGFMT fmt;
    int regFar, regCmd, regCtl, regMask, regCor, regCor2, regFlr, regIdcode;
    int cwordFar;
    uint32_t corCclk, corJtag;  /* COR (COR1): start-up clock CCLK or JTAG */
    uint32_t cor2;
    uint32_t flr;
    int cwordDummy, cwordNoopEnd;
};
const FAMREG rgfamreg[] = {
    /* Spartan-3 / -3E: COR bits 16-15 */
    {{32, 32, 1, 0, 2, 4}, 1, 4, 5, 6, 9, -1, 11, 14, 1, 0x000031E5u, 0x000131E5u, 0, 0x00000060u, 1, 4},
    /* Spartan-3A: COR1 bits 1-0 */
    {{16, 16, 0, 0, 3, 5}, 1, 5, 6, 7, 10, 11, 13, 14, 2, 0x2F00u, 0x2F02u, 0x09EEu, 0x0089u, 16, 16},
    /* Spartan-6: COR1 bits 1-0 */
    {{16, 32, 2, 0, 3, 5}, 1, 5, 6, 7, 10, 11, 13, 14, 2, 0x3D00u, 0x3D02u, 0x09EEu, 0x0380u, 16, 16},
};
enum { cmdWcfg = 1, cmdLfrm = 3, cmdStart = 5, cmdRcrc = 7, cmdSwitch = 9, cmdGrestore = 10, cmdDesync = 13 };

/* Usual configuration sizes in bits (data sheets), by IDCODE without version. */
struct PARTSIZE {
    uint32_t idcode;
    uint32_t cbit;
};
const PARTSIZE rgpartsize[] = {
    {0x01C10093, 581344}, {0x01C1A093, 1353728}, {0x01C22093, 2270208}, {0x01C2E093, 3841184},
    {0x01C3A093, 5969696}, {0x02210093, 437312}, {0x02218093, 1196128}, {0x02220093, 1886560},
    {0x02228093, 2732640}, {0x02230093, 4755296}, {0x02610093, 437312}, {0x02618093, 1196128},
    {0x02620093, 1886560}, {0x02628093, 2732640}, {0x02630093, 4755296}, {0x03840093, 8214560},
    {0x0384E093, 11543712}, {0x0140D093, 439264}, {0x01414093, 1047616}, {0x0141C093, 1699136},
    {0x01428093, 3223488}, {0x01434093, 5214784}, {0x01440093, 7673024}, {0x01448093, 11316864},
    {0x01450093, 13271936}, {0x04000093, 2731488}, {0x04001093, 2742528}, {0x04002093, 3731264},
    {0x04004093, 6440432}, {0x04024093, 6587520}, {0x04008093, 11939296}, {0x04028093, 11939296},
    {0x0400E093, 19719712}, {0x0402E093, 19719712}, {0x04011093, 26691360}, {0x04031093, 26691360},
    {0x0401D093, 33909664}, {0x0403D093, 33909664},
};

uint32_t CwordFramesUsual(uint32_t idcode, int cbitWord)
{
    for (const PARTSIZE &ps : rgpartsize)
        if (ps.idcode == (idcode & 0x0FFFFFFFu))
            return ps.cbit / (uint32_t)cbitWord - 64;
    return 65536;
}

/* Frame data: the tag block, then a pattern from the tag. */
std::vector<uint32_t> FrameWords(const BGSPEC &bgspec, int cbitWord, uint32_t cword)
{
    std::vector<uint8_t> rgb(szDesignTagMagic, szDesignTagMagic + 4);
    uint32_t cch = (uint32_t)bgspec.strDesign.size();
    rgb.push_back((uint8_t)(cch >> 24));
    rgb.push_back((uint8_t)(cch >> 16));
    rgb.push_back((uint8_t)(cch >> 8));
    rgb.push_back((uint8_t)cch);
    rgb.insert(rgb.end(), bgspec.strDesign.begin(), bgspec.strDesign.end());
    while (rgb.size() % 4 != 0)
        rgb.push_back(0);
    size_t cbWord = (size_t)cbitWord / 8;
    size_t cbAll = (size_t)cword * cbWord;
    uint32_t seed = 2166136261u;
    for (char ch : bgspec.strDesign)
        seed = (seed ^ (uint8_t)ch) * 16777619u;
    while (rgb.size() < cbAll) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        rgb.push_back((uint8_t)seed);
    }
    std::vector<uint32_t> rgw;
    for (size_t ib = 0; ib + cbWord <= rgb.size() && rgw.size() < cword; ib += cbWord) {
        uint32_t w = 0;
        for (size_t k = 0; k < cbWord; k++)
            w = (w << 8) | rgb[ib + k];
        rgw.push_back(w);
    }
    return rgw;
}

void PutU16(std::vector<uint8_t> &rgb, uint32_t w)
{
    rgb.push_back((uint8_t)(w >> 8));
    rgb.push_back((uint8_t)w);
}

void PutText(std::vector<uint8_t> &rgb, char chKey, const std::string &str)
{
    rgb.push_back((uint8_t)chKey);
    PutU16(rgb, (uint32_t)str.size() + 1);
    rgb.insert(rgb.end(), str.begin(), str.end());
    rgb.push_back(0);
}

} // namespace

int BgfamFromIdcode(uint32_t idcode)
{
    switch (idcode & 0x0FE00000u) {
    case 0x01400000u:
    case 0x01C00000u:
        return bgfamS3;
    case 0x02200000u:
    case 0x02600000u:
    case 0x03800000u:
        return bgfamS3A;
    case 0x04000000u:
        return bgfamS6;
    }
    return bgfamNone;
}

bool FBuildConfigData(const BGSPEC &bgspec, std::vector<uint8_t> *prgb)
{
    int bgfam = BgfamFromIdcode(bgspec.idcode);
    if (bgfam == bgfamNone)
        return false;
    const FAMREG &fr = rgfamreg[bgfam];
    const int cbitWord = fr.fmt.cbitWord;
    uint32_t cword = bgspec.cwordFrames ? bgspec.cwordFrames : CwordFramesUsual(bgspec.idcode, cbitWord);
    if (cword < 8)
        cword = 8;
    CFGSTRM cs(fr.fmt);
    cs.Dummy(fr.cwordDummy);
    cs.Sync();
    cs.Write1(fr.regCmd, cmdRcrc);
    if (cbitWord == 16)
        cs.Noop(1);
    cs.Write1(fr.regFlr, fr.flr);
    cs.Write1(fr.regCor, bgspec.fJtagClock ? fr.corJtag : fr.corCclk);
    if (fr.regCor2 >= 0)
        cs.Write1(fr.regCor2, fr.cor2);
    if (cbitWord == 32)
        cs.Write1(fr.regIdcode, bgspec.idcode);
    else
        cs.Write(fr.regIdcode, {bgspec.idcode >> 16, bgspec.idcode & 0xFFFF});
    cs.Write1(fr.regMask, 0);
    if (cbitWord == 32)
        cs.Write1(fr.regCmd, cmdSwitch);
    else
        cs.Write1(fr.regCtl, 0x0081);
    cs.Write(fr.regFar, std::vector<uint32_t>(fr.cwordFar, 0));
    cs.Write1(fr.regCmd, cmdWcfg);
    cs.WriteLong(fr.fmt.regFdri, FrameWords(bgspec, cbitWord, cword));
    if (fr.fmt.cwordAutoCrc == 0)
        cs.WriteCrc();
    cs.Write1(fr.regCmd, cmdGrestore);
    cs.Write1(fr.regCmd, cmdLfrm);
    cs.Noop(4);
    cs.Write1(fr.regCmd, cmdStart);
    if (cbitWord == 16)
        cs.Write1(fr.regMask, 0x0081);
    cs.Write1(fr.regCtl, cbitWord == 32 ? 0 : 0x0081);
    cs.WriteCrc();
    cs.Write1(fr.regCmd, cmdDesync);
    cs.Noop(fr.cwordNoopEnd);
    *prgb = cs.Bytes();
    return true;
}

std::vector<uint8_t> BitFileFromData(const BGSPEC &bgspec, const std::vector<uint8_t> &rgbData)
{
    static const uint8_t rgbHeader[9] = {0x0F, 0xF0, 0x0F, 0xF0, 0x0F, 0xF0, 0x0F, 0xF0, 0x00};
    std::vector<uint8_t> rgb;
    PutU16(rgb, sizeof(rgbHeader));
    rgb.insert(rgb.end(), rgbHeader, rgbHeader + sizeof(rgbHeader));
    PutU16(rgb, 1);
    PutText(rgb, 'a', bgspec.strDesign + ".ncd;UserID=0xFFFFFFFF");
    PutText(rgb, 'b', bgspec.strPart);
    PutText(rgb, 'c', bgspec.strDate);
    PutText(rgb, 'd', bgspec.strTime);
    rgb.push_back('e');
    uint32_t cb = (uint32_t)rgbData.size();
    PutU16(rgb, cb >> 16);
    PutU16(rgb, cb & 0xFFFF);
    rgb.insert(rgb.end(), rgbData.begin(), rgbData.end());
    return rgb;
}
