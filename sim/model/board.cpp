// board.cpp - power-on state of a board and the firmware descriptor.

#include "board.h"
#include "designs.h"
#include "idcodedev.h"
#include "xc2c.h"
#include "xcf.h"
#include "xcfp.h"
#include "xfpga.h"

#include <cstring>

namespace sim {

namespace {

void PutLe(uint8_t *pb, uint64_t v, unsigned cb)
{
    for (unsigned ib = 0; ib < cb; ib++)
        pb[ib] = uint8_t(v >> (8 * ib));
}

uint64_t GetLe(const uint8_t *pb, unsigned cb)
{
    uint64_t v = 0;
    for (unsigned ib = 0; ib < cb; ib++)
        v |= uint64_t(pb[ib]) << (8 * ib);
    return v;
}

// One tagged field of the old parameter block: u16 tag, data, check byte
// making the byte sum 0 modulo 256.
void PutLegacyField(uint8_t *pb, uint16_t tag, const uint8_t *pbData, size_t cb)
{
    PutLe(pb, tag, 2);
    memcpy(pb + 2, pbData, cb);
    uint8_t bSum = 0;
    for (size_t ib = 0; ib < cb + 2; ib++)
        bSum = uint8_t(bSum + pb[ib]);
    pb[cb + 2] = uint8_t(-bSum);
}

void PutText(uint8_t *pb, const std::string &sz, size_t cb)
{
    memset(pb, 0, cb);
    memcpy(pb, sz.data(), sz.size() < cb ? sz.size() : cb);
}

} // namespace

BOARD::BOARD(const BOARDCFG &cfgIn) : cfg(cfgIn), dprpJtag(cfgIn.dprpJtag)
{
    memset(rgbE2prom, 0xFF, sizeof(rgbE2prom));
    rgbIpv4Config.assign(cbIpv4Config, 0);
    rgbIpv4Status.assign(cbIpv4Status, 0);
    rgacct = cfg.rgacct;
    fAuth = cfg.fAuth;
    regs.penv = &env;
    for (auto &opt : cfg.rgoptDesign)
        env.SetOpt(opt.first, opt.second);
    for (auto &jdevcfg : cfg.rgjdevcfg) {
        XFAM xfam;
        const XC2CGEOM *pgeomCpld = jdevcfg.szKind == "cpld" ? PgeomXc2c(jdevcfg.szModel) : nullptr;
        const XCFGEOM *pgeomProm = jdevcfg.szKind == "prom" ? PgeomXcf(jdevcfg.szModel) : nullptr;
        if (pgeomCpld) {
            chain.AddDevice(std::make_unique<XC2C>(*pgeomCpld, jdevcfg.idcode));
        } else if (jdevcfg.szKind == "prom" && XCFP::FKnown(jdevcfg.szModel)) {
            auto pxcfp = std::make_unique<XCFP>(jdevcfg.szModel, jdevcfg.idcode);
            pxcfp->SetConfigCallback([this] { ConfigureFromProm(); });
            chain.AddDevice(std::move(pxcfp));
        } else if (pgeomProm) {
            auto pxcf = std::make_unique<XCF>(*pgeomProm, jdevcfg.idcode);
            // CONFIG pulses CF, wired to the FPGA's PROG_B
            pxcf->SetConfigCallback([this] { ConfigureFromProm(); });
            chain.AddDevice(std::move(pxcf));
        } else if (FXfamFromSz(jdevcfg.szFamily, xfam)) {
            // The FPGA's design drives the register port.
            auto pxfpga = std::make_unique<XFPGA>(jdevcfg.szModel, jdevcfg.idcode, jdevcfg.cbitIr, xfam, cfg.szDesign);
            pxfpga->SetRunCallback([this](bool fRunning, const std::string &szTag) {
                LoadDesign(regs, szTag, fRunning);
            });
            chain.AddDevice(std::move(pxfpga));
        } else {
            chain.AddDevice(std::make_unique<IDCODEDEV>(jdevcfg.szModel, jdevcfg.idcode, jdevcfg.cbitIr,
                                                        jdevcfg.irIdcode));
        }
    }
    if (cfg.fLegacyBlock)
        WriteLegacyBlock();
    PowerOn();
}

void BOARD::PowerOn()
{
    ident = cfg.ident;
    fwm = cfg.fwm;
    key = 0;
    memset(rgbFx2Ram, 0, sizeof(rgbFx2Ram));
    rgbFx2Ext.assign(0x10000, 0);
    fCpuReset = false;
    rgbWrittenInReset.clear();
    memFx3Ram.Clear();
    fFwUpdate = false;
    szAcctPending.clear();
    chain.PowerOn();
    regs.Reset();
    regs.szDesign = cfg.szDesign;
    regs.fLoaded = !cfg.szDesign.empty() && cfg.szDesign != "none";
    regs.fRegs = PdesignFind(cfg.szDesign) != nullptr;
    env.PowerOn();
    if (regs.fLoaded && regs.fRegs && PdesignFind(cfg.szDesign)->pfnNew)
        regs.pdesign = PdesignFind(cfg.szDesign)->pfnNew(env);
    rgrail = cfg.rgrail;
    stream = STREAM();
    fConfigReset = false;
    // a programmed PROM configures the FPGA at power-on
    ConfigureFromProm();
}

void BOARD::ConfigureFromProm()
{
    PROMSER *pxcf = nullptr;
    XFPGA *pxfpga = nullptr;
    for (size_t idev = 0; idev < chain.Cdev(); idev++) {
        if (!pxcf)
            pxcf = dynamic_cast<PROMSER *>(chain.Pjdev(idev));
        if (!pxfpga)
            pxfpga = dynamic_cast<XFPGA *>(chain.Pjdev(idev));
    }
    if (!pxcf || !pxfpga || pxcf->FIsp() || fConfigReset)
        return;
    size_t cb = pxcf->CbUsed();
    if (cb == 0)
        return;
    pxfpga->SetProgB(true);
    pxfpga->SetProgB(false);
    pxfpga->SerialConfigure(pxcf->Array().data(), cb);
}

void BOARD::WriteLegacyBlock()
{
    uint8_t rgb[28];
    PutText(rgb, ident.szProduct.empty() ? cfg.ident.szProduct : ident.szProduct, 28);
    PutLegacyField(rgbE2prom + 0x3FA0, 0xABCD, rgb, 28);
    PutText(rgb, cfg.ident.szUser, 16);
    PutLegacyField(rgbE2prom + 0x3FC0, 0xABCD, rgb, 16);
    PutText(rgb, cfg.ident.szSerial, 12);
    PutLegacyField(rgbE2prom + 0x3FE0, 0x5678, rgb, 12);
    PutLe(rgb, cfg.fLegacyPdid ? cfg.pdidLegacy : cfg.ident.pdid, 4);
    PutLegacyField(rgbE2prom + 0x3FF0, 0xABCD, rgb, 4);
    PutLe(rgb, cfg.ident.fwverRom, 2);
    PutLegacyField(rgbE2prom + 0x3FF8, 0xABCD, rgb, 2);
}

bool FFindFwDesc(const uint8_t *pb, size_t cb, IDENT &ident)
{
    for (size_t ib = 0; ib + cbFwDesc <= cb; ib++) {
        if (memcmp(pb + ib, szFwDescMagic, 8) != 0)
            continue;
        const uint8_t *pbField = pb + ib + 8;
        ident.pdid = uint32_t(GetLe(pbField, 4));
        ident.fwver = uint16_t(GetLe(pbField + 4, 2));
        ident.dcapPub = uint32_t(GetLe(pbField + 6, 4));
        ident.dcapPriv = uint32_t(GetLe(pbField + 10, 4));
        return true;
    }
    return false;
}

std::vector<uint8_t> RgbFwDesc(uint32_t pdid, uint16_t fwver, uint32_t dcapPub, uint32_t dcapPriv)
{
    std::vector<uint8_t> rgb(cbFwDesc);
    memcpy(rgb.data(), szFwDescMagic, 8);
    PutLe(&rgb[8], pdid, 4);
    PutLe(&rgb[12], fwver, 2);
    PutLe(&rgb[14], dcapPub, 4);
    PutLe(&rgb[18], dcapPriv, 4);
    return rgb;
}

} // namespace sim
