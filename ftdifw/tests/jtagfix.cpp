/*
 * jtagfix.cpp - the JTAG port tests' fixture.
 */
#include "jtagfix.h"

#include "tvxutil.h"

#include <stdlib.h>
#include <string.h>

void JTAGFIX::SetUp()
{
    ASSERT_TRUE(PkorsimEnv()->fOk) << PkorsimEnv()->szErr;
    TvxSetFsadm(fsadmDcapPriv);
    ASSERT_TRUE(TvxOpen(&hif, "SN:210183F60001")) << TvxGetLastError();
    ASSERT_EQ(ErcCmd({ 2, 0, 0 }), 0);
    Reset();
}

void JTAGFIX::TearDown()
{
    if (hif != hifNil) {
        ErcCmd({ 2, 1, 0 });
        TvxClose(hif);
    }
}

int JTAGFIX::ErcCmd(BYTES rgbCmd, uint8_t cbRet, uint8_t *pbRet)
{
    TRANS tr;
    tr.rgbCmd = rgbCmd;
    tr.cbRet = cbRet;
    int erc = ErcRun(hif, tr);
    if (pbRet)
        memcpy(pbRet, tr.rgbRet, cbRet);
    return erc;
}

int JTAGFIX::ErcPhase(uint8_t cmd, BYTES rgbArg, const BYTES &rgbSnd, BYTES *prgbRcv, TRANS *ptr)
{
    TRANS tr;
    tr.rgbCmd = { 2, cmd, 0 };
    tr.rgbCmd.insert(tr.rgbCmd.end(), rgbArg.begin(), rgbArg.end());
    tr.pbSnd = rgbSnd.empty() ? nullptr : rgbSnd.data();
    tr.cbSnd = uint32_t(rgbSnd.size());
    if (prgbRcv != nullptr && !prgbRcv->empty()) {
        tr.pbRcv = prgbRcv->data();
        tr.cbRcv = uint32_t(prgbRcv->size());
    }
    tr.cmdDone = uint8_t(cmd | 0x80);
    int erc = ErcRun(hif, tr);
    if (ptr)
        *ptr = tr;
    return erc;
}

BYTES JTAGFIX::RgbArgs(std::initializer_list<uint8_t> rgb, uint32_t n)
{
    BYTES rgbArg(rgb);
    BYTES rgbN = RgbLe({ n });
    rgbArg.insert(rgbArg.end(), rgbN.begin(), rgbN.end());
    return rgbArg;
}

void JTAGFIX::Reset()
{
    ASSERT_EQ(ErcCmd({ 2, 5, 0, 1, 0, 0 }), 0);
    BYTES rgbTms = { 0x1F };
    ASSERT_EQ(ErcPhase(11, RgbArgs({ 0, 0 }, 5), rgbTms, nullptr), 0);
    tap = TAPMODEL(idcodeFpga);
}

std::string JTAGFIX::SzSimState()
{
    std::vector<std::string> rgsz;
    if (!Sim().FCmd("TAP ft60", &rgsz) || rgsz.empty())
        return "?";
    return rgsz[0].substr(6);
}

uint64_t JTAGFIX::SimValue(const char *szKey)
{
    std::vector<std::string> rgsz;
    std::string szPre = std::string("A.") + szKey + " ";
    if (Sim().FCmd("FTDI ft60", &rgsz))
        for (const std::string &sz : rgsz)
            if (sz.compare(0, szPre.size(), szPre) == 0)
                return strtoull(sz.c_str() + szPre.size(), nullptr, 10);
    return ~uint64_t(0);
}

int JTAGFIX::ErcBatch(const std::vector<JOP> &rgjop, BYTES &rgbTdo, TRANS *ptr)
{
    BYTES rgbOps;
    uint32_t cbTdo = 0;
    for (const JOP &jop : rgjop) {
        AppendBatch(jop, rgbOps);
        cbTdo += CbTdo(jop);
    }
    rgbTdo.assign(cbTdo, 0xEE);
    return ErcPhase(23, RgbLe({ uint32_t(rgbOps.size()), cbTdo }), rgbOps, &rgbTdo, ptr);
}

void JTAGFIX::ExpectBatchAsSingles(const std::vector<JOP> &rgjop)
{
    BYTES rgbWant;
    TAPMODEL tapStart = tap;
    for (const JOP &jop : rgjop)
        ModelRun(tap, jop, rgbWant);
    BYTES rgbBatch;
    TRANS tr;
    uint64_t cclk = SimValue("clocks");
    ASSERT_EQ(ErcBatch(rgjop, rgbBatch, &tr), 0);
    uint64_t cclkBatch = SimValue("clocks") - cclk;
    EXPECT_EQ(tr.cbIn, rgbWant.size());
    EXPECT_TRUE(rgbBatch == rgbWant);
    EXPECT_EQ(SzSimState(), TAPMODEL::SzTst(tap.tst));
    TAPMODEL tapEnd = tap;
    Reset();
    BYTES rgbSingle;
    TAPMODEL tapRun = tapStart;
    cclk = SimValue("clocks");
    for (const JOP &jop : rgjop) {
        TAPMODEL tapBefore = tapRun;
        BYTES rgbIgnore;
        ModelRun(tapRun, jop, rgbIgnore);
        ASSERT_EQ(ErcSingle(jop, tapBefore, rgbSingle), 0) << "op " << int(jop.op);
    }
    EXPECT_TRUE(rgbSingle == rgbBatch);
    EXPECT_EQ(SzSimState(), TAPMODEL::SzTst(tapEnd.tst));
    EXPECT_EQ(SimValue("clocks") - cclk, cclkBatch);
}

int JTAGFIX::ErcSingle(const JOP &jop, const TAPMODEL &tapBefore, BYTES &rgbTdo)
{
    uint8_t fTms = tapBefore.fTms, fTdi = tapBefore.fTdi;
    bool fExit = jop.op >= 5 && jop.op <= 7 && jop.fTms != tapBefore.fTms;
    uint32_t nHold = fExit ? jop.n - 1 : jop.n;
    BYTES rgbRcv((jop.n + 7) / 8, 0), rgbNone;
    int erc = 0;
    switch (jop.op) {
    case 1:
        return ErcCmd({ 2, 5, 0, uint8_t(jop.bPins >> 2 & 1), uint8_t(jop.bPins >> 1 & 1), uint8_t(jop.bPins & 1) });
    case 2: {
        uint8_t rgb[4] = {};
        erc = ErcCmd({ 2, 6, 0 }, 4, rgb);
        rgbTdo.push_back(uint8_t(rgb[0] << 3 | rgb[1] << 2 | rgb[2] << 1 | rgb[3]));
        return erc;
    }
    case 3:
    case 4:
        if (jop.n > 0)
            erc = ErcPhase(11, RgbArgs({ uint8_t(jop.op == 4), fTdi }, jop.n), jop.rgbData,
                           jop.op == 4 ? &rgbRcv : nullptr);
        break;
    case 8:
        if (jop.n > 0)
            erc = ErcPhase(7, RgbArgs({ fTms, fTdi }, jop.n), rgbNone, nullptr);
        break;
    case 9:
        return ErcCmd({ 2, 13, 0, uint8_t(jop.n), uint8_t(jop.n >> 8), uint8_t(jop.n >> 16), uint8_t(jop.n >> 24) });
    case 11:
    case 13: {
        uint8_t rgb[8] = {};
        erc = ErcCmd({ 2, 26, 0 }, 8, rgb);
        rgbTdo.insert(rgbTdo.end(), rgb + (jop.op == 11 ? 0 : 4), rgb + (jop.op == 11 ? 4 : 8));
        return erc;
    }
    case 12:
    case 14:
        return ErcCmd({ 2, uint8_t(jop.op == 12 ? 27 : 29), 0, uint8_t(jop.n), uint8_t(jop.n >> 8),
                        uint8_t(jop.n >> 16), uint8_t(jop.n >> 24) });
    case 15: {
        uint8_t rgb[4] = {};
        erc = ErcCmd({ 2, 30, 0 }, 4, rgb);
        rgbTdo.insert(rgbTdo.end(), rgb, rgb + 4);
        return erc;
    }
    case opPairs:
        erc = ErcPhase(10, RgbArgs({ 1 }, jop.n), jop.rgbData, &rgbRcv);
        break;
    default: {
        /* 5 to 7: the bits with TMS held, then the exit bit as one TMS/TDI pair */
        BYTES rgbHold((nHold + 7) / 8, 0);
        if (nHold > 0 && jop.op == 7)
            erc = ErcPhase(9, RgbArgs({ fTms, fTdi }, nHold), rgbNone, &rgbHold);
        else if (nHold > 0)
            erc = ErcPhase(8, RgbArgs({ uint8_t(jop.op == 6), fTms }, nHold),
                           BYTES(jop.rgbData.begin(), jop.rgbData.begin() + (nHold + 7) / 8),
                           jop.op == 6 ? &rgbHold : nullptr);
        for (uint32_t k = 0; k < nHold; k++)
            rgbRcv[k / 8] |= uint8_t(FBitAt(rgbHold, k) << (k % 8));
        if (erc == 0 && fExit) {
            bool fBit = jop.op == 7 ? tapBefore.fTdi : FBitAt(jop.rgbData, jop.n - 1);
            BYTES rgbPair = { uint8_t((fBit ? 1 : 0) | (jop.fTms ? 2 : 0)) }, rgbOne(1, 0);
            erc = ErcPhase(10, RgbArgs({ 1 }, 1), rgbPair, &rgbOne);
            rgbRcv[(jop.n - 1) / 8] |= uint8_t((rgbOne[0] & 1) << ((jop.n - 1) % 8));
        }
        break;
    }
    }
    if (CbTdo(jop) > 0)
        rgbTdo.insert(rgbTdo.end(), rgbRcv.begin(), rgbRcv.begin() + CbTdo(jop));
    return erc;
}

