// chain.cpp - TAP controller and shift path of a simulated chain.

#include "chain.h"

#include <algorithm>

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

// Device by device from TDI: the stream that leaves a register is its old
// contents followed by the stream that entered it, and what stays is the end
// of the two. Every model sees its own clocks in their order; models on one
// chain do not look at each other within a scan.
void CHAIN::ShiftDrRun(const uint8_t *rgbitTdi, size_t cclkRun, uint8_t *rgbitTdo)
{
    if (tap != TAP_DRSHIFT) {
        for (size_t i = 0; i < cclkRun; i++)
            rgbitTdo[i] = FClock(false, rgbitTdi[i] != 0) ? 1 : 0;
        return;
    }
    if (cclkRun == 0)
        return;
    cclk += cclkRun;
    rgbitRunIn.assign(rgbitTdi, rgbitTdi + cclkRun);
    for (size_t i = 0; i < cclkRun; i++)
        rgbitRunIn[i] = rgbitRunIn[i] != 0 ? 1 : 0;
    if (rgsr.empty()) {
        for (size_t i = 0; i < cclkRun; i++)
            rgbitTdo[i] = rgbitRunIn[i];
    }
    for (size_t idev = rgsr.size(); idev-- > 0;) {
        rgpjdev[idev]->DrShiftRun(rgbitRunIn.data(), cclkRun);
        auto &sr = rgsr[idev];
        if (sr.empty())
            sr.push_back(1);        // not captured since reset: acts as one bit
        size_t cbitSr = sr.size();
        // joined: sr[0..cbitSr) then rgbitRunIn[0..cclkRun)
        auto bitJoined = [&](size_t i) { return i < cbitSr ? sr[i] : rgbitRunIn[i - cbitSr]; };
        if (idev == 0) {
            // TDO after clock i is the register's front after its shift
            for (size_t i = 0; i < cclkRun; i++)
                rgbitTdo[i] = bitJoined(i + 1);
        }
        rgbitRunOut.resize(cclkRun);
        for (size_t i = 0; i < cclkRun && i < cbitSr; i++)
            rgbitRunOut[i] = sr[i];
        if (cclkRun > cbitSr)
            std::copy(rgbitRunIn.begin(), rgbitRunIn.begin() + long(cclkRun - cbitSr), rgbitRunOut.begin() + long(cbitSr));
        std::deque<uint8_t> srNew;
        for (size_t i = cclkRun; i < cclkRun + cbitSr; i++)
            srNew.push_back(bitJoined(i));
        sr.swap(srNew);
        rgbitRunIn.swap(rgbitRunOut);
    }
    fTdo = rgbitTdo[cclkRun - 1] != 0;
    if (fStuck >= 0) {
        fTdo = fStuck != 0;
        for (size_t i = 0; i < cclkRun; i++)
            rgbitTdo[i] = uint8_t(fStuck);
    }
}

} // namespace sim
