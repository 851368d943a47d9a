// The power meter's thread and its control (pwrmeter.h).

#include "pwrmeter.h"

#include <stdio.h>

#include <chrono>

double DblScaled(int32_t k, int32_t raw)
{
    return double(k) * double(raw) / 1000000.0;
}

PWRSMP SmpOfReading(const PWRPROFILE &prof, const PWRREADING &rdg)
{
    PWRSMP smp;
    for (int i = 0; i < crailPwr; i++) {
        if (prof.fVoltage) {
            smp.rgdbl[i] = rdg.rgV[i];
            smp.rgdbl[crailPwr + i] = rdg.rgI[i];
        } else {
            smp.rgdbl[i] = rdg.rgI[i];
            smp.rgdbl[crailPwr + i] = rdg.rgV[i] * rdg.rgI[i];
        }
    }
    return smp;
}

void ShowReading(const PWRPROFILE &prof, const PWRREADING &rdg, PWRPAGE &page)
{
    char sz[64];
    for (int i = 0; i < crailPwr; i++) {
        if (prof.rgidV[i] != 0) {
            snprintf(sz, sizeof(sz), "%.3f", rdg.rgV[i]);
            page.SetField(prof.rgidV[i], sz);
        }
        snprintf(sz, sizeof(sz), "%.0f", rdg.rgI[i] * 1000);
        page.SetField(prof.rgidI[i], sz);
        snprintf(sz, sizeof(sz), "%.0f", rdg.rgV[i] * 1000 * rdg.rgI[i]);
        page.SetField(prof.rgidP[i], sz);
    }
}

bool PWRMETER::FStart(std::function<std::unique_ptr<PWRDEV>()> fnDev, const std::function<void()> &fnPump)
{
    if (!pworker)
        pworker.reset(new BSWORKER);
    if (pworker->FRunning()) {
        pworker->RequestStop();
        Wake();
        pworker->FJoin(-1, fnPump);
    }
    fClosing = false;   // a page made again after its close starts afresh
    {
        // A wake-up left by a run that ended before its first wait is not
        // the new run's stop.
        std::lock_guard<std::mutex> lock(mtxWake);
        fWake = false;
    }
    fPause = false;
    return pworker->FStart([this, fnDev] {
        std::unique_ptr<PWRDEV> pdev = fnDev();
        if (pdev)
            Run(*pdev);
    });
}

void PWRMETER::Stop()
{
    if (!FRunning())
        return;
    pworker->RequestStop();
    Wake();
}

void PWRMETER::Close(const std::function<void()> &fnPump)
{
    fClosing = true;
    if (!pworker)
        return;   // never ran: nothing to wait for
    pworker->RequestStop();
    Wake();
    pworker->FJoin(-1, fnPump);
}

void PWRMETER::Wake()
{
    std::lock_guard<std::mutex> lock(mtxWake);
    fWake = true;
    cvWake.notify_all();
}

void PWRMETER::WaitCycle()
{
    std::unique_lock<std::mutex> lock(mtxWake);
    cvWake.wait_for(lock, std::chrono::milliseconds(tmsPwrCycle), [this] { return fWake; });
    fWake = false;
}

// Reads the four rails, shows and records them; false when a call failed.
bool PWRMETER::FReadCycle(PWRDEV &dev, const int32_t *rgkV, const int32_t *rgkI)
{
    PWRREADING rdg;
    for (int i = 0; i < crailPwr; i++) {
        int32_t rawV = 0, rawI = 0;
        if (!dev.FData(i, prof.fVoltage ? &rawV : nullptr, &rawI))
            return false;
        rdg.rgV[i] = prof.fVoltage ? DblScaled(rgkV[i], rawV) : prof.rgvNominal[i];
        rdg.rgI[i] = DblScaled(rgkI[i], rawI);
    }
    ShowReading(prof, rdg, page);
    if (page.AddSample(SmpOfReading(prof, rdg)) == 1) {
        page.EnableControl(idPwrSave, true);
        page.EnableControl(idPwrClear, true);
    }
    return true;
}

void PWRMETER::Run(PWRDEV &dev)
{
    page.EnableControl(idPwrStart, false);
    page.EnableControl(idPwrStop, true);
    int idsEnd = 0;
    bool fOpen = dev.FOpen();
    int32_t rgkV[crailPwr] = {}, rgkI[crailPwr] = {};
    int crail = 0;
    if (!fOpen)
        idsEnd = idsPwrOpenFailed;
    else if (!dev.FCount(&crail))
        idsEnd = idsPwrEnableFailed;
    else if (crail != crailPwr)
        idsEnd = idsPwrCommError;
    for (int i = 0; idsEnd == 0 && i < crailPwr; i++) {
        char szLabel[cchPwrLabel];
        if (!dev.FProps(i, prof.fVoltage ? &rgkV[i] : nullptr, &rgkI[i]) || !dev.FLabel(i, szLabel))
            idsEnd = idsPwrCommError;
    }
    if (idsEnd == 0) {
        page.Log(idsPwrStarted);
        for (;;) {
            WaitCycle();
            if (pworker->FStopRequested()) {
                idsEnd = idsPwrStopped;
                break;
            }
            if (fPause)
                continue;
            if (!FReadCycle(dev, rgkV, rgkI)) {
                idsEnd = idsPwrCommError;
                break;
            }
        }
    }
    if (idsEnd != 0 && !fClosing)
        page.Log(idsEnd);
    if (fOpen)
        dev.Close();
    if (fClosing)
        return;
    for (int i = 0; i < crailPwr; i++)
        for (int id : {prof.rgidV[i], prof.rgidI[i], prof.rgidP[i]})
            if (id != 0)
                page.SetField(id, "-");
    page.EnableControl(idPwrStart, true);
    page.EnableControl(idPwrStop, false);
}
