/* usbtp.cpp - ABSUSBTP, the bulk endpoints of a connected USB device. */
#include "usbhost.h"

#include <new>

namespace {
bool FEpIn(uint8_t endp) { return endp == endpSts || endp == endpDataIn; }

YBUSBLINK *PlinkNew() { return new (std::nothrow) YBUSBLINK(); }
} // namespace

#define PIMPL ((YBUSBLINK *)pvImpl)

ABSUSBTP::ABSUSBTP() : pvImpl(NULL) {}

ABSUSBTP::~ABSUSBTP() { Term(); }

bool ABSUSBTP::Init() { return FYbusbLinkInit(&pvImpl, PlinkNew, "ABSUSBTP.Init"); }

bool ABSUSBTP::Term()
{
    YbusbLinkTerm(&pvImpl);
    return true;
}

bool ABSUSBTP::Connect(const char *szPath)
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    return PIMPL->FConnect(szPath, "ABSUSBTP.Connect");
}

bool ABSUSBTP::Disconnect()
{
    if (pvImpl == NULL)
        return FYorlFail(ercAbsNotInit);
    return PIMPL->FDisconnect();
}

#define CHECK_CONNECTED()                                                                                         \
    do {                                                                                                          \
        if (pvImpl == NULL || !PIMPL->fConnected)                                                                 \
            return FYorlFail(ercAbsNotInit);                                                                      \
    } while (0)

bool ABSUSBTP::Claim()
{
    CHECK_CONNECTED();
    return FYorlCheck(PIMPL->phost->ErcClaim());
}

bool ABSUSBTP::Release()
{
    CHECK_CONNECTED();
    return FYorlCheck(PIMPL->phost->ErcRelease());
}

bool ABSUSBTP::StartRead(uint8_t endp, void *pb, uint32_t cb)
{
    CHECK_CONNECTED();
    if (endp >= cendpMax || !FEpIn(endp) || (pb == NULL && cb > 0))
        return FYorlFail(ercAbsInvalidParameter);
    return FYorlCheck(PIMPL->phost->ErcSubmit(endp, pb, cb));
}

bool ABSUSBTP::StartWrite(uint8_t endp, const void *pb, uint32_t cb)
{
    CHECK_CONNECTED();
    if (endp >= cendpMax || FEpIn(endp) || (pb == NULL && cb > 0))
        return FYorlFail(ercAbsInvalidParameter);
    return FYorlCheck(PIMPL->phost->ErcSubmit(endp, const_cast<void *>(pb), cb));
}

bool ABSUSBTP::WaitEp(uint8_t endp, uint32_t tms)
{
    uint8_t endpDone;
    return WaitAnyEp(&endp, &endpDone, 1, tms);
}

bool ABSUSBTP::GetEpResult(uint8_t endp, uint32_t *pcb)
{
    uint32_t cb = 0;
    if (pcb != NULL)
        *pcb = 0;
    CHECK_CONNECTED();
    if (endp >= cendpMax)
        return FYorlFail(ercAbsInvalidParameter);
    ERC erc = PIMPL->phost->ErcResult(endp, &cb);
    if (pcb != NULL)
        *pcb = cb;
    return FYorlCheck(erc);
}

bool ABSUSBTP::CancelEp(uint8_t endp)
{
    CHECK_CONNECTED();
    if (endp >= cendpMax)
        return FYorlFail(ercAbsInvalidParameter);
    return FYorlCheck(PIMPL->phost->ErcCancel(endp));
}

bool ABSUSBTP::ResetEp(uint8_t endp)
{
    CHECK_CONNECTED();
    if (endp >= cendpMax)
        return FYorlFail(ercAbsInvalidParameter);
    return FYorlCheck(PIMPL->phost->ErcResetEp(endp));
}

bool ABSUSBTP::WaitAnyEp(const uint8_t *rgendp, uint8_t *pendpDone, uint32_t cendp, uint32_t tms)
{
    CHECK_CONNECTED();
    if (rgendp == NULL || pendpDone == NULL || cendp == 0)
        return FYorlFail(ercAbsInvalidParameter);
    for (uint32_t i = 0; i < cendp; i++) {
        if (rgendp[i] >= cendpMax)
            return FYorlFail(ercAbsInvalidParameter);
    }
    return FYorlCheck(PIMPL->phost->ErcWait(rgendp, cendp, tms, pendpDone));
}
