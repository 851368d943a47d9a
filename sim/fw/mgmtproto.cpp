// mgmtproto.cpp - board management (protocol 4): FPGA configuration reset
// and supply rails. Packets are documented in wire/boardproto.h.

#include "fw.h"
#include "../model/xfpga.h"
#include "../wire/boardproto.h"

#include <cstring>

namespace sim {

using namespace boardproto;

// Whether an injected fault fails this rail command: the count query, or a
// property, label or reading call on the chosen rail once its calls that
// still succeed are used up.
bool FW::FRailFault(uint8_t cmd, unsigned irail)
{
    if (cmd == mgmtCmdRailCount)
        return faults.fRailCountFails;
    if (cmd != faults.cmdRailFail || irail != faults.irailFail)
        return false;
    if (faults.cRailCallsOk == 0)
        return true;
    faults.cRailCallsOk--;
    return false;
}

void FW::MgmtCommand(const uint8_t *pb, size_t cb)
{
    static const uint8_t rgcbLen[] = { 0, 0, 0, 4, 3, 4, 4, 4 };
    if (!FPortCommandReady(pb, cb, dprpMgmt, mgmtCmdRailData, rgcbLen, fMgmtEnabled))
        return;
    uint8_t cmd = pb[2];
    if (cmd >= mgmtCmdRailProps && pb[4] >= bd.rgrail.size()) {
        PushSts(stsBadArgument);
        return;
    }
    if (FRailFault(cmd, cmd >= mgmtCmdRailProps ? pb[4] : 0)) {
        Log("FAULT rail command " + std::to_string(cmd) + " fails");
        PushSts(stsNotSupported);
        return;
    }
    switch (cmd) {
    case cmdDisablePort:
        fMgmtEnabled = false;
        PushSts(stsNoErc);
        break;
    case mgmtCmdConfigReset:
        bd.fConfigReset = pb[4] != 0;
        // The board's PROG_B line: every FPGA of the chain clears its
        // configuration (DONE low, the design stops) and stays clear while held.
        for (size_t idev = 0; idev < bd.chain.Cdev(); idev++)
            if (XFPGA *pxfpga = dynamic_cast<XFPGA *>(bd.chain.Pjdev(idev)))
                pxfpga->SetProgB(bd.fConfigReset);
        if (bd.fConfigReset) {
            bd.regs.fLoaded = false;        // configuration cleared: DONE low
            bd.regs.Reset();
        } else {
            bd.ConfigureFromProm();         // released: the FPGA loads from its PROM
        }
        PushSts(stsNoErc);
        break;
    case mgmtCmdRailCount:
        PushStsU32(stsNoErc, faults.crailReported >= 0 ? uint32_t(faults.crailReported) : uint32_t(bd.rgrail.size()));
        break;
    case mgmtCmdRailProps: {
        const RAIL &rail = bd.rgrail[pb[4]];
        uint8_t rgb[8];
        for (int ib = 0; ib < 4; ib++) {
            rgb[ib] = uint8_t(rail.kV >> (8 * ib));
            rgb[4 + ib] = uint8_t(rail.kI >> (8 * ib));
        }
        PushSts(stsNoErc, rgb, 8);
        break;
    }
    case mgmtCmdRailLabel: {
        uint8_t rgb[cchRailLabel] = {};
        const std::string &sz = bd.rgrail[pb[4]].szLabel;
        memcpy(rgb, sz.data(), sz.size() < cchRailLabel - 1 ? sz.size() : cchRailLabel - 1);
        PushSts(stsNoErc, rgb, cchRailLabel);
        break;
    }
    case mgmtCmdRailData: {
        const RAIL &rail = bd.rgrail[pb[4]];
        uint8_t rgb[8];
        for (int ib = 0; ib < 4; ib++) {
            rgb[ib] = uint8_t(rail.rawV >> (8 * ib));
            rgb[4 + ib] = uint8_t(rail.rawI >> (8 * ib));
        }
        PushSts(stsNoErc, rgb, 8);
        break;
    }
    }
}

} // namespace sim
