/*
 * registry_test.cpp - the managers' shared checks, the manager registry and
 * the handle table.
 */
#include <gtest/gtest.h>

#include "dvtmg.h"
#include "dvtopn.h"
#include "magmg.h"
#include "vzcore.h"
#include "vzfake.h"

namespace {

struct SZCASE {
    const char *sz;
    int fWant;
};

TEST(MagChecks, SerialNumbers)
{
    const SZCASE rgcase[] = {{"SN:0123456789AB", 1}, {"SN:0123456789ab", 1}, {"SN:0123456789A", 0},
                             {"SN:0123456789AG", 0}, {"sn:0123456789AB", 0}, {"SN:0123456789ABC", 0},
                             {nullptr, 0}};
    for (const SZCASE &c : rgcase)
        EXPECT_EQ(c.fWant, MAG::FCheckSzSN(c.sz)) << (c.sz ? c.sz : "NULL");
}

TEST(MagChecks, MacTexts)
{
    const SZCASE rgcase[] = {{"MAC:00:1a-2B:3c-4D:5e", 1}, {"MAC:00-1A-2B-3C-4D-5E", 1},
                             {"MAC:001A2B3C4D5E", 0},      {"MAC:00:1A:2B:3C:4D:5E:", 0},
                             {"MAC:00:1A:2B:3C:4D:5G", 0}, {"MAC:00.1A:2B:3C:4D:5E", 0},
                             {"mac:00:1A:2B:3C:4D:5E", 0}, {nullptr, 0}};
    for (const SZCASE &c : rgcase)
        EXPECT_EQ(c.fWant, MAG::FCheckSzMAC(c.sz)) << (c.sz ? c.sz : "NULL");
}

TEST(MagChecks, UserAndProductNames)
{
    const SZCASE rgusr[] = {{"", 0}, {"abcdefghijklmnop", 1}, {"abcdefghijklmnopq", 0}, {"a b", 0},
                            {"me@host.net", 1},  {"!#$%&()+-.;=@[]^", 1}, {"a/b", 0}, {"\xe4", 0}};
    for (const SZCASE &c : rgusr)
        EXPECT_EQ(c.fWant, MAG::FCheckSzUsrName(c.sz)) << c.sz;
    EXPECT_TRUE(MAG::FCheckSzProdName(std::string(28, 'p').c_str()));
    EXPECT_FALSE(MAG::FCheckSzProdName(std::string(29, 'p').c_str()));
    EXPECT_FALSE(MAG::FCheckSzProdName(nullptr));
}

TEST(MagChecks, CompareMacAndSerial)
{
    EXPECT_TRUE(MAG::FCmpSzMAC("MAC:00:1A:2B:3C:4D:5E", "001a2b3c4d5e"));
    EXPECT_TRUE(MAG::FCmpSzMAC("x MAC:00-1A-2B-3C-4D-5E", "MAC:00:1a:2b:3c:4d:5e"));
    EXPECT_FALSE(MAG::FCmpSzMAC("MAC:00:1A:2B:3C:4D:5E:", "MAC:00:1A:2B:3C:4D:5E"));
    EXPECT_FALSE(MAG::FCmpSzMAC("001a2b3c4d5e", "001a2b3c4d5f"));
    EXPECT_FALSE(MAG::FCmpSzMAC(nullptr, "001a2b3c4d5e"));
    EXPECT_TRUE(MAG::FCmpSzSN("SN:0123456789AB", "0123456789ab"));
    EXPECT_FALSE(MAG::FCmpSzSN("SN:0123456789AB", "0123456789ABC"));
    EXPECT_FALSE(MAG::FCmpSzSN("SN:0123456789AB", nullptr));
}

TEST(Magmg, RegistrationRules)
{
    MAGMG reg;
    ASSERT_TRUE(reg.FInit());
    MAGFAKE rgmag[17];
    EXPECT_FALSE(reg.FAddMag(3, 1, &rgmag[0]));         /* not a single bit */
    EXPECT_FALSE(reg.FAddMag(0, 1, &rgmag[0]));
    EXPECT_FALSE(reg.FAddMag(1, 0, &rgmag[0]));
    EXPECT_FALSE(reg.FAddMag(1, 1, nullptr));
    EXPECT_FALSE(reg.FAddMag(0x10000, 1, &rgmag[0]));   /* beyond bit 15 */
    EXPECT_TRUE(reg.FAddMag(1, 1, &rgmag[0]));
    EXPECT_TRUE(reg.FAddMag(1, 2, &rgmag[1]));
    EXPECT_FALSE(reg.FAddMag(1, 2, &rgmag[2]));         /* same protocol again */
    EXPECT_TRUE(reg.FAddMag(2, 1, &rgmag[2]));
    EXPECT_EQ(2, reg.CmagFromTpt(1));
    EXPECT_EQ(0, reg.CmagFromTpt(0x8000));
    EXPECT_EQ(0, reg.CmagFromTpt(3));
    EXPECT_EQ(&rgmag[1], reg.PmagFromTptPtc(1, 2));
    EXPECT_EQ(nullptr, reg.PmagFromTptPtc(1, 3));
    uint16_t ptc = 0;
    EXPECT_EQ(&rgmag[1], reg.PmagFromTptIndex(1, 1, &ptc));
    EXPECT_EQ(2, ptc);
    EXPECT_EQ(nullptr, reg.PmagFromTptIndex(1, 2, &ptc));
    for (uint32_t ptcMore = 3; ptcMore <= 16; ptcMore++)
        EXPECT_TRUE(reg.FAddMag(1, ptcMore, &rgmag[ptcMore]));
    EXPECT_FALSE(reg.FAddMag(1, 17, &rgmag[16]));        /* a 17th protocol */
    reg.Term();
    EXPECT_EQ(0, reg.CmagFromTpt(1));
}

/* A manager that counts its starts and ends; FInit answers fInitOk. */
class MAGCOUNT : public MAGFAKE {
public:
    int FInit() override { return cInit++, fInitOk; }
    void Term() override { cTerm++; }
    int fInitOk = 1, cInit = 0, cTerm = 0;
};

TEST(Magmg, StartInitialisesAndRegistersOnce)
{
    MAGMG reg;
    ASSERT_TRUE(reg.FInit());
    MAGCOUNT mag, magOther, magFailing;
    ASSERT_TRUE(reg.FStartMag(1, 1, &mag));
    EXPECT_EQ(&mag, reg.PmagFromTptPtc(1, 1));
    EXPECT_EQ(1, mag.cInit);
    /* Registered already: neither started again nor ended. */
    ASSERT_TRUE(reg.FStartMag(1, 1, &mag));
    EXPECT_EQ(1, mag.cInit);
    EXPECT_EQ(0, mag.cTerm);
    /* The place is taken: the other manager is started, then ended again. */
    EXPECT_FALSE(reg.FStartMag(1, 1, &magOther));
    EXPECT_EQ(1, magOther.cInit);
    EXPECT_EQ(1, magOther.cTerm);
    EXPECT_EQ(&mag, reg.PmagFromTptPtc(1, 1));
    /* A failed FInit: not registered, nothing to end. */
    magFailing.fInitOk = 0;
    EXPECT_FALSE(reg.FStartMag(2, 1, &magFailing));
    EXPECT_EQ(nullptr, reg.PmagFromTptPtc(2, 1));
    EXPECT_EQ(0, magFailing.cTerm);
    reg.Term();
}

class Handles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, PmagfakeStart("handles")); }
    void TearDown() override { VzTestStop(); }
};

TEST_F(Handles, TableLimitsAndReuse)
{
    std::vector<DVTFAKE> rgdvt(65);
    EXPECT_EQ(nullptr, dvtmg.PdvtFromHif(0));
    EXPECT_EQ(nullptr, dvtmg.PdvtFromHif((HIF)-1));
    EXPECT_EQ(nullptr, dvtmg.PdvtFromHif(65));
    EXPECT_EQ(0u, dvtmg.HifAdd(nullptr));
    for (HIF hif = 1; hif <= 64; hif++)
        EXPECT_EQ(hif, dvtmg.HifAdd(&rgdvt[hif - 1]));
    EXPECT_EQ(0u, dvtmg.HifAdd(&rgdvt[64]));
    EXPECT_EQ(&rgdvt[9], dvtmg.PdvtRemHif(10));
    EXPECT_EQ(nullptr, dvtmg.PdvtFromHif(10));
    EXPECT_EQ(10u, dvtmg.HifAdd(&rgdvt[64]));
    for (HIF hif = 1; hif <= 64; hif++)
        dvtmg.PdvtRemHif(hif);
    EXPECT_EQ(0, TvxGetLastError());
}

TEST_F(Handles, OpenDeviceTableSlots)
{
    DVTOPN *pdvtopn = vzproc.pdvtopn;
    ASSERT_NE(nullptr, pdvtopn);
    for (int i = 0; i < 64; i++)
        ASSERT_TRUE(pdvtopn->FAddDev(dtpFake, ("slot" + std::to_string(i)).c_str())) << i;
    EXPECT_TRUE(pdvtopn->FAddDev(dtpFake, "slot5"));   /* a second open of a listed device */
    EXPECT_EQ(2, pdvtopn->CdvtoFindDev(dtpFake, "slot5"));
    EXPECT_FALSE(pdvtopn->FAddDev(dtpFake, "slot64"));
    EXPECT_EQ(ercTooManyOpenedDevices, TvxGetLastError());
    EXPECT_EQ(-1, pdvtopn->IdvtoFindDev(dtpFake, "slot64"));
    EXPECT_EQ(-1, pdvtopn->IdvtoFindDev(dtpFake + 1, "slot3"));   /* the pair is the key */
    EXPECT_EQ(-1, pdvtopn->IdvtoFindDev(dtpFake, "SLOT3"));
    /* A freed entry is reused by the next new device. */
    ASSERT_TRUE(pdvtopn->FRemDev(dtpFake, "slot3"));
    EXPECT_EQ(nullptr, pdvtopn->PnmtxFromIdvto(3));
    ASSERT_TRUE(pdvtopn->FAddDev(dtpFake, "other"));
    EXPECT_EQ(3, pdvtopn->IdvtoFindDev(dtpFake, "other"));
    EXPECT_NE(nullptr, pdvtopn->PnmtxFromIdvto(3));
    EXPECT_FALSE(pdvtopn->FRemDev(dtpFake, "slot3"));
    EXPECT_EQ(ercInternalError, TvxGetLastError());
    ASSERT_TRUE(pdvtopn->FRemDev(dtpFake, "slot5"));
    EXPECT_TRUE(pdvtopn->FIsOpen(dtpFake, "slot5"));
    for (int i = 0; i < 64; i++)
        pdvtopn->FRemDev(dtpFake, i == 3 ? "other" : ("slot" + std::to_string(i)).c_str());
    EXPECT_FALSE(pdvtopn->FIsOpen(dtpFake, "slot5"));
    EXPECT_EQ(nullptr, pdvtopn->PnmtxFromIdvto(64));
    EXPECT_EQ(nullptr, pdvtopn->PnmtxFromIdvto(-1));
}

} // namespace
