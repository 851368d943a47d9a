/*
 * vzprobe.cpp - loads the shipped runtime library and writes what its
 * public functions answer into the file named by argv[1]. Started by the
 * start-up tests, one process per case, with the environment of the case.
 */
#include <stdio.h>

#include "ambrel.h"   /* compiled in every build: the firmware library's contract */
#include "dvt.h"
#include "voziri.h"

/* Every plain export, bound through the import library as a client binds it. */
const void *const rgpvExport[] = {
    (const void *)&TvxGetFileVersion, (const void *)&TvxGetLastError, (const void *)&TvxOpen,
    (const void *)&TvxOpenEx, (const void *)&TvxClose, (const void *)&TvxSetNetworkConnTimeout,
    (const void *)&TvxGetNetworkConnTimeout, (const void *)&TvxSetNetworkEnumTimeout,
    (const void *)&TvxGetNetworkEnumTimeout, (const void *)&TvxEnableControlChannelTLS,
    (const void *)&TvxEnableDataChannelTLS, (const void *)&TvxIsControlChannelTLSEnabled,
    (const void *)&TvxIsDataChannelTLSEnabled, (const void *)&TvxOpenDvcMg, (const void *)&TvxGetTransResult,
    (const void *)&TvxCancelTrans, (const void *)&TvxSetTransTimeout, (const void *)&TvxGetTransTimeout,
    (const void *)&TvxIsControlChannelSecure, (const void *)&TvxIsDataChannelSecure,
    (const void *)&TvxEnumDevices, (const void *)&TvxEnumDevicesEx, (const void *)&TvxStartEnum,
    (const void *)&TvxIsEnumFinished, (const void *)&TvxStopEnum, (const void *)&TvxGetEnumCount,
    (const void *)&TvxGetDvc, (const void *)&TvxGetEdvc, (const void *)&TvxFreeDvcEnum,
    (const void *)&TvxIsClientAuthenticationEnabled, (const void *)&TvxEnableDisableClientAuthentication,
    (const void *)&TvxAddAccount, (const void *)&TvxDeleteAccount, (const void *)&TvxGetAccountAttributes,
    (const void *)&TvxSetAccountAttributes, (const void *)&TvxChangeAccountPassword,
    (const void *)&TvxGetAccountList, (const void *)&TvxDvcTblAdd, (const void *)&TvxDvcTblRem,
    (const void *)&TvxDvcTblClear, (const void *)&TvxDvcTblSave, (const void *)&TvxGetDtpCount,
    (const void *)&TvxGetDtpFromIndex, (const void *)&TvxGetDtpString, (const void *)&TvxGetInfo,
    (const void *)&TvxGetSysInfo, (const void *)&TvxSetSysInfo, (const void *)&TvxSetLastErrorLog,
    (const void *)&TvxSetLastErrorNoLog, (const void *)&TvxSetFsadm, (const void *)&TvxClrFsadm,
    (const void *)&TvxTstFsadm, (const void *)&TvxGetDvt, (const void *)&TvxGetDvcFromHif,
    (const void *)&TvxSzFromErc, (const void *)&TvxGetPftdevcmg,
};

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    FILE *pfile = fopen(argv[1], "w");
    if (pfile == nullptr)
        return 3;
    fprintf(pfile, "lasterr=%d\n", TvxGetLastError());
    fprintf(pfile, "exports=%u\n", (unsigned)(sizeof(rgpvExport) / sizeof(rgpvExport[0])));
    HIF hif = 0;
    int fOpen = TvxOpen(&hif, "nowhere");
    fprintf(pfile, "open=%d %d\n", fOpen, TvxGetLastError());
    DVT *pdvt = nullptr;
    int fDvt = TvxGetDvt(1, &pdvt);
    fprintf(pfile, "getdvt=%d %d\n", fDvt, TvxGetLastError());
    /* Members reached through the library's exports, as a client calls them. */
    if (fDvt && pdvt)
        fprintf(pfile, "timeout=%u %u\n", pdvt->GetTimeout(), pdvt->GetDtp());
    fprintf(pfile, "dtpcount=%d\n", TvxGetDtpCount());
    fprintf(pfile, "tstfsadm2=%d\n", TvxTstFsadm(fsadmDcapPub));
    fprintf(pfile, "pftdevcmg=%d\n", TvxGetPftdevcmg() != nullptr);
    char szName[cchErcNameMax] = "", szMsg[cchErcMsgMax] = "";
    int fSz = TvxSzFromErc(3089, szName, szMsg);
    fprintf(pfile, "szfromerc=%d %s\n", fSz, szName);
    char szVersion[64] = "";
    int fVersion = TvxGetFileVersion(szVersion);
    fprintf(pfile, "version=%d %s\n", fVersion, szVersion);
    TvxSetLastErrorNoLog(7);
    fprintf(pfile, "nolog=%d\n", TvxGetLastError());
    fclose(pfile);
    return 0;
}
