// wireclient.cpp - test host of the USB wire.

#include "wireclient.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

using namespace usbwire;

namespace {

bool FSendAll(int sock, const uint8_t *pb, size_t cb)
{
    while (cb > 0) {
        ssize_t c = send(sock, pb, cb, MSG_NOSIGNAL);
        if (c < 0 && errno == EINTR)
            continue;
        if (c <= 0)
            return false;
        pb += c;
        cb -= size_t(c);
    }
    return true;
}

bool FRecvAll(int sock, uint8_t *pb, size_t cb)
{
    while (cb > 0) {
        ssize_t c = recv(sock, pb, cb, 0);
        if (c < 0 && errno == EINTR)
            continue;
        if (c <= 0)
            return false;
        pb += c;
        cb -= size_t(c);
    }
    return true;
}

} // namespace

WIRECLIENT::~WIRECLIENT()
{
    Disconnect();
}

bool WIRECLIENT::FConnect(uint16_t port)
{
    Disconnect();
    sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (sock < 0 || connect(sock, reinterpret_cast<sockaddr *>(&sa), sizeof(sa)) != 0)
        return false;
    int fOn = 1;
    setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &fOn, sizeof(fOn));
    timeval tv = { 20, 0 };     // a hung simulator fails the test instead of hanging it
    setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
    uint8_t rgbPre[cbPreamble] = { 'K', 'U', 'S', 'B', 0, 0, 0, 0 };
    PutU16(rgbPre + 4, kusbVersion);
    return FSendAll(sock, rgbPre, sizeof(rgbPre));
}

void WIRECLIENT::Disconnect()
{
    if (sock >= 0)
        close(sock);
    sock = -1;
    mpxfer.clear();
}

bool WIRECLIENT::FRequest(uint8_t type, const std::vector<uint8_t> &rgbPayload, uint32_t &tag)
{
    tag = tagNext++;
    std::vector<uint8_t> rgb(cbFrameHeader);
    PutU32(&rgb[0], uint32_t(5 + rgbPayload.size()));
    rgb[4] = type;
    PutU32(&rgb[5], tag);
    rgb.insert(rgb.end(), rgbPayload.begin(), rgbPayload.end());
    return sock >= 0 && FSendAll(sock, rgb.data(), rgb.size());
}

bool WIRECLIENT::FReadFrame(uint8_t &type, uint32_t &tag, std::vector<uint8_t> &rgbPayload)
{
    uint8_t rgbHeader[cbFrameHeader];
    if (sock < 0 || !FRecvAll(sock, rgbHeader, sizeof(rgbHeader)))
        return false;
    uint32_t cb = GetU32(rgbHeader);
    if (cb < 5 || cb > cbWireMax)
        return false;
    type = rgbHeader[4];
    tag = GetU32(rgbHeader + 5);
    rgbPayload.resize(cb - 5);
    if (!rgbPayload.empty() && !FRecvAll(sock, rgbPayload.data(), rgbPayload.size()))
        return false;
    if (type == msgComplete && rgbPayload.size() >= 9) {
        WXFER &xfer = mpxfer[tag];
        xfer.fDone = true;
        xfer.ep = rgbPayload[0];
        xfer.sts = GetU32(&rgbPayload[1]);
        xfer.cb = GetU32(&rgbPayload[5]);
        xfer.rgb.assign(rgbPayload.begin() + 9, rgbPayload.end());
    }
    return true;
}

bool WIRECLIENT::FAwaitAnswer(uint32_t tag, uint8_t &type, std::vector<uint8_t> &rgbPayload)
{
    for (;;) {
        uint32_t tagRcvd;
        if (!FReadFrame(type, tagRcvd, rgbPayload))
            return false;
        if (tagRcvd == tag && type != msgComplete)
            return true;
    }
}

uint32_t WIRECLIENT::Simple(uint8_t type, const std::vector<uint8_t> &rgbPayload)
{
    uint32_t tag;
    uint8_t typeAnswer;
    std::vector<uint8_t> rgb;
    if (!FRequest(type, rgbPayload, tag) || !FAwaitAnswer(tag, typeAnswer, rgb) || rgb.size() < 4)
        return 0xFFFFFFFF;
    return GetU32(rgb.data());
}

std::vector<WDEV> WIRECLIENT::Enum()
{
    std::vector<WDEV> rgdev;
    uint32_t tag;
    uint8_t type;
    std::vector<uint8_t> rgb;
    if (!FRequest(msgEnum, {}, tag) || !FAwaitAnswer(tag, type, rgb) || rgb.size() < 8)
        return rgdev;
    uint32_t cdev = GetU32(&rgb[4]);
    size_t ib = 8;
    auto text = [&](std::string &sz) {
        if (ib + 2 > rgb.size())
            return false;
        uint16_t cch = GetU16(&rgb[ib]);
        ib += 2;
        if (ib + cch > rgb.size())
            return false;
        sz.assign(rgb.begin() + ib, rgb.begin() + ib + cch);
        ib += cch;
        return true;
    };
    for (uint32_t i = 0; i < cdev; i++) {
        WDEV dev;
        if (!text(dev.szPath) || ib + 4 > rgb.size())
            break;
        dev.vid = GetU16(&rgb[ib]);
        dev.pid = GetU16(&rgb[ib + 2]);
        ib += 4;
        if (!text(dev.szSerial))
            break;
        rgdev.push_back(dev);
    }
    return rgdev;
}

uint32_t WIRECLIENT::Open(const std::string &szPath)
{
    std::vector<uint8_t> rgb(2);
    PutU16(rgb.data(), uint16_t(szPath.size()));
    rgb.insert(rgb.end(), szPath.begin(), szPath.end());
    return Simple(msgOpen, rgb);
}

uint32_t WIRECLIENT::Close() { return Simple(msgClose); }
uint32_t WIRECLIENT::Claim() { return Simple(msgClaim); }
uint32_t WIRECLIENT::Release() { return Simple(msgRelease); }
uint32_t WIRECLIENT::Ping() { return Simple(msgPing); }
uint32_t WIRECLIENT::Cancel(uint8_t ep) { return Simple(msgCancel, { ep }); }
uint32_t WIRECLIENT::Owner(const std::vector<uint8_t> &rgbOwner) { return Simple(msgOwner, rgbOwner); }
uint32_t WIRECLIENT::OwnerEnded(const std::vector<uint8_t> &rgbOwner) { return Simple(msgOwnerEnded, rgbOwner); }

uint32_t WIRECLIENT::Claimer(std::vector<uint8_t> &rgbOwner)
{
    rgbOwner.clear();
    uint32_t tag;
    uint8_t type;
    std::vector<uint8_t> rgb;
    if (!FRequest(msgClaimer, {}, tag) || !FAwaitAnswer(tag, type, rgb) || type != msgClaimerR ||
        rgb.size() != 4 + cbOwner)
        return 0xFFFFFFFF;
    rgbOwner.assign(rgb.begin() + 4, rgb.end());
    return GetU32(rgb.data());
}

uint32_t WIRECLIENT::VendorIn(uint8_t req, uint16_t wValue, uint16_t wIndex, uint16_t wLength,
                              std::vector<uint8_t> &rgbIn)
{
    std::vector<uint8_t> rgb(12);
    rgb[0] = bmVendorIn;
    rgb[1] = req;
    PutU16(&rgb[2], wValue);
    PutU16(&rgb[4], wIndex);
    PutU16(&rgb[6], wLength);
    PutU32(&rgb[8], 10000);
    uint32_t tag;
    uint8_t type;
    std::vector<uint8_t> rgbAns;
    rgbIn.clear();
    if (!FRequest(msgControl, rgb, tag) || !FAwaitAnswer(tag, type, rgbAns) || rgbAns.size() < 6)
        return 0xFFFFFFFF;
    rgbIn.assign(rgbAns.begin() + 6, rgbAns.end());
    return GetU32(rgbAns.data());
}

uint32_t WIRECLIENT::VendorOut(uint8_t req, uint16_t wValue, uint16_t wIndex, const std::vector<uint8_t> &rgbOut)
{
    std::vector<uint8_t> rgb(12);
    rgb[0] = bmVendorOut;
    rgb[1] = req;
    PutU16(&rgb[2], wValue);
    PutU16(&rgb[4], wIndex);
    PutU16(&rgb[6], uint16_t(rgbOut.size()));
    PutU32(&rgb[8], 10000);
    rgb.insert(rgb.end(), rgbOut.begin(), rgbOut.end());
    uint32_t tag;
    uint8_t type;
    std::vector<uint8_t> rgbAns;
    if (!FRequest(msgControl, rgb, tag) || !FAwaitAnswer(tag, type, rgbAns) || rgbAns.size() < 6)
        return 0xFFFFFFFF;
    uint32_t sts = GetU32(rgbAns.data());
    // A request the device accepted must report all its data bytes taken.
    if (sts == stsOk && GetU16(&rgbAns[4]) != rgbOut.size())
        return 0xFFFFFFFE;
    return sts;
}

uint32_t WIRECLIENT::VendorOutKeyed(uint8_t req, uint16_t wValue, const std::vector<uint8_t> &rgbOut, uint16_t key)
{
    uint32_t sts = VendorOut(0xE8, 0, 0, { uint8_t(key), uint8_t(key >> 8) });
    if (sts != stsOk)
        return sts;
    sts = VendorOut(req, wValue, key, rgbOut);
    VendorOut(0xE8, 0, 0, { 0, 0 });
    return sts;
}

uint32_t WIRECLIENT::Submit(uint8_t ep, uint32_t cb, const std::vector<uint8_t> &rgbOut, uint32_t tms)
{
    std::vector<uint8_t> rgb(9);
    rgb[0] = ep;
    PutU32(&rgb[1], cb);
    PutU32(&rgb[5], tms);
    if (!FEpIn(ep))
        rgb.insert(rgb.end(), rgbOut.begin(), rgbOut.begin() + std::min<size_t>(cb, rgbOut.size()));
    uint32_t tag;
    FRequest(msgSubmit, rgb, tag);
    return tag;
}

WXFER WIRECLIENT::Wait(uint32_t tag)
{
    while (!mpxfer[tag].fDone) {
        uint8_t type;
        uint32_t tagRcvd;
        std::vector<uint8_t> rgb;
        if (!FReadFrame(type, tagRcvd, rgb))
            break;
    }
    WXFER xfer = mpxfer[tag];
    mpxfer.erase(tag);
    return xfer;
}

bool WIRECLIENT::FDone(uint32_t tag)
{
    Ping();
    return mpxfer[tag].fDone;
}

uint32_t WIRECLIENT::WriteCmd(const std::vector<uint8_t> &rgbCmd)
{
    return Wait(Submit(epCmd, uint32_t(rgbCmd.size()), rgbCmd)).sts;
}

std::vector<uint8_t> WIRECLIENT::ReadSts(uint32_t *psts)
{
    WXFER xfer = Wait(Submit(epSts, 64));
    if (psts)
        *psts = xfer.sts;
    return xfer.rgb;
}

std::vector<uint8_t> WIRECLIENT::Command(const std::vector<uint8_t> &rgbCmd)
{
    if (WriteCmd(rgbCmd) != stsOk)
        return {};
    return ReadSts();
}
