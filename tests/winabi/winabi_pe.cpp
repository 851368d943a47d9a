#include "winabi_pe.h"

#include <sstream>

bool FReadPeinfo(HMODULE hmod, PEINFO *ppeinfo)
{
    auto pbBase = reinterpret_cast<const BYTE *>(hmod);
    auto pdos = reinterpret_cast<const IMAGE_DOS_HEADER *>(pbBase);
    if (pdos->e_magic != IMAGE_DOS_SIGNATURE)
        return false;
    auto pnt = reinterpret_cast<const IMAGE_NT_HEADERS *>(pbBase + pdos->e_lfanew);
    if (pnt->Signature != IMAGE_NT_SIGNATURE)
        return false;
    ppeinfo->machine = pnt->FileHeader.Machine;
    ppeinfo->magic = pnt->OptionalHeader.Magic;
    ppeinfo->rgszExport.clear();
    const IMAGE_DATA_DIRECTORY &dir = pnt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (dir.VirtualAddress == 0 || dir.Size == 0)
        return true;
    auto pexp = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(pbBase + dir.VirtualAddress);
    auto rgrvaName = reinterpret_cast<const DWORD *>(pbBase + pexp->AddressOfNames);
    for (DWORD i = 0; i < pexp->NumberOfNames; i++)
        ppeinfo->rgszExport.emplace_back(reinterpret_cast<const char *>(pbBase + rgrvaName[i]));
    return true;
}

std::vector<std::string> RgszDefExports(const char *szDef)
{
    std::vector<std::string> rgsz;
    std::istringstream in(szDef);
    std::string szLine;
    bool fExports = false;
    while (std::getline(in, szLine)) {
        szLine = szLine.substr(0, szLine.find(';'));
        std::istringstream words(szLine);
        std::string szWord;
        if (!(words >> szWord))
            continue;
        if (szWord == "EXPORTS")
            fExports = true;
        else if (szWord == "LIBRARY" || szWord == "NAME")
            fExports = false;
        else if (fExports)
            rgsz.push_back(szWord);
    }
    return rgsz;
}

std::string SzUndecorated(const std::string &sz)
{
    size_t ich = sz.rfind('@');
    if (ich == std::string::npos || ich == 0 || ich + 1 == sz.size())
        return sz;
    for (size_t i = ich + 1; i < sz.size(); i++)
        if (sz[i] < '0' || sz[i] > '9')
            return sz;
    return sz.substr(0, ich);
}
