// spinor.cpp - the SPI NOR command set over the flash cells.

#include "spinor.h"

namespace sim {

uint8_t SPINOR::BStatus() const
{
    return uint8_t((array.FBusy() ? 0x01 : 0) | (fWel ? 0x02 : 0));
}

void SPINOR::Select()
{
    fSelected = true;
    op = 0;
    cbIn = 0;
    addr = 0;
    fPageTouched = false;
}

uint8_t SPINOR::Xfer(uint8_t bIn)
{
    if (!fSelected)
        return 0xFF;
    size_t ib = cbIn++;
    if (ib == 0) {
        op = bIn;
        bool fBusy = array.FBusy();
        if (fBusy && op != opRdsr)
            op = 0;   // only the status is answered while the array works
        else if (op == opWren)
            fWel = true;
        else if (op == opWrdi)
            fWel = false;
        return 0xFF;
    }
    switch (op) {
    case opRdid:
        return ib <= 3 ? uint8_t(id >> (8 * (3 - ib))) : 0x00;
    case opRdsr:
        return BStatus();
    case opRead:
    case opFastRead: {
        size_t ibData = op == opRead ? 4 : 5;
        if (ib <= 3) {
            addr = addr << 8 | bIn;
            return 0xFF;
        }
        if (ib < ibData)
            return 0xFF;
        uint8_t b;
        array.Read(addr % array.CbSize(), &b, 1);
        addr = (addr + 1) % array.CbSize();
        return b;
    }
    case opPp:
    case opSubsectorErase:
    case opSectorErase:
        if (ib <= 3) {
            addr = addr << 8 | bIn;
            if (ib == 3 && op == opPp) {
                rgbPage.assign(cbPage, 0xFF);
                rgfTouched.assign(cbPage, false);
            }
            return 0xFF;
        }
        if (op == opPp) {
            uint32_t i = (addr + uint32_t(ib - 4)) % cbPage;
            rgbPage[i] &= bIn;
            rgfTouched[i] = true;
            fPageTouched = true;
        }
        return 0xFF;
    default:
        return 0xFF;
    }
}

void SPINOR::Deselect()
{
    if (!fSelected)
        return;
    fSelected = false;
    bool fWrite = op == opPp || op == opSubsectorErase || op == opSectorErase || op == opBulkErase ||
                  op == opBulkErase2;
    if (!fWrite || !fWel)
        return;
    bool fAddress = cbIn >= 4;
    if (op == opPp && fAddress && fPageTouched && addr < array.CbSize()) {
        // The page as the host sent it, wrapped inside the page; bytes it did
        // not send stay as they are.
        uint32_t addrPage = addr - addr % cbPage;
        std::vector<uint8_t> rgb = array.Read(addrPage, cbPage);
        for (uint32_t i = 0; i < cbPage; i++)
            if (rgfTouched[i])
                rgb[i] = rgbPage[i];
        array.FProgram(addrPage, rgb.data(), rgb.size());
    } else if (op == opSubsectorErase && cbIn == 4) {
        array.FEraseRange(addr - addr % 0x1000, 0x1000);
    } else if (op == opSectorErase && cbIn == 4) {
        array.FEraseBlock(addr);
    } else if ((op == opBulkErase || op == opBulkErase2) && cbIn == 1) {
        array.FEraseChip();
    } else {
        return;   // incomplete: nothing happens, the latch stays
    }
    fWel = false;
}

} // namespace sim
