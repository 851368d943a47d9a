// config.cpp - reader of the board configuration file.
//
// One directive per line: a keyword and its values, '#' starts a comment.
// "board NAME" starts a board; every other directive belongs to the last
// board started. Text values (names) take the rest of the line.

#include "config.h"
#include "../net/netcfg.h"
#include "../model/cfgpacket.h"
#include "../model/xc2c.h"
#include "../model/xcf.h"
#include "../model/xcfp.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace sim {

namespace {

struct LINE {
    std::string szKey;
    std::vector<std::string> rgszArg;
    std::string szRest;     // everything after the keyword, trimmed
};

std::string SzTrim(const std::string &sz)
{
    size_t ichFirst = sz.find_first_not_of(" \t\r");
    if (ichFirst == std::string::npos)
        return "";
    size_t ichLast = sz.find_last_not_of(" \t\r");
    return sz.substr(ichFirst, ichLast - ichFirst + 1);
}

bool FParseLine(const std::string &szLine, LINE &line)
{
    std::string sz = szLine.substr(0, szLine.find('#'));
    sz = SzTrim(sz);
    if (sz.empty())
        return false;
    std::istringstream iss(sz);
    iss >> line.szKey;
    std::string szArg;
    while (iss >> szArg)
        line.rgszArg.push_back(szArg);
    line.szRest = SzTrim(sz.substr(line.szKey.size()));
    return true;
}

bool FNumber(const std::string &sz, uint64_t &v)
{
    if (sz.empty())
        return false;
    char *pchEnd = nullptr;
    errno = 0;
    v = strtoull(sz.c_str(), &pchEnd, 0);
    return errno == 0 && *pchEnd == 0;
}

bool FYesNo(const std::string &sz, bool &f)
{
    if (sz == "yes" || sz == "1" || sz == "on") {
        f = true;
        return true;
    }
    if (sz == "no" || sz == "0" || sz == "off") {
        f = false;
        return true;
    }
    return false;
}

class PARSER {
public:
    explicit PARSER(std::vector<BOARDCFG> &rgcfgIn) : rgcfg(rgcfgIn) {}
    bool FDirective(const LINE &line, std::string &szErr);

private:
    bool FNums(const LINE &line, size_t cMin, std::vector<uint64_t> &rgv, std::string &szErr);
    bool FBoardDirective(BOARDCFG &cfg, const LINE &line, std::string &szErr);

    std::vector<BOARDCFG> &rgcfg;
};

bool PARSER::FNums(const LINE &line, size_t cMin, std::vector<uint64_t> &rgv, std::string &szErr)
{
    if (line.rgszArg.size() < cMin) {
        szErr = "'" + line.szKey + "' needs " + std::to_string(cMin) + " value(s)";
        return false;
    }
    for (auto &szArg : line.rgszArg) {
        uint64_t v;
        if (!FNumber(szArg, v)) {
            szErr = "'" + szArg + "' is not a number";
            return false;
        }
        rgv.push_back(v);
    }
    return true;
}

bool PARSER::FDirective(const LINE &line, std::string &szErr)
{
    if (line.szKey == "board") {
        if (line.rgszArg.size() != 1) {
            szErr = "'board' needs one name";
            return false;
        }
        for (auto &cfg : rgcfg)
            if (cfg.szName == line.rgszArg[0]) {
                szErr = "board '" + line.rgszArg[0] + "' defined twice";
                return false;
            }
        rgcfg.emplace_back();
        rgcfg.back().szName = line.rgszArg[0];
        return true;
    }
    if (rgcfg.empty()) {
        szErr = "'" + line.szKey + "' before the first 'board'";
        return false;
    }
    return FBoardDirective(rgcfg.back(), line, szErr);
}

bool PARSER::FBoardDirective(BOARDCFG &cfg, const LINE &line, std::string &szErr)
{
    static const std::map<std::string, std::string IDENT::*> mpszText = {
        { "user", &IDENT::szUser }, { "product", &IDENT::szProduct }, { "mac", &IDENT::szMac },
        { "usbproduct", &IDENT::szUsbProduct }, { "usbbootproduct", &IDENT::szUsbBootProduct },
        { "oldversion", &IDENT::szOldVersion },
    };
    const std::string &szKey = line.szKey;
    bool fNetLine = false;
    if (!FParseNetLine(cfg.net, szKey, line.rgszArg, fNetLine, szErr))
        return false;
    if (fNetLine)
        return true;
    auto itText = mpszText.find(szKey);
    if (itText != mpszText.end()) {
        cfg.ident.*(itText->second) = line.szRest;
        return true;
    }
    if (szKey == "serial") {
        if (line.szRest.size() != 12) {
            szErr = "a serial number has 12 characters";
            return false;
        }
        cfg.ident.szSerial = line.szRest;
        return true;
    }
    if (szKey == "design") {
        cfg.szDesign = line.szRest;
        return true;
    }
    if (szKey == "designopt") {
        if (line.rgszArg.size() != 2) {
            szErr = "designopt takes a key and a value";
            return false;
        }
        cfg.rgoptDesign.emplace_back(line.rgszArg[0], line.rgszArg[1]);
        return true;
    }
    if (szKey == "chip" || szKey == "mode") {
        static const std::map<std::string, int> mpchip = { { "fixed", chipFixed }, { "fx2", chipFx2 }, { "fx3", chipFx3 } };
        static const std::map<std::string, int> mpmode = {
            { "app", fwmApp }, { "blank", fwmBlank }, { "loader", fwmLoader }, { "boot", fwmFx3Boot } };
        const auto &mp = szKey == "chip" ? mpchip : mpmode;
        auto it = line.rgszArg.size() == 1 ? mp.find(line.rgszArg[0]) : mp.end();
        if (it == mp.end()) {
            szErr = "unknown " + szKey + " '" + line.szRest + "'";
            return false;
        }
        if (szKey == "chip")
            cfg.chip = CHIP(it->second);
        else
            cfg.fwm = FWMODE(it->second);
        return true;
    }
    if (szKey == "legacyblock" || szKey == "plugged" || szKey == "auth") {
        bool f;
        if (line.rgszArg.size() != 1 || !FYesNo(line.rgszArg[0], f)) {
            szErr = "'" + szKey + "' takes yes or no";
            return false;
        }
        (szKey == "legacyblock" ? cfg.fLegacyBlock : szKey == "plugged" ? cfg.fPlugged : cfg.fAuth) = f;
        return true;
    }
    if (szKey == "jtag") {
        std::vector<uint64_t> rgv;
        LINE lineNums = line;
        if (line.rgszArg.size() < 3) {
            szErr = "'jtag' needs a model name, an IDCODE and an IR length";
            return false;
        }
        lineNums.rgszArg.erase(lineNums.rgszArg.begin());
        if (!FNums(lineNums, 2, rgv, szErr))
            return false;
        if (rgv[1] < 2 || rgv[1] > 64) {
            szErr = "IR length must be 2 to 64";
            return false;
        }
        JDEVCFG jdevcfg;
        jdevcfg.szModel = line.rgszArg[0];
        jdevcfg.idcode = uint32_t(rgv[0]);
        jdevcfg.cbitIr = unsigned(rgv[1]);
        jdevcfg.irIdcode = rgv.size() > 2 ? rgv[2] : 1;
        cfg.rgjdevcfg.push_back(jdevcfg);
        return true;
    }
    if (szKey == "cpld" || szKey == "prom") {
        // cpld MODEL IDCODE / prom MODEL IDCODE: a CoolRunner-II CPLD or a
        // Platform Flash PROM with its programmable array (IR 8).
        std::vector<uint64_t> rgv;
        bool fCpld = szKey == "cpld";
        if (line.rgszArg.size() != 2 ||
            (fCpld ? PgeomXc2c(line.rgszArg[0]) == nullptr
                   : PgeomXcf(line.rgszArg[0]) == nullptr && !XCFP::FKnown(line.rgszArg[0]))) {
            szErr = fCpld ? "'cpld' needs a CoolRunner-II part (XC2C32A ... XC2C512) and an IDCODE"
                          : "'prom' needs a Platform Flash part (XCF01S ... XCF04S, XCF08P ... XCF32P) and an IDCODE";
            return false;
        }
        LINE lineNums = line;
        lineNums.rgszArg = { line.rgszArg[1] };
        if (!FNums(lineNums, 1, rgv, szErr))
            return false;
        JDEVCFG jdevcfg;
        jdevcfg.szModel = line.rgszArg[0];
        jdevcfg.idcode = uint32_t(rgv[0]);
        jdevcfg.cbitIr = XCFP::FKnown(jdevcfg.szModel) ? 16 : 8;
        jdevcfg.irIdcode = fCpld ? 0x01 : 0xFE;
        jdevcfg.szKind = szKey;
        cfg.rgjdevcfg.push_back(jdevcfg);
        return true;
    }
    if (szKey == "fpga") {
        // fpga MODEL IDCODE IRLEN FAMILY: a Xilinx FPGA with configuration logic.
        std::vector<uint64_t> rgv;
        XFAM xfam;
        if (line.rgszArg.size() != 4 || !FXfamFromSz(line.rgszArg[3], xfam)) {
            szErr = "'fpga' needs a model name, an IDCODE, an IR length and a family (s3, s3e, s3a, s6)";
            return false;
        }
        LINE lineNums = line;
        lineNums.rgszArg = { line.rgszArg[1], line.rgszArg[2] };
        if (!FNums(lineNums, 2, rgv, szErr))
            return false;
        if (rgv[1] < 6 || rgv[1] > 64) {
            szErr = "an FPGA's IR length must be 6 to 64";
            return false;
        }
        JDEVCFG jdevcfg;
        jdevcfg.szModel = line.rgszArg[0];
        jdevcfg.idcode = uint32_t(rgv[0]);
        jdevcfg.cbitIr = unsigned(rgv[1]);
        jdevcfg.irIdcode = 0x09;
        jdevcfg.szFamily = line.rgszArg[3];
        cfg.rgjdevcfg.push_back(jdevcfg);
        return true;
    }
    if (szKey == "rail") {
        std::vector<uint64_t> rgv;
        LINE lineNums = line;
        if (line.rgszArg.size() != 5) {
            szErr = "'rail' needs a label and four numbers";
            return false;
        }
        lineNums.rgszArg.erase(lineNums.rgszArg.begin());
        if (!FNums(lineNums, 4, rgv, szErr))
            return false;
        cfg.rgrail.push_back({ line.rgszArg[0], uint32_t(rgv[0]), uint32_t(rgv[1]), uint32_t(rgv[2]),
                               uint32_t(rgv[3]) });
        return true;
    }
    if (szKey == "account") {
        uint64_t attr;
        if (line.rgszArg.size() != 3 || !FNumber(line.rgszArg[2], attr)) {
            szErr = "'account' needs a name, a password and an attribute";
            return false;
        }
        cfg.rgacct.push_back({ line.rgszArg[0], line.rgszArg[1], uint8_t(attr) });
        return true;
    }
    std::vector<uint64_t> rgv;
    if (szKey == "legacypdid") {
        if (!FNums(line, 1, rgv, szErr))
            return false;
        cfg.fLegacyPdid = true;
        cfg.pdidLegacy = uint32_t(rgv[0]);
        return true;
    }
    if (szKey == "pdid" || szKey == "fwver" || szKey == "fwverrom" || szKey == "revid" || szKey == "jtagprops") {
        if (!FNums(line, 1, rgv, szErr))
            return false;
        if (szKey == "pdid") cfg.ident.pdid = uint32_t(rgv[0]);
        else if (szKey == "fwver") cfg.ident.fwver = uint16_t(rgv[0]);
        else if (szKey == "fwverrom") cfg.ident.fwverRom = uint16_t(rgv[0]);
        else if (szKey == "revid") cfg.revid = uint8_t(rgv[0]);
        else cfg.dprpJtag = uint32_t(rgv[0]);
        return true;
    }
    if (szKey == "caps" || szKey == "usb") {
        if (!FNums(line, 2, rgv, szErr))
            return false;
        if (szKey == "caps") {
            cfg.ident.dcapPub = uint32_t(rgv[0]);
            cfg.ident.dcapPriv = uint32_t(rgv[1]);
        } else {
            cfg.ident.vid = uint16_t(rgv[0]);
            cfg.ident.pid = uint16_t(rgv[1]);
        }
        return true;
    }
    if (szKey == "streamprops") {
        if (!FNums(line, 0, rgv, szErr))
            return false;
        cfg.rgdprpStream.clear();
        for (uint64_t v : rgv)
            cfg.rgdprpStream.push_back(uint32_t(v));
        return true;
    }
    bool fFtdi = false;
    if (!FFtdiDirective(cfg.ftdi, szKey, line.rgszArg, line.szRest, fFtdi, szErr))
        return false;
    if (fFtdi)
        return true;
    szErr = "unknown directive '" + szKey + "'";
    return false;
}

} // namespace

bool FParseConfig(const std::string &szText, std::vector<BOARDCFG> &rgcfg, std::string &szErr)
{
    rgcfg.clear();
    PARSER parser(rgcfg);
    std::istringstream iss(szText);
    std::string szLine;
    int iline = 0;
    while (std::getline(iss, szLine)) {
        iline++;
        LINE line;
        if (!FParseLine(szLine, line))
            continue;
        std::string szWhy;
        if (!parser.FDirective(line, szWhy)) {
            szErr = "line " + std::to_string(iline) + ": " + szWhy;
            return false;
        }
    }
    if (rgcfg.empty()) {
        szErr = "no board defined";
        return false;
    }
    return true;
}

bool FLoadConfig(const std::string &szPath, std::vector<BOARDCFG> &rgcfg, std::string &szErr)
{
    std::ifstream ifs(szPath);
    if (!ifs) {
        szErr = "cannot open " + szPath;
        return false;
    }
    std::stringstream ss;
    ss << ifs.rdbuf();
    return FParseConfig(ss.str(), rgcfg, szErr);
}

} // namespace sim
