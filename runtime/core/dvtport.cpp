/*
 * dvtport.cpp - DVT members for ports: enable and disable through the
 * open-device table's capability locks, and the port-properties query.
 *
 * Each successful enable holds one capability lock on the device; the DVT
 * counts the locks it holds and a disable gives back only what it holds,
 * so an unbalanced disable never eats another handle's or process's lock.
 */
#include <string.h>

#include "dvt.h"
#include "dvtopn.h"
#include "tfp.h"
#include "vzcore.h"
#include "vzfsadm.h"

namespace {

/* Whether a port's property word is visible under the Fsadm flag word. */
bool FPortVisible(uint32_t dprp)
{
    uint32_t fsadm = FsadmGet();
    return (dprp & 0x80000000u) ? (fsadm & fsadmDcapPriv) != 0 : (fsadm & fsadmDcapPub) != 0;
}

/* Every property word of the protocol's ports: the count first, then the words. */
int FReadAllProps(DVT *pdvt, uint32_t dcap, uint8_t apt, int32_t *pcprp, uint32_t *rgprp)
{
    if (!pdvt->FGetRgdprp(dcap, apt, 0, pcprp, nullptr))
        return 0;
    return *pcprp <= 0 || pdvt->FGetRgdprp(dcap, apt, *pcprp, nullptr, rgprp);
}

} // namespace

int DVT::FEnableApt(uint32_t dcap, uint8_t apt, int32_t prt)
{
    if (!FLockDvt())
        return 0;
    int fOk = 0;
    int fIdleNow = FIdleUnderCs(1);
    if (!fIdleNow) {
        FRecordErc(ercTransferPending, "DVT::FEnable");
    } else if (prt == prtNone || prtActive == prtNone) {
        const char *szDvc = (dtp >> 16) == 1 ? szConn : nullptr;
        DVTOPN *pdvtopn = vzproc.pdvtopn;
        fOk = pdvtopn != nullptr && pdvtopn->FLockDevDcap(idvto, dcap, szDvc);
        if (fOk) {
            clockDcap++;
            if (prt != prtNone) {
                aptActive = apt;
                prtActive = prt;
                dcapActive = dcap;
            }
        }
    } else {
        FRecordErc(ercPortConflict, "port already enabled");
    }
    return FUnlockDvt() && fOk;
}

int DVT::FDisableApt(uint32_t dcap, uint8_t apt, int32_t prt)
{
    if (!FLockDvt())
        return 0;
    int fOk = 0;
    int fIdleNow = FIdleUnderCs(1);
    if (!fIdleNow) {
        FRecordErc(ercTransferPending, "");
    } else {
        fOk = 1;
        if (clockDcap > 0) {
            uint32_t dcapLocked = prt != prtNone && prtActive != prtNone ? dcapActive : dcap;
            fOk = vzproc.pdvtopn != nullptr && vzproc.pdvtopn->FUnlockDevDcap(idvto, dcapLocked);
            if (fOk)
                clockDcap--;
        }
        if (fOk && prt != prtNone) {
            aptActive = aptNone;
            prtActive = prtNone;
            dcapActive = 0;
        }
    }
    return FUnlockDvt() && fOk;
}

int DVT::FDisableActiveApt()
{
    if (!FLockDvt())
        return 0;
    int fOk = 1;
    while (clockDcap > 0 && vzproc.pdvtopn != nullptr) {
        if (!vzproc.pdvtopn->FUnlockDevDcap(idvto, dcapActive)) {
            fOk = 0;
            break;
        }
        clockDcap--;
    }
    aptActive = aptNone;
    prtActive = prtNone;
    dcapActive = 0;
    return FUnlockDvt() && fOk;
}

/*
 * One port-properties query. The reply lands in buffers of the DVT, not of
 * the caller's frame, so a collection that fails cannot leave the device
 * writing into a frame that is gone.
 */
int DVT::FQueryPortProps(uint32_t dcap, uint8_t apt, int32_t *pcprp, uint32_t *rgprp)
{
    int32_t cprp = *pcprp;
    TFP tfpQuery;
    memset(&tfpQuery, 0, sizeof(tfpQuery));
    const uint8_t rgbCmd[] = {4, apt, cmdGetPortProps, 0, (uint8_t)(1 + 4 * cprp)};
    memcpy(tfpQuery.rgbCmd, rgbCmd, sizeof(rgbCmd));
    tfpQuery.rplyCmd.crply = cprp == 0 ? 1 : 2;
    tfpQuery.rplyCmd.rgrply[0].cb = 1;
    tfpQuery.rplyCmd.rgrply[0].pb = &cprpReply;
    tfpQuery.rplyCmd.rgrply[1].cb = (uint8_t)(4 * cprp);
    tfpQuery.rplyCmd.rgrply[1].pb = (uint8_t *)rgprpReply;
    if (!FProcessTransaction(&tfpQuery, 0))
        return 0;
    *pcprp = cprpReply;
    for (int32_t iprp = 0; iprp < cprp; iprp++)
        rgprp[iprp] = DwFromPbLe((const uint8_t *)&rgprpReply[iprp]);
    return 1;
}

int DVT::FGetRgdprp(uint32_t dcap, uint8_t apt, int32_t cprp, int32_t *pcprp, uint32_t *rgprp)
{
    if (cprp < 0 || (cprp > 0 && rgprp == nullptr)) {
        FRecordErc(ercInvalidParameter, "DVT::FGetRgdprp");
        return 0;
    }
    /* One status packet carries at most 15 property words: the status of a
     * longer query could never be received whole. */
    if (cprp > cprpPktMax) {
        FRecordErc(ercStsReceiveFailed, "DVT::FGetRgdprp more property words than a status packet carries");
        return 0;
    }
    if (!FEnableApt(dcap, apt, prtNone))
        return 0;
    int32_t cprpIo = cprp;
    int fOk = FQueryPortProps(dcap, apt, &cprpIo, rgprp);
    if (fOk && pcprp)
        *pcprp = cprpIo;
    if (!FDisableApt(dcap, apt, prtNone))
        fOk = 0;
    return fOk;
}

int DVT::FGetPortCount(uint32_t dcap, uint8_t apt, int32_t *pcprt)
{
    if (pcprt == nullptr) {
        FRecordErc(ercInvalidParameter, "DVT::FGetPortCount");
        return 0;
    }
    int32_t cprp = 0;
    uint32_t rgprp[cprpPktMax + 1] = {};
    if (!FReadAllProps(this, dcap, apt, &cprp, rgprp))
        return 0;
    int32_t cprt = 0;
    for (int32_t iprp = 0; iprp < cprp; iprp++)
        cprt += FPortVisible(rgprp[iprp]) ? 1 : 0;
    *pcprt = cprt;
    return 1;
}

int DVT::FGetPortProp(uint32_t dcap, uint8_t apt, int32_t iprt, uint32_t *pprp)
{
    if (pprp == nullptr) {
        FRecordErc(ercInvalidParameter, "DVT::FGetPortProp");
        return 0;
    }
    int32_t cprp = 0;
    uint32_t rgprp[cprpPktMax + 1] = {};
    if (!FReadAllProps(this, dcap, apt, &cprp, rgprp))
        return 0;
    if (iprt < 0 || iprt >= cprp || !FPortVisible(rgprp[iprt])) {
        FRecordErc(ercInvalidPort, "DVT::FGetPortProp invalid port requested");
        return 0;
    }
    *pprp = rgprp[iprt];
    return 1;
}
