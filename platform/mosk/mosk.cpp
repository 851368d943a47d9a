/*
 * mosk.cpp - board management over the management protocol of the boards'
 * firmware (protocol 4, port 0; boardproto.h): the FPGA's configuration reset and the
 * supply rails.
 *
 * The calls need no enable step: each takes the management capability for
 * its own length and, when the device's port is still off, switches it on.
 */
#include "mosk.h"

#include <string.h>

#include <chrono>
#include <thread>

#include "xact.h"

namespace {

using namespace xact;

using namespace boardproto;

static_assert(cchMoskRailLabel == cchRailLabel, "a label as the board sends it");

/*
 * Another thread's transaction on a shared handle (a worker's transfer while
 * the user-interface thread resets the configuration) is waited out, up to
 * the handle's transaction time-out.
 */
int FLockMgmt(HIF hif)
{
    DVT *pdvt = PdvtOf(hif);
    if (pdvt == nullptr)
        return 0;
    uint32_t tmsLimit = pdvt->GetTimeout();
    if (tmsLimit == 0xFFFFFFFFu)
        tmsLimit = tmsTransTimeoutDefault;     /* a handle without time-out waits no longer than a default one */
    auto tStart = std::chrono::steady_clock::now();
    for (;;) {
        if (FLockCap(hif, dcapMgmt, aptMgmt, prtNone))
            return 1;
        if (TvxGetLastError() != ercTransferPending)
            return 0;
        auto tms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - tStart);
        if (uint64_t(tms.count()) >= tmsLimit)
            return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

/* One management command with cbRet return bytes. */
int FMgmt(HIF hif, uint8_t cmd, const uint8_t *pbArg, uint8_t cbArg, uint8_t *pbRet, uint8_t cbRet)
{
    if (!FLockMgmt(hif))
        return 0;
    int fOk = FRunCmd(hif, aptMgmt, cmd, pbArg, cbArg, pbRet, cbRet);
    if (!fOk && TvxGetLastError() == ercCapabilityNotEnabled)
        fOk = FRunCmd(hif, aptMgmt, cmdEnablePort, nullptr, 0, nullptr, 0) &&
              FRunCmd(hif, aptMgmt, cmd, pbArg, cbArg, pbRet, cbRet);
    int erc = fOk ? ercNoErc : ErcLast();
    FUnlockCap(hif, dcapMgmt, aptMgmt, prtNone);
    if (!fOk)
        TvxSetLastErrorNoLog(erc);
    return fOk;
}

/* A rail command: one rail byte out, cbRet bytes back. */
int FRail(HIF hif, uint8_t cmd, int irail, uint8_t *pbRet, uint8_t cbRet, const char *szFn)
{
    if (irail < 0 || irail > 255)
        return FFail(ercInvalidParameter, szFn);
    uint8_t bRail = uint8_t(irail);
    return FMgmt(hif, cmd, &bRail, 1, pbRet, cbRet);
}

} // namespace

extern "C" {

MOSKAPI int MOSKCALL MoskConfigReset(HIF hif, int fAssert)
{
    uint8_t bAssert = fAssert ? 1 : 0;
    return FMgmt(hif, mgmtCmdConfigReset, &bAssert, 1, nullptr, 0);
}

MOSKAPI int MOSKCALL MoskGetPowerSupplyCount(HIF hif, int *pcrail)
{
    if (pcrail == nullptr)
        return FFail(ercInvalidParameter, "MoskGetPowerSupplyCount no count");
    uint8_t rgb[4];
    if (!FMgmt(hif, mgmtCmdRailCount, nullptr, 0, rgb, sizeof(rgb)))
        return 0;
    uint32_t c = U32(rgb);
    *pcrail = c > 255 ? 255 : int(c);
    return 1;
}

MOSKAPI int MOSKCALL MoskGetPowerSupplyProperties(HIF hif, int irail, uint32_t *pkV, uint32_t *pkI,
                                                  void *pvReserved1, void *pvReserved2)
{
    /* A board that measures current only asks for the current factor alone. */
    if (pkI == nullptr)
        return FFail(ercInvalidParameter, "MoskGetPowerSupplyProperties no factor");
    uint8_t rgb[8];
    if (!FRail(hif, mgmtCmdRailProps, irail, rgb, sizeof(rgb), "MoskGetPowerSupplyProperties bad rail"))
        return 0;
    if (pkV != nullptr)
        *pkV = U32(rgb);
    *pkI = U32(rgb + 4);
    return 1;
}

MOSKAPI int MOSKCALL MoskGetPowerSupplyLabel(HIF hif, int irail, char *szLabel)
{
    if (szLabel == nullptr)
        return FFail(ercInvalidParameter, "MoskGetPowerSupplyLabel no buffer");
    uint8_t rgb[cchRailLabel];
    if (!FRail(hif, mgmtCmdRailLabel, irail, rgb, sizeof(rgb), "MoskGetPowerSupplyLabel bad rail"))
        return 0;
    /* A label that fills all 32 bytes loses its last character to the terminator. */
    memcpy(szLabel, rgb, sizeof(rgb) - 1);
    szLabel[sizeof(rgb) - 1] = '\0';
    return 1;
}

MOSKAPI int MOSKCALL MoskGetPowerSupplyData(HIF hif, int irail, uint32_t *prawV, uint32_t *prawI,
                                            void *pvReserved1, void *pvReserved2, void *pvReserved3)
{
    if (prawI == nullptr)
        return FFail(ercInvalidParameter, "MoskGetPowerSupplyData no reading");
    uint8_t rgb[8];
    if (!FRail(hif, mgmtCmdRailData, irail, rgb, sizeof(rgb), "MoskGetPowerSupplyData bad rail"))
        return 0;
    if (prawV != nullptr)
        *prawV = U32(rgb);
    *prawI = U32(rgb + 4);
    return 1;
}

} /* extern "C" */
