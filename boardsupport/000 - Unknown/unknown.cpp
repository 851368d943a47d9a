// Board table of "000 - Unknown": the program's own tabs, no views.

#include "bsboard.h"
#include "unknown.h"

namespace {

const BSTAB rgtab[] = {
    {IDS_TAB_CONFIG, nullptr, nullptr, nullptr},
    {IDS_TAB_REGIO, nullptr, nullptr, nullptr},
    {IDS_TAB_FILEIO, nullptr, nullptr, nullptr},
    {IDS_TAB_IOEX, nullptr, nullptr, nullptr},
    {IDS_TAB_SETTINGS, nullptr, nullptr, nullptr},
};

} // namespace

const BSBOARD g_bsboard = {
    sizeof(rgtab) / sizeof(rgtab[0]), rgtab, IDB_LOGO, IDB_MASK, IDS_PRODUCT, 1, IDS_REGISTRY, 0, nullptr, nullptr,
};
