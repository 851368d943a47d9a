// Inert scan-chain library: open, close and mode work; every chain
// operation fails at once (reporting its end through the callback when one
// is given, as the real library does on its own thread).

#include <string.h>

#include "brisel.h"

namespace {

SCMODE g_scmode = 0;

int32_t Fail(uint32_t *perc, uint32_t erc, StatusCallback pfnStatus)
{
    if (perc != nullptr)
        *perc = erc;
    if (pfnStatus != nullptr)
        pfnStatus(stcFailed, static_cast<int32_t>(erc));
    return pfnStatus != nullptr;
}

int32_t Ok(uint32_t *perc)
{
    if (perc != nullptr)
        *perc = ercBriselNone;
    return 1;
}

} // namespace

extern "C" {

int32_t BRISELCALL BriselInit(uint32_t *perc) { return Ok(perc); }
int32_t BRISELCALL BriselTerm(uint32_t *perc) { return Ok(perc); }
int32_t BRISELCALL BriselGetBriselVersion(char *szVersion)
{
    if (szVersion != nullptr)
        strcpy(szVersion, "0.0.0.0");
    return szVersion != nullptr;
}
int32_t BRISELCALL BriselInitScanChain(const char *, StatusCallback pfnStatus, uint32_t *perc)
{
    return Fail(perc, ercInitScanChainFailed, pfnStatus);
}
int32_t BRISELCALL BriselGetScdvcCount(int32_t *pc, uint32_t *perc)
{
    if (pc != nullptr)
        *pc = 0;
    return Ok(perc);
}
int32_t BRISELCALL BriselGetJtdvc(int32_t, JTDVC *, uint32_t *perc) { return Fail(perc, ercDeviceUnknown, nullptr); }
int32_t BRISELCALL BriselSetConfigFile(const char *, int32_t, uint32_t, uint32_t *perc)
{
    return Fail(perc, ercDeviceUnknown, nullptr);
}
int32_t BRISELCALL BriselProgramSC(const char *, StatusCallback pfnStatus, uint32_t *perc)
{
    return Fail(perc, ercProgramFailed, pfnStatus);
}
int32_t BRISELCALL BriselProgramDvc(const char *, int32_t, StatusCallback pfnStatus, uint32_t *perc)
{
    return Fail(perc, ercProgramFailed, pfnStatus);
}
int32_t BRISELCALL BriselEraseDvc(const char *, int32_t, StatusCallback pfnStatus, uint32_t *perc)
{
    return Fail(perc, ercEraseFailed, pfnStatus);
}
int32_t BRISELCALL BriselVerifyDvc(const char *, int32_t, StatusCallback pfnStatus, uint32_t *perc)
{
    return Fail(perc, ercVerifyFailed, pfnStatus);
}
int32_t BRISELCALL BriselGetIDCODE(const char *, int32_t, int32_t, StatusCallback pfnStatus, uint32_t *perc)
{
    return Fail(perc, ercDeviceUnknown, pfnStatus);
}
int32_t BRISELCALL BriselAbortProg(uint32_t *perc) { return Ok(perc); }
int32_t BRISELCALL BriselSetMode(SCMODE scmode, uint32_t *perc)
{
    g_scmode = scmode;
    return Ok(perc);
}
int32_t BRISELCALL BriselGetMode(SCMODE *pscmode, uint32_t *perc)
{
    if (pscmode != nullptr)
        *pscmode = g_scmode;
    return Ok(perc);
}
int32_t BRISELCALL BriselGetIRLength(int32_t, int32_t *, uint32_t *perc) { return Fail(perc, ercDeviceUnknown, nullptr); }

}
