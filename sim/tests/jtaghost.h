// jtaghost.h - a host of the JTAG protocol for the simulator tests: TMS
// walks, shifts and TDO reads over the wire, and the Xilinx configuration
// steps of the public configuration guides built on them.

#ifndef KOR_SIM_JTAGHOST_H
#define KOR_SIM_JTAGHOST_H

#include "wireclient.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

class JTAGHOST {
public:
    using BYTES = std::vector<uint8_t>;
    using BITV = std::vector<uint8_t>;     // one bit per element, in clock order

    // rgcbitIr: IR lengths, the device nearest TDO first.
    JTAGHOST(WIRECLIENT &wcIn, std::vector<unsigned> rgcbitIrIn) : wc(wcIn), rgcbitIr(std::move(rgcbitIrIn)) {}

    bool FEnable() { return wc.Command({ 3, 2, 0, 0 }) == BYTES{ 1, 0 }; }

    // TMS/TDI pairs (command 10); returns the final status.
    bool FPairs(const std::vector<std::pair<bool, bool>> &rgpair)
    {
        BYTES rgb((rgpair.size() + 3) / 4, 0);
        for (size_t i = 0; i < rgpair.size(); i++)
            rgb[i / 4] |= uint8_t((rgpair[i].second ? 1 : 0) | (rgpair[i].first ? 2 : 0)) << (2 * (i % 4));
        BYTES rgbCmd = { 8, 2, 10, 0, 0 };
        PutU32(rgbCmd, uint32_t(rgpair.size()));
        return FPhase(rgbCmd, rgb, 0, nullptr);
    }
    // A walk written as TMS digits ("11111 0"), TDI 0.
    bool FWalk(const std::string &szTms)
    {
        std::vector<std::pair<bool, bool>> rgpair;
        for (char ch : szTms)
            if (ch == '0' || ch == '1')
                rgpair.push_back({ ch == '1', false });
        return FPairs(rgpair);
    }
    // TDI bits with TMS held (command 8); captures TDO when prgbitTdo.
    bool FShift(const BITV &rgbit, bool fTms, BITV *prgbitTdo = nullptr)
    {
        if (rgbit.empty())
            return true;
        BYTES rgb((rgbit.size() + 7) / 8, 0);
        for (size_t i = 0; i < rgbit.size(); i++)
            rgb[i / 8] |= uint8_t(rgbit[i] ? 1 : 0) << (i % 8);
        BYTES rgbCmd = { 9, 2, 8, 0, uint8_t(prgbitTdo ? 1 : 0), uint8_t(fTms ? 1 : 0) };
        PutU32(rgbCmd, uint32_t(rgbit.size()));
        BYTES rgbTdo;
        if (!FPhase(rgbCmd, rgb, prgbitTdo ? uint32_t(rgb.size()) : 0, &rgbTdo))
            return false;
        if (prgbitTdo) {
            prgbitTdo->clear();
            for (size_t i = 0; i < rgbit.size(); i++)
                prgbitTdo->push_back(i / 8 < rgbTdo.size() ? (rgbTdo[i / 8] >> (i % 8)) & 1 : 1);
        }
        return true;
    }
    // Bits with TMS 0 and the last one with TMS 1 (leaves Shift-xR).
    bool FShiftExit(const BITV &rgbit)
    {
        if (rgbit.empty())
            return FWalk("1");
        BITV rgbitHead(rgbit.begin(), rgbit.end() - 1);
        return FShift(rgbitHead, false) && FPairs({ { true, rgbit.back() != 0 } });
    }
    // n clocks with TMS 0 and TDI 0 (Run-Test/Idle waits).
    bool FClocks(size_t n) { return FShift(BITV(n, 0), false); }

    // From Run-Test/Idle: the instruction op into device idev, BYPASS (all
    // ones) into the others; back in Run-Test/Idle.
    bool FInstruction(size_t idev, uint64_t op)
    {
        BITV rgbit;
        for (size_t i = 0; i < rgcbitIr.size(); i++)
            for (unsigned ibit = 0; ibit < rgcbitIr[i]; ibit++)
                rgbit.push_back(i == idev ? (ibit < 64 ? (op >> ibit) & 1 : 0) : 1);
        return FWalk("1100") && FShiftExit(rgbit) && FWalk("10");
    }
    // From Run-Test/Idle: the captured IR bits of device idev (BYPASS loaded
    // everywhere afterwards); back in Run-Test/Idle.
    uint64_t IrCapture(size_t idev)
    {
        size_t cbit = 0, ibitFirst = 0;
        for (size_t i = 0; i < rgcbitIr.size(); i++) {
            if (i == idev)
                ibitFirst = cbit;
            cbit += rgcbitIr[i];
        }
        BITV rgbitTdo;
        EXPECT_TRUE(FWalk("110"));
        EXPECT_TRUE(FShift(BITV(cbit, 1), false, &rgbitTdo));
        EXPECT_TRUE(FWalk("110"));
        uint64_t ir = 0;
        for (unsigned ibit = 0; ibit < rgcbitIr[idev] && ibitFirst + ibit < rgbitTdo.size(); ibit++)
            ir |= uint64_t(rgbitTdo[ibitFirst + ibit]) << ibit;
        return ir;
    }
    // From Run-Test/Idle: bytes into the data register of device idev, each
    // byte most significant bit first (the devices toward TDI in BYPASS);
    // leading zeros make the bits before the data a multiple of 32 (the
    // device sees the bypass bits of the devices toward TDI first); back in
    // Run-Test/Idle.
    bool FDataBytes(size_t idev, const BYTES &rgb)
    {
        size_t cbitBypass = rgcbitIr.size() - 1 - idev;
        BITV rgbit((32 - cbitBypass % 32) % 32, 0);
        for (uint8_t b : rgb)
            for (int ibit = 7; ibit >= 0; ibit--)
                rgbit.push_back((b >> ibit) & 1);
        rgbit.resize(rgbit.size() + (rgcbitIr.size() - 1 - idev), 0);
        return FWalk("100") && FShiftExit(rgbit) && FWalk("10");
    }
    // From Run-Test/Idle: cbit bits of device idev's captured data register
    // (the devices toward TDO in BYPASS); back in Run-Test/Idle.
    BITV DataRead(size_t idev, size_t cbit)
    {
        BITV rgbitTdo;
        EXPECT_TRUE(FWalk("10"));       // Select-DR, Capture-DR
        EXPECT_TRUE(FShift(BITV(cbit + idev, 0), false, &rgbitTdo));
        EXPECT_TRUE(FWalk("110"));
        return BITV(rgbitTdo.begin() + std::min(idev, rgbitTdo.size()), rgbitTdo.end());
    }

    static void PutU32(BYTES &rgb, uint32_t dw)
    {
        for (int ib = 0; ib < 4; ib++)
            rgb.push_back(uint8_t(dw >> (8 * ib)));
    }

private:
    bool FPhase(const BYTES &rgbCmd, const BYTES &rgbOut, uint32_t cbIn, BYTES *prgbIn)
    {
        if (wc.Command(rgbCmd) != BYTES{ 1, 0 })
            return false;
        uint32_t tagOut = rgbOut.empty() ? 0 : wc.Submit(usbwire::epDataOut, uint32_t(rgbOut.size()), rgbOut);
        uint32_t tagIn = cbIn == 0 ? 0 : wc.Submit(usbwire::epDataIn, cbIn);
        bool fOk = true;
        if (tagOut)
            fOk = wc.Wait(tagOut).sts == usbwire::stsOk && fOk;
        if (tagIn) {
            WXFER xfer = wc.Wait(tagIn);
            fOk = xfer.sts == usbwire::stsOk && fOk;
            if (prgbIn)
                *prgbIn = xfer.rgb;
        }
        BYTES rgbDone = { 3, rgbCmd[1], uint8_t(rgbCmd[2] | 0x80), rgbCmd[3] };
        BYTES rgbSts = wc.Command(rgbDone);
        return fOk && rgbSts.size() >= 2 && (rgbSts[1] & 0x3F) == 0;
    }

    WIRECLIENT &wc;
    std::vector<unsigned> rgcbitIr;
};

#endif
