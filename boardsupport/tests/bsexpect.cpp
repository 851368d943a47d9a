// The eight plug-ins as the tests expect them (bsexpect.h).

#include "bsexpect.h"

namespace {

#define BSSTR(id, text) {id, text},
const std::map<uint32_t, std::string> mpCorvale = {
#include "007 - Corvale/strings.inc"
};
const std::map<uint32_t, std::string> mpPentra = {
#include "00C - Pentra/strings.inc"
};
const std::map<uint32_t, std::string> mpMiravo3 = {
#include "00D - Miravo3/strings.inc"
};
const std::map<uint32_t, std::string> mpMiravo2 = {
#include "006 - Miravo2/strings.inc"
};
const std::map<uint32_t, std::string> mpMiravo = {
#include "003 - Miravo/strings.inc"
};
const std::map<uint32_t, std::string> mpTullen2 = {
#include "008 - Tullen2/strings.inc"
};
const std::map<uint32_t, std::string> mpTullen = {
#include "004 - Tullen/strings.inc"
};
const std::map<uint32_t, std::string> mpHarwick = {
#include "301 - Harwick/strings.inc"
};
#undef BSSTR

} // namespace

const std::vector<BSEXPECT> &RgbsExpect()
{
    static const std::vector<BSEXPECT> rg = {
        {"007 - Corvale", &g_bsbCorvale, mpCorvale, {"Unknown", "Corvale"}},
        {"00C - Pentra", &g_bsbPentra, mpPentra, {"Unknown", "Pentra"}},
        {"00D - Miravo3", &g_bsbMiravo3, mpMiravo3, {"Unknown", "Miravo3"}},
        {"006 - Miravo2", &g_bsbMiravo2, mpMiravo2, {"Unknown", "Miravo2 - 500", "Miravo2 - 1200"}},
        {"003 - Miravo", &g_bsbMiravo, mpMiravo, {"Unknown", "Miravo - 200", "Miravo - 400", "Miravo - 1000"}},
        {"008 - Tullen2", &g_bsbTullen2, mpTullen2, {"Unknown", "Tullen2 - 100", "Tullen2 - 250"}},
        {"004 - Tullen", &g_bsbTullen, mpTullen, {"Unknown", "Tullen - 100", "Tullen - 250"}},
        {"301 - Harwick", &g_bsbHarwick, mpHarwick, {"Unknown", "Harwick", "Harwick"}},
    };
    return rg;
}

bool FHostTabName(const std::string &sz)
{
    return sz == "Config" || sz == "Register I/O" || sz == "File I/O" || sz == "I/O Ex" || sz == "Settings";
}
