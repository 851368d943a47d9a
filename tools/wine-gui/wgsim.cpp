// The board simulator's configuration as the GUI driver reads it (see wgsim.h).

#include "wgsim.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace wg {

namespace {

std::string SzTrim(const std::string &sz)
{
    size_t ichFirst = sz.find_first_not_of(" \t\r\n");
    if (ichFirst == std::string::npos)
        return "";
    size_t ichLast = sz.find_last_not_of(" \t\r\n");
    return sz.substr(ichFirst, ichLast - ichFirst + 1);
}

} // namespace

std::vector<SIMBOARD> RgboardRead(const std::string &szCfg)
{
    std::vector<SIMBOARD> rgboard;
    FILE *pfile = fopen(szCfg.c_str(), "r");
    if (pfile == nullptr)
        return rgboard;
    char szLine[512];
    while (fgets(szLine, sizeof(szLine), pfile) != nullptr) {
        std::string sz = szLine;
        size_t ichComment = sz.find('#');
        if (ichComment != std::string::npos)
            sz.resize(ichComment);
        sz = SzTrim(sz);
        size_t ichBlank = sz.find_first_of(" \t");
        std::string szKey = sz.substr(0, ichBlank);
        std::string szValue = ichBlank == std::string::npos ? "" : SzTrim(sz.substr(ichBlank));
        if (szKey == "board")
            rgboard.push_back(SIMBOARD{szValue, "000000000000", ""});
        else if (!rgboard.empty() && szKey == "serial")
            rgboard.back().szSerial = szValue;
        else if (!rgboard.empty() && szKey == "user")
            rgboard.back().szUser = szValue;
    }
    fclose(pfile);
    return rgboard;
}

} // namespace wg
