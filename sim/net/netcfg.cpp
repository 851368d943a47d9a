// netcfg.cpp - the network lines of a board's configuration.

#include "netcfg.h"

#include <arpa/inet.h>
#include <cstdlib>

namespace sim {

bool FParseNetLine(NETCFG &net, const std::string &szKey, const std::vector<std::string> &rgszArg, bool &fTaken,
                   std::string &szErr)
{
    fTaken = true;
    if (szKey == "net") {
        in_addr in;
        char *pchEnd = nullptr;
        unsigned long port = rgszArg.size() == 2 ? strtoul(rgszArg[1].c_str(), &pchEnd, 10) : 0;
        if (rgszArg.size() != 2 || inet_pton(AF_INET, rgszArg[0].c_str(), &in) != 1 || *pchEnd != 0 || port == 0 ||
            port > 65535 || (ntohl(in.s_addr) >> 24) != 127) {
            szErr = "'net' needs a loopback address (127.x.y.z) and a port";
            return false;
        }
        net.szAddr = rgszArg[0];
        net.port = uint16_t(port);
        return true;
    }
    if (szKey == "nettls") {
        static const struct { const char *sz; TLSANS tlsans; } rgmode[] = {
            { "on", tlsansOn }, { "plain", tlsansPlain }, { "close", tlsansClose },
            { "silent", tlsansSilent }, { "scode", tlsansScode }, { "stall", tlsansStall },
        };
        for (auto &mode : rgmode) {
            if (rgszArg.empty() || rgszArg[0] != mode.sz)
                continue;
            if ((mode.tlsans == tlsansScode) != (rgszArg.size() == 2))
                break;
            net.tlsans = mode.tlsans;
            if (mode.tlsans == tlsansScode)
                net.scodeTls = uint8_t(strtoul(rgszArg[1].c_str(), nullptr, 0));
            return true;
        }
        szErr = "'nettls' needs on, plain, close, silent, stall or scode N";
        return false;
    }
    if (szKey == "netdatatls") {
        if (rgszArg.size() != 1 || (rgszArg[0] != "on" && rgszArg[0] != "off")) {
            szErr = "'netdatatls' needs on or off";
            return false;
        }
        net.fDataTls = rgszArg[0] == "on";
        return true;
    }
    if (szKey == "netdisc") {
        for (size_t i = 0; i < rgszArg.size(); i++) {
            if (rgszArg[i] == "off")
                net.fUdp = false;
            else if (rgszArg[i] == "noip")
                net.fDiscNoIp = true;
            else if (rgszArg[i] == "ver" && i + 1 < rgszArg.size())
                net.verDisc = uint16_t(strtoul(rgszArg[++i].c_str(), nullptr, 0));
            else if (rgszArg[i] == "port" && i + 1 < rgszArg.size())
                net.portDisc = uint16_t(strtoul(rgszArg[++i].c_str(), nullptr, 0));
            else {
                szErr = "'netdisc' takes off, noip, ver N and port N";
                return false;
            }
        }
        return true;
    }
    if (szKey == "netdnssd") {
        net.fDnssd = true;
        for (size_t i = 0; i < rgszArg.size(); i++) {
            if (rgszArg[i] == "off")
                net.fDnssd = false;
            else if (rgszArg[i] == "port" && i + 1 < rgszArg.size())
                net.portMdns = uint16_t(strtoul(rgszArg[++i].c_str(), nullptr, 0));
            else {
                szErr = "'netdnssd' takes off and port N";
                return false;
            }
        }
        return true;
    }
    fTaken = false;
    return true;
}

} // namespace sim
