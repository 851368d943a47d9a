/*
 * tvxpending.cpp - the public functions of the library's own version, the
 * FTDI device cache segment and the device-table dialog.
 */
#include <stdio.h>

#include "vzcore.h"
#include "vzversion.h"

#if defined(_WIN32)
#include "dtbldlg.h"

extern "C" VZAPI int VZCALL TvxOpenDvcMg(void *hwndOwner)
{
    if (!FVzStarted())
        return 0;
    return FRunDvcTblDialog(vzproc.hmod, hwndOwner);
}
#else
/* Without a window system there is no dialog to show: failure, with 3080. */
extern "C" VZAPI int VZCALL TvxOpenDvcMg(void *hwndOwner)
{
    (void)hwndOwner;
    if (!FVzStarted())
        return 0;
    FRecordErc(ercInternalError, "TvxOpenDvcMg not available in this build");
    return 0;
}
#endif

/* szVersion needs room for the version text ("2.0.0.0"); 64 characters suffice. */
extern "C" VZAPI int VZCALL TvxGetFileVersion(char *szVersion)
{
    if (szVersion == nullptr)
        return 0;
    return FGetProductVersion(szVersion, 64);
}

extern "C" VZAPI FTDEVCMG *VZCALL TvxGetPftdevcmg(void)
{
    return FVzStarted() ? static_cast<FTDEVCMG *>(vzproc.pftdevcmg) : nullptr;
}
