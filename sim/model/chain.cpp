// chain.cpp - TAP controller and shift path of a simulated chain.

#include "chain.h"

namespace sim {

void CHAIN::AddDevice(std::unique_ptr<JDEV> pjdev)
{
    pjdev->Reset();
    rgpjdev.push_back(std::move(pjdev));
    rgsr.emplace_back();
}

void CHAIN::PowerOn()
{
    tap = TAP_RESET;
    for (auto &pjdev : rgpjdev)
        pjdev->PowerOn();
    for (auto &sr : rgsr)
        sr.clear();
    fTdo = true;
}

size_t CHAIN::CbitSaturate() const
{
    size_t cbit = 16;
    for (auto &pjdev : rgpjdev)
        cbit += pjdev->CbitIr() + pjdev->CbitDr() + pjdev->CclkSettle();
    return cbit;
}

void CHAIN::Capture(bool fIr)
{
    for (size_t idev = 0; idev < rgpjdev.size(); idev++) {
        JDEV *pjdev = rgpjdev[idev].get();
        auto &sr = rgsr[idev];
        sr.clear();
        if (fIr) {
            uint64_t ir = pjdev->IrCapture();
            for (unsigned ibit = 0; ibit < pjdev->CbitIr(); ibit++)
                sr.push_back(ibit < 64 ? (ir >> ibit) & 1 : 0);
        } else {
            BITS rgbit = pjdev->DrCapture();
            rgbit.resize(pjdev->CbitDr(), 0);
            sr.assign(rgbit.begin(), rgbit.end());
        }
    }
}

void CHAIN::Shift(bool fTdi)
{
    // Every device passes its bit 0 on towards TDO and takes the bit 0 of
    // the device behind it (TDI for the last one) at its far end.
    for (size_t idev = 0; idev < rgsr.size(); idev++) {
        uint8_t bIn = idev + 1 < rgsr.size() ? (rgsr[idev + 1].empty() ? 1 : rgsr[idev + 1].front())
                                             : uint8_t(fTdi);
        if (tap == TAP_DRSHIFT)
            rgpjdev[idev]->DrShiftIn(bIn != 0);
        auto &sr = rgsr[idev];
        if (sr.empty())
            sr.push_back(bIn);      // not captured since reset: acts as one bit
        else {
            sr.pop_front();
            sr.push_back(bIn);
        }
    }
}

void CHAIN::Update(bool fIr)
{
    for (size_t idev = 0; idev < rgpjdev.size(); idev++) {
        JDEV *pjdev = rgpjdev[idev].get();
        auto &sr = rgsr[idev];
        if (fIr) {
            uint64_t ir = 0;
            for (size_t ibit = 0; ibit < sr.size() && ibit < 64; ibit++)
                ir |= uint64_t(sr[ibit] & 1) << ibit;
            pjdev->UpdateIr(ir);
        } else {
            pjdev->UpdateDr(BITS(sr.begin(), sr.end()));
        }
    }
}

bool CHAIN::FClock(bool fTms, bool fTdi)
{
    cclk++;
    // Rising edge: act in the current state, then move.
    for (auto &pjdev : rgpjdev)
        pjdev->Tck(tap);
    if (tap == TAP_DRCAPTURE || tap == TAP_IRCAPTURE)
        Capture(tap == TAP_IRCAPTURE);
    else if (tap == TAP_DRSHIFT || tap == TAP_IRSHIFT)
        Shift(fTdi);
    tap = TapNext(tap, fTms);

    // Falling edge: act in the new state, then drive TDO.
    if (tap == TAP_DRUPDATE || tap == TAP_IRUPDATE)
        Update(tap == TAP_IRUPDATE);
    else if (tap == TAP_RESET)
        for (auto &pjdev : rgpjdev)
            pjdev->Reset();

    if (tap == TAP_DRSHIFT || tap == TAP_IRSHIFT) {
        if (rgsr.empty())
            fTdo = fTdi;
        else
            fTdo = rgsr[0].empty() ? true : rgsr[0].front() != 0;
    } else {
        fTdo = true;
    }
    if (fStuck >= 0)
        fTdo = fStuck != 0;
    return fTdo;
}

} // namespace sim
