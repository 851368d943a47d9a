/*
 * libusbhost.cpp - the libusb backend of the USB objects (Linux, real
 * devices). Devices are those with the configured vendor id; a device path
 * is "usb-<bus>-<port>[.<port>...]". The four logical endpoints are the bulk
 * endpoints of interface 0: the OUT endpoints in descriptor order are the
 * command and the data-out endpoint, the IN endpoints the status and the
 * data-in endpoint.
 */
#include "usbhost.h"

#include <libusb.h>
#include <stdio.h>
#include <string.h>

#include <new>

namespace {

ERC ErcFromLibusb(int r)
{
    switch (r) {
    case LIBUSB_SUCCESS: return 0;
    case LIBUSB_ERROR_PIPE: return ercAbsPipeError;
    case LIBUSB_ERROR_NO_DEVICE:
    case LIBUSB_ERROR_NOT_FOUND: return ercAbsUsbDeviceGone;
    case LIBUSB_ERROR_BUSY:
    case LIBUSB_ERROR_ACCESS: return ercAbsClaimFailed;
    case LIBUSB_ERROR_TIMEOUT: return ercAbsIoTimeout;
    case LIBUSB_ERROR_NO_MEM: return ercAbsOutOfMemory;
    case LIBUSB_ERROR_INVALID_PARAM: return ercAbsInvalidParameter;
    default: return ercAbsFailed;
    }
}

ERC ErcFromStatus(libusb_transfer_status status)
{
    switch (status) {
    case LIBUSB_TRANSFER_COMPLETED: return 0;
    case LIBUSB_TRANSFER_STALL: return ercAbsPipeError;
    case LIBUSB_TRANSFER_NO_DEVICE: return ercAbsUsbDeviceGone;
    case LIBUSB_TRANSFER_CANCELLED: return ercAbsIoCancelled;
    case LIBUSB_TRANSFER_TIMED_OUT: return ercAbsIoTimeout;
    default: return ercAbsFailed;
    }
}

std::string SzPathOf(libusb_device *pdev)
{
    uint8_t rgport[8];
    int cport = libusb_get_port_numbers(pdev, rgport, sizeof(rgport));
    std::string sz = "usb-" + std::to_string(libusb_get_bus_number(pdev)) + "-";
    for (int i = 0; i < cport; i++)
        sz += (i ? "." : "") + std::to_string(rgport[i]);
    return sz;
}

struct XFER {
    libusb_transfer *ptrans = nullptr;
    bool fPending = false;
    bool fDone = false;
};

class LUSBHOST : public YBUSBHOST {
public:
    explicit LUSBHOST(uint16_t idVendor) : idVendor(idVendor) {}
    ~LUSBHOST() override
    {
        ErcClose();
        if (pctx)
            libusb_exit(pctx);
    }

    ERC ErcEnum(std::vector<YBUSBDVC> *prgdvc) override;
    ERC ErcOpen(const std::string &szPath) override;
    ERC ErcClose() override;
    ERC ErcClaim() override;
    ERC ErcRelease() override;
    ERC ErcControl(bool fIn, uint8_t bRequest, uint16_t wValue, uint16_t wIndex, uint16_t wLength, void *pb,
                   uint32_t *pcb, uint32_t tms) override;
    ERC ErcSubmit(uint8_t endp, void *pb, uint32_t cb) override;
    ERC ErcWait(const uint8_t *rgendp, uint32_t cendp, uint32_t tms, uint8_t *pendpDone) override;
    ERC ErcResult(uint8_t endp, uint32_t *pcb) override;
    ERC ErcCancel(uint8_t endp) override;
    ERC ErcResetEp(uint8_t endp) override;

private:
    ERC ErcContext();
    void FindEndpoints();
    static void LIBUSB_CALL Done(libusb_transfer *ptrans);

    uint16_t idVendor;
    libusb_context *pctx = nullptr;
    libusb_device_handle *ph = nullptr;
    bool fClaimed = false;
    uint8_t rgbEpAddr[4] = {0x01, 0x81, 0x02, 0x82};
    XFER rgxfer[4];
};

ERC LUSBHOST::ErcContext()
{
    if (pctx == nullptr && libusb_init(&pctx) != 0) {
        pctx = nullptr;
        return ercAbsFailed;
    }
    return 0;
}

ERC LUSBHOST::ErcEnum(std::vector<YBUSBDVC> *prgdvc)
{
    prgdvc->clear();
    ERC erc = ErcContext();
    if (erc != 0)
        return erc;
    libusb_device **rgpdev = nullptr;
    ssize_t cdev = libusb_get_device_list(pctx, &rgpdev);
    if (cdev < 0)
        return ErcFromLibusb((int)cdev);
    for (ssize_t i = 0; i < cdev; i++) {
        libusb_device_descriptor desc;
        if (libusb_get_device_descriptor(rgpdev[i], &desc) != 0 || desc.idVendor != idVendor)
            continue;
        YBUSBDVC dvc;
        dvc.szPath = SzPathOf(rgpdev[i]);
        dvc.idVendor = desc.idVendor;
        dvc.idProduct = desc.idProduct;
        libusb_device_handle *phDev = nullptr;
        if (desc.iSerialNumber && libusb_open(rgpdev[i], &phDev) == 0) {
            unsigned char sz[128];
            int cch = libusb_get_string_descriptor_ascii(phDev, desc.iSerialNumber, sz, sizeof(sz));
            if (cch > 0)
                dvc.szSerial.assign((const char *)sz, (size_t)cch);
            libusb_close(phDev);
        }
        prgdvc->push_back(dvc);
    }
    libusb_free_device_list(rgpdev, 1);
    return 0;
}

ERC LUSBHOST::ErcOpen(const std::string &szPath)
{
    ErcClose();
    ERC erc = ErcContext();
    if (erc != 0)
        return erc;
    libusb_device **rgpdev = nullptr;
    ssize_t cdev = libusb_get_device_list(pctx, &rgpdev);
    if (cdev < 0)
        return ErcFromLibusb((int)cdev);
    erc = ercAbsUsbDeviceGone;
    for (ssize_t i = 0; i < cdev && erc == ercAbsUsbDeviceGone; i++) {
        libusb_device_descriptor desc;
        if (libusb_get_device_descriptor(rgpdev[i], &desc) != 0 || desc.idVendor != idVendor ||
            SzPathOf(rgpdev[i]) != szPath)
            continue;
        erc = ErcFromLibusb(libusb_open(rgpdev[i], &ph));
    }
    libusb_free_device_list(rgpdev, 1);
    if (erc == 0)
        FindEndpoints();
    else
        ph = nullptr;
    return erc;
}

void LUSBHOST::FindEndpoints()
{
    libusb_config_descriptor *pcfg = nullptr;
    if (libusb_get_active_config_descriptor(libusb_get_device(ph), &pcfg) != 0 || pcfg->bNumInterfaces == 0)
        return;
    const libusb_interface_descriptor &intf = pcfg->interface[0].altsetting[0];
    int cOut = 0, cIn = 0;
    for (int i = 0; i < intf.bNumEndpoints; i++) {
        const libusb_endpoint_descriptor &ep = intf.endpoint[i];
        if ((ep.bmAttributes & 3) != LIBUSB_TRANSFER_TYPE_BULK)
            continue;
        if (ep.bEndpointAddress & 0x80) {
            if (cIn < 2)
                rgbEpAddr[cIn++ ? 3 : 1] = ep.bEndpointAddress;
        } else if (cOut < 2) {
            rgbEpAddr[cOut++ ? 2 : 0] = ep.bEndpointAddress;
        }
    }
    libusb_free_config_descriptor(pcfg);
}

ERC LUSBHOST::ErcClose()
{
    if (ph == nullptr)
        return 0;
    for (uint8_t endp = 0; endp < 4; endp++) {
        ErcCancel(endp);
        if (rgxfer[endp].ptrans) {
            libusb_free_transfer(rgxfer[endp].ptrans);
            rgxfer[endp] = XFER();
        }
    }
    if (fClaimed)
        libusb_release_interface(ph, 0);
    fClaimed = false;
    libusb_close(ph);
    ph = nullptr;
    return 0;
}

ERC LUSBHOST::ErcClaim()
{
    if (ph == nullptr)
        return ercAbsNotInit;
    if (fClaimed)
        return 0;
    int r = libusb_claim_interface(ph, 0);
    if (r != 0)
        return r == LIBUSB_ERROR_NO_DEVICE ? ercAbsUsbDeviceGone : ercAbsClaimFailed;
    fClaimed = true;
    return 0;
}

ERC LUSBHOST::ErcRelease()
{
    if (ph == nullptr || !fClaimed)
        return 0;
    fClaimed = false;
    return ErcFromLibusb(libusb_release_interface(ph, 0));
}

ERC LUSBHOST::ErcControl(bool fIn, uint8_t bRequest, uint16_t wValue, uint16_t wIndex, uint16_t wLength, void *pb,
                         uint32_t *pcb, uint32_t tms)
{
    *pcb = 0;
    if (ph == nullptr)
        return ercAbsNotInit;
    int r = libusb_control_transfer(ph, fIn ? 0xC0 : 0x40, bRequest, wValue, wIndex, (unsigned char *)pb, wLength,
                                    tms == tmsInfinite ? 0 : tms);
    if (r < 0)
        return ErcFromLibusb(r);
    *pcb = (uint32_t)r > wLength ? wLength : (uint32_t)r;
    return 0;
}

void LIBUSB_CALL LUSBHOST::Done(libusb_transfer *ptrans)
{
    *(bool *)ptrans->user_data = true;
}

ERC LUSBHOST::ErcSubmit(uint8_t endp, void *pb, uint32_t cb)
{
    if (ph == nullptr)
        return ercAbsNotInit;
    XFER &xfer = rgxfer[endp];
    if (xfer.fPending && !xfer.fDone)
        return ercAbsInvalidParameter;
    if (cb > 0x7FFFFFFF)
        return ercAbsInvalidParameter;
    if (xfer.ptrans == nullptr && (xfer.ptrans = libusb_alloc_transfer(0)) == nullptr)
        return ercAbsOutOfMemory;
    xfer.fDone = false;
    libusb_fill_bulk_transfer(xfer.ptrans, ph, rgbEpAddr[endp], (unsigned char *)pb, (int)cb, Done, &xfer.fDone, 0);
    int r = libusb_submit_transfer(xfer.ptrans);
    if (r != 0)
        return ErcFromLibusb(r);
    xfer.fPending = true;
    return 0;
}

ERC LUSBHOST::ErcWait(const uint8_t *rgendp, uint32_t cendp, uint32_t tms, uint8_t *pendpDone)
{
    uint64_t tickEnd = YbTickMs() + (tms == tmsInfinite ? 0 : tms);
    for (;;) {
        ERC ercDone = ErcYbusbFindDone(rgxfer, rgendp, cendp, pendpDone);
        if (ercDone != ercAbsTimeout)
            return ercDone;
        uint64_t tick = YbTickMs();
        if (tms != tmsInfinite && tick >= tickEnd)
            return ercAbsTimeout;
        uint64_t tmsLeft = tms == tmsInfinite ? 100 : tickEnd - tick;
        timeval tv = {(time_t)(tmsLeft / 1000), (suseconds_t)(tmsLeft % 1000 * 1000)};
        libusb_handle_events_timeout(pctx, &tv);
    }
}

ERC LUSBHOST::ErcResult(uint8_t endp, uint32_t *pcb)
{
    XFER &xfer = rgxfer[endp];
    *pcb = 0;
    ERC ercCollect = ErcYbusbCollect(xfer);
    if (ercCollect != 0)
        return ercCollect;
    int cb = xfer.ptrans->actual_length;
    *pcb = cb < 0 ? 0 : (uint32_t)cb > (uint32_t)xfer.ptrans->length ? (uint32_t)xfer.ptrans->length : (uint32_t)cb;
    return ErcFromStatus(xfer.ptrans->status);
}

ERC LUSBHOST::ErcCancel(uint8_t endp)
{
    XFER &xfer = rgxfer[endp];
    if (!xfer.fPending || xfer.fDone)
        return 0;
    libusb_cancel_transfer(xfer.ptrans);
    while (!xfer.fDone)
        libusb_handle_events_completed(pctx, nullptr);
    return 0;
}

ERC LUSBHOST::ErcResetEp(uint8_t endp)
{
    ErcCancel(endp);
    rgxfer[endp].fPending = false;
    if (ph == nullptr)
        return ercAbsNotInit;
    return ErcFromLibusb(libusb_clear_halt(ph, rgbEpAddr[endp]));
}

} // namespace

YBUSBHOST *PybusbhostLibusbNew(uint16_t idVendor)
{
    return new (std::nothrow) LUSBHOST(idVendor);
}
