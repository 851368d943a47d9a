// Files written whole or not at all (wholefile.h).

#include "wholefile.h"

#if defined(_WIN32)
#  include <windows.h>
#endif

namespace {

const uint64_t hashStart = 14695981039346656037ull;

uint64_t HashMore(uint64_t hash, const uint8_t *pb, size_t cb)
{
    for (size_t i = 0; i < cb; i++)
        hash = (hash ^ pb[i]) * 1099511628211ull;
    return hash;
}

bool FMoveOver(const std::string &szFrom, const std::string &szTo)
{
#if defined(_WIN32)
    return MoveFileExA(szFrom.c_str(), szTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return rename(szFrom.c_str(), szTo.c_str()) == 0;
#endif
}

} // namespace

bool WHOLEFILE::FCreate(const std::string &szPathIn)
{
    Abandon();
    szPath = szPathIn;
    szTemp = szPathIn + ".tmp~";
    cbWritten = 0;
    hash = hashStart;
    pf = fopen(szTemp.c_str(), "wb");
    return pf != nullptr;
}

bool WHOLEFILE::FWrite(const uint8_t *pb, size_t cb)
{
    if (pf == nullptr)
        return false;
    if (cb == 0)
        return true;
    size_t cbDone = fwrite(pb, 1, cb, pf);
    hash = HashMore(hash, pb, cbDone);
    cbWritten += cbDone;
    return cbDone == cb;
}

bool WHOLEFILE::FCommit()
{
    if (pf == nullptr)
        return false;
    bool fOk = fclose(pf) == 0;
    pf = nullptr;
    if (fOk) {
        FILE *pfBack = fopen(szTemp.c_str(), "rb");
        fOk = pfBack != nullptr;
        uint64_t hashBack = hashStart, cbBack = 0;
        uint8_t rgb[65536];
        size_t cb;
        while (fOk && (cb = fread(rgb, 1, sizeof(rgb), pfBack)) > 0) {
            hashBack = HashMore(hashBack, rgb, cb);
            cbBack += cb;
        }
        if (pfBack != nullptr) {
            fOk = fOk && !ferror(pfBack);
            fclose(pfBack);
        }
        fOk = fOk && cbBack == cbWritten && hashBack == hash;
    }
    if (fOk && FMoveOver(szTemp, szPath)) {
        szTemp.clear();
        return true;
    }
    remove(szTemp.c_str());
    return false;
}

void WHOLEFILE::Abandon()
{
    if (pf != nullptr) {
        fclose(pf);
        pf = nullptr;
    }
    if (!szTemp.empty())
        remove(szTemp.c_str());
    szTemp.clear();
}
