/* fwinstall.cpp - firmware libraries into the test's firmware folder. */
#include "fwinstall.h"
#include "kor_child.h"

#include <stdio.h>
#include <stdlib.h>

#include <fstream>

bool FInstallFw(const std::string &szFile, const std::string &szName)
{
    const char *szFwDir = getenv("YORL_FWDIR");
    if (szFwDir == nullptr)
        return false;
    std::string szSelf = KorSelfPath();
    std::ifstream ifs(szSelf.substr(0, szSelf.find_last_of("/\\") + 1) + szFile, std::ios::binary);
    std::string szDst = std::string(szFwDir) + szName;
    /* Installed already (and perhaps loaded: Windows keeps a loaded file in place). */
    if (std::ifstream(szDst, std::ios::binary).good())
        return true;
    {
        std::ofstream ofs(szDst + ".tmp", std::ios::binary);
        ofs << ifs.rdbuf();
        if (!ifs.good() || !ofs.good())
            return false;
    }
    remove(szDst.c_str());
    return rename((szDst + ".tmp").c_str(), szDst.c_str()) == 0;
}
