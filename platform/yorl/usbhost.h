/*
 * usbhost.h - the USB host backends of ABSUSB and ABSUSBTP.
 *
 * One YBUSBHOST is one host-side device object: it lists the bus, opens one
 * device at a time, sends control requests and runs at most one transfer per
 * endpoint. It is used by one thread at a time (the object that owns it).
 * Every call returns an erc (0 = success) of yorl.h.
 */
#ifndef USBHOST_H
#define USBHOST_H

#include "yorli.h"

struct YBUSBDVC {
    std::string szPath;
    uint16_t idVendor;
    uint16_t idProduct;
    std::string szSerial;
};

class YBUSBHOST {
public:
    virtual ~YBUSBHOST() {}
    virtual ERC ErcEnum(std::vector<YBUSBDVC> *prgdvc) = 0;
    virtual ERC ErcOpen(const std::string &szPath) = 0;
    /* Completes pending transfers as cancelled first. */
    virtual ERC ErcClose() = 0;
    virtual ERC ErcClaim() = 0;
    virtual ERC ErcRelease() = 0;
    virtual ERC ErcControl(bool fIn, uint8_t bRequest, uint16_t wValue, uint16_t wIndex, uint16_t wLength,
                           void *pb, uint32_t *pcb, uint32_t tms) = 0;
    /* Starts a transfer; pb stays the caller's until it is collected. */
    virtual ERC ErcSubmit(uint8_t endp, void *pb, uint32_t cb) = 0;
    /* Waits until one of the endpoints has completed (13 on time-out). */
    virtual ERC ErcWait(const uint8_t *rgendp, uint32_t cendp, uint32_t tms, uint8_t *pendpDone) = 0;
    /* Collects a completed transfer: its erc, and the bytes moved. */
    virtual ERC ErcResult(uint8_t endp, uint32_t *pcb) = 0;
    virtual ERC ErcCancel(uint8_t endp) = 0;
    virtual ERC ErcResetEp(uint8_t endp) = 0;
};

/* The backends keep a record per endpoint with two flags: fPending from the
 * start of a transfer until it is collected, fDone once its completion has
 * arrived. ErcYbusbFindDone looks for a completed one among rgendp: 0 with
 * *pendpDone set, ercAbsTimeout when none has completed yet, and
 * ercAbsInvalidParameter when none of them has a transfer at all. */
template <class XFER>
ERC ErcYbusbFindDone(const XFER *rgxfer, const uint8_t *rgendp, uint32_t cendp, uint8_t *pendpDone)
{
    bool fAny = false;
    for (uint32_t i = 0; i < cendp; i++) {
        const XFER &xfer = rgxfer[rgendp[i]];
        if (xfer.fPending && xfer.fDone) {
            *pendpDone = rgendp[i];
            return 0;
        }
        fAny = fAny || xfer.fPending;
    }
    return fAny ? ercAbsTimeout : ercAbsInvalidParameter;
}

/* Collecting a transfer: 0 when it had completed (it is no longer pending),
 * ercAbsTimeout while it runs, ercAbsInvalidParameter when none was started. */
template <class XFER> ERC ErcYbusbCollect(XFER &xfer)
{
    if (!xfer.fPending)
        return ercAbsInvalidParameter;
    if (!xfer.fDone)
        return ercAbsTimeout;
    xfer.fPending = false;
    return 0;
}

/* What ABSUSB and ABSUSBTP both hold: their own host object and whether it
 * has a device open. Deleting the link closes the device and the host. */
struct YBUSBLINK {
    YBUSBHOST *phost = NULL;
    bool fConnected = false;

    YBUSBLINK() = default;
    YBUSBLINK(const YBUSBLINK &) = delete;
    YBUSBLINK &operator=(const YBUSBLINK &) = delete;
    virtual ~YBUSBLINK();

    /* Opens szPath, closing the device held before; szFault names the
     * injectable failure of the owning object's Connect. */
    bool FConnect(const char *szPath, const char *szFault);
    /* A device that already left the bus counts as disconnected. */
    bool FDisconnect();
};

/* Init of an object whose pvImpl is an IMPL (a YBUSBLINK): idempotent,
 * szFault names its injectable failure. */
bool FYbusbLinkInit(void **ppvImpl, YBUSBLINK *(*pfnNew)(), const char *szFault);
void YbusbLinkTerm(void **ppvImpl);

/* The backend of this process: the simulator when KOR_SIM is set, else
 * libusb where built, else an empty bus. NULL when out of memory. */
YBUSBHOST *PybusbhostNew();
YBUSBHOST *PybusbhostSimNew(const std::string &szAddr);
#if defined(YORL_LIBUSB)
YBUSBHOST *PybusbhostLibusbNew(uint16_t idVendor);
#endif

#endif /* USBHOST_H */
