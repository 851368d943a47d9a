/*
 * ftd2xx.cpp - the D2XX functions over the simulated FTDI chips.
 *
 * A handle is one connection of the FTDI wire (ftdiwire.h) opened on one
 * channel; the simulator keeps the open exclusive across processes and
 * gives the channel back when the connection ends, however the process
 * ended. The device list is a snapshot taken by FT_CreateDeviceInfoList.
 */
#include "ftd2xx.h"
#include "ftdiwire.h"
#include "ftee.h"
#include "ftlink.h"

#include <string.h>

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

using namespace ftdiwire;

namespace {

struct FTH {
    std::mutex mtx;                 /* one call at a time on the handle */
    FTLINK link;
    ULONG tmsRead = 0, tmsWrite = 0;
    UCHAR latency = 16;
};

struct NODE {
    ULONG flags, type, id;
    DWORD locid;
    std::string szSerial, szDesc;
};

std::mutex mtxGlobal;               /* the handle table and the device list */
std::map<FT_HANDLE, std::shared_ptr<FTH>> mphth;
std::vector<NODE> rgnode;

std::shared_ptr<FTH> PthFind(FT_HANDLE h)
{
    std::lock_guard<std::mutex> lock(mtxGlobal);
    auto it = mphth.find(h);
    return it == mphth.end() ? std::shared_ptr<FTH>() : it->second;
}

/* The channels on the bus now. */
FT_STATUS StsList(std::vector<NODE> *prgnode)
{
    FTLINK link;
    prgnode->clear();
    if (!link.FConnect())
        return FT_OK;       /* no simulator: no devices */
    std::vector<uint8_t> rgb;
    if (link.StsRequest(fmsgList, std::vector<uint8_t>(), &rgb) != ftOk)
        return FT_IO_ERROR;
    FTREADER rdr(rgb);
    rdr.U32();
    uint32_t cnode = rdr.U32();
    for (uint32_t inode = 0; inode < cnode && rdr.FOk(); inode++) {
        NODE node;
        node.flags = rdr.U32();
        node.type = rdr.U32();
        node.id = rdr.U32();
        node.locid = rdr.U32();
        node.szSerial = rdr.Text();
        node.szDesc = rdr.Text();
        prgnode->push_back(node);
    }
    return rdr.FOk() ? FT_OK : FT_IO_ERROR;
}

FT_STATUS StsOpen(const FTBYTES &req, FT_HANDLE *pHandle)
{
    if (pHandle == NULL)
        return FT_INVALID_PARAMETER;
    std::shared_ptr<FTH> pth = std::make_shared<FTH>();
    if (!pth->link.FConnect())
        return FT_DEVICE_NOT_FOUND;
    FT_STATUS sts = pth->link.StsRequest(fmsgOpen, req.rgb);
    /* A chip's channel is free once the process that had it open is gone,
     * even where the system still keeps that process's connection. */
    if (sts == FT_DEVICE_NOT_OPENED && pth->link.FHolderEnded(req.rgb))
        sts = pth->link.StsRequest(fmsgOpen, req.rgb);
    if (sts != FT_OK)
        return sts;
    std::lock_guard<std::mutex> lock(mtxGlobal);
    FT_HANDLE h = pth.get();
    mphth[h] = pth;
    *pHandle = h;
    return FT_OK;
}

void CopyText(void *pv, const std::string &sz, size_t cchMax)
{
    if (pv == NULL)
        return;
    size_t cch = sz.size() < cchMax - 1 ? sz.size() : cchMax - 1;
    memcpy(pv, sz.data(), cch);
    ((char *)pv)[cch] = '\0';
}

/* Runs fn(handle) with the handle locked; FT_INVALID_HANDLE for an unknown one. */
template <typename FN>
FT_STATUS StsWith(FT_HANDLE h, FN fn)
{
    std::shared_ptr<FTH> pth = PthFind(h);
    if (!pth)
        return FT_INVALID_HANDLE;
    std::lock_guard<std::mutex> lock(pth->mtx);
    return fn(*pth);
}

FT_STATUS StsSimple(FT_HANDLE h, uint8_t type, const FTBYTES &req)
{
    return StsWith(h, [&](FTH &th) { return th.link.StsRequest(type, req.rgb); });
}

FT_STATUS StsReadEeprom(FTH &th, FTEE *pee)
{
    std::vector<uint8_t> rgb;
    FT_STATUS sts = th.link.StsRequest(fmsgEeRead, FTBYTES().U16(0).U16(FTEE::cw).rgb, &rgb);
    if (sts != FT_OK)
        return sts;
    FTREADER rdr(rgb);
    rdr.U32();
    uint16_t cw = rdr.U16();
    pee->rgw.clear();
    for (unsigned iw = 0; iw < cw; iw++)
        pee->rgw.push_back(rdr.U16());
    return rdr.FOk() && cw == FTEE::cw ? FT_OK : FT_EEPROM_READ_FAILED;
}

FT_STATUS StsWriteEeprom(FTH &th, const FTEE &ee)
{
    FTBYTES req;
    req.U16(0).U16(uint16_t(ee.rgw.size()));
    for (uint16_t w : ee.rgw)
        req.U16(w);
    FT_STATUS sts = th.link.StsRequest(fmsgEeWrite, req.rgb);
    return sts == FT_OK ? FT_OK : FT_EEPROM_WRITE_FAILED;
}

/* Reads the EEPROM, which must hold a valid image. */
FT_STATUS StsReadValid(FTH &th, FTEE *pee)
{
    FT_STATUS sts = StsReadEeprom(th, pee);
    if (sts == FT_OK && !pee->FValid())
        sts = FT_EEPROM_NOT_PROGRAMMED;
    return sts;
}

} // namespace

extern "C" {

FT_STATUS WINAPI FT_CreateDeviceInfoList(LPDWORD lpdwNumDevs)
{
    if (lpdwNumDevs == NULL)
        return FT_INVALID_PARAMETER;
    std::vector<NODE> rgnodeNew;
    FT_STATUS sts = StsList(&rgnodeNew);
    std::lock_guard<std::mutex> lock(mtxGlobal);
    rgnode = rgnodeNew;
    *lpdwNumDevs = DWORD(rgnode.size());
    return sts;
}

FT_STATUS WINAPI FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE *pDest, LPDWORD lpdwNumDevs)
{
    if (pDest == NULL || lpdwNumDevs == NULL)
        return FT_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(mtxGlobal);
    for (size_t inode = 0; inode < rgnode.size(); inode++) {
        FT_DEVICE_LIST_INFO_NODE &dst = pDest[inode];
        dst.Flags = rgnode[inode].flags;
        dst.Type = rgnode[inode].type;
        dst.ID = rgnode[inode].id;
        dst.LocId = rgnode[inode].locid;
        CopyText(dst.SerialNumber, rgnode[inode].szSerial, sizeof(dst.SerialNumber));
        CopyText(dst.Description, rgnode[inode].szDesc, sizeof(dst.Description));
        dst.ftHandle = NULL;
    }
    *lpdwNumDevs = DWORD(rgnode.size());
    return FT_OK;
}

FT_STATUS WINAPI FT_GetDeviceInfoDetail(DWORD dwIndex, LPDWORD lpdwFlags, LPDWORD lpdwType, LPDWORD lpdwID,
                                        LPDWORD lpdwLocId, LPVOID lpSerialNumber, LPVOID lpDescription,
                                        FT_HANDLE *pftHandle)
{
    std::lock_guard<std::mutex> lock(mtxGlobal);
    if (dwIndex >= rgnode.size())
        return FT_DEVICE_NOT_FOUND;
    const NODE &node = rgnode[dwIndex];
    if (lpdwFlags) *lpdwFlags = node.flags;
    if (lpdwType) *lpdwType = node.type;
    if (lpdwID) *lpdwID = node.id;
    if (lpdwLocId) *lpdwLocId = node.locid;
    CopyText(lpSerialNumber, node.szSerial, 16);
    CopyText(lpDescription, node.szDesc, 64);
    if (pftHandle) *pftHandle = NULL;
    return FT_OK;
}

FT_STATUS WINAPI FT_ListDevices(PVOID pArg1, PVOID pArg2, DWORD Flags)
{
    std::vector<NODE> rgnodeNow;
    FT_STATUS sts = StsList(&rgnodeNow);
    if (sts != FT_OK)
        return sts;
    bool fDesc = (Flags & FT_OPEN_BY_DESCRIPTION) != 0, fLoc = (Flags & FT_OPEN_BY_LOCATION) != 0;
    auto store = [&](void *pv, const NODE &node) {
        if (fLoc)
            *(DWORD *)pv = node.locid;
        else
            CopyText(pv, fDesc ? node.szDesc : node.szSerial, fDesc ? 64 : 16);
    };
    if (Flags & FT_LIST_NUMBER_ONLY) {
        if (pArg1 == NULL)
            return FT_INVALID_PARAMETER;
        *(DWORD *)pArg1 = DWORD(rgnodeNow.size());
        return FT_OK;
    }
    if (Flags & FT_LIST_BY_INDEX) {
        size_t inode = (size_t)(uintptr_t)pArg1;
        if (pArg2 == NULL)
            return FT_INVALID_PARAMETER;
        if (inode >= rgnodeNow.size())
            return FT_DEVICE_NOT_FOUND;
        store(pArg2, rgnodeNow[inode]);
        return FT_OK;
    }
    if (Flags & FT_LIST_ALL) {
        if (pArg1 == NULL || pArg2 == NULL)
            return FT_INVALID_PARAMETER;
        void **rgpv = (void **)pArg1;
        for (size_t inode = 0; inode < rgnodeNow.size(); inode++) {
            if (rgpv[inode] == NULL)
                break;
            store(rgpv[inode], rgnodeNow[inode]);
        }
        *(DWORD *)pArg2 = DWORD(rgnodeNow.size());
        return FT_OK;
    }
    return FT_INVALID_PARAMETER;
}

FT_STATUS WINAPI FT_Open(int deviceNumber, FT_HANDLE *pHandle)
{
    std::vector<NODE> rgnodeNow;
    FT_STATUS sts = StsList(&rgnodeNow);
    if (sts != FT_OK)
        return sts;
    if (deviceNumber < 0 || size_t(deviceNumber) >= rgnodeNow.size())
        return FT_DEVICE_NOT_FOUND;
    return StsOpen(FTBYTES().U8(openByLocation).U32(rgnodeNow[size_t(deviceNumber)].locid), pHandle);
}

FT_STATUS WINAPI FT_OpenEx(PVOID pArg1, DWORD Flags, FT_HANDLE *pHandle)
{
    if (Flags == FT_OPEN_BY_LOCATION)
        return StsOpen(FTBYTES().U8(openByLocation).U32(DWORD((uintptr_t)pArg1)), pHandle);
    if ((Flags != FT_OPEN_BY_SERIAL_NUMBER && Flags != FT_OPEN_BY_DESCRIPTION) || pArg1 == NULL)
        return FT_INVALID_PARAMETER;
    std::string sz((const char *)pArg1);
    return StsOpen(FTBYTES().U8(Flags == FT_OPEN_BY_SERIAL_NUMBER ? openBySerial : openByDescription).Text(sz),
                   pHandle);
}

FT_STATUS WINAPI FT_Close(FT_HANDLE ftHandle)
{
    std::shared_ptr<FTH> pth;
    {
        std::lock_guard<std::mutex> lock(mtxGlobal);
        auto it = mphth.find(ftHandle);
        if (it == mphth.end())
            return FT_INVALID_HANDLE;
        pth = it->second;
        mphth.erase(it);
    }
    std::lock_guard<std::mutex> lock(pth->mtx);
    pth->link.StsRequest(fmsgClose, std::vector<uint8_t>());
    return FT_OK;
}

FT_STATUS WINAPI FT_GetDeviceInfo(FT_HANDLE ftHandle, FT_DEVICE *lpftDevice, LPDWORD lpdwID, PCHAR SerialNumber,
                                  PCHAR Description, LPVOID Dummy)
{
    return StsWith(ftHandle, [&](FTH &th) {
        std::vector<uint8_t> rgb;
        FT_STATUS sts = th.link.StsRequest(fmsgInfo, std::vector<uint8_t>(), &rgb);
        if (sts != FT_OK)
            return sts;
        FTREADER rdr(rgb);
        rdr.U32();
        ULONG type = rdr.U32(), id = rdr.U32();
        rdr.U32();
        std::string szSerial = rdr.Text(), szDesc = rdr.Text();
        if (!rdr.FOk())
            return FT_STATUS(FT_IO_ERROR);
        if (lpftDevice) *lpftDevice = type;
        if (lpdwID) *lpdwID = id;
        CopyText(SerialNumber, szSerial, 16);
        CopyText(Description, szDesc, 64);
        return FT_STATUS(FT_OK);
    });
}

FT_STATUS WINAPI FT_Write(FT_HANDLE ftHandle, LPVOID lpBuffer, DWORD dwBytesToWrite, LPDWORD lpBytesWritten)
{
    if (lpBuffer == NULL && dwBytesToWrite > 0)
        return FT_INVALID_PARAMETER;
    if (lpBytesWritten == NULL)
        return FT_INVALID_PARAMETER;
    *lpBytesWritten = 0;
    return StsWith(ftHandle, [&](FTH &th) {
        const uint8_t *pb = (const uint8_t *)lpBuffer;
        DWORD cbDone = 0;
        while (cbDone < dwBytesToWrite || dwBytesToWrite == 0) {
            DWORD cb = dwBytesToWrite - cbDone > 0x800000 ? 0x800000 : dwBytesToWrite - cbDone;
            std::vector<uint8_t> rgbReq(pb + cbDone, pb + cbDone + cb), rgb;
            FT_STATUS sts = th.link.StsRequest(fmsgWrite, rgbReq, &rgb);
            FTREADER rdr(rgb);
            rdr.U32();
            cbDone += rdr.U32();
            *lpBytesWritten = cbDone;
            if (sts != FT_OK || dwBytesToWrite == 0)
                return sts;
        }
        return FT_STATUS(FT_OK);
    });
}

FT_STATUS WINAPI FT_Read(FT_HANDLE ftHandle, LPVOID lpBuffer, DWORD dwBytesToRead, LPDWORD lpBytesReturned)
{
    if (lpBuffer == NULL || lpBytesReturned == NULL)
        return FT_INVALID_PARAMETER;
    *lpBytesReturned = 0;
    return StsWith(ftHandle, [&](FTH &th) {
        auto tStart = std::chrono::steady_clock::now();
        uint8_t *pb = (uint8_t *)lpBuffer;
        DWORD cbDone = 0;
        for (unsigned cpoll = 0;; cpoll++) {
            std::vector<uint8_t> rgb;
            FT_STATUS sts = th.link.StsRequest(fmsgRead, FTBYTES().U32(dwBytesToRead - cbDone).rgb, &rgb);
            if (sts != FT_OK)
                return sts;
            FTREADER rdr(rgb);
            rdr.U32();
            uint32_t cb = rdr.U32();
            const uint8_t *pbData = rdr.Pb(cb);
            if (pbData == NULL || cb > dwBytesToRead - cbDone)
                return FT_STATUS(FT_IO_ERROR);
            memcpy(pb + cbDone, pbData, cb);
            cbDone += cb;
            *lpBytesReturned = cbDone;
            if (cbDone == dwBytesToRead || th.tmsRead == 0)
                return FT_STATUS(FT_OK);
            auto tms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - tStart);
            if (tms.count() >= (long long)th.tmsRead)
                return FT_STATUS(FT_OK);
            /* Poll at once a few times (answers follow the write), then sleep. */
            if (cb == 0 && cpoll >= 4)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
}

FT_STATUS WINAPI FT_GetQueueStatus(FT_HANDLE ftHandle, DWORD *dwRxBytes)
{
    if (dwRxBytes == NULL)
        return FT_INVALID_PARAMETER;
    return StsWith(ftHandle, [&](FTH &th) {
        std::vector<uint8_t> rgb;
        FT_STATUS sts = th.link.StsRequest(fmsgQueue, std::vector<uint8_t>(), &rgb);
        FTREADER rdr(rgb);
        rdr.U32();
        *dwRxBytes = rdr.U32();
        return sts;
    });
}

FT_STATUS WINAPI FT_SetBitMode(FT_HANDLE ftHandle, UCHAR ucMask, UCHAR ucEnable)
{
    return StsSimple(ftHandle, fmsgBitMode, FTBYTES().U8(ucMask).U8(ucEnable));
}

FT_STATUS WINAPI FT_GetBitMode(FT_HANDLE ftHandle, PUCHAR pucMode)
{
    if (pucMode == NULL)
        return FT_INVALID_PARAMETER;
    return StsWith(ftHandle, [&](FTH &th) {
        std::vector<uint8_t> rgb;
        FT_STATUS sts = th.link.StsRequest(fmsgGetPins, std::vector<uint8_t>(), &rgb);
        FTREADER rdr(rgb);
        rdr.U32();
        if (sts == FT_OK)
            *pucMode = UCHAR(rdr.U32());
        return sts;
    });
}

FT_STATUS WINAPI FT_Purge(FT_HANDLE ftHandle, ULONG Mask)
{
    return StsSimple(ftHandle, fmsgPurge, FTBYTES().U32(Mask));
}

FT_STATUS WINAPI FT_ResetDevice(FT_HANDLE ftHandle)
{
    return StsSimple(ftHandle, fmsgReset, FTBYTES());
}

FT_STATUS WINAPI FT_SetTimeouts(FT_HANDLE ftHandle, ULONG ReadTimeout, ULONG WriteTimeout)
{
    return StsWith(ftHandle, [&](FTH &th) {
        FT_STATUS sts = th.link.StsRequest(fmsgParam, FTBYTES().U8(paramTimeouts).U32(ReadTimeout).U32(WriteTimeout).rgb);
        if (sts == FT_OK) {
            th.tmsRead = ReadTimeout;
            th.tmsWrite = WriteTimeout;
        }
        return sts;
    });
}

FT_STATUS WINAPI FT_SetLatencyTimer(FT_HANDLE ftHandle, UCHAR ucLatency)
{
    return StsWith(ftHandle, [&](FTH &th) {
        FT_STATUS sts = th.link.StsRequest(fmsgParam, FTBYTES().U8(paramLatency).U32(ucLatency).U32(0).rgb);
        if (sts == FT_OK)
            th.latency = ucLatency;
        return sts;
    });
}

FT_STATUS WINAPI FT_GetLatencyTimer(FT_HANDLE ftHandle, PUCHAR pucLatency)
{
    if (pucLatency == NULL)
        return FT_INVALID_PARAMETER;
    return StsWith(ftHandle, [&](FTH &th) {
        *pucLatency = th.latency;
        return FT_STATUS(FT_OK);
    });
}

FT_STATUS WINAPI FT_SetUSBParameters(FT_HANDLE ftHandle, ULONG ulInTransferSize, ULONG ulOutTransferSize)
{
    /* D2XX takes multiples of 64 from 64 to 64 KiB. */
    if (ulInTransferSize < 64 || ulInTransferSize > 65536 || ulInTransferSize % 64 != 0)
        return FT_INVALID_PARAMETER;
    return StsSimple(ftHandle, fmsgParam, FTBYTES().U8(paramUsb).U32(ulInTransferSize).U32(ulOutTransferSize));
}

FT_STATUS WINAPI FT_SetChars(FT_HANDLE ftHandle, UCHAR EventChar, UCHAR EventCharEnabled, UCHAR ErrorChar,
                             UCHAR ErrorCharEnabled)
{
    return StsSimple(ftHandle, fmsgParam,
                     FTBYTES().U8(paramChars).U32(EventChar | EventCharEnabled << 8).U32(ErrorChar | ErrorCharEnabled << 8));
}

FT_STATUS WINAPI FT_SetFlowControl(FT_HANDLE ftHandle, USHORT FlowControl, UCHAR XonChar, UCHAR XoffChar)
{
    return StsSimple(ftHandle, fmsgParam, FTBYTES().U8(paramFlow).U32(FlowControl).U32(XonChar | XoffChar << 8));
}

FT_STATUS WINAPI FT_SetBaudRate(FT_HANDLE ftHandle, ULONG BaudRate)
{
    if (BaudRate < 183 || BaudRate > 12000000)
        return FT_INVALID_BAUD_RATE;
    return StsSimple(ftHandle, fmsgPing, FTBYTES());
}

FT_STATUS WINAPI FT_CyclePort(FT_HANDLE ftHandle)
{
    return StsSimple(ftHandle, fmsgCycle, FTBYTES());
}

FT_STATUS WINAPI FT_ReadEE(FT_HANDLE ftHandle, DWORD dwWordOffset, LPWORD lpwValue)
{
    if (lpwValue == NULL)
        return FT_INVALID_PARAMETER;
    return StsWith(ftHandle, [&](FTH &th) {
        if (dwWordOffset >= FTEE::cw)
            return FT_STATUS(FT_INVALID_PARAMETER);
        std::vector<uint8_t> rgb;
        FT_STATUS sts = th.link.StsRequest(fmsgEeRead, FTBYTES().U16(uint16_t(dwWordOffset)).U16(1).rgb, &rgb);
        FTREADER rdr(rgb);
        rdr.U32();
        rdr.U16();
        WORD w = rdr.U16();
        if (sts == FT_OK && !rdr.FOk())
            sts = FT_EEPROM_READ_FAILED;
        if (sts == FT_OK)
            *lpwValue = w;
        return sts;
    });
}

FT_STATUS WINAPI FT_WriteEE(FT_HANDLE ftHandle, DWORD dwWordOffset, WORD wValue)
{
    if (dwWordOffset >= FTEE::cw)
        return FT_INVALID_PARAMETER;
    return StsSimple(ftHandle, fmsgEeWrite, FTBYTES().U16(uint16_t(dwWordOffset)).U16(1).U16(wValue));
}

FT_STATUS WINAPI FT_EraseEE(FT_HANDLE ftHandle)
{
    return StsSimple(ftHandle, fmsgEeErase, FTBYTES());
}

FT_STATUS WINAPI FT_EE_Read(FT_HANDLE ftHandle, PFT_PROGRAM_DATA pData)
{
    if (pData == NULL || pData->Signature1 != 0 || pData->Signature2 != 0xFFFFFFFF)
        return FT_INVALID_PARAMETER;
    return StsWith(ftHandle, [&](FTH &th) {
        FTEE ee;
        FT_STATUS sts = StsReadValid(th, &ee);
        if (sts == FT_OK)
            ee.ToProgramData(pData);
        return sts;
    });
}

FT_STATUS WINAPI FT_EE_Program(FT_HANDLE ftHandle, PFT_PROGRAM_DATA pData)
{
    if (pData == NULL || pData->Signature1 != 0 || pData->Signature2 != 0xFFFFFFFF)
        return FT_INVALID_PARAMETER;
    return StsWith(ftHandle, [&](FTH &th) {
        FTEE ee;
        FT_STATUS sts = StsReadEeprom(th, &ee);
        if (sts != FT_OK)
            return sts;
        if (!ee.FFromProgramData(pData))
            return FT_STATUS(FT_INVALID_PARAMETER);
        return StsWriteEeprom(th, ee);
    });
}

FT_STATUS WINAPI FT_EE_UASize(FT_HANDLE ftHandle, LPDWORD lpdwSize)
{
    if (lpdwSize == NULL)
        return FT_INVALID_PARAMETER;
    return StsWith(ftHandle, [&](FTH &th) {
        FTEE ee;
        FT_STATUS sts = StsReadValid(th, &ee);
        if (sts == FT_OK)
            *lpdwSize = ee.CbUa();
        return sts;
    });
}

FT_STATUS WINAPI FT_EE_UARead(FT_HANDLE ftHandle, PUCHAR pucData, DWORD dwDataLen, LPDWORD lpdwBytesRead)
{
    if (pucData == NULL || lpdwBytesRead == NULL)
        return FT_INVALID_PARAMETER;
    return StsWith(ftHandle, [&](FTH &th) {
        FTEE ee;
        FT_STATUS sts = StsReadValid(th, &ee);
        if (sts != FT_OK)
            return sts;
        DWORD cb = dwDataLen < ee.CbUa() ? dwDataLen : ee.CbUa();
        for (DWORD ib = 0; ib < cb; ib++)
            pucData[ib] = ee.B(ee.IbUa() + unsigned(ib));
        *lpdwBytesRead = cb;
        return FT_STATUS(FT_OK);
    });
}

FT_STATUS WINAPI FT_EE_UAWrite(FT_HANDLE ftHandle, PUCHAR pucData, DWORD dwDataLen)
{
    if (pucData == NULL && dwDataLen > 0)
        return FT_INVALID_PARAMETER;
    return StsWith(ftHandle, [&](FTH &th) {
        FTEE ee;
        FT_STATUS sts = StsReadValid(th, &ee);
        if (sts != FT_OK)
            return sts;
        if (dwDataLen > ee.CbUa())
            return FT_STATUS(FT_INVALID_PARAMETER);
        for (DWORD ib = 0; ib < dwDataLen; ib++)
            ee.SetB(ee.IbUa() + unsigned(ib), pucData[ib]);
        ee.SetChecksum();
        return StsWriteEeprom(th, ee);
    });
}

FT_STATUS WINAPI FT_GetLibraryVersion(LPDWORD lpdwVersion)
{
    if (lpdwVersion == NULL)
        return FT_INVALID_PARAMETER;
    *lpdwVersion = 0x00030215;
    return FT_OK;
}

} /* extern "C" */
