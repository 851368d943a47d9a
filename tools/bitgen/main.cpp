// bitgen - test configuration files (.bit and .bin) for a part of the
// device list, with a design tag the simulated FPGA reads back.
//
//   bitgen PART DESIGN OUTBASE [--cclk] [--words N] [--idcode HEX]
//          [--datadir DIR] [--date TEXT] [--time TEXT]
//
// PART is the part text of a .bit header without "xc" (e.g. 3s500efg320);
// its IDCODE comes from the device list (briseldvclist.txt) of DIR.
// Writes OUTBASE.bit and OUTBASE.bin.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#include "bitgen.h"
#include "dvclist.h"
#include "schain.h"

namespace {

int Usage()
{
    fprintf(stderr, "usage: bitgen PART DESIGN OUTBASE [--cclk] [--words N] [--idcode HEX] [--datadir DIR]"
                    " [--date TEXT] [--time TEXT]\n");
    return 2;
}

bool FWriteFile(const std::string &strPath, const std::vector<uint8_t> &rgb)
{
    FILE *pf = fopen(strPath.c_str(), "wb");
    if (pf == nullptr)
        return false;
    bool fOk = fwrite(rgb.data(), 1, rgb.size(), pf) == rgb.size();
    return fclose(pf) == 0 && fOk;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4)
        return Usage();
    BGSPEC bgspec;
    bgspec.strPart = argv[1];
    bgspec.strDesign = argv[2];
    std::string strOut = argv[3];
    bgspec.fJtagClock = true;
    bgspec.cwordFrames = 0;
    bgspec.idcode = 0;
    bgspec.strDate = "2026/12/10";
    bgspec.strTime = "12:00:00";
    std::string strDataDir = BITGEN_DATA_DIR;
    for (int iarg = 4; iarg < argc; iarg++) {
        std::string strArg = argv[iarg];
        bool fValue = iarg + 1 < argc;
        if (strArg == "--cclk")
            bgspec.fJtagClock = false;
        else if (strArg == "--words" && fValue)
            bgspec.cwordFrames = (uint32_t)strtoul(argv[++iarg], nullptr, 0);
        else if (strArg == "--idcode" && fValue)
            bgspec.idcode = (uint32_t)strtoul(argv[++iarg], nullptr, 16);
        else if (strArg == "--datadir" && fValue)
            strDataDir = argv[++iarg];
        else if (strArg == "--date" && fValue)
            bgspec.strDate = argv[++iarg];
        else if (strArg == "--time" && fValue)
            bgspec.strTime = argv[++iarg];
        else
            return Usage();
    }
    if (!strDataDir.empty() && strDataDir.back() != '/' && strDataDir.back() != '\\')
        strDataDir += '/';
    if (bgspec.idcode == 0) {
        SCHAIN schain;
        schain.FInit();
        snprintf(schain.szDataDir, sizeof(schain.szDataDir), "%s", strDataDir.c_str());
        uint32_t mask = 0;
        bgspec.idcode = LookupPartIdcode(&schain, ("xc" + bgspec.strPart).c_str(), &mask);
        if (bgspec.idcode == 0) {
            fprintf(stderr, "bitgen: part xc%s is not in %s%s\n", bgspec.strPart.c_str(), strDataDir.c_str(),
                    szDvcListFile);
            return 1;
        }
    }
    std::vector<uint8_t> rgbData;
    if (!FBuildConfigData(bgspec, &rgbData)) {
        fprintf(stderr, "bitgen: no configuration format for IDCODE %08X\n", bgspec.idcode);
        return 1;
    }
    if (!FWriteFile(strOut + ".bit", BitFileFromData(bgspec, rgbData)) || !FWriteFile(strOut + ".bin", rgbData)) {
        fprintf(stderr, "bitgen: cannot write %s.bit / .bin\n", strOut.c_str());
        return 1;
    }
    printf("xc%s IDCODE %08X design \"%s\": %zu configuration bytes, start-up clock %s\n", bgspec.strPart.c_str(),
           bgspec.idcode, bgspec.strDesign.c_str(), rgbData.size(), bgspec.fJtagClock ? "JTAG" : "CCLK");
    return 0;
}
