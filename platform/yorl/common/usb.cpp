/* usb.cpp - ABSUSB, a USB device reached through its control pipe. */
#include "usbhost.h"

#include <new>

#include <string.h>

namespace {
struct USBIMPL {
    YBUSBHOST *phost;
    std::vector<YBUSBDVC> rgdvc;   /* snapshot of the last Enumerate */
    bool fConnected;
    std::string szPath;
};
} // namespace

#define PIMPL ((USBIMPL *)pvImpl)

ABSUSB::ABSUSB() : pvImpl(NULL) {}

ABSUSB::~ABSUSB() { Term(); }

bool ABSUSB::Init()
{
    if (FYorlFault("ABSUSB.Init"))
        return FYorlFail(ercAbsFailed);
    if (pvImpl != NULL)
        return true;
    USBIMPL *pimpl = new (std::nothrow) USBIMPL();
    if (pimpl == NULL)
        return FYorlFail(ercAbsOutOfMemory);
    pimpl->phost = PybusbhostNew();
    if (pimpl->phost == NULL) {
        delete pimpl;
        return FYorlFail(ercAbsOutOfMemory);
    }
    pimpl->fConnected = false;
    pvImpl = pimpl;
    return true;
}

bool ABSUSB::Term()
{
    if (pvImpl == NULL)
        return true;
    if (PIMPL->fConnected)
        PIMPL->phost->ErcClose();
    delete PIMPL->phost;
    delete PIMPL;
    pvImpl = NULL;
    return true;
}

bool ABSUSB::Enumerate(uint32_t *pcdvc)
{
    if (pcdvc == NULL)
        return FYorlFail(ercAbsInvalidParameter);
    *pcdvc = 0;
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    if (FYorlFault("ABSUSB.Enumerate"))
        return FYorlFail(ercAbsFailed);
    if (!FYorlCheck(PIMPL->phost->ErcEnum(&PIMPL->rgdvc)))
        return false;
    *pcdvc = (uint32_t)PIMPL->rgdvc.size();
    return true;
}

bool ABSUSB::GetSzDevPathByIdx(uint32_t idvc, char *szPath, uint32_t cchPath)
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    if (szPath == NULL || idvc >= PIMPL->rgdvc.size())
        return FYorlFail(ercAbsInvalidParameter);
    return FYorlCopyOut(PIMPL->rgdvc[idvc].szPath, szPath, cchPath);
}

bool ABSUSB::Connect(const char *szPath)
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    if (szPath == NULL || *szPath == '\0')
        return FYorlFail(ercAbsInvalidParameter);
    if (FYorlFault("ABSUSB.Connect"))
        return FYorlFail(ercAbsUsbDeviceGone);
    if (PIMPL->fConnected) {
        PIMPL->phost->ErcClose();
        PIMPL->fConnected = false;
    }
    if (!FYorlCheck(PIMPL->phost->ErcOpen(szPath)))
        return false;
    PIMPL->fConnected = true;
    PIMPL->szPath = szPath;
    return true;
}

bool ABSUSB::GetSzDevPath(char *szPath, uint32_t cchPath)
{
    if (pvImpl == NULL || !PIMPL->fConnected)
        return FYorlFail(ercAbsNotInit);
    if (szPath == NULL)
        return FYorlFail(ercAbsInvalidParameter);
    return FYorlCopyOut(PIMPL->szPath, szPath, cchPath);
}

bool ABSUSB::Disconnect()
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    if (!PIMPL->fConnected)
        return true;
    PIMPL->fConnected = false;
    ERC erc = PIMPL->phost->ErcClose();
    /* A device that already left the bus is disconnected all the same. */
    return erc == ercAbsUsbDeviceGone || FYorlCheck(erc);
}

bool ABSUSB::VendorRequest(bool fIn, uint8_t bRequest, uint16_t wValue, uint16_t wIndex, uint16_t wLength,
                           void *pb, uint32_t *pcb, uint32_t tms)
{
    uint32_t cb = 0;
    if (pcb != NULL)
        *pcb = 0;
    if (pvImpl == NULL || !PIMPL->fConnected)
        return FYorlFail(ercAbsNotInit);
    if (wLength > 0 && pb == NULL)
        return FYorlFail(ercAbsInvalidParameter);
    ERC erc = PIMPL->phost->ErcControl(fIn, bRequest, wValue, wIndex, wLength, pb, &cb, tms);
    if (pcb != NULL)
        *pcb = cb;
    return FYorlCheck(erc);
}
