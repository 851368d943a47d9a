/* usb.cpp - ABSUSB, a USB device reached through its control pipe. */
#include "usbhost.h"

#include <new>

#include <string.h>

namespace {
struct USBIMPL : YBUSBLINK {
    std::vector<YBUSBDVC> rgdvc;   /* snapshot of the last Enumerate */
    std::string szPath;
};

YBUSBLINK *PlinkNew() { return new (std::nothrow) USBIMPL(); }
} // namespace

#define PIMPL ((USBIMPL *)(YBUSBLINK *)pvImpl)

ABSUSB::ABSUSB() : pvImpl(NULL) {}

ABSUSB::~ABSUSB() { Term(); }

bool ABSUSB::Init() { return FYbusbLinkInit(&pvImpl, PlinkNew, "ABSUSB.Init"); }

bool ABSUSB::Term()
{
    YbusbLinkTerm(&pvImpl);
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
    if (!PIMPL->FConnect(szPath, "ABSUSB.Connect"))
        return false;
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
    /* An injected failure still closes the device, as a failing close does. */
    if (FYorlFault("ABSUSB.Disconnect")) {
        PIMPL->FDisconnect();
        return FYorlFail(ercAbsFailed);
    }
    return PIMPL->FDisconnect();
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
