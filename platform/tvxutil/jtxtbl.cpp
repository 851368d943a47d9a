/*
 * jtxtbl.cpp - the table of open JTAG ports.
 */
#include "jtxtbl.h"

JTXTBL jtxtbl;

HTVX JTXTBL::HtvxAdd(const std::shared_ptr<JTX> &pjtx)
{
    std::lock_guard<std::mutex> lock(mtx);
    uintptr_t id = idNext++;
    mpjtx[id] = pjtx;
    return reinterpret_cast<HTVX>(id);
}

std::shared_ptr<JTX> JTXTBL::PjtxOf(HTVX h)
{
    std::lock_guard<std::mutex> lock(mtx);
    auto it = mpjtx.find(reinterpret_cast<uintptr_t>(h));
    return it == mpjtx.end() ? nullptr : it->second;
}

std::shared_ptr<JTX> JTXTBL::PjtxRemove(HTVX h)
{
    std::lock_guard<std::mutex> lock(mtx);
    auto it = mpjtx.find(reinterpret_cast<uintptr_t>(h));
    if (it == mpjtx.end())
        return nullptr;
    std::shared_ptr<JTX> pjtx = it->second;
    mpjtx.erase(it);
    return pjtx;
}
