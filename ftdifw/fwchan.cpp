/*
 * fwchan.cpp - FTDI channel access: claiming and opening a channel through
 * the runtime's interface list, the MPSSE command buffer, putting a channel
 * into MPSSE mode with the bad-command synchronisation, and FIFO mode.
 * Every wait on the chip is bounded.
 */
#include <stdlib.h>
#include <string.h>

#include <string>

#include "fwlib.h"
#include "yorl.h"

namespace {

const uint32_t tmsReadBackMax = 5000;   /* a chip that stops answering ends a read-back */

bool FLockList()
{
    int32_t res = ftdimgr_lock(-1);
    return res == ftdmgrOk || res == ftdmgrAbandoned;
}

bool FClaimed(int32_t res) { return res == ftdmgrOk || res == ftdmgrAbandoned; }

/* The channel letter's bit in the usable mask; no letter is channel A, other letters pass. */
bool FChannelOffered(const char *szName, uint8_t mask)
{
    size_t cch = strlen(szName);
    if (cch <= 12)
        return mask & 1;
    char ch = szName[12];
    return ch < 'A' || ch > 'D' || (mask >> (ch - 'A')) & 1;
}

/* Registers a channel the runtime has not listed yet; the handle stays open on success. */
bool FRegister(const char *szName, FT_HANDLE *ph)
{
    FTINTF *rg = nullptr;
    uint32_t c = 0;
    if (ftdimgr_get_interface_list(&rg, &c) != ftdmgrOk)
        return false;
    const FTINTF *pftintfSib = nullptr;
    for (uint32_t ift = 0; ift < c && pftintfSib == nullptr; ift++)
        if (strncmp(rg[ift].szName, szName, 12) == 0)
            pftintfSib = &rg[ift];
    FTINTF ftintf;
    memset(&ftintf, 0, sizeof(ftintf));
    bool fOk = d2xx.OpenEx((void *)szName, FT_OPEN_BY_SERIAL_NUMBER, ph) == 0;
    uint8_t mask = 0;
    fOk = fOk && d2xx.GetIntfSupported(*ph, &mask) == 0 && FChannelOffered(szName, mask);
    if (fOk && pftintfSib != nullptr) {
        ftintf = *pftintfSib;
    } else if (fOk) {
        uint32_t type = 0, cbRead = 0;
        int32_t cbUa = 0;
        uint8_t rgbUa[cbFtua] = {};
        fOk = d2xx.GetDeviceInfo(*ph, &type, nullptr, nullptr, nullptr) == 0 &&
              (type == FT_DEVICE_2232H || type == FT_DEVICE_4232H || type == FT_DEVICE_232H) &&
              ftdimgr_get_korvanel_ua_size(&cbUa) == ftdmgrOk && cbUa == cbFtua &&
              d2xx.EE_UARead(*ph, rgbUa, cbFtua, &cbRead) == 0 && cbRead == cbFtua &&
              ftdimgr_get_interface_from_ua(rgbUa, cbFtua, &ftintf) == ftdmgrOk;
    }
    if (fOk) {
        memset(ftintf.szName, 0, sizeof(ftintf.szName));
        memcpy(ftintf.szName, szName, strlen(szName) < 15 ? strlen(szName) : 15);
        fOk = ftdimgr_add_interface(&ftintf) == ftdmgrOk;
    }
    if (!fOk && *ph != nullptr) {
        d2xx.Close(*ph);
        *ph = nullptr;
    }
    ftdimgr_free_interface_list(&rg);
    return fOk;
}

} // namespace

int FOpenChannel(const char *szName, FT_HANDLE *ph, FTINTF *pftintf)
{
    if (szName == nullptr || !FLockList())
        return 0;
    FT_HANDLE h = nullptr;
    int32_t res = ftdimgr_lock_interface(szName, pftintf);
    if (res == ftdmgrNotFound) {
        if (!FRegister(szName, &h)) {
            ftdimgr_unlock();
            return 0;
        }
        res = ftdimgr_lock_interface(szName, pftintf);
    }
    if (!FClaimed(res)) {
        if (h != nullptr)
            d2xx.Close(h);
        ftdimgr_unlock();
        return 0;
    }
    ftdimgr_unlock();
    if (h == nullptr && d2xx.OpenEx((void *)szName, FT_OPEN_BY_SERIAL_NUMBER, &h) != 0) {
        if (FLockList()) {
            ftdimgr_unlock_interface(szName);
            ftdimgr_unlock();
        }
        return 0;
    }
    *ph = h;
    return 1;
}

int FCloseChannel(const char *szName, FT_HANDLE h, FTINTF *pftintf)
{
    if (szName == nullptr)
        return 0;
    d2xx.Close(h);
    if (!FLockList())
        return 0;
    if (pftintf != nullptr && ftdimgr_modify_interface(szName, pftintf) != ftdmgrOk) {
        ftdimgr_unlock_interface(szName);
        ftdimgr_unlock();
        return 0;
    }
    if (ftdimgr_unlock_interface(szName) != ftdmgrOk) {
        ftdimgr_unlock();
        return 0;
    }
    return ftdimgr_unlock() == ftdmgrOk;
}

int FMpsAddBytes(MPSBUF *pmps, const uint8_t *pb, uint32_t cb)
{
    if (pmps == nullptr || pmps->pb == nullptr || pb == nullptr || uint64_t(pmps->cb) + cb > 65536)
        return 0;
    memcpy(pmps->pb + pmps->cb, pb, cb);
    pmps->cb += cb;
    return 1;
}

int FMpsFlush(MPSBUF *pmps, FT_HANDLE h, int fForce, uint32_t cbRead)
{
    if (pmps->cb > 0 && (fForce || cbRead > 0 || pmps->cb >= pmps->cbFlush)) {
        uint32_t cbWritten = 0;
        bool fOk = d2xx.Write(h, pmps->pb, pmps->cb, &cbWritten) == 0 && cbWritten == pmps->cb;
        pmps->cb = 0;
        pmps->tusQueued = 0;
        if (!fOk)
            return 0;
        pmps->fWritten = 1;
    }
    if (cbRead == 0)
        return 1;
    pmps->fWritten = 0;
    uint32_t cbDone = 0, tickStart = pabsutil->GetTickMs();
    while (cbDone < cbRead) {
        uint32_t cb = 0;
        if (d2xx.Read(h, pmps->pb + cbDone, cbRead - cbDone, &cb) != 0)
            return 0;
        cbDone += cb;
        if (cb == 0 && pabsutil->GetTickMs() - tickStart >= tmsReadBackMax)
            return 0;
        if (cb == 0)
            pabsutil->SleepMs(0);
    }
    return 1;
}

namespace {

bool FResetAndDrain(FT_HANDLE h)
{
    if (d2xx.ResetDevice(h) != 0)
        return false;
    uint8_t rgb[4096];
    for (int iround = 0; iround < 100; iround++) {
        uint32_t cb = 0, cbRead = 0;
        if (d2xx.GetQueueStatus(h, &cb) != 0)
            return false;
        if (cb == 0)
            return true;
        cb = cb > sizeof(rgb) ? sizeof(rgb) : cb;
        if (d2xx.Read(h, rgb, cb, &cbRead) != 0 || cbRead != cb)
            return false;
    }
    return true;
}

} // namespace

int FSyncBadCmd(FT_HANDLE h, uint8_t bBad, uint32_t tms, int fRepeat)
{
    uint32_t cbWritten = 0;
    if (!fRepeat && (d2xx.Write(h, &bBad, 1, &cbWritten) != 0 || cbWritten != 1))
        return 0;
    uint32_t tickStart = pabsutil->GetTickMs();
    bool fAfterFa = false;
    uint8_t rgb[1024];
    while (pabsutil->GetTickMs() - tickStart < tms) {
        if (fRepeat && (d2xx.Write(h, &bBad, 1, &cbWritten) != 0 || cbWritten != 1))
            return 0;
        uint32_t cb = 0, cbRead = 0;
        if (d2xx.GetQueueStatus(h, &cb) != 0)
            return 0;
        cb = cb > sizeof(rgb) ? sizeof(rgb) : cb;
        if (cb > 0 && (d2xx.Read(h, rgb, cb, &cbRead) != 0 || cbRead != cb))
            return 0;
        for (uint32_t ib = 0; ib < cb; ib++) {
            if (fAfterFa && rgb[ib] == bBad)
                return 1;
            fAfterFa = !fAfterFa && rgb[ib] == 0xFA;
        }
        if (cb == 0)
            pabsutil->SleepMs(1);
    }
    return 0;
}

int FMpsseInit(FT_HANDLE h)
{
    if (!FResetAndDrain(h) || d2xx.SetUSBParameters(h, 65536, 65536) != 0 || d2xx.SetChars(h, 0, 0, 0, 0) != 0 ||
        d2xx.SetTimeouts(h, 0, 10000) != 0 || d2xx.SetLatencyTimer(h, 2) != 0 || d2xx.SetBitMode(h, 0, 0) != 0 ||
        d2xx.SetBitMode(h, 0, 2) != 0)
        return 0;
    pabsutil->SleepMs(6);
    uint8_t rgb[1024];
    for (int iround = 0; iround < 100; iround++) {
        uint32_t cb = 0, cbRead = 0;
        if (d2xx.GetQueueStatus(h, &cb) != 0)
            return 0;
        if (cb == 0)
            break;
        cb = cb > sizeof(rgb) ? sizeof(rgb) : cb;
        if (d2xx.Read(h, rgb, cb, &cbRead) != 0 || cbRead != cb)
            return 0;
    }
    if (!FSyncBadCmd(h, 0xAA, 1000, 1) || !FSyncBadCmd(h, 0xAB, 1000, 0) || !FResetAndDrain(h) ||
        d2xx.SetLatencyTimer(h, 16) != 0)
        return 0;
    uint8_t rgbCmd[3] = { 0x85, 0x81, 0x87 };
    uint32_t cbWritten = 0;
    if (d2xx.Write(h, rgbCmd, 3, &cbWritten) != 0 || cbWritten != 3)
        return 0;
    uint32_t tickStart = pabsutil->GetTickMs();
    while (pabsutil->GetTickMs() - tickStart < 2000) {
        uint32_t cb = 0, cbRead = 0;
        if (d2xx.GetQueueStatus(h, &cb) != 0 || cb > 1)
            return 0;
        if (cb == 1)
            return d2xx.Read(h, rgb, 1, &cbRead) == 0 && cbRead == 1;
        pabsutil->SleepMs(1);
    }
    return 0;
}

int FSetFifoMode(FT_HANDLE h, int fSync)
{
    if (d2xx.SetBitMode(h, 0, 0) != 0 || d2xx.SetFlowControl(h, 0x0100, 0, 0) != 0 ||
        d2xx.SetLatencyTimer(h, 2) != 0 || d2xx.SetUSBParameters(h, 65536, 65536) != 0 ||
        d2xx.SetTimeouts(h, 2000, 2000) != 0)
        return 0;
    return !fSync || (d2xx.Purge(h, 3) == 0 && d2xx.SetBitMode(h, 0xFF, 0x40) == 0);
}

int FResetFifoMode(FT_HANDLE h, int fSync)
{
    return !fSync || d2xx.SetBitMode(h, 0, 0) == 0;
}
