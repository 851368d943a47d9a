// netdiscsrv.cpp - the boards' UDP discovery responders.

#include "netdisc.h"

#include "../server/bus.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace sim {

namespace {

const uint8_t rgbSig[30] = { 0xe7, 0x28, 0x9f, 0xea, 0x69, 0xc6, 0x86, 0x7a, 'k', 'o', 'r', 'v', 'a', 'n', 'e',
                             'l', '-', 'o', 'r', 'r', 'i', 'n', 0x9b, 0xe4, 0x99, 0x31, 0xd4, 0xd1, 0x2f, 0x36 };

void PutText(uint8_t *pb, size_t cbField, const std::string &sz)
{
    memcpy(pb, sz.data(), sz.size() < cbField ? sz.size() : cbField);
}

void PutU32(uint8_t *pb, uint32_t dw)
{
    for (int i = 0; i < 4; i++)
        pb[i] = uint8_t(dw >> (8 * i));
}

int SockUdp(uint32_t ipv4, uint16_t port)
{
    int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0)
        return -1;
    int fOn = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &fOn, sizeof(fOn));
    setsockopt(sock, SOL_SOCKET, SO_REUSEPORT, &fOn, sizeof(fOn));
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = ipv4;
    if (bind(sock, reinterpret_cast<sockaddr *>(&sa), sizeof(sa)) != 0) {
        close(sock);
        return -1;
    }
    return sock;
}

} // namespace

bool FDiscReq(const uint8_t *pb, size_t cb)
{
    return cb == cbDiscReq && memcmp(pb, rgbSig, sizeof(rgbSig)) == 0 && pb[30] == 0xE0 && pb[31] == 0x00;
}

uint16_t FsDisc(DEVICE &dev)
{
    const NETCFG &net = dev.bd.cfg.net;
    return uint16_t((net.tlsans == tlsansOn ? 1 : 0) | (net.fDataTls ? 2 : 0) | 4 | (dev.bd.fAuth ? 8 : 0));
}

std::vector<uint8_t> RgbDiscResp(DEVICE &dev)
{
    const NETCFG &net = dev.bd.cfg.net;
    const IDENT &ident = dev.bd.ident;
    std::vector<uint8_t> rgb(cbDiscResp, 0);
    memcpy(rgb.data(), rgbSig, sizeof(rgbSig));
    rgb[30] = uint8_t(net.verDisc);
    rgb[31] = uint8_t(net.verDisc >> 8);
    uint16_t fs = FsDisc(dev);
    rgb[32] = uint8_t(fs);
    rgb[33] = uint8_t(fs >> 8);
    if (!net.fDiscNoIp)
        PutText(&rgb[34], 15, net.szAddr);
    PutText(&rgb[50], 5, std::to_string(net.port));
    PutText(&rgb[56], 17, ident.szMac);
    PutText(&rgb[78], 16, ident.szUser);
    PutText(&rgb[95], 28, ident.szProduct);
    PutText(&rgb[124], 12, ident.szSerial);
    PutU32(&rgb[140], ident.pdid);
    PutU32(&rgb[144], ident.dcapPub);
    PutU32(&rgb[148], ident.dcapPriv);
    rgb[152] = uint8_t(ident.fwver);
    rgb[153] = uint8_t(ident.fwver >> 8);
    return rgb;
}

// One thread per board and kind: requests arrive on port (beside the other
// boards), answers leave from the board's own address.
static bool FStartUdpResponder(BUS &bus, DEVICE &dev, uint16_t port, bool (*pfnReq)(const uint8_t *, size_t),
                               std::vector<uint8_t> (*pfnResp)(DEVICE &))
{
    const NETCFG &net = dev.bd.cfg.net;
    in_addr in;
    if (inet_pton(AF_INET, net.szAddr.c_str(), &in) != 1)
        return true;
    int sockRecv = SockUdp(htonl(INADDR_ANY), port);
    int sockSend = SockUdp(in.s_addr, 0);
    if (sockRecv < 0 || sockSend < 0) {
        if (sockRecv >= 0)
            close(sockRecv);
        if (sockSend >= 0)
            close(sockSend);
        return false;
    }
    std::thread([&bus, &dev, sockRecv, sockSend, pfnReq, pfnResp] {
        for (;;) {
            uint8_t rgb[1500];
            sockaddr_in saFrom = {};
            socklen_t cbFrom = sizeof(saFrom);
            ssize_t cb = recvfrom(sockRecv, rgb, sizeof(rgb), 0, reinterpret_cast<sockaddr *>(&saFrom), &cbFrom);
            if (cb < 0 || !pfnReq(rgb, size_t(cb)))
                continue;
            std::vector<uint8_t> rgbResp;
            {
                std::lock_guard<std::mutex> lock(bus.mtx);
                if (!dev.FPresent())
                    continue;
                rgbResp = pfnResp(dev);
            }
            sendto(sockSend, rgbResp.data(), rgbResp.size(), 0, reinterpret_cast<sockaddr *>(&saFrom), cbFrom);
        }
    }).detach();
    return true;
}

bool FStartDiscResponder(BUS &bus, DEVICE &dev)
{
    return !dev.bd.cfg.net.fUdp || FStartUdpResponder(bus, dev, dev.bd.cfg.net.portDisc, FDiscReq, RgbDiscResp);
}

bool FStartMdnsResponder(BUS &bus, DEVICE &dev)
{
    return !dev.bd.cfg.net.fDnssd || FStartUdpResponder(bus, dev, dev.bd.cfg.net.portMdns, FMdnsQuery, RgbMdnsResp);
}

} // namespace sim
