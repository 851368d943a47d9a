/*
 * ftdicdisc.cpp - FTDIC's discovery: the refresh that keeps the interface
 * list in step with the D2XX driver, the probe of one device that is not
 * listed, and opening a device by its serial.
 */
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "ftdic.h"
#include "vzcore.h"
#include "yorl.h"

namespace {

/* A detail line of the debug log (level above 4), recorded with code 0. */
void LogDetail(const char *szFmt, ...)
{
    if (vzproc.bLogDetail <= 4)
        return;
    char szMsg[256];
    va_list va;
    va_start(va, szFmt);
    vsnprintf(szMsg, sizeof(szMsg), szFmt, va);
    va_end(va);
    FRecordErc(0, szMsg);
}

int FRecordFmt(int erc, const char *szFmt, const char *szArg)
{
    char szMsg[256];
    snprintf(szMsg, sizeof(szMsg), szFmt, szArg);
    FRecordErc(erc, szMsg);
    return 0;
}

/* Bit of an interface letter in the usable mask; 12-character names need A;
 * another 13th character passes. */
bool FIntfUsable(const std::string &szName, uint8_t mask)
{
    if (szName.size() == cchFtdiSerial)
        return mask & 1;
    char ch = szName[cchFtdiSerial];
    return ch < 'A' || ch > 'D' || (mask >> (ch - 'A')) & 1;
}

/* A record named szName with the values of a user area. */
bool FRecordFromUa(const uint8_t *pbUa, const std::string &szName, FTINTF *pftintf)
{
    memset(pftintf, 0, sizeof(*pftintf));
    if (ftdimgr_get_interface_from_ua(pbUa, cbFtua, pftintf) != ftdmgrOk)
        return false;
    SzCopy(pftintf->szName, szName.c_str(), sizeof(pftintf->szName));
    return true;
}

} // namespace

int FTDIC::FOpenBySzSN(const char *szSN, FT_HANDLE *ph)
{
    if (szSN == nullptr || ph == nullptr)
        return FRecordErc(ercInvalidParameter, "FTDIC::FOpenBySzSN szSNOpen or phftdi"), 0;
    if (strlen(szSN) != cchFtdiSerial)
        return FRecordErc(ercInvalidParameter, "FTDIC::FOpenBySzSN invalid serial number"), 0;
    const char *rgszSuffix[] = { "", "A", "B", "C", "D" };
    for (const char *szSuffix : rgszSuffix) {
        std::string szName = std::string(szSN) + szSuffix;
        if (ftd2xx.OpenEx((void *)szName.c_str(), FT_OPEN_BY_SERIAL_NUMBER, ph) == 0)
            return 1;
    }
    return 0;
}

int FTDIC::FEnumAndUpdateCache()
{
    uint32_t tickNow = pabsutil->GetTickMs();
    uint32_t tmsSince = tickNow - tickRefresh;
    DWORD cdev = 0;
    if (ftd2xx.ListDevices(&cdev, nullptr, FT_LIST_NUMBER_ONLY) != 0)
        return FRecordErc(ercInternalError, "FTDIC::FEnumAndUpdateCache call to ListDevices failed"), 0;
    uint32_t cdevPrev = cdevLast;
    cdevLast = cdev;
    LogDetail("FEnumAndUpdateCache - cftdevPrev = %d, cfdevCur = %d", int(cdevPrev), int(cdev));
    /* The first refresh always reads the driver, whatever the tick says. */
    if (fRefreshed && cdev == cdevPrev && tmsSince < 5000)
        return 1;
    uint32_t cdevList = 0;
    if (ftd2xx.CreateDeviceInfoList(&cdevList) != 0)
        return FRecordErc(ercInternalError, "FTDIC::FEnumAndUpdateCache CreateDeviceInfoList"), 0;
    LogDetail("FEnumAndUpdateCache - CreateDeviceInfoList found %d devices", int(cdevList));
    std::vector<std::string> rgszSN(cdevList);
    for (uint32_t idev = 0; idev < cdevList; idev++) {
        uint32_t type = FT_DEVICE_UNKNOWN;
        char szSerial[64] = "";
        if (ftd2xx.GetDeviceInfoDetail(idev, nullptr, &type, nullptr, nullptr, szSerial, nullptr, nullptr) != 0) {
            LogDetail("FEnumAndUpdateCache - GetDeviceInfoDetail failed for device %d", int(idev));
            continue;
        }
        szSerial[sizeof(szSerial) - 1] = '\0';
        if (type != FT_DEVICE_2232H && type != FT_DEVICE_4232H && type != FT_DEVICE_232H) {
            LogDetail("FEnumAndUpdateCache - device %d type %08X not supported", int(idev), unsigned(type));
            continue;
        }
        size_t cch = strlen(szSerial);
        if (cch != 12 && cch != 13) {
            LogDetail("FEnumAndUpdateCache - invalid serial number length device %d", int(idev));
            continue;
        }
        rgszSN[idev] = szSerial;
    }
    int32_t res = ftdimgr_lock(-1);
    if (res != ftdmgrOk && res != ftdmgrAbandoned)
        return FRecordErc(ercInternalError, "FTDIC::FEnumAndUpdateCache ftdimgr_lock() failed"), 0;
    FTINTF *rg = nullptr;
    uint32_t c = 0;
    if (ftdimgr_get_interface_list(&rg, &c) != ftdmgrOk) {
        ftdimgr_unlock();
        return FRecordErc(ercInternalError, "FTDIC::FEnumAndUpdateCache ftdimgr_get_interface_list() failed"), 0;
    }
    LogDetail("FEnumAndUpdateCache - interface list contains %d devices", int(c));
    std::vector<bool> rgfSeen(c, false);
    auto markSeen = [&](const std::string &sz) {
        for (uint32_t i = 0; i < c; i++)
            if (strncmp(rg[i].szName, sz.c_str(), sizeof(rg[i].szName)) == 0) {
                rgfSeen[i] = true;
                return true;
            }
        return false;
    };
    for (size_t is = 0; is < rgszSN.size(); is++) {
        const std::string s = rgszSN[is];
        if (s.empty() || markSeen(s))
            continue;
        FT_HANDLE h = nullptr;
        uint32_t sts = ftd2xx.OpenEx((void *)s.c_str(), FT_OPEN_BY_SERIAL_NUMBER, &h);
        if (sts != 0) {
            LogDetail("FEnumAndUpdateCache - OpenEx failed on serial %s, erc = %d", s.c_str(), int(sts));
            continue;
        }
        uint8_t mask = 0;
        uint32_t cbUa = 0, cbRead = 0;
        uint8_t rgbUa[cbFtua] = {};
        const char *szSkip = nullptr;
        if (ftd2xx.GetIntfSupported(h, &mask) != 0)
            szSkip = "FEnumAndUpdateCache - GetIntfSupported failed on serial %s";
        else if (!FIntfUsable(s, mask))
            szSkip = "FEnumAndUpdateCache - skipped unsupported interface %s";
        else if (ftd2xx.EE_UASize(h, &cbUa) != 0 || cbUa < cbFtua)
            szSkip = "FEnumAndUpdateCache - EEPROM size mismatch for serial %s";
        else if (ftd2xx.EE_UARead(h, rgbUa, cbFtua, &cbRead) != 0 || cbRead != cbFtua)
            szSkip = "FEnumAndUpdateCache - EEPROM read error for serial %s";
        if (ftd2xx.Close(h) != 0 && szSkip == nullptr)
            FRecordErc(ercInternalError, "FTDIC::FEnumAndUpdateCache failed to Close FTDI device");
        if (szSkip != nullptr) {
            LogDetail(szSkip, s.c_str());
            continue;
        }
        FTINTF ftintf;
        if (!FRecordFromUa(rgbUa, s, &ftintf) || ftdimgr_add_interface(&ftintf) != ftdmgrOk)
            FRecordFmt(ercInternalError, "FTDIC::FEnumAndUpdateCache failed to add interface %s", s.c_str());
        else
            LogDetail("FEnumAndUpdateCache - added interface %s to the list", s.c_str());
        if (s.size() != 13)
            continue;
        for (size_t it = is + 1; it < rgszSN.size(); it++) {
            const std::string t = rgszSN[it];
            if (t.empty() || t.compare(0, cchFtdiSerial, s, 0, cchFtdiSerial) != 0)
                continue;
            if (t.size() == 13 && FIntfUsable(t, mask) && !markSeen(t)) {
                if (!FRecordFromUa(rgbUa, t, &ftintf) || ftdimgr_add_interface(&ftintf) != ftdmgrOk)
                    FRecordFmt(ercInternalError, "FTDIC::FEnumAndUpdateCache failed to add interface %s", t.c_str());
                else
                    LogDetail("FEnumAndUpdateCache - added interface %s to the list", t.c_str());
            }
            rgszSN[it].clear();
        }
    }
    int fOk = 1;
    for (uint32_t i = 0; fOk && i < c; i++) {
        if (rgfSeen[i])
            continue;
        const char *szName = rg[i].szName;
        res = ftdimgr_lock_interface(szName, nullptr);
        if (res == ftdmgrTimeout)
            continue;       /* open somewhere: it stays */
        if (res != ftdmgrOk && res != ftdmgrAbandoned) {
            fOk = FRecordFmt(ercInternalError, "FTDIC::FEnumAndUpdateCache failed to lock interface %s", szName);
            break;
        }
        FT_HANDLE h = nullptr;
        if (ftd2xx.OpenEx((void *)szName, FT_OPEN_BY_SERIAL_NUMBER, &h) == 0) {
            ftd2xx.Close(h);
            ftdimgr_unlock_interface(szName);
            continue;
        }
        if (ftdimgr_unlock_interface(szName) != ftdmgrOk)
            fOk = FRecordFmt(ercInternalError, "FTDIC::FEnumAndUpdateCache failed to unlock interface %s", szName);
        if (ftdimgr_remove_interface(&rg[i]) != ftdmgrOk)
            fOk = FRecordFmt(ercInternalError, "FTDIC::FEnumAndUpdateCache failed to remove interface %s", szName);
        else
            LogDetail("FEnumAndUpdateCache - removed interface %s from the list", szName);
    }
    ftdimgr_unlock();
    ftdimgr_free_interface_list(&rg);
    if (fOk) {
        tickRefresh = pabsutil->GetTickMs();
        fRefreshed = true;
    }
    return fOk;
}

int FTDIC::FProbe(const char *szSN, const char *szOp, bool fKeepOpen, FTPROBE *pprobe)
{
    char szMsg[160];
    auto fail = [&](int erc, const char *szDetail) {
        snprintf(szMsg, sizeof(szMsg), "FTDIC::%s %s", szOp, szDetail);
        FRecordErc(erc, szMsg);
        return 0;
    };
    memset(&pprobe->ftintf, 0, sizeof(pprobe->ftintf));
    pprobe->h = nullptr;
    FT_HANDLE h = nullptr;
    if (!FOpenBySzSN(szSN, &h))
        return fail(ercDeviceNotConnected, "failed to connect to device");
    uint8_t mask = 0;
    uint32_t type = FT_DEVICE_UNKNOWN, cbUa = 0, cbRead = 0;
    uint8_t rgbUa[cbFtua] = {};
    bool fInfo = strcmp(szOp, "FEnable") != 0;
    int fOk = 0;
    if (ftd2xx.GetIntfSupported(h, &mask) != 0)
        fail(ercDeviceNotConnected, "GetIntfSupported failed");
    else if (fInfo && (mask & 0x0F) == 0)
        fail(ercDeviceNotSupported, "none of this device's interfaces are supported");
    else if (ftd2xx.GetDeviceInfo(h, &type, nullptr, nullptr, nullptr) != 0)
        fail(ercDeviceNotConnected, "failed to get device type and description");
    else if (type != FT_DEVICE_2232H && type != FT_DEVICE_4232H && type != FT_DEVICE_232H)
        fail(ercDeviceNotSupported, "unsupported device type");
    else if (ftd2xx.EE_UASize(h, &cbUa) != 0 || cbUa < cbFtua)
        fail(ercDeviceNotSupported, "EEPROM UA size");
    else if (ftd2xx.EE_UARead(h, rgbUa, cbFtua, &cbRead) != 0 || cbRead != cbFtua)
        fail(ercDeviceNotConnected, "EEPROM UA read");
    else
        fOk = 1;
    if (!fOk || !fKeepOpen) {
        if (ftd2xx.Close(h) != 0 && fOk)
            fail(ercInternalError, "ftd2xx.Close() failed");
        h = nullptr;
    }
    if (!fOk)
        return 0;
    pprobe->h = h;
    FRecordFromUa(rgbUa, szSN, &pprobe->ftintf);
    std::vector<std::string> rgszName;
    if (type == FT_DEVICE_232H)
        rgszName.push_back(szSN);
    else
        for (int ich = 0; ich < (type == FT_DEVICE_4232H ? 4 : 2); ich++)
            if ((mask >> ich) & 1)
                rgszName.push_back(std::string(szSN) + char('A' + ich));
    for (const std::string &szName : rgszName) {
        FTINTF ftintf = pprobe->ftintf;
        SzCopy(ftintf.szName, szName.c_str(), sizeof(ftintf.szName));
        if (ftdimgr_add_interface(&ftintf) == ftdmgrOk) {
            pprobe->rgszAdded.push_back(szName);
            continue;
        }
        fail(ercInternalError, "ftdimgr_add_interface() failed");
        if (type == FT_DEVICE_232H || (fKeepOpen && pprobe->rgszAdded.empty())) {
            if (h != nullptr)
                ftd2xx.Close(h);
            pprobe->h = nullptr;
            return 0;
        }
    }
    return 1;
}
