// A registry in memory for the settings tests: values by root and path,
// with a log of the writes in order and switchable failures.
#ifndef ORRIN_TESTS_MEMREG_H
#define ORRIN_TESTS_MEMREG_H

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <string.h>

#include "regstore.h"

class MEMREG : public REGSTORE {
public:
    std::map<std::pair<REGROOT, std::string>, std::string> mpval;
    std::vector<std::string> rgszWritten;   // paths in write order
    std::set<std::string> setszFailWrite;   // paths whose writes fail

    void Set(REGROOT root, const std::string &szPath, const std::string &sz) { mpval[{root, szPath}] = sz; }
    const std::string *Psz(REGROOT root, const std::string &szPath) const
    {
        auto it = mpval.find({root, szPath});
        return it == mpval.end() ? nullptr : &it->second;
    }

    BOOL FGetValue(REGROOT root, const char *szPath, void *pb, size_t cb) override
    {
        char szKey[cchPathMax + 1], szValue[cchRegValueNameMax + 1];
        if (!FSplitRegPath(szPath, szKey, szValue))
            return FALSE;
        const std::string *psz = Psz(root, szPath);
        if (psz == nullptr || psz->size() + 1 > cb)
            return FALSE;
        memcpy(pb, psz->c_str(), psz->size() + 1);
        return TRUE;
    }

    BOOL FSetSz(REGROOT root, const char *szPath, const char *sz) override
    {
        char szKey[cchPathMax + 1], szValue[cchRegValueNameMax + 1];
        if (sz == nullptr || !FSplitRegPath(szPath, szKey, szValue))
            return FALSE;
        rgszWritten.push_back(szPath);
        if (setszFailWrite.count(szPath))
            return FALSE;
        Set(root, szPath, sz);
        return TRUE;
    }
};

#endif
