/* ftee.cpp - the EEPROM image: strings, user area, program data. */
#include "ftee.h"

#include <string.h>

void FTEE::SetB(unsigned ib, uint8_t b)
{
    uint16_t &w = rgw[ib / 2];
    w = ib & 1 ? uint16_t((w & 0x00FF) | (b << 8)) : uint16_t((w & 0xFF00) | b);
}

bool FTEE::FValid() const
{
    if (rgw.size() != cw || rgw[0] == 0xFFFF)
        return false;
    uint16_t wSum = 0xAAAA;
    for (unsigned iw = 0; iw + 1 < cw; iw++) {
        wSum ^= rgw[iw];
        wSum = uint16_t((wSum << 1) | (wSum >> 15));
    }
    return wSum == rgw[cw - 1];
}

void FTEE::SetChecksum()
{
    uint16_t wSum = 0xAAAA;
    for (unsigned iw = 0; iw + 1 < cw; iw++) {
        wSum ^= rgw[iw];
        wSum = uint16_t((wSum << 1) | (wSum >> 15));
    }
    rgw[cw - 1] = wSum;
}

std::string FTEE::SzString(unsigned ibPtr) const
{
    unsigned ib = B(ibPtr), cb = B(ibPtr + 1);
    std::string sz;
    if (cb < 2 || ib < ibStrings || ib + cb > ibEnd || B(ib + 1) != 0x03)
        return sz;
    for (unsigned ich = 2; ich + 1 < cb; ich += 2)
        sz += char(B(ib + ich));
    return sz;
}

unsigned FTEE::IbUa() const
{
    unsigned ibUa = ibStrings;
    for (unsigned ibPtr = 0x0E; ibPtr <= 0x12; ibPtr += 2) {
        unsigned ib = B(ibPtr), cb = B(ibPtr + 1);
        if (ib >= ibStrings && ib + cb <= ibEnd && ib + cb > ibUa)
            ibUa = ib + cb;
    }
    return ibUa;
}

bool FTEE::FSetStrings(const std::string &szMfr, const std::string &szDesc, const std::string &szSerial)
{
    unsigned cbStrings = unsigned(6 + 2 * (szMfr.size() + szDesc.size() + szSerial.size()));
    if (ibStrings + cbStrings > ibEnd || szMfr.size() > 126 || szDesc.size() > 126 || szSerial.size() > 126)
        return false;
    std::vector<uint8_t> rgbUa;
    for (unsigned ib = IbUa(); ib < ibEnd; ib++)
        rgbUa.push_back(B(ib));
    unsigned ib = ibStrings;
    const std::string *rgpsz[3] = { &szMfr, &szDesc, &szSerial };
    for (unsigned isz = 0; isz < 3; isz++) {
        const std::string &sz = *rgpsz[isz];
        unsigned cb = unsigned(2 + 2 * sz.size());
        SetB(0x0E + 2 * isz, uint8_t(ib));
        SetB(0x0F + 2 * isz, uint8_t(cb));
        SetB(ib, uint8_t(cb));
        SetB(ib + 1, 0x03);
        for (size_t ich = 0; ich < sz.size(); ich++) {
            SetB(ib + 2 + 2 * unsigned(ich), uint8_t(sz[ich]));
            SetB(ib + 3 + 2 * unsigned(ich), 0);
        }
        ib += cb;
    }
    for (size_t iua = 0; ib < ibEnd; ib++, iua++)
        SetB(ib, iua < rgbUa.size() ? rgbUa[iua] : 0);
    return true;
}

namespace {

void CopySz(char *pch, const std::string &sz)
{
    if (pch != NULL)
        memcpy(pch, sz.c_str(), sz.size() + 1);
}

} // namespace

void FTEE::ToProgramData(FT_PROGRAM_DATA *pdata) const
{
    pdata->VendorId = rgw[1];
    pdata->ProductId = rgw[2];
    CopySz(pdata->Manufacturer, SzString(0x0E));
    CopySz(pdata->ManufacturerId, SzString(0x12).substr(0, 2));
    CopySz(pdata->Description, SzString(0x10));
    CopySz(pdata->SerialNumber, SzString(0x12));
    pdata->MaxPower = WORD(2 * (rgw[4] >> 8));
    pdata->PnP = 1;
    pdata->SelfPowered = (rgw[4] & 0x40) != 0;
    pdata->RemoteWakeup = (rgw[4] & 0x20) != 0;
    uint16_t w0 = rgw[0];
    if (pdata->Version >= 4) {
        pdata->SerNumEnable7 = (rgw[5] & 0x08) != 0;
        pdata->IFAIsFifo7 = (w0 & 0x07) == 1;
        pdata->AIsVCP7 = (w0 & 0x08) != 0;
        pdata->IFBIsFifo7 = ((w0 >> 8) & 0x07) == 1;
        pdata->BIsVCP7 = (w0 & 0x0800) != 0;
    }
    if (pdata->Version >= 5) {
        pdata->SerNumEnable8 = (rgw[5] & 0x08) != 0;
        pdata->AIsVCP8 = (w0 & 0x0008) != 0;
        pdata->BIsVCP8 = (w0 & 0x0800) != 0;
        pdata->CIsVCP8 = (w0 & 0x0080) != 0;
        pdata->DIsVCP8 = (w0 & 0x8000) != 0;
    }
    if (pdata->Version >= 6) {
        pdata->SerNumEnableH = (rgw[5] & 0x08) != 0;
        pdata->IsFifoH = (w0 & 0x0F) == 1;
        pdata->IsVCPH = (w0 & 0x10) != 0;
    }
}

bool FTEE::FFromProgramData(const FT_PROGRAM_DATA *pdata)
{
    if (pdata->Manufacturer == NULL || pdata->Description == NULL || pdata->SerialNumber == NULL)
        return false;
    std::string szMfr(pdata->Manufacturer), szDesc(pdata->Description), szSerial(pdata->SerialNumber);
    if (!FSetStrings(szMfr, szDesc, szSerial))
        return false;
    rgw[1] = pdata->VendorId;
    rgw[2] = pdata->ProductId;
    unsigned maPower = pdata->MaxPower > 500 ? 500 : pdata->MaxPower;
    rgw[4] = uint16_t(((maPower / 2) << 8) | 0x80 | (pdata->SelfPowered ? 0x40 : 0) | (pdata->RemoteWakeup ? 0x20 : 0));
    rgw[5] = uint16_t(rgw[5] | 0x08);
    SetChecksum();
    return true;
}
