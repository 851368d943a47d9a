// iscreport.cpp - control-channel reports of the CPLD and PROM models.

#include "iscreport.h"

#include "xc2c.h"
#include "xcf.h"

#include <cstdio>
#include <cstdlib>

namespace sim {

namespace {

bool FNumArg(const std::vector<std::string> &rgszArg, size_t iarg, uint64_t &v)
{
    if (iarg >= rgszArg.size() || rgszArg[iarg].empty())
        return false;
    char *pchEnd = nullptr;
    v = strtoull(rgszArg[iarg].c_str(), &pchEnd, 0);
    return pchEnd && *pchEnd == '\0';
}

template <class T> T *PdevArg(BOARD &bd, const std::vector<std::string> &rgszArg, size_t iarg, size_t &idev)
{
    uint64_t v;
    bool fIndex = FNumArg(rgszArg, iarg, v);
    for (idev = fIndex ? size_t(v) : 0; idev < bd.chain.Cdev(); idev++) {
        if (T *p = dynamic_cast<T *>(bd.chain.Pjdev(idev)))
            return p;
        if (fIndex)
            break;
    }
    return nullptr;
}

std::string SzKv(const char *szKey, uint64_t v)
{
    return std::string(szKey) + " " + std::to_string(v);
}

} // namespace

bool FIscInspect(BOARD &bd, const std::vector<std::string> &rgszArg, std::vector<std::string> &rgszData,
                 bool &fKnown, std::string &szErr)
{
    const std::string &szCmd = rgszArg[0];
    fKnown = szCmd == "CPLD" || szCmd == "CPLDROW" || szCmd == "PROM" || szCmd == "PROMMEM";
    if (!fKnown)
        return false;
    size_t idev = 0;
    uint64_t v1 = 0, v2 = 0;
    if (szCmd == "CPLD" || szCmd == "CPLDROW") {
        bool fRow = szCmd == "CPLDROW";
        if (fRow && !FNumArg(rgszArg, 2, v1)) {
            szErr = "usage: CPLDROW board row [index]";
            return false;
        }
        XC2C *pxc2c = PdevArg<XC2C>(bd, rgszArg, fRow ? 3 : 2, idev);
        if (!pxc2c) {
            szErr = "no CPLD";
            return false;
        }
        if (fRow) {
            if (v1 >= pxc2c->Geom().crow) {
                szErr = "no such row";
                return false;
            }
            std::string sz;
            for (uint8_t b : pxc2c->Row(unsigned(v1)))
                sz += b ? '1' : '0';
            rgszData.push_back(sz);
            return true;
        }
        pxc2c->Row(0);      // a cycle that has had its time ends
        rgszData.push_back(SzKv("dev", idev));
        rgszData.push_back("model " + pxc2c->SzModel());
        rgszData.push_back(SzKv("done", pxc2c->FDone()));
        rgszData.push_back(SzKv("isc", pxc2c->FIsc()));
        rgszData.push_back(SzKv("protect", pxc2c->FProtected()));
        rgszData.push_back(SzKv("erases", pxc2c->CErases()));
        rgszData.push_back(SzKv("rows", pxc2c->CRowsProgrammed()));
        rgszData.push_back(SzKv("eraseshort", pxc2c->CEraseShort()));
        rgszData.push_back(SzKv("programshort", pxc2c->CProgramShort()));
        rgszData.push_back(SzKv("unerased", pxc2c->CProgramUnerased()));
        return true;
    }
    bool fMem = szCmd == "PROMMEM";
    if (fMem && (!FNumArg(rgszArg, 2, v1) || !FNumArg(rgszArg, 3, v2))) {
        szErr = "usage: PROMMEM board addr len [index]";
        return false;
    }
    XCF *pxcf = PdevArg<XCF>(bd, rgszArg, fMem ? 4 : 2, idev);
    if (!pxcf) {
        szErr = "no PROM";
        return false;
    }
    const std::vector<uint8_t> &rgb = pxcf->Array();
    if (fMem) {
        if (v1 > rgb.size() || v2 > rgb.size() - v1 || v2 > (1u << 20)) {
            szErr = "outside the array";
            return false;
        }
        std::string sz;
        char szByte[3];
        for (uint64_t ib = v1; ib < v1 + v2; ib++) {
            snprintf(szByte, sizeof(szByte), "%02x", rgb[ib]);
            sz += szByte;
        }
        rgszData.push_back(sz);
        return true;
    }
    rgszData.push_back(SzKv("dev", idev));
    rgszData.push_back("model " + pxcf->SzModel());
    rgszData.push_back(SzKv("isp", pxcf->FIsp()));
    rgszData.push_back(SzKv("erases", pxcf->CErases()));
    rgszData.push_back(SzKv("pages", pxcf->CPagesProgrammed()));
    rgszData.push_back(SzKv("eraseshort", pxcf->CEraseShort()));
    rgszData.push_back(SzKv("programshort", pxcf->CProgramShort()));
    rgszData.push_back(SzKv("used", pxcf->CbUsed()));
    rgszData.push_back(SzKv("control", pxcf->Control()));
    return true;
}

} // namespace sim
