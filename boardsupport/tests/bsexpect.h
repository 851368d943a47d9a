// What the tests expect of the eight board-support plug-ins: each one's
// library name, board table and string table (the strings.inc its .rc
// carries), in the order of the deliverables.
#ifndef BSEXPECT_H
#define BSEXPECT_H

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "bsboards.h"

struct BSEXPECT {
    const char *szLibrary;                 // "007 - Corvale"
    const BSBOARDDEF *pbsb;
    std::map<uint32_t, std::string> mpstr; // its string table
    std::vector<std::string> rgszName;     // product names by variant

    std::string Sz(uint32_t ids) const
    {
        auto it = mpstr.find(ids);
        return it == mpstr.end() ? std::string() : it->second;
    }
};

const std::vector<BSEXPECT> &RgbsExpect();

// The names of the program's own tabs.
bool FHostTabName(const std::string &sz);

#endif
