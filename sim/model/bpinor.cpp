// bpinor.cpp - the parallel NOR command set over the flash cells.

#include "bpinor.h"

#include <algorithm>
#include <cstdint>

namespace sim {

namespace {

const uint8_t bitReady = 0x80, bitEraseErr = 0x20, bitProgramErr = 0x10, bitLocked = 0x02;

} // namespace

uint8_t BPINOR::BStatus() const
{
    return uint8_t((array.FBusy() ? 0 : bitReady) | bStatusErr);
}

// The CFI query table (word offsets): "QRY", the command set, the size as a
// power of two, the x16 interface, the write buffer and the erase regions.
uint16_t BPINOR::WCfi(uint32_t iw) const
{
    std::vector<FLASHREGION> rgregion;
    uint32_t addr = 0;
    while (addr < array.CbSize()) {
        uint32_t addrStart, cb;
        array.FBlockAt(addr, &addrStart, &cb);
        if (!rgregion.empty() && rgregion.back().cb == cb)
            rgregion.back().cblock++;
        else
            rgregion.push_back({1, cb});
        addr = addrStart + cb;
    }
    uint32_t nSize = 0;
    while (nSize < 32 && (1u << nSize) < array.CbSize())
        nSize++;
    uint32_t nBuffer = 0;
    while ((1u << nBuffer) < cwBuffer * 2)
        nBuffer++;
    switch (iw) {
    case 0x10: return 'Q';
    case 0x11: return 'R';
    case 0x12: return 'Y';
    case 0x13: return 0x01;   // primary command set
    case 0x14: return 0x00;
    case 0x27: return uint16_t(nSize);
    case 0x28: return 0x01;   // x16
    case 0x29: return 0x00;
    case 0x2A: return uint16_t(nBuffer);
    case 0x2B: return 0x00;
    case 0x2C: return uint16_t(rgregion.size());
    default:
        if (iw >= 0x2D && iw < 0x2D + 4 * rgregion.size()) {
            const FLASHREGION &region = rgregion[(iw - 0x2D) / 4];
            uint32_t u = (iw - 0x2D) % 4;
            uint32_t v = u < 2 ? region.cblock - 1 : region.cb / 256;
            return uint16_t((u % 2 == 0 ? v : v >> 8) & 0xFF);
        }
        return 0;
    }
}

// The buffer's words go to the cells in one program operation: they must lie
// in the block the command named, within one buffer's span.
void BPINOR::ProgramBuffer()
{
    uint32_t iwMin = UINT32_MAX, iwMax = 0;
    for (auto &iww : rgwBuf) {
        iwMin = std::min(iwMin, iww.first);
        iwMax = std::max(iwMax, iww.first);
    }
    uint32_t addrBlock, cb, addrBlockMin, cbMin, addrBlockMax, cbMax;
    if (rgwBuf.empty() || iwMax - iwMin >= cwBuffer || !array.FBlockAt(iwBlock * 2, &addrBlock, &cb) ||
        !array.FBlockAt(iwMin * 2, &addrBlockMin, &cbMin) || !array.FBlockAt(iwMax * 2, &addrBlockMax, &cbMax) ||
        addrBlockMin != addrBlock || addrBlockMax != addrBlock) {
        Fail(bitProgramErr);
        return;
    }
    if (array.FLocked(addrBlock)) {
        Fail(bitProgramErr | bitLocked);
        return;
    }
    std::vector<uint8_t> rgb((iwMax - iwMin + 1) * 2, 0xFF);   // 0xFF leaves a cell as it is
    for (auto &iww : rgwBuf) {
        rgb[(iww.first - iwMin) * 2] &= uint8_t(iww.second);
        rgb[(iww.first - iwMin) * 2 + 1] &= uint8_t(iww.second >> 8);
    }
    if (!array.FProgram(iwMin * 2, rgb.data(), rgb.size()))
        Fail(bitProgramErr);
}

uint16_t BPINOR::Read(uint32_t iw)
{
    uint32_t addr = iw * 2;
    switch (mode) {
    case modeStatus:
        return BStatus();
    case modeId: {
        uint32_t addrStart, cb;
        if (!array.FBlockAt(addr, &addrStart, &cb))
            return 0;
        uint32_t iwInBlock = (addr - addrStart) / 2;
        if (iwInBlock == 0 && addrStart == 0)
            return wManufacturer;
        if (iwInBlock == 1 && addrStart == 0)
            return wDeviceId;
        return iwInBlock == 2 ? uint16_t(array.FLocked(addr) ? 1 : 0) : 0;
    }
    case modeCfi:
        return WCfi(iw);
    default:
        if (array.FBusy() || addr + 1 >= array.CbSize())
            return BStatus();
        std::vector<uint8_t> rgb = array.Read(addr, 2);
        return uint16_t(rgb[0] | rgb[1] << 8);
    }
}

void BPINOR::Write(uint32_t iw, uint16_t w)
{
    uint32_t addr = iw * 2;
    uint8_t bCmd = uint8_t(w);
    STEP stepWas = step;
    step = stepNone;
    switch (stepWas) {
    case stepProgram: {
        mode = modeStatus;
        uint8_t rgb[2] = {uint8_t(w), uint8_t(w >> 8)};
        if (array.FLocked(addr))
            Fail(bitProgramErr | bitLocked);
        else if (!array.FProgram(addr, rgb, 2))
            Fail(bitProgramErr);
        return;
    }
    case stepErase:
        mode = modeStatus;
        if (bCmd != 0xD0)
            Fail(bitEraseErr | bitProgramErr);
        else if (array.FLocked(addr))
            Fail(bitEraseErr | bitLocked);
        else if (!array.FEraseBlock(addr))
            Fail(bitEraseErr);
        return;
    case stepLock:
        mode = modeStatus;
        if (bCmd == 0x01 || bCmd == 0xD0)
            array.SetLocked(addr, bCmd == 0x01);
        else
            Fail(bitEraseErr | bitProgramErr);
        return;
    case stepBufCount:
        cwLeft = uint32_t(w) + 1;
        rgwBuf.clear();
        if (cwLeft > cwBuffer) {
            Fail(bitEraseErr | bitProgramErr);
            return;
        }
        step = stepBufData;
        return;
    case stepBufData:
        if (cwLeft > 0) {
            rgwBuf.push_back({iw, w});
            cwLeft--;
            step = stepBufData;   // the last word waits for the confirmation
            return;
        }
        mode = modeStatus;
        if (bCmd != 0xD0) {
            Fail(bitEraseErr | bitProgramErr);
            return;
        }
        ProgramBuffer();
        return;
    default:
        break;
    }
    switch (bCmd) {
    case 0xFF: mode = modeArray; break;
    case 0x70: mode = modeStatus; break;
    case 0x90: mode = modeId; break;
    case 0x98: mode = modeCfi; break;
    case 0x50: bStatusErr = 0; break;
    case 0x40:
    case 0x10: step = stepProgram; mode = modeStatus; break;
    case 0x20: step = stepErase; mode = modeStatus; break;
    case 0x60: step = stepLock; mode = modeStatus; break;
    case 0xE8:
        mode = modeStatus;
        iwBlock = iw;
        step = stepBufCount;
        break;
    default: break;
    }
}

} // namespace sim
