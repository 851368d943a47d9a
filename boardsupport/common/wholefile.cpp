// Files written whole or not at all (wholefile.h).

#include "wholefile.h"

#if defined(_WIN32)
#  include <windows.h>
#endif

namespace {

bool FReplace(const std::string &szNew, const std::string &szOld)
{
#if defined(_WIN32)
    return MoveFileExA(szNew.c_str(), szOld.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return rename(szNew.c_str(), szOld.c_str()) == 0;
#endif
}

} // namespace

bool WHOLEFILE::FCreate(const std::string &szPathIn)
{
    Abandon();
    szPath = szPathIn;
    szTemp = szPathIn + ".part~";
    pfile = fopen(szTemp.c_str(), "wb");
    return pfile != nullptr;
}

bool WHOLEFILE::FWrite(const uint8_t *pb, size_t cb)
{
    return pfile != nullptr && fwrite(pb, 1, cb, pfile) == cb;
}

bool WHOLEFILE::FCommit()
{
    if (pfile == nullptr)
        return false;
    bool fOk = fflush(pfile) == 0 && !ferror(pfile);
    fOk = fclose(pfile) == 0 && fOk;
    pfile = nullptr;
    if (fOk && FReplace(szTemp, szPath))
        return true;
    remove(szTemp.c_str());
    return false;
}

void WHOLEFILE::Abandon()
{
    if (pfile == nullptr)
        return;
    fclose(pfile);
    pfile = nullptr;
    remove(szTemp.c_str());
}
