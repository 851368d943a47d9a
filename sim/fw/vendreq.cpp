// vendreq.cpp - vendor requests on the default pipe.
//
// Reading requests answer the board's identity and memories. Writing
// requests are guarded by the write key: the host sets a nonzero key with
// 0xE8 and sends it in wIndex of each writing request, then clears it by
// sending 0. Firmware versions 0x0201 and 0x0202 predate the key: 0xE8
// stalls, and a writing request instead carries wIndex 0 and at most 62 data
// bytes followed by the vendor id (low byte first). Which requests a chip
// answers depends on what it runs: an FX2 without firmware only the chip's
// own 0xA0 (RAM and CPUCS), the FX2 loader 0xA0, 0xA3, 0xE6 and 0xE8, the
// FX3 boot loader its RAM requests (0xA0), the key and the identity reads.
// The chips' memories are in chipram.cpp, the account requests in
// accounts.cpp.

#include "fw.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace sim {

namespace {

constexpr uint16_t addrRevid = 0xE60A;
constexpr uint16_t keyReset = 0x6C52;
constexpr size_t cbAcctRecord = 66;

void AppendText(std::vector<uint8_t> &rgb, const std::string &sz, size_t cb)
{
    size_t ib0 = rgb.size();
    rgb.resize(ib0 + cb, 0);
    memcpy(&rgb[ib0], sz.data(), std::min(sz.size(), cb));
}

void AppendLe(std::vector<uint8_t> &rgb, uint32_t v, unsigned cb)
{
    for (unsigned ib = 0; ib < cb; ib++)
        rgb.push_back(uint8_t(v >> (8 * ib)));
}

// Requests the FX3 boot loader answers besides 0xA0 and 0xE8.
bool FBootLoaderRead(uint8_t req)
{
    switch (req) {
    case 0xD0: case 0xDB: case 0xDC: case 0xDD: case 0xE1: case 0xE2: case 0xE4: case 0xE6: case 0xE7:
    case 0xE9: case 0xED:
        return true;
    }
    return false;
}

} // namespace

std::string SzFromBytes(const uint8_t *pb, size_t cb)
{
    size_t cch = 0;
    while (cch < cb && pb[cch] != 0)
        cch++;
    return std::string(reinterpret_cast<const char *>(pb), cch);
}

bool FW::FOldFirmware() const
{
    return bd.fwm == fwmApp && (bd.ident.fwver == 0x0201 || bd.ident.fwver == 0x0202);
}

bool FW::FVendorRequest(uint8_t bm, uint8_t req, uint16_t wValue, uint16_t wIndex, const uint8_t *pbOut,
                        uint16_t wLength, std::vector<uint8_t> &rgbIn, FWACT &fwact)
{
    fwact = fwactNone;
    rgbIn.clear();
    bool fIn = (bm & 0x80) != 0;
    bool fOk = false;
    bool fForcedStall = std::find(faults.rgreqStall.begin(), faults.rgreqStall.end(), req) != faults.rgreqStall.end();
    bool fServed = true;
    switch (bd.fwm) {
    case fwmBlank:
        fServed = req == 0xA0 && bd.cfg.chip == chipFx2;
        break;
    case fwmLoader:
        fServed = req == 0xA0 || req == 0xA3 || req == 0xE6 || req == 0xE8;
        break;
    case fwmFx3Boot:
        fServed = req == 0xA0 || req == 0xE8 || (fIn && FBootLoaderRead(req));
        break;
    case fwmApp:
        break;
    }
    if (fServed && !fForcedStall) {
        if (fIn)
            fOk = FVrIn(req, wValue, wIndex, wLength, rgbIn);
        else
            fOk = FVrOut(req, wValue, wIndex, pbOut, wLength, fwact);
    }
    if (!fOk)
        rgbIn.clear();
    else if (rgbIn.size() > wLength)
        rgbIn.resize(wLength);
    char sz[120];
    snprintf(sz, sizeof(sz), "VR %s %02X %04X %04X %u %s", fIn ? "in" : "out", req, wValue, wIndex, wLength,
             fOk ? "ok" : "stall");
    std::string szLog = sz;
    if (!fIn && wLength > 0 && wLength <= 64)
        szLog += " " + SzHex(pbOut, wLength);
    Log(szLog);
    return fOk;
}

bool FW::FVrIn(uint8_t req, uint16_t wValue, uint16_t wIndex, uint16_t wLength, std::vector<uint8_t> &rgbIn)
{
    const IDENT &id = bd.ident;
    bool fBoot = bd.fwm == fwmFx3Boot;
    switch (req) {
    case 0xA0:
        if (bd.cfg.chip == chipFx3) {
            rgbIn = bd.memFx3Ram.Read((uint32_t(wIndex) << 16) | wValue, wLength);
            return true;
        }
        if (bd.cfg.chip != chipFx2 || size_t(wValue) + wLength > BOARD::cbFx2Ram)
            return false;
        rgbIn.assign(bd.rgbFx2Ram + wValue, bd.rgbFx2Ram + wValue + wLength);
        return true;
    case 0xA2:
        if (size_t(wValue) + wLength > BOARD::cbE2prom)
            return false;
        rgbIn.assign(bd.rgbE2prom + wValue, bd.rgbE2prom + wValue + wLength);
        return true;
    case 0xA3:
        if (bd.cfg.chip != chipFx2)
            return false;
        for (uint32_t a = wValue; a < uint32_t(wValue) + wLength && a < 0x10000; a++)
            rgbIn.push_back(a == addrRevid ? bd.cfg.revid : bd.rgbFx2Ext[a]);
        return rgbIn.size() == wLength;
    case 0xB1: rgbIn.assign(bd.rgbFwMemParam, bd.rgbFwMemParam + 16); return true;
    case 0xB8: rgbIn.assign(wLength, 0xFF); return true;
    case 0xBA: rgbIn.assign(bd.rgbFwUpdStatus, bd.rgbFwUpdStatus + 4); return true;
    case 0xD0:
        if (bd.cfg.chip != chipFx3)
            return false;
        rgbIn.push_back(fBoot ? 2 : 1);
        return true;
    case 0xD1: case 0xD2: case 0xD4:
        return bd.cfg.chip == chipFx3 && FVrFx3Mem(true, req, wValue, wIndex, nullptr, wLength, rgbIn);
    case 0xD9: rgbIn.assign(bd.rgbVbus, bd.rgbVbus + 5); return true;
    case 0xDB: AppendLe(rgbIn, id.vid, 2); return true;
    case 0xDC: AppendLe(rgbIn, id.pid, 2); return true;
    case 0xDD: rgbIn.assign(bd.rgbUsbSpeed, bd.rgbUsbSpeed + 6); return true;
    case 0xDE: AppendText(rgbIn, id.szUsbBootProduct, 64); return true;
    case 0xDF: AppendText(rgbIn, id.szUsbProduct, 64); return true;
    case 0xE0:
        if (id.szOldVersion.empty())
            return false;
        AppendText(rgbIn, id.szOldVersion, std::min<size_t>(id.szOldVersion.size(), 64));
        return true;
    case 0xE1: AppendText(rgbIn, id.szProduct, 28); return true;
    case 0xE2: AppendText(rgbIn, id.szUser, 16); return true;
    case 0xE4: AppendText(rgbIn, id.szSerial, 12); return true;
    case 0xE6:
        AppendLe(rgbIn, bd.fwm == fwmLoader ? 0 : id.fwver, 2);
        return true;
    case 0xE7:
        AppendLe(rgbIn, fBoot ? 0 : id.dcapPub, 4);
        AppendLe(rgbIn, fBoot ? 0 : id.dcapPriv, 4);
        return true;
    case 0xE9:
        if (id.pdid == 0)
            return false;   // firmware that cannot tell its product id
        AppendLe(rgbIn, id.pdid, 4);
        return true;
    case 0xEB:
        if (id.fwverRom == 0)
            return false;
        AppendLe(rgbIn, id.fwverRom, 2);
        return true;
    case 0xED: AppendText(rgbIn, id.szMac, 17); return true;
    case 0xEE: rgbIn = bd.rgbIpv4Config; return true;
    case 0xEF: rgbIn = bd.rgbIpv4Status; return true;
    case 0xF0: rgbIn.push_back(bd.fAuth ? 1 : 0); return true;
    case 0xF4:
        for (auto &acct : bd.rgacct)
            if (acct.szName == bd.szAcctPending) {
                rgbIn.push_back(acct.attr);
                return true;
            }
        return false;
    case 0xF7:
        if (wValue == 0) {
            AppendLe(rgbIn, uint32_t(bd.rgacct.size()), 4);
            return true;
        }
        if (wValue > bd.rgacct.size() || size_t(wValue) * cbAcctRecord != wLength)
            return false;
        // Record: u8 attribute, the account name NUL-padded to 65 bytes.
        for (size_t i = 0; i < wValue; i++) {
            rgbIn.push_back(bd.rgacct[i].attr);
            AppendText(rgbIn, bd.rgacct[i].szName, cbAcctRecord - 1);
        }
        return true;
    }
    return false;
}

bool FW::FVrOut(uint8_t req, uint16_t wValue, uint16_t wIndex, const uint8_t *pb, uint16_t cb, FWACT &fwact)
{
    // A request without data comes without a buffer: the handlers below may
    // copy zero bytes from pb, never from a null pointer.
    static const uint8_t bNone = 0;
    if (pb == nullptr) {
        if (cb != 0)
            return false;
        pb = &bNone;
    }
    switch (req) {
    case 0xE8:
        if (FOldFirmware() || cb != 2)
            return false;
        bd.key = uint16_t(pb[0] | (pb[1] << 8));
        return true;
    case 0xA0:
        return FVrRamA0(wValue, wIndex, pb, cb, fwact);
    case 0xB2: case 0xB3: case 0xB4: case 0xB5: case 0xB6: case 0xB7: case 0xB9: case 0xBB:
        // Firmware-update steps: recorded in the log, nothing else.
        if (req == 0xBB)
            bd.fFwUpdate = false;
        return true;
    case 0xD1: case 0xD2: case 0xD3: {
        std::vector<uint8_t> rgbNone;
        return bd.cfg.chip == chipFx3 && FVrFx3Mem(false, req, wValue, wIndex, pb, cb, rgbNone);
    }
    case 0xDA:
        if (bd.key != keyReset)
            return false;
        fwact = fwactReset;
        return true;
    }

    // Everything else is a writing request inside the key handshake.
    const uint8_t *pbData = pb;
    uint16_t cbData = cb;
    if (FOldFirmware()) {
        if (wIndex != 0 || cb < 2 || cb > 64 || pb[cb - 2] != uint8_t(bd.ident.vid) ||
            pb[cb - 1] != uint8_t(bd.ident.vid >> 8))
            return false;
        cbData = uint16_t(cb - 2);
    } else if (bd.key == 0 || wIndex != bd.key) {
        return false;
    }
    if (req == 0xA2) {
        if (size_t(wValue) + cbData > BOARD::cbE2prom)
            return false;
        memcpy(bd.rgbE2prom + wValue, pbData, cbData);
        return true;
    }
    if (req == 0xA3) {
        if (bd.fwm != fwmLoader || size_t(wValue) + cbData > 0x10000)
            return false;
        memcpy(&bd.rgbFx2Ext[wValue], pbData, cbData);
        return true;
    }
    return FVrOutKeyed(req, wValue, pbData, cbData, fwact);
}

bool FW::FVrOutKeyed(uint8_t req, uint16_t wValue, const uint8_t *pb, uint16_t cb, FWACT &fwact)
{
    IDENT &id = bd.ident;
    switch (req) {
    case 0xB0: bd.fFwUpdate = true; return cb == 0;
    case 0xDB: if (cb != 2) return false; id.vid = uint16_t(pb[0] | (pb[1] << 8)); return true;
    case 0xDC: if (cb != 2) return false; id.pid = uint16_t(pb[0] | (pb[1] << 8)); return true;
    case 0xDE: if (cb != 64) return false; id.szUsbBootProduct = SzFromBytes(pb, cb); return true;
    case 0xDF: if (cb != 64) return false; id.szUsbProduct = SzFromBytes(pb, cb); return true;
    case 0xE1: if (cb != 28) return false; id.szProduct = SzFromBytes(pb, cb); return true;
    case 0xE3: if (cb != 16) return false; id.szUser = SzFromBytes(pb, cb); return true;
    case 0xE5: if (cb != 12) return false; id.szSerial = SzFromBytes(pb, cb); return true;
    case 0xE9: if (cb != 4) return false; id.pdid = U32At(pb, cb, 0); return true;
    case 0xEA: if (cb != 0) return false; fwact = fwactRenumerate; return true;
    case 0xEB: if (cb != 2) return false; id.fwverRom = uint16_t(pb[0] | (pb[1] << 8)); return true;
    case 0xEE:
        if (cb != BOARD::cbIpv4Config)
            return false;
        bd.rgbIpv4Config.assign(pb, pb + cb);
        return true;
    case 0xF1: case 0xF2: case 0xF3: case 0xF4: case 0xF5: case 0xF6:
        return FVrAccount(req, pb, cb);
    }
    return false;
}

} // namespace sim
