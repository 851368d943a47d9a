// netsession.cpp - NETSESSION: the control protocol of a network board.
//
// Messages: u32 length L (little-endian), then L bytes beginning with the
// type: 0 control command, 1 its answer, 2 vendor request, 3 its answer,
// 4 command packet, 5 status packet.

#include "netsession.h"

#include "../server/bus.h"

#include <arpa/inet.h>
#include <cstring>
#include <map>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

namespace {

enum : uint8_t { msgCtrlCmd = 0, msgCsts = 1, msgVendorReq = 2, msgVendorSts = 3, msgDvcCmd = 4, msgDvcSts = 5 };
enum : uint8_t { cmdAuthenticate = 0, cmdEstPasiveDataConn = 2, cmdEnableTLS = 3, cmdEnableDataTLS = 4 };

constexpr uint32_t cbMsgMax = 65536 + 16;
constexpr size_t cbDataChunk = 256 * 1024;
constexpr int tmsIdle = 20;
constexpr int tmsDataAccept = 10000;

// The connection whose transactions a board serves now (guarded by bus.mtx).
std::map<const DEVICE *, const NETSESSION *> mpowner;

void PutU32(std::vector<uint8_t> &rgb, uint32_t dw)
{
    for (int i = 0; i < 4; i++)
        rgb.push_back(uint8_t(dw >> (8 * i)));
}

uint16_t U16(const uint8_t *pb) { return uint16_t(pb[0] | (pb[1] << 8)); }

} // namespace

NETSESSION::NETSESSION(BUS &busIn, DEVICE &devIn, TLSSRV *psrvIn, int sock)
    : bus(busIn), dev(devIn), psrv(psrvIn), ctrl(sock)
{
}

NETSESSION::~NETSESSION()
{
    std::lock_guard<std::mutex> lock(bus.mtx);
    auto it = mpowner.find(&dev);
    if (it != mpowner.end() && it->second == this) {
        mpowner.erase(it);
        // The host of the running transaction is gone: the board ends it
        // as a cancel would, and drops the status packets nobody reads.
        if (dev.fw.FPhaseArmed()) {
            static const uint8_t rgbAbort[4] = { 0x03, 0x00, 0x02, 0x00 };
            dev.fw.CommandPacket(rgbAbort, sizeof(rgbAbort));
        }
        dev.fw.ClearSts();
    }
}

bool NETSESSION::FPresent()
{
    std::lock_guard<std::mutex> lock(bus.mtx);
    return dev.FPresent();
}

void NETSESSION::Serve()
{
    for (;;) {
        if (!FPresent())
            return;
        if (!FPumpData())
            pdata.reset();
        pollfd rgpfd[2] = { { ctrl.sock, POLLIN, 0 }, { -1, 0, 0 } };
        int cpfd = 1;
        if (pdata && rgbOutLeft.empty()) {
            rgpfd[1] = { pdata->sock, POLLIN, 0 };
            cpfd = 2;
        }
        bool fCtrlReady = ctrl.FPending(), fDataReady = pdata && rgbOutLeft.empty() && pdata->FPending();
        if (!fCtrlReady && !fDataReady) {
            int r = poll(rgpfd, nfds_t(cpfd), tmsIdle);
            if (r < 0)
                continue;
            fCtrlReady = (rgpfd[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
            fDataReady = cpfd == 2 && (rgpfd[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
        }
        if (fDataReady) {
            rgbOutLeft.resize(cbDataChunk);
            long c = pdata->CbRead(rgbOutLeft.data(), rgbOutLeft.size());
            rgbOutLeft.resize(c > 0 ? size_t(c) : 0);
            if (c <= 0)
                pdata.reset();      // the host closed it (a cancel): asks for a new one later
        }
        if (fCtrlReady && !FMessage())
            return;
    }
}

// Moves data-phase bytes between the firmware and the data connection and
// sends the status packets that became ready. False when the data
// connection broke.
bool NETSESSION::FPumpData()
{
    std::vector<std::vector<uint8_t>> rgrgbSts;
    std::vector<uint8_t> rgbIn;
    bool fOwner;
    {
        std::lock_guard<std::mutex> lock(bus.mtx);
        auto it = mpowner.find(&dev);
        fOwner = it != mpowner.end() && it->second == this;
        if (fOwner && pdata && dev.fw.FPhaseArmed()) {
            if (!rgbOutLeft.empty()) {
                size_t c = dev.fw.DataOut(rgbOutLeft.data(), rgbOutLeft.size());
                rgbOutLeft.erase(rgbOutLeft.begin(), rgbOutLeft.begin() + long(c));
            }
            rgbIn.resize(cbDataChunk);
            bool fShort = false;
            rgbIn.resize(dev.fw.DataIn(rgbIn.data(), rgbIn.size(), fShort));
        }
        if (fOwner)
            FFlushStsL(rgrgbSts);
    }
    for (auto &rgb : rgrgbSts)
        if (!ctrl.FWriteAll(rgb.data(), rgb.size()))
            return true;    // the control connection's reader sees the break
    return rgbIn.empty() || pdata->FWriteAll(rgbIn.data(), rgbIn.size());
}

bool NETSESSION::FFlushStsL(std::vector<std::vector<uint8_t>> &rgrgbOut)
{
    while (dev.fw.FStsReady()) {
        std::vector<uint8_t> rgbPkt = dev.fw.PopSts();
        if (rgbPkt.empty())
            continue;
        std::vector<uint8_t> rgb;
        PutU32(rgb, uint32_t(rgbPkt.size() + 1));
        rgb.push_back(msgDvcSts);
        rgb.insert(rgb.end(), rgbPkt.begin(), rgbPkt.end());
        rgrgbOut.push_back(std::move(rgb));
    }
    return true;
}

bool NETSESSION::FMessage()
{
    uint8_t rgbLen[4];
    if (!ctrl.FReadAll(rgbLen, 4))
        return false;
    uint32_t cb = rgbLen[0] | (rgbLen[1] << 8) | (rgbLen[2] << 16) | (uint32_t(rgbLen[3]) << 24);
    if (cb == 0 || cb > cbMsgMax)
        return false;
    std::vector<uint8_t> rgb(cb);
    if (!ctrl.FReadAll(rgb.data(), cb))
        return false;
    switch (rgb[0]) {
    case msgCtrlCmd:
        return FCtrlCmd(rgb.data() + 1, cb - 1);
    case msgVendorReq:
        return FVendorReq(rgb.data() + 1, cb - 1);
    case msgDvcCmd:
        return FDvcCmd(rgb.data() + 1, cb - 1);
    default:
        return false;
    }
}

bool NETSESSION::FSendCsts(uint8_t scode, const uint8_t *pbData, size_t cbData)
{
    std::vector<uint8_t> rgb;
    PutU32(rgb, uint32_t(cbData + 4));
    rgb.push_back(msgCsts);
    rgb.push_back(uint8_t((cbData + 1) & 0xFF));
    rgb.push_back(uint8_t((cbData + 1) >> 8));
    rgb.push_back(scode);
    if (cbData > 0)
        rgb.insert(rgb.end(), pbData, pbData + cbData);
    return ctrl.FWriteAll(rgb.data(), rgb.size());
}

// Reads (and drops) what the host still sends, until it closes.
void NETSESSION::Drain()
{
    uint8_t rgb[4096];
    while (FPresent()) {
        pollfd pfd = { ctrl.sock, POLLIN, 0 };
        if (poll(&pfd, 1, tmsIdle) > 0 && recv(ctrl.sock, rgb, sizeof(rgb), 0) <= 0)
            return;
    }
}

bool NETSESSION::FCtrlCmd(const uint8_t *pb, size_t cb)
{
    if (cb < 3 || U16(pb) != cb - 2)
        return false;
    uint8_t cmd = pb[2];
    const uint8_t *pbPay = pb + 3;
    size_t cbPay = cb - 3;
    const NETCFG &net = dev.bd.cfg.net;
    switch (cmd) {
    case cmdAuthenticate: {
        if (cbPay < 2 || size_t(2 + pbPay[0] + pbPay[1]) != cbPay)
            return FSendCsts(5);
        std::string szAcct(reinterpret_cast<const char *>(pbPay + 2), pbPay[0]);
        std::string szPw(reinterpret_cast<const char *>(pbPay + 2 + pbPay[0]), pbPay[1]);
        bool fOk = false;
        {
            std::lock_guard<std::mutex> lock(bus.mtx);
            fOk = !dev.bd.fAuth;
            for (const ACCOUNT &acct : dev.bd.rgacct)
                fOk = fOk || (acct.szName == szAcct && acct.szPassword == szPw);
            dev.fw.Log("net authenticate " + szAcct + (fOk ? " accepted" : " rejected"));
        }
        fAuthed = fOk;
        return FSendCsts(fOk ? 0 : 4);
    }
    case cmdEnableTLS:
        switch (net.tlsans) {
        case tlsansOn:
            if (ctrl.FSecure())
                return FSendCsts(1);
            return FSendCsts(0) && ctrl.FStartTls(psrv);
        case tlsansPlain:
            return FSendCsts(8);
        case tlsansClose:
            return false;
        case tlsansSilent:
            Drain();
            return false;
        case tlsansScode:
            return FSendCsts(net.scodeTls);
        case tlsansStall:
            if (FSendCsts(0))
                Drain();
            return false;
        }
        return false;
    case cmdEstPasiveDataConn:
        return FEstDataConn();
    case cmdEnableDataTLS:
        if (!pdata || !net.fDataTls || pdata->FSecure())
            return FSendCsts(1);
        if (!FSendCsts(0))
            return false;
        if (!pdata->FStartTls(psrv))
            pdata.reset();
        return true;
    default:
        return FSendCsts(1);
    }
}

bool NETSESSION::FEstDataConn()
{
    pdata.reset();
    rgbOutLeft.clear();
    int sockL = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    socklen_t cbSa = sizeof(sa);
    inet_pton(AF_INET, dev.bd.cfg.net.szAddr.c_str(), &sa.sin_addr);
    if (sockL < 0 || bind(sockL, reinterpret_cast<sockaddr *>(&sa), sizeof(sa)) != 0 || listen(sockL, 1) != 0 ||
        getsockname(sockL, reinterpret_cast<sockaddr *>(&sa), &cbSa) != 0) {
        if (sockL >= 0)
            close(sockL);
        return FSendCsts(1);
    }
    uint8_t rgb[6];
    memcpy(rgb, &sa.sin_addr.s_addr, 4);
    memcpy(rgb + 4, &sa.sin_port, 2);
    if (!FSendCsts(2, rgb, 6)) {
        close(sockL);
        return false;
    }
    pollfd pfd = { sockL, POLLIN, 0 };
    if (poll(&pfd, 1, tmsDataAccept) == 1) {
        int sock = accept4(sockL, nullptr, nullptr, SOCK_CLOEXEC);
        if (sock >= 0) {
            int fOn = 1;
            setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &fOn, sizeof(fOn));
            pdata = std::make_unique<NETSTREAM>(sock);
        }
    }
    close(sockL);
    return true;
}

bool NETSESSION::FVendorReq(const uint8_t *pb, size_t cb)
{
    if (cb < 8)
        return false;
    uint8_t bm = pb[0], req = pb[1];
    uint16_t wValue = U16(pb + 2), wIndex = U16(pb + 4), wLength = U16(pb + 6);
    bool fIn = (bm & 0x80) != 0;
    if (!fIn && cb - 8 != wLength)
        return false;
    std::vector<uint8_t> rgbIn;
    std::vector<uint8_t> rgbOut(pb + 8, pb + cb);
    // The network firmware takes the user and product names with their
    // characters only; its fields are those of the USB firmware.
    size_t cbField = req == 0xE3 ? 16 : req == 0xE1 ? 28 : 0;
    if (!fIn && cbField != 0 && rgbOut.size() <= cbField) {
        rgbOut.resize(cbField, 0);
        wLength = uint16_t(cbField);
    }
    bool fOk = false;
    if (fAuthed) {
        std::lock_guard<std::mutex> lock(bus.mtx);
        FWACT fwact = fwactNone;
        fOk = dev.fw.FVendorRequest(uint8_t(fIn ? 0xC0 : 0x40), req, wValue, wIndex, fIn ? nullptr : rgbOut.data(),
                                    wLength, rgbIn, fwact);
    }
    if (!fIn || !fOk)
        rgbIn.clear();
    std::vector<uint8_t> rgb;
    PutU32(rgb, uint32_t(4 + rgbIn.size()));
    rgb.push_back(msgVendorSts);
    rgb.push_back(fOk ? 0 : 1);
    rgb.push_back(uint8_t(rgbIn.size() & 0xFF));
    rgb.push_back(uint8_t(rgbIn.size() >> 8));
    rgb.insert(rgb.end(), rgbIn.begin(), rgbIn.end());
    return ctrl.FWriteAll(rgb.data(), rgb.size());
}

bool NETSESSION::FDvcCmd(const uint8_t *pb, size_t cb)
{
    if (cb < 1 || size_t(pb[0]) + 1 != cb || !fAuthed)
        return false;
    std::vector<std::vector<uint8_t>> rgrgbSts;
    {
        std::lock_guard<std::mutex> lock(bus.mtx);
        if (mpowner[&dev] != this) {
            mpowner[&dev] = this;
            rgbOutLeft.clear();
        }
        dev.fw.CommandPacket(pb, cb);
        FFlushStsL(rgrgbSts);
        if (dev.fw.faults.cmdUnplug > 0 && --dev.fw.faults.cmdUnplug == 0)
            bus.UnplugL(dev);
    }
    for (auto &rgb : rgrgbSts)
        if (!ctrl.FWriteAll(rgb.data(), rgb.size()))
            return false;
    return true;
}

} // namespace sim
