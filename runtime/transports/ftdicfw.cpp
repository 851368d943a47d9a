/*
 * ftdicfw.cpp - the catalogue of FTDI firmware libraries, found by file
 * name in the firmware directory: "FTDIFW_<fwid>_<dcapPub>_<dcapPriv>_<fwver>-"
 * and the build's word size ("64bit.dll" or "32bit.dll").
 */
#include <stdio.h>
#include <string.h>

#include "ftdic.h"
#include "vzcore.h"
#include "yorl.h"

namespace {

const char *const szFwDllPattern = sizeof(void *) == 8 ? "FTDIFW_*-64bit.dll" : "FTDIFW_*-32bit.dll";

} // namespace

int FTDIC::FEnumFirmwareDll()
{
    /* The first scan runs whatever the tick (a fresh machine's tick may be below 5000 ms). */
    uint32_t tickNow = pabsutil->GetTickMs();
    if (fScanned && tickNow - tickScan < 5000)
        return 1;
    cfwdll = 0;
    ABSDIR *pdir = pabsfact->InstABSDIR();
    if (pdir == nullptr)
        return FRecordErc(ercInternalError, "FTDIC::FEnumFirmwareDll() call to InstABSDIR() failed"), 0;
    const char *szFail = nullptr;
    if (!pdir->Init())
        szFail = "FTDIC::FEnumFirmwareDll() call to pabsdir->Init() failed";
    else if (!pdir->OpenDir(szFwDir, szFwDllPattern))
        szFail = "FTDIC::FEnumFirmwareDll() call to pabsdir->OpenDir() failed";
    if (szFail != nullptr) {
        FRecordErc(ercInternalError, szFail);
        pdir->Term();
        pabsfact->RlsABSDIR(pdir);
        return 0;
    }
    size_t cchDir = strlen(szFwDir);
    char szName[300];
    for (;;) {
        if (!pdir->GetNextFileName(szName, sizeof(szName))) {
            FRecordErc(ercInternalError, "FTDIC::FEnumFirmwareDll() call to pabsdir->GetNextFileName() failed");
            pdir->CloseDir();
            pdir->Term();
            pabsfact->RlsABSDIR(pdir);
            return 0;
        }
        if (szName[0] == '\0' || cfwdll >= cfwdllMax)
            break;
        FWDLL &row = rgfwdll[cfwdll];
        unsigned fwid = 0, dcapPub = 0, dcapPriv = 0, fwver = 0;
        if (sscanf(szName, "FTDIFW_%02X_%08X_%08X_%04X-", &fwid, &dcapPub, &dcapPriv, &fwver) < 4)
            continue;
        /* The directory and the name must fit the path; a longer one is left out. */
        if (cchDir + strlen(szName) + 1 > sizeof(row.szPath))
            continue;
        row.fwid = uint8_t(fwid);
        row.dcapPub = dcapPub;
        row.dcapPriv = dcapPriv;
        row.fwver = uint16_t(fwver);
        memcpy(row.szPath, szFwDir, cchDir);
        memcpy(row.szPath + cchDir, szName, strlen(szName) + 1);
        bool fReplaced = false;
        for (int i = 0; i < cfwdll; i++) {
            FWDLL &rowOld = rgfwdll[i];
            if (rowOld.fwid == row.fwid && rowOld.dcapPub == row.dcapPub && rowOld.dcapPriv == row.dcapPriv &&
                rowOld.fwver < row.fwver) {
                rowOld = row;
                fReplaced = true;
            }
        }
        if (!fReplaced)
            cfwdll++;
    }
    if (!pdir->CloseDir())
        FRecordErc(ercInternalError, "FTDIC::FEnumFirmwareDll() call to pabsdir->CloseDir() failed");
    if (!pdir->Term())
        FRecordErc(ercInternalError, "FTDIC::FEnumFirmwareDll() call to pabsdir->Term() failed");
    if (!pabsfact->RlsABSDIR(pdir))
        FRecordErc(ercInternalError, "FTDIC::FEnumFirmwareDll() call to pabsfact->RlsABSDIR() failed");
    tickScan = pabsutil->GetTickMs();
    fScanned = true;
    return 1;
}

const FWDLL *FTDIC::PfwdllFind(uint32_t pdid, uint32_t dcapPub, uint32_t dcapPriv) const
{
    for (int i = 0; i < cfwdll; i++)
        if (rgfwdll[i].fwid == uint8_t(pdid) && rgfwdll[i].dcapPub == dcapPub && rgfwdll[i].dcapPriv == dcapPriv)
            return &rgfwdll[i];
    return nullptr;
}

int FTDIC::FFwverFromFwidAndDcap(uint32_t pdid, uint32_t dcapPub, uint32_t dcapPriv, uint16_t *pfwver)
{
    if (pfwver == nullptr)
        return FRecordErc(ercInvalidParameter, "FTDIC::FFwverFromFwidAndDcap"), 0;
    if (!FEnumFirmwareDll())
        return FRecordErc(ercInternalError, "FTDIC::FFwverFromFwidAndDcap FEnumFirmwareDll() failed"), 0;
    const FWDLL *pfwdll = PfwdllFind(pdid, dcapPub, dcapPriv);
    if (pfwdll == nullptr)
        return FRecordErc(ercCorruptInstallation,
                          "FTDIC::FFwverFromFwidAndDcap failed to find suitable firmware DLL for device"), 0;
    *pfwver = pfwdll->fwver;
    return 1;
}
