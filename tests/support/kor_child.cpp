/* kor_child.cpp - portable part of the child helper: roles and objects. */
#include "kor_child_os.h"

#include <string.h>

namespace {

struct ROLE {
    const char *szName;
    PFNKORROLE pfn;
};

std::vector<ROLE> &VroleAll()
{
    static std::vector<ROLE> vrole;
    return vrole;
}

const char szChildOpt[] = "--child=";

}  // namespace

KorChildRole::KorChildRole(const char *szName, PFNKORROLE pfn)
{
    VroleAll().push_back(ROLE{szName, pfn});
}

bool FKorChildDispatch(int argc, char **argv, int *pcode)
{
    if (argc < 2 || strncmp(argv[1], szChildOpt, sizeof(szChildOpt) - 1) != 0)
        return false;
    const char *szRole = argv[1] + sizeof(szChildOpt) - 1;
    for (const ROLE &role : VroleAll()) {
        if (strcmp(role.szName, szRole) == 0) {
            /* The role sees argv[0] and its own arguments only. */
            argv[1] = argv[0];
            *pcode = role.pfn(argc - 1, argv + 1);
            return true;
        }
    }
    *pcode = 125;
    return true;
}

KorChild::KorChild() : pproc(nullptr) {}

KorChild::~KorChild()
{
    if (pproc != nullptr)
        Kill();
}

bool KorChild::Start(const char *szRole, const std::vector<std::string> &vszArg)
{
    std::vector<std::string> vsz;
    vsz.push_back(std::string(szChildOpt) + szRole);
    vsz.insert(vsz.end(), vszArg.begin(), vszArg.end());
    return StartProgram(KorSelfPath(), vsz);
}

bool KorChild::StartProgram(const std::string &szPath, const std::vector<std::string> &vszArg)
{
    if (pproc != nullptr)
        return false;
    std::vector<std::string> vszArgv;
    vszArgv.push_back(szPath);
    vszArgv.insert(vszArgv.end(), vszArg.begin(), vszArg.end());
    pproc = PprocKorSpawn(szPath, vszArgv);
    return pproc != nullptr;
}

bool KorChild::Wait(uint32_t tms, int *pcodeExit)
{
    if (pproc == nullptr)
        return false;
    int code = 0;
    if (!FKorProcWait(pproc, tms, &code))
        return false;
    KorProcFree(pproc);
    pproc = nullptr;
    if (pcodeExit != nullptr)
        *pcodeExit = code;
    return true;
}

bool KorChild::Kill()
{
    if (pproc == nullptr)
        return false;
    bool f = FKorProcKill(pproc);
    KorProcFree(pproc);
    pproc = nullptr;
    return f;
}
