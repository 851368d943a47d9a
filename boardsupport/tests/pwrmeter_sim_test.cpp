// The power meter against a simulated board through Kelm and Mosk: the
// fields and samples show the board's rails (and follow a change of them),
// the CSV rows match them, and the board's rail faults end the run with
// the right message and the page restored.

#include <sstream>

#include "clisim.h"
#include "pwrcsv.h"
#include "pwrmosk.h"
#include "pwrpage.h"

CLISIM_ENVIRONMENT();

namespace {

class PwrMeterSim : public CLISIMBASE {
protected:
    void TearDown() override { Sim().FCmd("FAULT cli1 clear"); }

    struct RAILV {
        int32_t kV, kI, rawV, rawI;
    };
    std::vector<RAILV> Rails()
    {
        std::vector<RAILV> rg;
        for (const std::string &sz : Lines("RAILS cli1")) {
            std::istringstream is(sz);
            std::string szLabel;
            int64_t kV, kI, rawV, rawI;
            is >> szLabel >> kV >> kI >> rawV >> rawI;
            rg.push_back({int32_t(kV), int32_t(kI), int32_t(rawV), int32_t(rawI)});
        }
        return rg;
    }
    std::function<std::unique_ptr<PWRDEV>()> FnDev()
    {
        return [] { return std::unique_ptr<PWRDEV>(new PWRDEVMOSK(szClisimSN)); };
    }
};

TEST_F(PwrMeterSim, ShowsAndRecordsTheBoardsRails)
{
    ASSERT_TRUE(Sim().FCmd("SETRAIL cli1 1 2500 -40"));
    std::vector<RAILV> rgrail = Rails();
    ASSERT_EQ(rgrail.size(), 4u);
    RECPAGE page;
    PWRMETER meter(g_pwrCorvale, page);
    ASSERT_TRUE(meter.FStart(FnDev()));
    ASSERT_TRUE(page.FWaitFor([&] { return page.buf.Csmp() >= 2; }));
    for (int i = 0; i < crailPwr; i++) {
        double v = DblScaled(rgrail[i].kV, rgrail[i].rawV), a = DblScaled(rgrail[i].kI, rgrail[i].rawI);
        char sz[32];
        snprintf(sz, sizeof(sz), "%.3f", v);
        EXPECT_EQ(page.SzField(g_pwrCorvale.rgidV[i]), sz) << i;
        snprintf(sz, sizeof(sz), "%.0f", a * 1000);
        EXPECT_EQ(page.SzField(g_pwrCorvale.rgidI[i]), sz) << i;
        EXPECT_DOUBLE_EQ(page.buf.SmpNth(0).rgdbl[i], v) << i;
        EXPECT_DOUBLE_EQ(page.buf.SmpNth(0).rgdbl[crailPwr + i], a) << i;
    }
    EXPECT_EQ(page.SzField(g_pwrCorvale.rgidI[1]), "-40") << "a negative current";

    // A change on the board appears in the next readings and in the CSV.
    ASSERT_TRUE(Sim().FCmd("SETRAIL cli1 0 1250 777"));
    double vNew = DblScaled(rgrail[0].kV, 1250);
    ASSERT_TRUE(page.FWaitFor([&] { return page.buf.SmpNth(0).rgdbl[0] == vNew; }));
    meter.Stop();
    ASSERT_TRUE(page.FWaitFor([&] { return !meter.FRunning(); }));
    std::string szPath = std::string(getenv("KOR_TEST_TMP") ? getenv("KOR_TEST_TMP") : "/tmp") + "/pwrsim.csv";
    ASSERT_TRUE(FSaveCsv(g_pwrCorvale, page.buf, szPath.c_str()));
    FILE *pf = fopen(szPath.c_str(), "r");
    ASSERT_NE(pf, nullptr);
    char szLine[512];
    ASSERT_TRUE(fgets(szLine, sizeof(szLine), pf));
    EXPECT_STREQ(szLine, g_pwrCorvale.szCsvHeader);
    ASSERT_TRUE(fgets(szLine, sizeof(szLine), pf));
    double rgdbl[12];
    ASSERT_EQ(sscanf(szLine, "%lf,%lf,%lf,%lf,%lf,%lf,%lf,%lf,%lf,%lf,%lf,%lf", &rgdbl[0], &rgdbl[1], &rgdbl[2],
                     &rgdbl[3], &rgdbl[4], &rgdbl[5], &rgdbl[6], &rgdbl[7], &rgdbl[8], &rgdbl[9], &rgdbl[10],
                     &rgdbl[11]),
              12);
    fclose(pf);
    EXPECT_NEAR(rgdbl[0], vNew, 1e-6) << "newest first";
    EXPECT_NEAR(rgdbl[1], DblScaled(rgrail[0].kI, 777), 1e-6);
    EXPECT_NEAR(rgdbl[4], DblScaled(rgrail[1].kI, -40), 1e-6);
    ASSERT_TRUE(Sim().FCmd("SETRAIL cli1 0 " + std::to_string(rgrail[0].rawV) + " " + std::to_string(rgrail[0].rawI)));
    ASSERT_TRUE(Sim().FCmd("SETRAIL cli1 1 " + std::to_string(rgrail[1].rawV) + " " + std::to_string(rgrail[1].rawI)));
}

TEST_F(PwrMeterSim, BoardFaultsEndTheRun)
{
    struct CASE {
        const char *szFault;
        int ids;
        bool fSamples;
    } rgcase[] = {
        {"railcount 3", idsPwrCommError, false},
        {"railcount 5", idsPwrCommError, false},
        {"railcountfail", idsPwrEnableFailed, false},
        {"railfail props 2 0", idsPwrCommError, false},
        {"railfail label 3 0", idsPwrCommError, false},
        {"railfail data 1 3", idsPwrCommError, true},
    };
    for (auto &c : rgcase) {
        ASSERT_TRUE(Sim().FCmd(std::string("FAULT cli1 ") + c.szFault)) << c.szFault;
        RECPAGE page;
        PWRMETER meter(g_pwrPentra, page);
        ASSERT_TRUE(meter.FStart(FnDev())) << c.szFault;
        ASSERT_TRUE(page.FWaitFor([&] { return !meter.FRunning(); })) << c.szFault;
        ASSERT_FALSE(page.Rgids().empty()) << c.szFault;
        EXPECT_EQ(page.Rgids().back(), c.ids) << c.szFault;
        EXPECT_EQ(page.buf.Csmp(), c.fSamples ? 3 : 0) << c.szFault;
        EXPECT_EQ(page.SzField(g_pwrPentra.rgidI[0]), "-") << c.szFault;
        EXPECT_TRUE(page.FEnabled(idPwrStart)) << c.szFault;
        ASSERT_TRUE(Sim().FCmd("FAULT cli1 clear"));
    }
    // Unplugged: the open fails.
    ASSERT_TRUE(Sim().FCmd("UNPLUG cli1"));
    RECPAGE page;
    PWRMETER meter(g_pwrPentra, page);
    ASSERT_TRUE(meter.FStart(FnDev()));
    ASSERT_TRUE(page.FWaitFor([&] { return !meter.FRunning(); }));
    EXPECT_EQ(page.Rgids(), (std::vector<int>{idsPwrOpenFailed}));
    ASSERT_TRUE(Sim().FCmd("PLUG cli1"));
    ASSERT_TRUE(Sim().FCmd("WAIT cli1 present"));
}

} // namespace
