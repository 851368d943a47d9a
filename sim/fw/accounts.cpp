// accounts.cpp - the account requests 0xF1 to 0xF6 (payloads as the host
// builds them: lengths count the NUL, little-endian).

#include "fw.h"

#include <algorithm>

namespace sim {

namespace {

constexpr size_t cchAcctMax = 64;

} // namespace

bool FW::FVrAccount(uint8_t req, const uint8_t *pb, uint16_t cb)
{
    auto itFind = [&](const std::string &szName) {
        return std::find_if(bd.rgacct.begin(), bd.rgacct.end(),
                            [&](const ACCOUNT &acct) { return acct.szName == szName; });
    };
    switch (req) {
    case 0xF1:
        if (cb != 1)
            return false;
        bd.fAuth = pb[0] != 0;
        return true;
    case 0xF2: {
        if (cb < 5)
            return false;
        size_t cbName = pb[1] | (pb[2] << 8), cbPw = pb[3] | (pb[4] << 8);
        if (cbName < 2 || cbPw < 1 || cbName - 1 > cchAcctMax || cbPw - 1 > cchAcctMax ||
            size_t(cb) != 5 + cbName + cbPw)
            return false;
        std::string szName = SzFromBytes(pb + 5, cbName), szPw = SzFromBytes(pb + 5 + cbName, cbPw);
        if (itFind(szName) != bd.rgacct.end())
            return false;
        bd.rgacct.push_back({ szName, szPw, pb[0] });
        return true;
    }
    case 0xF3: {
        auto it = itFind(std::string(reinterpret_cast<const char *>(pb), cb));
        if (it == bd.rgacct.end())
            return false;
        bd.rgacct.erase(it);
        return true;
    }
    case 0xF4:
        bd.szAcctPending.assign(reinterpret_cast<const char *>(pb), cb);
        return true;
    case 0xF5: {
        if (cb < 2)
            return false;
        auto it = itFind(SzFromBytes(pb + 1, cb - 1));
        if (it == bd.rgacct.end())
            return false;
        it->attr = pb[0];
        return true;
    }
    case 0xF6: {
        if (cb < 4)
            return false;
        size_t cbName = pb[0] | (pb[1] << 8), cbPw = pb[2] | (pb[3] << 8);
        if (cbName < 2 || cbPw < 1 || size_t(cb) != 4 + cbName + cbPw)
            return false;
        auto it = itFind(SzFromBytes(pb + 4, cbName));
        if (it == bd.rgacct.end())
            return false;
        it->szPassword = SzFromBytes(pb + 4 + cbName, cbPw);
        return true;
    }
    }
    return false;
}

} // namespace sim
