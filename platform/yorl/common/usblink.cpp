/* usblink.cpp - the host object and connection state shared by ABSUSB and ABSUSBTP. */
#include "usbhost.h"

YBUSBLINK::~YBUSBLINK()
{
    if (phost == NULL)
        return;
    if (fConnected)
        phost->ErcClose();
    delete phost;
}

bool YBUSBLINK::FConnect(const char *szPath, const char *szFault)
{
    if (szPath == NULL || *szPath == '\0')
        return FYorlFail(ercAbsInvalidParameter);
    if (FYorlFault(szFault))
        return FYorlFail(ercAbsUsbDeviceGone);
    if (fConnected) {
        phost->ErcClose();
        fConnected = false;
    }
    if (!FYorlCheck(phost->ErcOpen(szPath)))
        return false;
    fConnected = true;
    return true;
}

bool YBUSBLINK::FDisconnect()
{
    if (!fConnected)
        return true;
    fConnected = false;
    ERC erc = phost->ErcClose();
    return erc == ercAbsUsbDeviceGone || FYorlCheck(erc);
}

bool FYbusbLinkInit(void **ppvImpl, YBUSBLINK *(*pfnNew)(), const char *szFault)
{
    if (FYorlFault(szFault))
        return FYorlFail(ercAbsFailed);
    if (*ppvImpl != NULL)
        return true;
    YBUSBLINK *plink = pfnNew();
    if (plink == NULL)
        return FYorlFail(ercAbsOutOfMemory);
    plink->phost = PybusbhostNew();
    if (plink->phost == NULL) {
        delete plink;
        return FYorlFail(ercAbsOutOfMemory);
    }
    *ppvImpl = plink;
    return true;
}

void YbusbLinkTerm(void **ppvImpl)
{
    delete (YBUSBLINK *)*ppvImpl;
    *ppvImpl = NULL;
}
