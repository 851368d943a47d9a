// The power graph's chart as drawing steps (pwrchart.h).

#include "pwrchart.h"

#include <math.h>
#include <stdio.h>

const char *const rgszPwrCurrentUnit[8] = {"1 A", "500 mA", "200 mA", "100 mA", "50 mA", "20 mA", "10 mA", "5 mA"};
const double rgdblPwrCurrentUnit[8] = {1, 0.5, 0.2, 0.1, 0.05, 0.02, 0.01, 0.005};
const char *const rgszPwrPowerUnit[9] = {"5 W", "2 W", "1 W", "500 mW", "200 mW", "100 mW", "50 mW", "20 mW", "10 mW"};
const double rgdblPwrPowerUnit[9] = {5, 2, 1, 0.5, 0.2, 0.1, 0.05, 0.02, 0.01};

std::string SzPwrLabel(double c, int j, const char *szBig, const char *szSmall)
{
    char sz[64];
    if (c >= 1)
        snprintf(sz, sizeof(sz), "%.0f %s", j * c, szBig);
    else if (c >= 0.1)
        snprintf(sz, sizeof(sz), "%.1f %s", j * c, szBig);
    else
        snprintf(sz, sizeof(sz), "%.0f %s", j * c * 1000, szSmall);
    return sz;
}

namespace {

struct CHART {
    std::vector<PWRDRAW> rgdraw;
    int x0, y0, W, H, xR, yB;

    void Line(int pen, int xA, int yA, int xB, int yB2) { rgdraw.push_back({pwrdlkLine, pen, {{xA, yA}, {xB, yB2}}, {}}); }
    void Text(int x, int y, const std::string &sz) { rgdraw.push_back({pwrdlkText, 0, {{x, y}}, sz}); }
};

// The value of trace q in a sample, its full scale, and whether it is shown.
bool FTrace(const PWRPROFILE &prof, const PWRCHARTIN &in, int q, const PWRSMP &smp, double *pvalue, double *pF)
{
    if (!prof.fVoltage) {
        *pvalue = smp.rgdbl[q];
        *pF = cdivPwr * in.cA;
        return in.rgfChannel[q];
    }
    int qty = q / crailPwr, irail = q % crailPwr;
    double v = smp.rgdbl[irail], a = smp.rgdbl[crailPwr + irail];
    *pvalue = qty == 0 ? v : qty == 1 ? a : v * a;
    *pF = cdivPwr * (qty == 0 ? 1.0 : qty == 1 ? in.cA : in.cW);
    return in.rgfQty[qty][irail] && in.rgfChannel[irail];
}

} // namespace

std::vector<PWRDRAW> RgdrawChart(const PWRPROFILE &prof, const PWRBUF &buf, const PWRCHARTIN &in)
{
    CHART ch;
    const PWRRECT &R = in.rcChart;
    ch.rgdraw.push_back({pwrdlkFill, 0, {{R.left, R.top}, {R.right, R.bottom}}, {}});
    ch.x0 = R.left + 20;
    ch.y0 = R.top + 20;
    ch.W = R.right - R.left - 70;
    ch.H = R.bottom - R.top - 40;
    ch.xR = ch.x0 + ch.W;
    ch.yB = ch.y0 + ch.H;
    const int x0 = ch.x0, y0 = ch.y0, W = ch.W, H = ch.H, xR = ch.xR, yB = ch.yB;
    int t = in.t < 0 ? 0 : in.t;

    // Time lines every 30 samples (6 s) of age.
    int m = t % 30;
    char sz[64];
    for (int k = 0; k <= 10; k++) {
        if (k == 0 && m != 0)
            continue;
        int x = x0 + (W * (11 - k)) / 10 - ((30 - m) * W) / 300;
        snprintf(sz, sizeof(sz), "%0.1fs", double((t - m) / 5 + 6 * k));
        ch.Text(x, yB + 2, sz);
        ch.Line(penPwrGrid, x, y0, x, yB);
    }
    // Value labels.
    for (int j = 1; j <= cdivPwr; j++) {
        int y = yB - (j * H) / cdivPwr;
        ch.Text(xR + 2, y - prof.dyCurrentLabel, SzPwrLabel(in.cA, j, "A", "mA"));
        if (prof.fVoltage)
            ch.Text(xR + 2, y + 2, SzPwrLabel(in.cW, j, "W", "mW"));
    }
    // Value lines and the vertical edges.
    for (int i = 0; i <= cdivPwr; i++) {
        int y = y0 + (i * H) / cdivPwr;
        ch.Line(i == 0 || i == cdivPwr ? penPwrFrame : penPwrGrid, x0, y, xR, y);
    }
    ch.Line(penPwrFrame, x0, y0, x0, yB);
    ch.Line(penPwrFrame, xR, y0, xR, yB);

    // Traces: the newest csmpPwrView samples from the t-th newest on.
    std::vector<PWRSMP> rgsmp(csmpPwrView);
    int csmp = buf.CsmpCopy(t, csmpPwrView, rgsmp.data());
    int n = csmp < csmpPwrView ? csmp : csmpPwrView;
    int ctrace = prof.fVoltage ? cqtyPwr * crailPwr : crailPwr;
    bool rgfOver[cqtyPwr * crailPwr] = {};
    for (int q = 0; q < ctrace && n > 0; q++) {
        double value, F;
        if (!FTrace(prof, in, q, rgsmp[0], &value, &F))
            continue;
        PWRDRAW draw{pwrdlkPolyline, q, {}, {}};
        draw.rgpt.reserve(n);
        for (int i = 0; i < n; i++) {
            FTrace(prof, in, q, rgsmp[i], &value, &F);
            int x = x0 - 2 + (W * (csmpPwrView - i)) / csmpPwrView;
            x = x > xR ? xR : x < x0 ? x0 : x;
            double yd = yB - value * H / F;
            int y;
            if (isnan(yd) || yd >= yB)
                y = yB;
            else if (yd < y0) {
                y = y0;
                rgfOver[q] = true;
            } else
                y = int(yd);
            draw.rgpt.push_back({x, y});
        }
        ch.rgdraw.push_back(std::move(draw));
    }

    snprintf(sz, sizeof(sz), "History: %0.1f s", csmp / 5.0);
    ch.Text(x0, y0 - 20, sz);

    // Over-range note.
    std::string szNote = "\x18\x18\x18 ";
    size_t cchStart = szNote.size();
    static const char *const rgszQty[cqtyPwr] = {" Voltage: ", " Current: ", " Power: "};
    for (int qty = 0; qty < (prof.fVoltage ? cqtyPwr : 1); qty++) {
        bool fAny = false;
        for (int irail = 0; irail < crailPwr; irail++)
            fAny = fAny || rgfOver[qty * crailPwr + irail];
        if (!fAny)
            continue;
        if (prof.fVoltage)
            szNote += rgszQty[qty];
        for (int irail = 0; irail < crailPwr; irail++)
            if (rgfOver[qty * crailPwr + irail])
                szNote += std::string(prof.rgszRail[irail]) + ", ";
    }
    if (szNote.size() > cchStart)
        ch.Text(x0 + 120, y0 - 20, szNote.substr(0, szNote.size() - 2));
    return std::move(ch.rgdraw);
}
