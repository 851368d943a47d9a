/*
 * ftdtest.h - what the D2XX and MPSSE tests share: the simulated boards of
 * ftdiboards.cfg, the bound D2XX functions and a channel opened by serial.
 */
#ifndef KOR_FTDTEST_H
#define KOR_FTDTEST_H

#include "d2xxload.h"
#include "korsimenv.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

/* Serials of the boards (channel letters follow). */
constexpr const char szFpgaSerial[] = "210183F00001";
constexpr const char szQuadSerial[] = "210183F00002";

inline KSIMCTL &Sim() { return PkorsimEnv()->simctl; }

/* "key value" lines of the simulator's FTDI command for a board. */
inline std::map<std::string, std::string> MpFtdi(const std::string &szBoard)
{
    std::vector<std::string> rgsz;
    std::map<std::string, std::string> mp;
    Sim().FCmd("FTDI " + szBoard, &rgsz);
    for (auto &sz : rgsz) {
        size_t ich = sz.find(' ');
        if (ich != std::string::npos)
            mp[sz.substr(0, ich)] = sz.substr(ich + 1);
    }
    return mp;
}

class FTDTEST : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(PkorsimEnv()->fOk) << PkorsimEnv()->szErr;
        pd2xx = PD2xx();
        ASSERT_NE(pd2xx, nullptr) << "ftd2xx cannot be bound";
    }
    void TearDown() override
    {
        for (FT_HANDLE h : rgh)
            pd2xx->FT_Close(h);
        Sim().FCmd("FTFAULT fpgaft clear");
    }
    /* Opens a channel by serial; closed at the end of the test. */
    FT_HANDLE HOpen(const std::string &szName)
    {
        FT_HANDLE h = nullptr;
        FT_STATUS sts = pd2xx->FT_OpenEx((PVOID)szName.c_str(), FT_OPEN_BY_SERIAL_NUMBER, &h);
        EXPECT_EQ(sts, FT_STATUS(FT_OK)) << szName;
        if (sts == FT_OK)
            rgh.push_back(h);
        return h;
    }
    void Close(FT_HANDLE h)
    {
        for (size_t ih = 0; ih < rgh.size(); ih++)
            if (rgh[ih] == h)
                rgh.erase(rgh.begin() + long(ih));
        EXPECT_EQ(pd2xx->FT_Close(h), FT_STATUS(FT_OK));
    }

    const D2XX *pd2xx = nullptr;
    std::vector<FT_HANDLE> rgh;
};

#endif
