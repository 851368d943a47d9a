/*
 * usbhost.cpp - choice of the USB backend, and the empty bus used when no
 * backend is available (no simulator configured, no libusb built in).
 */
#include "usbhost.h"

#include <new>
#include <stdlib.h>

namespace {

class NULLHOST : public YBUSBHOST {
public:
    ERC ErcEnum(std::vector<YBUSBDVC> *prgdvc) override
    {
        prgdvc->clear();
        return 0;
    }
    ERC ErcOpen(const std::string &) override { return ercAbsUsbDeviceGone; }
    ERC ErcClose() override { return 0; }
    ERC ErcClaim() override { return ercAbsUsbDeviceGone; }
    ERC ErcRelease() override { return 0; }
    ERC ErcControl(bool, uint8_t, uint16_t, uint16_t, uint16_t, void *, uint32_t *pcb, uint32_t) override
    {
        *pcb = 0;
        return ercAbsUsbDeviceGone;
    }
    ERC ErcSubmit(uint8_t, void *, uint32_t) override { return ercAbsUsbDeviceGone; }
    ERC ErcWait(const uint8_t *, uint32_t, uint32_t, uint8_t *) override { return ercAbsInvalidParameter; }
    ERC ErcResult(uint8_t, uint32_t *pcb) override
    {
        *pcb = 0;
        return ercAbsInvalidParameter;
    }
    ERC ErcCancel(uint8_t) override { return 0; }
    ERC ErcResetEp(uint8_t) override { return 0; }
};

} // namespace

YBUSBHOST *PybusbhostNew()
{
    std::string szSim = SzYorlEnv("KOR_SIM");
    if (!szSim.empty())
        return PybusbhostSimNew(szSim);
#if defined(YORL_LIBUSB)
    std::string szVid = SzYorlEnv("YORL_USB_VID");
    uint16_t idVendor = szVid.empty() ? 0xFFF0 : (uint16_t)strtoul(szVid.c_str(), NULL, 16);
    return PybusbhostLibusbNew(idVendor);
#else
    return new (std::nothrow) NULLHOST();
#endif
}
