/*
 * d2xxapi.cpp - the D2XX binding of the runtime: load on first use, all
 * names or none, one wrapper per function.
 */
#include <string.h>

#include "d2xxapi.h"
#include "vzcore.h"
#include "yorl.h"

namespace {

const char *const rgszName[] = {
#define D2XXAPI_STRING(name) #name,
    D2XXAPI_NAMES(D2XXAPI_STRING)
#undef D2XXAPI_STRING
};

} // namespace

int D2XXAPI::FInit()
{
    memset(rgpfn, 0, sizeof(rgpfn));
    fBound = 0;
    hmod = nullptr;
    pabsdll = pabsfact->InstABSDLL();
    pmtx = pabsfact->InstABSMTX();
    if (pabsdll != nullptr && pabsdll->Init() && pmtx != nullptr && pmtx->Init() && pmtx->Create(false))
        return 1;
    Term();
    return 0;
}

void D2XXAPI::Term()
{
    fBound = 0;
    memset(rgpfn, 0, sizeof(rgpfn));
    if (hmod != nullptr && pabsdll != nullptr)
        pabsdll->Free(hmod);
    hmod = nullptr;
    if (pabsdll != nullptr) {
        pabsdll->Term();
        pabsfact->RlsABSDLL(pabsdll);
        pabsdll = nullptr;
    }
    if (pmtx != nullptr) {
        pmtx->Term();
        pabsfact->RlsABSMTX(pmtx);
        pmtx = nullptr;
    }
}

int D2XXAPI::FBind()
{
    if (pabsdll == nullptr || pmtx == nullptr || !pmtx->Lock(tmsLockTimeout))
        return 0;
    if (fBound) {
        pmtx->Unlock();
        return 1;
    }
    HABSMOD hmodNew = nullptr;
    bool fOk = pabsdll->Load("ftd2xx", &hmodNew);
    for (int ipfn = 0; fOk && ipfn < cpfn; ipfn++) {
        void *pfn = nullptr;
        fOk = pabsdll->GetProc(hmodNew, rgszName[ipfn], &pfn) && pfn != nullptr;
        rgpfn[ipfn] = pfn;
    }
    if (fOk) {
        hmod = hmodNew;
        fBound = 1;
    } else {
        memset(rgpfn, 0, sizeof(rgpfn));
        if (hmodNew != nullptr)
            pabsdll->Free(hmodNew);
        hmod = nullptr;
    }
    pmtx->Unlock();
    return fOk ? 1 : 0;
}

void *D2XXAPI::Pfn(int ipfn)
{
    return FBind() ? rgpfn[ipfn] : nullptr;
}

#define D2XXAPI_CALL(name, ...)                                                  \
    void *pfn = Pfn(i##name);                                                    \
    if (pfn == nullptr)                                                          \
        return ftStsNotBound;                                                    \
    return reinterpret_cast<decltype(&::name)>(pfn)(__VA_ARGS__)

uint32_t D2XXAPI::Close(FT_HANDLE h) { D2XXAPI_CALL(FT_Close, h); }

uint32_t D2XXAPI::CreateDeviceInfoList(uint32_t *pcdev)
{
    void *pfn = Pfn(iFT_CreateDeviceInfoList);
    if (pfn == nullptr)
        return ftStsNotBound;
    if (pcdev == nullptr)
        return ftStsNullArg;
    DWORD cdev = 0;
    uint32_t sts = reinterpret_cast<decltype(&::FT_CreateDeviceInfoList)>(pfn)(&cdev);
    if (sts == 0)
        *pcdev = cdev;
    return sts;
}

uint32_t D2XXAPI::GetDeviceInfoDetail(uint32_t idev, uint32_t *pflags, uint32_t *ptype, uint32_t *pid,
                                      uint32_t *plocid, char *szSerial, char *szDesc, FT_HANDLE *ph)
{
    void *pfn = Pfn(iFT_GetDeviceInfoDetail);
    if (pfn == nullptr)
        return ftStsNotBound;
    DWORD flags = 0, type = ptype ? *ptype : 0, id = 0, locid = 0;
    uint32_t sts = reinterpret_cast<decltype(&::FT_GetDeviceInfoDetail)>(pfn)(idev, &flags, &type, &id, &locid,
                                                                             szSerial, szDesc, ph);
    if (sts == 0) {
        if (pflags) *pflags = flags;
        if (ptype) *ptype = type;
        if (pid) *pid = id;
        if (plocid) *plocid = locid;
    }
    return sts;
}

uint32_t D2XXAPI::ListDevices(void *pv1, void *pv2, uint32_t flags) { D2XXAPI_CALL(FT_ListDevices, pv1, pv2, flags); }
uint32_t D2XXAPI::Open(int idev, FT_HANDLE *ph) { D2XXAPI_CALL(FT_Open, idev, ph); }
uint32_t D2XXAPI::OpenEx(void *pvArg, uint32_t flags, FT_HANDLE *ph) { D2XXAPI_CALL(FT_OpenEx, pvArg, flags, ph); }

uint32_t D2XXAPI::GetDeviceInfo(FT_HANDLE h, uint32_t *ptype, uint32_t *pid, char *szSerial, char *szDesc)
{
    void *pfn = Pfn(iFT_GetDeviceInfo);
    if (pfn == nullptr)
        return ftStsNotBound;
    FT_DEVICE type = ptype ? *ptype : 0;
    DWORD id = 0;
    uint32_t sts = reinterpret_cast<decltype(&::FT_GetDeviceInfo)>(pfn)(h, &type, &id, szSerial, szDesc, nullptr);
    if (sts == 0) {
        if (ptype) *ptype = type;
        if (pid) *pid = id;
    }
    return sts;
}

uint32_t D2XXAPI::EE_Program(FT_HANDLE h, FT_PROGRAM_DATA *pdata) { D2XXAPI_CALL(FT_EE_Program, h, pdata); }
uint32_t D2XXAPI::EE_Read(FT_HANDLE h, FT_PROGRAM_DATA *pdata) { D2XXAPI_CALL(FT_EE_Read, h, pdata); }

uint32_t D2XXAPI::EE_UASize(FT_HANDLE h, uint32_t *pcb)
{
    void *pfn = Pfn(iFT_EE_UASize);
    if (pfn == nullptr)
        return ftStsNotBound;
    if (pcb == nullptr)
        return ftStsNullArg;
    DWORD cb = 0;
    uint32_t sts = reinterpret_cast<decltype(&::FT_EE_UASize)>(pfn)(h, &cb);
    if (sts == 0)
        *pcb = cb;
    return sts;
}

uint32_t D2XXAPI::EE_UARead(FT_HANDLE h, uint8_t *pb, uint32_t cb, uint32_t *pcbRead)
{
    void *pfn = Pfn(iFT_EE_UARead);
    if (pfn == nullptr)
        return ftStsNotBound;
    if (pb == nullptr || pcbRead == nullptr)
        return ftStsNullArg;
    DWORD cbRead = 0;
    uint32_t sts = reinterpret_cast<decltype(&::FT_EE_UARead)>(pfn)(h, pb, cb, &cbRead);
    *pcbRead = cbRead;
    return sts;
}

uint32_t D2XXAPI::EE_UAWrite(FT_HANDLE h, uint8_t *pb, uint32_t cb) { D2XXAPI_CALL(FT_EE_UAWrite, h, pb, cb); }
uint32_t D2XXAPI::EraseEE(FT_HANDLE h) { D2XXAPI_CALL(FT_EraseEE, h); }

uint32_t D2XXAPI::ReadEE(FT_HANDLE h, uint32_t iw, uint16_t *pw)
{
    void *pfn = Pfn(iFT_ReadEE);
    if (pfn == nullptr)
        return ftStsNotBound;
    if (pw == nullptr)
        return ftStsNullArg;
    WORD w = 0;
    uint32_t sts = reinterpret_cast<decltype(&::FT_ReadEE)>(pfn)(h, iw, &w);
    *pw = w;
    return sts;
}

uint32_t D2XXAPI::WriteEE(FT_HANDLE h, uint32_t iw, uint16_t w) { D2XXAPI_CALL(FT_WriteEE, h, iw, w); }
uint32_t D2XXAPI::GetBitMode(FT_HANDLE h, uint8_t *pb) { D2XXAPI_CALL(FT_GetBitMode, h, pb); }
uint32_t D2XXAPI::SetBitMode(FT_HANDLE h, uint8_t mask, uint8_t mode) { D2XXAPI_CALL(FT_SetBitMode, h, mask, mode); }

uint32_t D2XXAPI::GetQueueStatus(FT_HANDLE h, uint32_t *pcb)
{
    void *pfn = Pfn(iFT_GetQueueStatus);
    if (pfn == nullptr)
        return ftStsNotBound;
    if (pcb == nullptr)
        return ftStsNullArg;
    DWORD cb = 0;
    uint32_t sts = reinterpret_cast<decltype(&::FT_GetQueueStatus)>(pfn)(h, &cb);
    *pcb = cb;
    return sts;
}

uint32_t D2XXAPI::Read(FT_HANDLE h, void *pb, uint32_t cb, uint32_t *pcb)
{
    void *pfn = Pfn(iFT_Read);
    if (pfn == nullptr || pb == nullptr || pcb == nullptr)
        return ftStsNotBound;
    DWORD cbDone = 0;
    uint32_t sts = reinterpret_cast<decltype(&::FT_Read)>(pfn)(h, pb, cb, &cbDone);
    *pcb = cbDone;
    return sts;
}

uint32_t D2XXAPI::Write(FT_HANDLE h, void *pb, uint32_t cb, uint32_t *pcb)
{
    void *pfn = Pfn(iFT_Write);
    if (pfn == nullptr || pb == nullptr || pcb == nullptr)
        return ftStsNotBound;
    DWORD cbDone = 0;
    uint32_t sts = reinterpret_cast<decltype(&::FT_Write)>(pfn)(h, pb, cb, &cbDone);
    *pcb = cbDone;
    return sts;
}

uint32_t D2XXAPI::SetChars(FT_HANDLE h, uint32_t chEvent, uint32_t fEvent, uint32_t chError, uint32_t fError)
{
    D2XXAPI_CALL(FT_SetChars, h, UCHAR(chEvent), UCHAR(fEvent), UCHAR(chError), UCHAR(fError));
}

uint32_t D2XXAPI::SetLatencyTimer(FT_HANDLE h, uint8_t tms) { D2XXAPI_CALL(FT_SetLatencyTimer, h, tms); }
uint32_t D2XXAPI::SetTimeouts(FT_HANDLE h, uint32_t tmsRead, uint32_t tmsWrite) { D2XXAPI_CALL(FT_SetTimeouts, h, tmsRead, tmsWrite); }
uint32_t D2XXAPI::SetUSBParameters(FT_HANDLE h, uint32_t cbIn, uint32_t cbOut) { D2XXAPI_CALL(FT_SetUSBParameters, h, cbIn, cbOut); }
uint32_t D2XXAPI::Purge(FT_HANDLE h, uint32_t mask) { D2XXAPI_CALL(FT_Purge, h, mask); }
uint32_t D2XXAPI::ResetDevice(FT_HANDLE h) { D2XXAPI_CALL(FT_ResetDevice, h); }
#ifdef D2XXAPI_FLOW
uint32_t D2XXAPI::SetFlowControl(FT_HANDLE h, uint16_t mode, uint8_t chXon, uint8_t chXoff)
{
    D2XXAPI_CALL(FT_SetFlowControl, h, mode, chXon, chXoff);
}
#endif

uint32_t D2XXAPI::SetVIDPID(uint16_t, uint16_t)
{
    return FBind() ? 0 : ftStsNotBound;
}

uint8_t MaskIntfSupported(uint32_t type, uint16_t w0)
{
    uint8_t lo = uint8_t(w0), hi = uint8_t(w0 >> 8);
    switch (type) {
    case FT_DEVICE_2232C:
    case FT_DEVICE_2232H:
        return uint8_t((lo & 0x08 ? 0 : 1) | (hi & 0x08 ? 0 : 2));
    case FT_DEVICE_4232H:
        return uint8_t((lo & 0x08 ? 0 : 1) | (hi & 0x08 ? 0 : 2) | (lo & 0x80 ? 0 : 4) | (hi & 0x80 ? 0 : 8));
    case FT_DEVICE_232H:
        return uint8_t(lo & 0x10 ? 0 : 1);
    case FT_DEVICE_232R:
        return uint8_t(lo & 0x08 ? 1 : 0);
    default:
        return 0;
    }
}

uint32_t D2XXAPI::GetIntfSupported(FT_HANDLE h, uint8_t *pmask)
{
    if (Pfn(iFT_GetDeviceInfo) == nullptr || Pfn(iFT_ReadEE) == nullptr)
        return ftStsNotBound;
    if (pmask == nullptr)
        return ftStsNullArg;
    uint32_t type = FT_DEVICE_UNKNOWN;
    uint32_t sts = GetDeviceInfo(h, &type, nullptr, nullptr, nullptr);
    if (sts != 0)
        return sts;
    uint16_t w0 = 0;
    sts = ReadEE(h, 0, &w0);
    if (sts != 0)
        return sts;
    *pmask = MaskIntfSupported(type, w0);
    return 0;
}
