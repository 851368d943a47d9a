// ftcfg.cpp - the configuration directives of FTDI boards.
//
//   ftdi 2232h|4232h|232h     the board's chip (the board becomes an FTDI board)
//   ftdidesc TEXT              product string of the EEPROM
//   ftdimfr TEXT               manufacturer string
//   ftdiloc N                  location id of channel A (B is N+1, ...)
//   ftdijtag A|B|C|D           channel whose MPSSE pins drive the JTAG chain
//   ftdififo A|B|C|D ...       channels wired to a FIFO design
//   ftdiword0 N                EEPROM word 0 (channel types and drivers)
//   ftdiua yes|no              the maker's record in the user area

#include "ftcfg.h"

#include <cstdlib>

namespace sim {

namespace {

int IchanFromSz(const std::string &sz)
{
    return sz.size() == 1 && sz[0] >= 'A' && sz[0] <= 'D' ? sz[0] - 'A' : -1;
}

bool FNum(const std::string &sz, uint64_t &v)
{
    char *pchEnd = nullptr;
    v = strtoull(sz.c_str(), &pchEnd, 0);
    return !sz.empty() && *pchEnd == 0;
}

} // namespace

bool FFtdiDirective(FTDICFG &cfg, const std::string &szKey, const std::vector<std::string> &rgszArg,
                    const std::string &szRest, bool &fHandled, std::string &szErr)
{
    fHandled = szKey.compare(0, 4, "ftdi") == 0;
    if (!fHandled)
        return true;
    uint64_t v = 0;
    if (szKey == "ftdi") {
        if (szRest == "2232h")
            cfg.ftt = ftt2232h;
        else if (szRest == "4232h")
            cfg.ftt = ftt4232h;
        else if (szRest == "232h")
            cfg.ftt = ftt232h;
        else {
            szErr = "'ftdi' takes 2232h, 4232h or 232h";
            return false;
        }
        return true;
    }
    if (szKey == "ftdidesc" || szKey == "ftdimfr") {
        if (szRest.size() > 40) {
            szErr = "'" + szKey + "' takes at most 40 characters";
            return false;
        }
        (szKey == "ftdidesc" ? cfg.szDescription : cfg.szManufacturer) = szRest;
        return true;
    }
    if (szKey == "ftdiloc" || szKey == "ftdiword0") {
        if (rgszArg.size() != 1 || !FNum(rgszArg[0], v) || v > (szKey == "ftdiword0" ? 0xFFFFu : 0xFFFFFFF0u)) {
            szErr = "'" + szKey + "' takes one number";
            return false;
        }
        if (szKey == "ftdiloc")
            cfg.locid = uint32_t(v);
        else
            cfg.word0 = int32_t(v);
        return true;
    }
    if (szKey == "ftdijtag" || szKey == "ftdififo") {
        std::vector<int> rgichan;
        for (auto &sz : rgszArg) {
            int ichan = IchanFromSz(sz);
            if (ichan < 0) {
                szErr = "'" + szKey + "' takes channel letters A to D";
                return false;
            }
            rgichan.push_back(ichan);
        }
        if (rgichan.empty() || (szKey == "ftdijtag" && rgichan.size() != 1)) {
            szErr = "'" + szKey + "' needs " + (szKey == "ftdijtag" ? "one channel" : "channels");
            return false;
        }
        if (szKey == "ftdijtag")
            cfg.ichanJtag = rgichan[0];
        else
            cfg.rgichanFifo = rgichan;
        return true;
    }
    if (szKey == "ftdiua") {
        if (szRest != "yes" && szRest != "no") {
            szErr = "'ftdiua' takes yes or no";
            return false;
        }
        cfg.fUserArea = szRest == "yes";
        return true;
    }
    szErr = "unknown directive '" + szKey + "'";
    return false;
}

} // namespace sim
