/* d2xxload.cpp - binds the D2XX functions by name. */
#include "d2xxload.h"

#include "kor_child.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <string>

namespace {

void *PvLoad()
{
#if defined(_WIN32)
    return (void *)LoadLibraryA("ftd2xx.dll");
#else
    std::string szSelf = KorSelfPath();
    std::string szDir = szSelf.substr(0, szSelf.rfind('/') + 1);
    return dlopen((szDir + "ftd2xx.so").c_str(), RTLD_NOW);
#endif
}

void *PvProc(void *hmod, const char *szName)
{
#if defined(_WIN32)
    return (void *)GetProcAddress((HMODULE)hmod, szName);
#else
    return dlsym(hmod, szName);
#endif
}

} // namespace

const D2XX *PD2xx()
{
    static const D2XX *pd2xx = [] () -> const D2XX * {
        void *hmod = PvLoad();
        if (hmod == nullptr)
            return nullptr;
        static D2XX d2xx;
        bool fAll = true;
#define D2XX_BIND(name)                                                            \
        d2xx.name = reinterpret_cast<decltype(&::name)>(PvProc(hmod, #name));      \
        fAll = fAll && d2xx.name != nullptr;
        D2XX_FUNCTIONS(D2XX_BIND)
#undef D2XX_BIND
        return fAll ? &d2xx : nullptr;
    }();
    return pd2xx;
}
