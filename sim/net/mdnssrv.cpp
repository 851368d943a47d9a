// mdnssrv.cpp - what a network board marked "netdnssd" says to a DNS-SD
// browse: one multicast DNS response holding the PTR record of its
// instance of "_korvanel-orrin._tcp.local", the SRV record (its control
// port on host "<serial>.local"), the TXT record of its identity and the
// A record of its address.

#include "netdisc.h"

#include "../server/bus.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <string>

namespace sim {

namespace {

const char szServiceType[] = "_korvanel-orrin._tcp.local";

void PutU16(std::vector<uint8_t> &rgb, uint16_t w)
{
    rgb.push_back(uint8_t(w >> 8));
    rgb.push_back(uint8_t(w));
}

void PutU32(std::vector<uint8_t> &rgb, uint32_t dw)
{
    PutU16(rgb, uint16_t(dw >> 16));
    PutU16(rgb, uint16_t(dw));
}

// A name in labels, without compression.
std::vector<uint8_t> RgbName(const std::string &sz)
{
    std::vector<uint8_t> rgb;
    size_t ich = 0;
    while (ich < sz.size()) {
        size_t ichDot = sz.find('.', ich);
        if (ichDot == std::string::npos)
            ichDot = sz.size();
        size_t cch = std::min<size_t>(ichDot - ich, 63);
        rgb.push_back(uint8_t(cch));
        rgb.insert(rgb.end(), sz.begin() + ptrdiff_t(ich), sz.begin() + ptrdiff_t(ich + cch));
        ich = ichDot + 1;
    }
    rgb.push_back(0);
    return rgb;
}

void PutRR(std::vector<uint8_t> &rgb, const std::string &szOwner, uint16_t type, const std::vector<uint8_t> &rgbData)
{
    std::vector<uint8_t> rgbOwner = RgbName(szOwner);
    rgb.insert(rgb.end(), rgbOwner.begin(), rgbOwner.end());
    PutU16(rgb, type);
    PutU16(rgb, type == 12 ? 1 : 0x8001);   // IN; the unique records flush the cache
    PutU32(rgb, 120);
    PutU16(rgb, uint16_t(rgbData.size()));
    rgb.insert(rgb.end(), rgbData.begin(), rgbData.end());
}

void PutTxt(std::vector<uint8_t> &rgb, const std::string &sz)
{
    size_t cch = std::min<size_t>(sz.size(), 255);
    rgb.push_back(uint8_t(cch));
    rgb.insert(rgb.end(), sz.begin(), sz.begin() + ptrdiff_t(cch));
}

std::string SzHex(const char *szFmt, uint32_t dw)
{
    char sz[16];
    snprintf(sz, sizeof(sz), szFmt, dw);
    return sz;
}

} // namespace

bool FMdnsQuery(const uint8_t *pb, size_t cb)
{
    // A query (QR clear, opcode 0) whose first question is the service
    // type, written in labels, of type PTR (12) or any (255).
    if (cb < 12 || (pb[2] & 0xF8) != 0 || (pb[4] == 0 && pb[5] == 0))
        return false;
    std::vector<uint8_t> rgbName = RgbName(szServiceType);
    size_t ib = 12;
    if (ib + rgbName.size() + 4 > cb)
        return false;
    for (size_t i = 0; i < rgbName.size(); i++) {
        uint8_t b = pb[ib + i];
        if (b >= 'A' && b <= 'Z')
            b = uint8_t(b - 'A' + 'a');
        if (b != rgbName[i])
            return false;
    }
    uint16_t type = uint16_t((pb[ib + rgbName.size()] << 8) | pb[ib + rgbName.size() + 1]);
    return type == 12 || type == 255;
}

std::vector<uint8_t> RgbMdnsResp(DEVICE &dev)
{
    const NETCFG &net = dev.bd.cfg.net;
    const IDENT &ident = dev.bd.ident;
    std::string szInstance = (ident.szUser.empty() ? ident.szSerial : ident.szUser) + "." + szServiceType;
    std::string szHost = "kor" + ident.szSerial + ".local";
    std::vector<uint8_t> rgb = { 0, 0, 0x84, 0, 0, 0, 0, 4, 0, 0, 0, 0 };   // answer, authoritative, 4 records
    PutRR(rgb, szServiceType, 12, RgbName(szInstance));
    std::vector<uint8_t> rgbSrv;
    PutU16(rgbSrv, 0);
    PutU16(rgbSrv, 0);
    PutU16(rgbSrv, net.port);
    std::vector<uint8_t> rgbTarget = RgbName(szHost);
    rgbSrv.insert(rgbSrv.end(), rgbTarget.begin(), rgbTarget.end());
    PutRR(rgb, szInstance, 33, rgbSrv);
    std::vector<uint8_t> rgbTxt;
    PutTxt(rgbTxt, "VER=" + std::to_string(net.verDisc));
    PutTxt(rgbTxt, "PDID=" + SzHex("%08x", ident.pdid));
    PutTxt(rgbTxt, "DcapPub=" + SzHex("%08x", ident.dcapPub));
    PutTxt(rgbTxt, "DcapPriv=" + SzHex("%08x", ident.dcapPriv));
    PutTxt(rgbTxt, "FWVER=" + SzHex("%04x", ident.fwver));
    PutTxt(rgbTxt, "MAC=" + ident.szMac);
    PutTxt(rgbTxt, "UsrName=" + ident.szUser);
    PutTxt(rgbTxt, "ProdName=" + ident.szProduct);
    PutTxt(rgbTxt, "SN=" + ident.szSerial);
    uint16_t fs = FsDisc(dev);
    const char *rgszFlag[] = { "CTLS", "DTLS", "AUTH", "AUTHEN" };
    for (int i = 0; i < 4; i++) {
        if (fs & (1 << i))
            PutTxt(rgbTxt, rgszFlag[i]);
    }
    PutRR(rgb, szInstance, 16, rgbTxt);
    std::vector<uint8_t> rgbA(4);
    in_addr in;
    if (inet_pton(AF_INET, net.szAddr.c_str(), &in) == 1)
        memcpy(rgbA.data(), &in.s_addr, 4);
    PutRR(rgb, szHost, 1, rgbA);
    return rgb;
}

} // namespace sim
