// The power meter and graph engines: conversions and field texts, the ring
// buffer, the CSV file, the chart's drawing steps, and the meter thread's
// run against a scripted device (messages, fields, buttons, stop, close,
// failed starts). The run against the simulated board is pwrmeter_sim_test.

#include <gtest/gtest.h>

#include <stdio.h>
#include <sys/stat.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "pwrchart.h"
#include "pwrcsv.h"
#include "pwrmeter.h"
#include "pwrpage.h"

namespace {

std::string SzTempDir()
{
    const char *sz = getenv("KOR_TEST_TMP");
    std::string szDir = std::string(sz ? sz : "/tmp") + "/pwr_test";
    std::filesystem::create_directories(szDir);
    return szDir;
}

std::string SzRead(const std::string &szPath)
{
    std::ifstream is(szPath);   // text mode: the platform's line ends read as \n
    std::stringstream ss;
    ss << is.rdbuf();
    return ss.str();
}

PWRSMP Smp(double a0, double a1, double a2, double a3, double b0, double b1, double b2, double b3)
{
    return PWRSMP{{a0, a1, a2, a3, b0, b1, b2, b3}};
}

TEST(PwrConvert, SignedFactorsAndFieldTexts)
{
    EXPECT_DOUBLE_EQ(DblScaled(1000, 3300), 3.3);
    EXPECT_DOUBLE_EQ(DblScaled(1000, -120), -0.12);
    EXPECT_DOUBLE_EQ(DblScaled(-2, 500000), -1.0);
    EXPECT_DOUBLE_EQ(DblScaled(INT32_MIN, INT32_MIN), 4611686018427.387904) << "no 32-bit overflow";

    PWRREADING rdg = {{3.3, 1.8, 1.0, 2.5}, {0.25, 0.12, -0.0315, 1.2}};
    RECPAGE page;
    ShowReading(g_pwrCorvale, rdg, page);
    EXPECT_EQ(page.SzField(1098), "3.300");
    EXPECT_EQ(page.SzField(1099), "250");
    EXPECT_EQ(page.SzField(1100), "825");
    EXPECT_EQ(page.SzField(1105), "-32") << "rail 2 current, negative";
    EXPECT_EQ(page.SzField(1106), "-32");
    EXPECT_EQ(page.SzField(1107), "2.500");
    EXPECT_EQ(page.SzField(1109), "3000");
    PWRSMP smp = SmpOfReading(g_pwrCorvale, rdg);
    EXPECT_EQ(smp.rgdbl[0], 3.3);
    EXPECT_EQ(smp.rgdbl[5], 0.12);

    PWRREADING rdgP = {{3.3, 2.5, 1.8, 1.2}, {0.18, 0.09, 0.14, 0.26}};
    RECPAGE pageP;
    ShowReading(g_pwrPentra, rdgP, pageP);
    // Pentra's power fields of rails 2 and 3 are 1108 and 1106.
    EXPECT_EQ(pageP.SzField(1099), "180");
    EXPECT_EQ(pageP.SzField(1100), "594");
    EXPECT_EQ(pageP.SzField(1108), "252");
    EXPECT_EQ(pageP.SzField(1107), "260");
    EXPECT_EQ(pageP.SzField(1106), "312");
    EXPECT_EQ(pageP.SzField(1098), "(unset)") << "no voltage fields";
    PWRSMP smpP = SmpOfReading(g_pwrPentra, rdgP);
    EXPECT_EQ(smpP.rgdbl[1], 0.09);
    EXPECT_DOUBLE_EQ(smpP.rgdbl[4 + 3], 1.2 * 0.26);
}

TEST(PwrBuf, RingOrderWrapAndClear)
{
    PWRBUF buf;
    EXPECT_EQ(buf.AddSample(Smp(1, 0, 0, 0, 0, 0, 0, 0)), 0) << "no array: records nothing";
    ASSERT_TRUE(buf.FInit());
    for (int i = 1; i <= 150; i++)
        EXPECT_EQ(buf.AddSample(Smp(i, 0, 0, 0, 0, 0, 0, 0)), i);
    EXPECT_EQ(buf.SmpNth(0).rgdbl[0], 150);
    EXPECT_EQ(buf.SmpNth(149).rgdbl[0], 1);
    EXPECT_EQ(buf.SmpNth(-1).rgdbl[0], 0) << "outside: zeros";
    EXPECT_EQ(buf.SmpNth(3000).rgdbl[0], 0);
    for (int i = 151; i <= 3100; i++)
        buf.AddSample(Smp(i, 0, 0, 0, 0, 0, 0, 0));
    EXPECT_EQ(buf.Csmp(), 3000);
    EXPECT_EQ(buf.SmpNth(0).rgdbl[0], 3100);
    EXPECT_EQ(buf.SmpNth(2999).rgdbl[0], 101) << "the oldest 100 are overwritten";
    buf.Clear();
    EXPECT_EQ(buf.Csmp(), 0);
    EXPECT_EQ(buf.AddSample(Smp(7, 0, 0, 0, 0, 0, 0, 0)), 1);
    EXPECT_EQ(buf.SmpNth(0).rgdbl[0], 7);
}

TEST(PwrCsv, NewestFirstWithTheBoardsColumns)
{
    PWRBUF buf;
    ASSERT_TRUE(buf.FInit());
    buf.AddSample(Smp(3.3, 1.8, 1.0, 2.5, 0.25, 0.12, 0.31, 0.06));
    buf.AddSample(Smp(3.25, 1.8, 1.0, 2.5, -0.1, 0.12, 0.31, 0.06));
    std::string szPath = SzTempDir() + "/corvale.csv";
    ASSERT_TRUE(FSaveCsv(g_pwrCorvale, buf, szPath.c_str()));
    EXPECT_EQ(SzRead(szPath),
              std::string(g_pwrCorvale.szCsvHeader) +
                  "3.250000,-0.100000,-0.325000,1.800000,0.120000,0.216000,1.000000,0.310000,0.310000,"
                  "2.500000,0.060000,0.150000\n"
                  "3.300000,0.250000,0.825000,1.800000,0.120000,0.216000,1.000000,0.310000,0.310000,"
                  "2.500000,0.060000,0.150000\n");

    PWRBUF bufP;
    ASSERT_TRUE(bufP.FInit());
    for (int i = 0; i < 3005; i++)
        bufP.AddSample(Smp(i / 1000.0, 0.09, 0.14, 0.26, 0.594, 0.225, 0.252, 0.312));
    std::string szPathP = SzTempDir() + "/pentra.csv";
    ASSERT_TRUE(FSaveCsv(g_pwrPentra, bufP, szPathP.c_str()));
    std::istringstream is(SzRead(szPathP));
    std::string szLine;
    std::vector<std::string> rgszLine;
    while (std::getline(is, szLine))
        rgszLine.push_back(szLine);
    ASSERT_EQ(rgszLine.size(), 3001u) << "header and 3000 samples";
    EXPECT_EQ(rgszLine[0] + "\n", g_pwrPentra.szCsvHeader);
    EXPECT_EQ(rgszLine[1], "3.004000,0.594000,0.090000,0.225000,0.140000,0.252000,0.260000,0.312000");
    EXPECT_EQ(rgszLine[3000].substr(0, 9), "0.005000,");
    for (auto &sz : rgszLine)
        if (&sz != &rgszLine[0])
            ASSERT_EQ(std::count(sz.begin(), sz.end(), ','), 7) << sz;
}

TEST(PwrCsv, FailuresAreReportedAndLeaveTheFileAlone)
{
    PWRBUF buf;
    ASSERT_TRUE(buf.FInit());
    buf.AddSample(Smp(3.3, 1.8, 1.0, 2.5, 0.25, 0.12, 0.31, 0.06));
    std::string szDir = SzTempDir();
    EXPECT_FALSE(FSaveCsv(g_pwrCorvale, buf, (szDir + "/no/such/dir/x.csv").c_str()));
    // The target is a directory: the new file cannot take its place.
    std::string szBusy = szDir + "/busy.csv";
    std::filesystem::create_directories(szBusy);
    EXPECT_FALSE(FSaveCsv(g_pwrCorvale, buf, szBusy.c_str()));
    struct stat st;
    EXPECT_NE(stat((szBusy + ".tmp").c_str(), &st), 0) << "no temporary file left behind";
#if !defined(_WIN32)
    // A full disk: the lines cannot be written, the old file stays whole.
    if (stat("/dev/full", &st) == 0 && access(szDir.c_str(), W_OK) == 0) {
        std::string szOld = szDir + "/full.csv";
        { std::ofstream(szOld) << "old content\n"; }
        remove((szOld + ".tmp").c_str());
        if (symlink("/dev/full", (szOld + ".tmp").c_str()) == 0) {
            EXPECT_FALSE(FSaveCsv(g_pwrCorvale, buf, szOld.c_str()));
            EXPECT_EQ(SzRead(szOld), "old content\n");
            remove((szOld + ".tmp").c_str());
        }
    }
#endif
}

// Chart geometry of a 670 x 240 chart at (10, 10): plot area x0 30, y0 30,
// W 600, H 200, right edge 630, bottom 230.
PWRCHARTIN ChartIn(double cA = 0.1, double cW = 0.5, int t = 0)
{
    PWRCHARTIN in{{10, 10, 680, 250}, cA, cW, t, {true, true, true, true}, {}};
    for (int irail = 0; irail < crailPwr; irail++)
        in.rgfQty[1][irail] = true;
    return in;
}

std::vector<const PWRDRAW *> Rgdraw(const std::vector<PWRDRAW> &rgdraw, PWRDLK dlk)
{
    std::vector<const PWRDRAW *> rgp;
    for (auto &d : rgdraw)
        if (d.dlk == dlk)
            rgp.push_back(&d);
    return rgp;
}

bool FHasText(const std::vector<PWRDRAW> &rgdraw, const std::string &sz, int x = -1, int y = -1)
{
    for (auto &d : rgdraw)
        if (d.dlk == pwrdlkText && d.sz == sz && (x < 0 || (d.rgpt[0].x == x && d.rgpt[0].y == y)))
            return true;
    return false;
}

TEST(PwrChart, EmptyBufferDrawsGridLabelsAndCaption)
{
    PWRBUF buf;
    ASSERT_TRUE(buf.FInit());
    auto rgdraw = RgdrawChart(g_pwrCorvale, buf, ChartIn());
    ASSERT_FALSE(rgdraw.empty());
    EXPECT_EQ(rgdraw[0].dlk, pwrdlkFill);
    EXPECT_TRUE(Rgdraw(rgdraw, pwrdlkPolyline).empty());
    EXPECT_TRUE(FHasText(rgdraw, "History: 0.0 s", 30, 10));
    // Time lines at m = 0: eleven, k = 0 on the right edge labelled 0.0s.
    EXPECT_TRUE(FHasText(rgdraw, "0.0s", 630, 232));
    EXPECT_TRUE(FHasText(rgdraw, "60.0s", 30, 232));
    // Value labels: current 16 pixels above each line, power 2 below.
    EXPECT_TRUE(FHasText(rgdraw, "0.1 A", 632, 190 - 16)) << "100 mA per division";
    EXPECT_TRUE(FHasText(rgdraw, "0.5 A", 632, 30 - 16));
    EXPECT_TRUE(FHasText(rgdraw, "0.5 W", 632, 192));
    EXPECT_TRUE(FHasText(rgdraw, "2.5 W", 632, 32));
    int cFrame = 0, cGrid = 0;
    for (auto *p : Rgdraw(rgdraw, pwrdlkLine))
        (p->pen == penPwrFrame ? cFrame : cGrid)++;
    EXPECT_EQ(cFrame, 4);
    EXPECT_EQ(cGrid, 4 + 11);
    for (auto &d : rgdraw)
        EXPECT_FALSE(d.dlk == pwrdlkText && d.sz[0] == '\x18') << "no note";
}

TEST(PwrChart, UnitLabels)
{
    struct { double c; const char *sz1, *sz5; } rgcase[] = {
        {1, "1 A", "5 A"}, {0.5, "0.5 A", "2.5 A"}, {0.05, "50 mA", "250 mA"}, {0.005, "5 mA", "25 mA"}};
    for (auto &c : rgcase) {
        EXPECT_EQ(SzPwrLabel(c.c, 1, "A", "mA"), c.sz1);
        EXPECT_EQ(SzPwrLabel(c.c, 5, "A", "mA"), c.sz5);
    }
    EXPECT_EQ(SzPwrLabel(5, 1, "W", "mW"), "5 W");
    EXPECT_EQ(SzPwrLabel(0.01, 3, "W", "mW"), "30 mW");
}

TEST(PwrChart, TracesPlaceSamplesAndMarkOverRange)
{
    PWRBUF buf;
    ASSERT_TRUE(buf.FInit());
    // 150 samples; rail 1's current 1 A (above 5 x 100 mA), rail 3's negative.
    for (int i = 0; i < 150; i++)
        buf.AddSample(Smp(3.3, 1.8, 1.0, 2.5, 0.25, 1.0, 0.1 + i / 10000.0, -0.05));
    auto rgdraw = RgdrawChart(g_pwrCorvale, buf, ChartIn());
    auto rgpoly = Rgdraw(rgdraw, pwrdlkPolyline);
    ASSERT_EQ(rgpoly.size(), 4u) << "the four current traces";
    for (auto *p : rgpoly) {
        EXPECT_EQ(p->pen / crailPwr, 1) << "current pens";
        ASSERT_EQ(p->rgpt.size(), 150u);
        EXPECT_EQ(p->rgpt[0].x, 628) << "the newest 2 pixels left of the right edge";
        EXPECT_EQ(p->rgpt[149].x, 30 - 2 + (600 * 151) / 300) << "the oldest near the middle";
    }
    EXPECT_EQ(rgpoly[0]->rgpt[0].y, 230 - 100) << "250 mA of 500 mA full scale";
    EXPECT_EQ(rgpoly[1]->rgpt[0].y, 30) << "over range: the top line";
    EXPECT_EQ(rgpoly[3]->rgpt[0].y, 230) << "negative: the bottom line";
    EXPECT_EQ(rgpoly[2]->rgpt[0].y, int(230 - 0.1149 * 200 / 0.5));
    EXPECT_TRUE(FHasText(rgdraw, "\x18\x18\x18  Current: 1.8V", 150, 10));
    EXPECT_TRUE(FHasText(rgdraw, "History: 30.0 s"));

    // All quantities of rails 0 and 2; voltage 1 V per division, power 500 mW.
    PWRCHARTIN in = ChartIn();
    in.rgfChannel[1] = in.rgfChannel[3] = false;
    for (int qty = 0; qty < cqtyPwr; qty++)
        in.rgfQty[qty][0] = in.rgfQty[qty][2] = true;
    rgdraw = RgdrawChart(g_pwrCorvale, buf, in);
    rgpoly = Rgdraw(rgdraw, pwrdlkPolyline);
    std::vector<int> rgpen;
    for (auto *p : rgpoly)
        rgpen.push_back(p->pen);
    EXPECT_EQ(rgpen, (std::vector<int>{0, 2, 4, 6, 8, 10}));
    EXPECT_EQ(rgpoly[0]->rgpt[0].y, int(230 - 3.3 * 200 / 5));
    EXPECT_EQ(rgpoly[4]->rgpt[0].y, int(230 - 3.3 * 0.25 * 200 / 2.5));
    EXPECT_FALSE(FHasText(rgdraw, "\x18\x18\x18  Current: 1.8V")) << "rail 1 not shown";

    // Pentra: current only (the first four values), the note names the
    // rails alone; labels 8 pixels above their lines.
    PWRBUF bufP;
    ASSERT_TRUE(bufP.FInit());
    bufP.AddSample(Smp(0.1, 1.5, 0.5, 2.0, 0.33, 3.75, 0.9, 2.4));
    PWRCHARTIN inP = ChartIn(0.2);
    inP.rgfChannel[2] = false;
    rgdraw = RgdrawChart(g_pwrPentra, bufP, inP);
    EXPECT_EQ(Rgdraw(rgdraw, pwrdlkPolyline).size(), 3u);
    EXPECT_EQ(Rgdraw(rgdraw, pwrdlkPolyline)[0]->rgpt[0].y, 230 - 20);
    EXPECT_TRUE(FHasText(rgdraw, "\x18\x18\x18 2.5V, 1.2V", 150, 10));
    EXPECT_TRUE(FHasText(rgdraw, "0.2 A", 632, 190 - 8));
    EXPECT_FALSE(FHasText(rgdraw, "0.5 W")) << "no power labels";
}

TEST(PwrChart, SliderOffsetAndTimeLines)
{
    PWRBUF buf;
    ASSERT_TRUE(buf.FInit());
    for (int i = 0; i < 1000; i++)
        buf.AddSample(Smp(i / 10000.0, 0, 0, 0, 0, 0, 0, 0));
    auto rgdraw = RgdrawChart(g_pwrPentra, buf, ChartIn(0.1, 1, 100));
    auto rgpoly = Rgdraw(rgdraw, pwrdlkPolyline);
    ASSERT_EQ(rgpoly[0]->rgpt.size(), 300u);
    EXPECT_EQ(rgpoly[0]->rgpt[0].y, int(230 - 0.0899 * 200 / 0.5)) << "the 100th newest first";
    // t = 100: m = 10, no k = 0 line; labels (100 - 10) / 5 + 6k.
    EXPECT_FALSE(FHasText(rgdraw, "18.0s"));
    EXPECT_TRUE(FHasText(rgdraw, "24.0s", 30 + 600 - 40, 232));
    EXPECT_TRUE(FHasText(rgdraw, "History: 200.0 s"));
}

// A scripted device: counts calls, fails where told.
class FAKEDEV : public PWRDEV {
public:
    struct SCRIPT {
        bool fOpenFails = false;
        bool fCountFails = false;
        int crail = 4;
        int cpropsOk = 1000;     // props calls that succeed
        int cdataOk = 1000000;   // data calls that succeed
        std::atomic<int> copen{0}, cclose{0}, cdata{0}, copenNow{0};
        std::atomic<int> rawI{250};
    };
    explicit FAKEDEV(SCRIPT &s) : s(s) {}
    bool FOpen() override
    {
        s.copen++;
        if (s.fOpenFails)
            return false;
        if (++s.copenNow > 1)
            ADD_FAILURE() << "two runs share the device";
        return true;
    }
    void Close() override
    {
        s.copenNow--;
        s.cclose++;
    }
    bool FCount(int *pc) override
    {
        *pc = s.crail;
        return !s.fCountFails;
    }
    bool FProps(int, int32_t *pkV, int32_t *pkI) override
    {
        if (pkV)
            *pkV = 1000;
        *pkI = 1000;
        return s.cpropsOk-- > 0;
    }
    bool FLabel(int, char *sz) override
    {
        strcpy(sz, "RAIL");
        return true;
    }
    bool FData(int irail, int32_t *prawV, int32_t *prawI) override
    {
        s.cdata++;
        if (prawV)
            *prawV = 3300 - 500 * irail;
        *prawI = s.rawI;
        return s.cdataOk-- > 0;
    }

private:
    SCRIPT &s;
};

std::function<std::unique_ptr<PWRDEV>()> FnDev(FAKEDEV::SCRIPT &s)
{
    return [&s] { return std::unique_ptr<PWRDEV>(new FAKEDEV(s)); };
}

bool FIdle(RECPAGE &page, const PWRPROFILE &prof)
{
    for (int i = 0; i < crailPwr; i++)
        if (page.SzField(prof.rgidI[i]) != "-" || page.SzField(prof.rgidP[i]) != "-" ||
            (prof.rgidV[i] != 0 && page.SzField(prof.rgidV[i]) != "-"))
            return false;
    return page.FEnabled(idPwrStart) && !page.FEnabled(idPwrStop);
}

TEST(PwrMeter, StartReadStop)
{
    FAKEDEV::SCRIPT s;
    RECPAGE page;
    PWRMETER meter(g_pwrCorvale, page);
    ASSERT_TRUE(meter.FStart(FnDev(s)));
    ASSERT_TRUE(page.FWaitFor([&] { return page.buf.Csmp() >= 2; }));
    EXPECT_FALSE(page.FEnabled(idPwrStart));
    EXPECT_TRUE(page.FEnabled(idPwrStop));
    EXPECT_TRUE(page.FEnabled(idPwrSave) && page.FEnabled(idPwrClear)) << "enabled by the first sample";
    EXPECT_EQ(page.SzField(1101), "2.800");
    EXPECT_EQ(page.SzField(1102), "250");
    s.rawI = 400;
    ASSERT_TRUE(page.FWaitFor([&] { return page.SzField(1109) == "720"; })) << "new readings appear";
    meter.Stop();
    ASSERT_TRUE(page.FWaitFor([&] { return !meter.FRunning(); }));
    EXPECT_EQ(page.Rgids(), (std::vector<int>{idsPwrStarted, idsPwrStopped}));
    EXPECT_TRUE(FIdle(page, g_pwrCorvale));
    EXPECT_EQ(s.cclose.load(), 1);
    EXPECT_EQ(page.buf.SmpNth(0).rgdbl[4 + 3], 0.4) << "samples kept";
}

TEST(PwrMeter, StartFailuresRestoreThePage)
{
    struct CASE {
        const char *szWhat;
        bool fOpenFails, fCountFails;
        int crail, cpropsOk, cdataOk;
        int ids;
        int csmp;
    } rgcase[] = {
        {"open fails", true, false, 4, 1000, 1000, idsPwrOpenFailed, 0},
        {"count fails", false, true, 4, 1000, 1000, idsPwrEnableFailed, 0},
        {"three rails", false, false, 3, 1000, 1000, idsPwrCommError, 0},
        {"five rails", false, false, 5, 1000, 1000, idsPwrCommError, 0},
        {"props of rail 2", false, false, 4, 2, 1000, idsPwrCommError, 0},
        {"reading in cycle 3", false, false, 4, 1000, 9, idsPwrCommError, 2},
    };
    for (auto &c : rgcase) {
        FAKEDEV::SCRIPT s;
        s.fOpenFails = c.fOpenFails, s.fCountFails = c.fCountFails, s.crail = c.crail;
        s.cpropsOk = c.cpropsOk, s.cdataOk = c.cdataOk;
        RECPAGE page;
        PWRMETER meter(g_pwrPentra, page);
        ASSERT_TRUE(meter.FStart(FnDev(s))) << c.szWhat;
        ASSERT_TRUE(page.FWaitFor([&] { return !meter.FRunning(); })) << c.szWhat;
        std::vector<int> rgids = page.Rgids();
        ASSERT_FALSE(rgids.empty()) << c.szWhat;
        EXPECT_EQ(rgids.back(), c.ids) << c.szWhat;
        EXPECT_EQ(page.buf.Csmp(), c.csmp) << c.szWhat;
        EXPECT_TRUE(FIdle(page, g_pwrPentra)) << c.szWhat;
        EXPECT_EQ(s.cclose.load(), c.fOpenFails ? 0 : 1) << c.szWhat;
    }
}

TEST(PwrMeter, RepeatedFailedStartsDoNotWedgeIt)
{
    FAKEDEV::SCRIPT s;
    RECPAGE page;
    PWRMETER meter(g_pwrCorvale, page);
    ASSERT_TRUE(meter.FStart(FnDev(s)));
    ASSERT_TRUE(page.FWaitFor([&] { return page.buf.Csmp() >= 1; }));
    meter.Stop();
    s.fOpenFails = true;   // unplugged
    for (int i = 0; i < 3; i++) {
        ASSERT_TRUE(meter.FStart(FnDev(s))) << i;
        meter.Stop();      // a wake-up left behind by each of these runs
        ASSERT_TRUE(page.FWaitFor([&] { return !meter.FRunning(); })) << i;
    }
    s.fOpenFails = false;  // plugged in again
    int csmp = page.buf.Csmp();
    ASSERT_TRUE(meter.FStart(FnDev(s)));
    ASSERT_TRUE(page.FWaitFor([&] { return page.buf.Csmp() >= csmp + 3; })) << "the meter reads again";
    EXPECT_TRUE(meter.FRunning());
    // Start while running: the old run ends before the new one opens the device.
    ASSERT_TRUE(meter.FStart(FnDev(s)));
    ASSERT_TRUE(page.FWaitFor([&] { return page.buf.Csmp() >= csmp + 5; }));
    EXPECT_EQ(s.copenNow.load(), 1);
}

TEST(PwrMeter, PauseAndClose)
{
    FAKEDEV::SCRIPT s;
    RECPAGE page;
    {
        PWRMETER meter(g_pwrCorvale, page);
        ASSERT_TRUE(meter.FStart(FnDev(s)));
        ASSERT_TRUE(page.FWaitFor([&] { return page.buf.Csmp() >= 1; }));
        meter.SetPause(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));   // at least one cycle passes
        int cdata = s.cdata;
        std::this_thread::sleep_for(std::chrono::milliseconds(450));
        EXPECT_EQ(s.cdata.load(), cdata) << "no readings while paused";
        meter.SetPause(false);
        ASSERT_TRUE(page.FWaitFor([&] { return s.cdata > cdata; }));
        page.SetField(1098, "live");
        meter.Close();
        EXPECT_FALSE(meter.FRunning()) << "Close waits for the thread";
    }
    EXPECT_EQ(page.Rgids(), (std::vector<int>{idsPwrStarted})) << "no stop message when closing";
    EXPECT_NE(page.SzField(1098), "-") << "no reset of the fields when closing";
    EXPECT_EQ(s.cclose.load(), 1) << "the device is closed";
}

} // namespace
