/* ftlink.cpp - requests on the FTDI wire. */
#include "ftlink.h"
#include "ftdiwire.h"
#include "prcid.h"

#include <stdlib.h>
#include <string.h>

using namespace ftdiwire;

bool FTLINK::FConnect()
{
    const char *szSim = getenv("KOR_SIM");
    if (sock != ftsockNil)
        return true;
    if (szSim == NULL || *szSim == '\0')
        return false;
    sock = FtsockConnect(szSim);
    if (sock == ftsockNil)
        return false;
    uint8_t rgb[cbPreamble];
    memcpy(rgb, kftdMagic, 4);
    PutU16(rgb + 4, kftdVersion);
    PutU16(rgb + 6, 0);
    if (!FFtsockSend(sock, rgb, sizeof(rgb))) {
        FtsockClose(sock);
        sock = ftsockNil;
        return false;
    }
    /* Who this connection belongs to, so that a process that finds a
     * channel held by it after it ended can tell the simulator. */
    std::vector<uint8_t> rgbOwner(cbOwner);
    OwnerRecordSelf(rgbOwner.data());
    if (rgbOwner[0] != ownerwire::ownerNone) {
        std::vector<uint8_t> rgbAnswer;
        if (!FRequest(fmsgOwner, rgbOwner, &rgbAnswer))
            return false;
    }
    return true;
}

bool FTLINK::FHolderEnded(const std::vector<uint8_t> &rgbWhich)
{
    std::vector<uint8_t> rgb;
    if (StsRequest(fmsgHolder, rgbWhich, &rgb) != ftOk || rgb.size() != 4 + cbOwner)
        return false;
    std::vector<uint8_t> rgbOwner(rgb.begin() + 4, rgb.end());
    return FOwnerRecordEnded(rgbOwner.data()) && StsRequest(fmsgOwnerEnded, rgbOwner) == ftOk;
}

bool FTLINK::FRequest(uint8_t type, const std::vector<uint8_t> &rgbPayload, std::vector<uint8_t> *prgbAnswer)
{
    if (sock == ftsockNil)
        return false;
    std::vector<uint8_t> rgb(cbFrameHeader);
    PutU32(&rgb[0], uint32_t(5 + rgbPayload.size()));
    rgb[4] = type;
    uint32_t tag = tagNext++;
    PutU32(&rgb[5], tag);
    rgb.insert(rgb.end(), rgbPayload.begin(), rgbPayload.end());
    uint8_t rgbHeader[cbFrameHeader];
    bool fOk = FFtsockSend(sock, rgb.data(), rgb.size()) && FFtsockRecv(sock, rgbHeader, sizeof(rgbHeader));
    uint32_t cb = fOk ? GetU32(rgbHeader) : 0;
    fOk = fOk && cb >= 5 && cb <= cbFtWireMax && GetU32(rgbHeader + 5) == tag;
    if (fOk) {
        prgbAnswer->resize(cb - 5);
        fOk = prgbAnswer->empty() || FFtsockRecv(sock, prgbAnswer->data(), prgbAnswer->size());
    }
    if (!fOk) {
        FtsockClose(sock);
        sock = ftsockNil;
    }
    return fOk;
}

uint32_t FTLINK::StsRequest(uint8_t type, const std::vector<uint8_t> &rgbPayload, std::vector<uint8_t> *prgbAnswer)
{
    std::vector<uint8_t> rgbLocal;
    std::vector<uint8_t> &rgb = prgbAnswer ? *prgbAnswer : rgbLocal;
    if (!FRequest(type, rgbPayload, &rgb) || rgb.size() < 4)
        return ftIoError;
    return GetU32(rgb.data());
}

bool FFtsockParseAddr(const std::string &szAddr, std::string *pszHost, uint16_t *pport)
{
    size_t ich = szAddr.rfind(':');
    if (ich == std::string::npos || ich == 0)
        return false;
    char *pchEnd = NULL;
    unsigned long port = strtoul(szAddr.c_str() + ich + 1, &pchEnd, 10);
    if (*pchEnd != '\0' || port == 0 || port > 65535)
        return false;
    *pszHost = szAddr.substr(0, ich);
    *pport = (uint16_t)port;
    return true;
}
