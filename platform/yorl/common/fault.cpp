/*
 * fault.cpp - fault injection for start-up tests (YORL_FAULT).
 *
 * YORL_FAULT holds comma-separated items "Slot=N": the N-th call (from 1) of
 * that slot in this process fails. Slots are the factory's Inst slots
 * ("InstABSSHM") and object operations ("ABSNMTX.Create", "ABSSHM.Create").
 * A slot may be listed more than once. Malformed items are ignored.
 */
#include "yorli.h"

#include <mutex>
#include <stdlib.h>
#include <string.h>

namespace {

struct FAULT {
    std::string szSlot;
    uint32_t iCallFail;   /* 1-based call that fails */
};

struct SLOTCOUNT {
    std::string szSlot;
    uint32_t cCall;
};

/* Built on first use: start-up code of other files runs before this
 * file's own initialisers may have. */
struct FAULTS {
    std::vector<FAULT> vfault;
    std::vector<SLOTCOUNT> vcount;
    std::mutex mtx;
    bool fAny = false;
};

FAULTS &Faults()
{
    static FAULTS faults;
    return faults;
}

void AddItem(const std::string &szItem)
{
    size_t ich = szItem.find('=');
    if (ich == std::string::npos || ich == 0)
        return;
    std::string szSlot = szItem.substr(0, ich);
    const char *szNum = szItem.c_str() + ich + 1;
    char *pchEnd = NULL;
    unsigned long n = strtoul(szNum, &pchEnd, 10);
    if (pchEnd == szNum || *pchEnd != '\0' || n == 0 || n > 0xFFFFFFFFul)
        return;
    FAULTS &faults = Faults();
    faults.vfault.push_back(FAULT{szSlot, (uint32_t)n});
    faults.fAny = true;
    for (const SLOTCOUNT &sc : faults.vcount)
        if (sc.szSlot == szSlot)
            return;
    faults.vcount.push_back(SLOTCOUNT{szSlot, 0});
}

}  // namespace

void YorlFaultLoad(const char *szItems)
{
    FAULTS &faults = Faults();
    faults.vfault.clear();
    faults.vcount.clear();
    faults.fAny = false;
    if (szItems == NULL)
        return;
    std::string sz(szItems);
    size_t ichStart = 0;
    while (ichStart <= sz.size()) {
        size_t ichComma = sz.find(',', ichStart);
        if (ichComma == std::string::npos)
            ichComma = sz.size();
        std::string szItem = sz.substr(ichStart, ichComma - ichStart);
        /* Blanks around items are allowed. */
        size_t ichFirst = szItem.find_first_not_of(" \t");
        size_t ichLast = szItem.find_last_not_of(" \t");
        if (ichFirst != std::string::npos)
            AddItem(szItem.substr(ichFirst, ichLast - ichFirst + 1));
        ichStart = ichComma + 1;
    }
}

bool FYorlFault(const char *szSlot)
{
    FAULTS &faults = Faults();
    if (!faults.fAny)
        return false;
    std::lock_guard<std::mutex> lock(faults.mtx);
    for (SLOTCOUNT &sc : faults.vcount) {
        if (sc.szSlot != szSlot)
            continue;
        uint32_t iCall = ++sc.cCall;
        for (const FAULT &f : faults.vfault)
            if (f.szSlot == szSlot && f.iCallFail == iCall)
                return true;
        return false;
    }
    return false;
}
