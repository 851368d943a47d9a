// The power graph's chart as a list of drawing steps: the black chart area,
// time and value grid with labels, one polyline per shown trace (the newest
// 300 samples from the slider's offset on), the history caption and the
// over-range note. VWPWRG::Paint plays the list into its off-screen bitmap;
// the tests read it. Portable: no windows.h.
#ifndef PWRCHART_H
#define PWRCHART_H

#include <string>
#include <vector>

#include "pwrprofile.h"

enum { csmpPwrView = 300, cdivPwr = 5 };

struct PWRPT {
    int x, y;
};

struct PWRRECT {
    int left, top, right, bottom;
};

// Pens of the chart: the grid and frame pens, and trace pens 0 up (Corvale:
// trace q = quantity q / 4 of rail q % 4; Pentra: trace q = rail q).
enum { penPwrGrid = -2, penPwrFrame = -1 };

enum PWRDLK { pwrdlkFill, pwrdlkLine, pwrdlkPolyline, pwrdlkText };

struct PWRDRAW {
    PWRDLK dlk;
    int pen;                    // lines and polylines
    std::vector<PWRPT> rgpt;    // fill: two corners; line: two ends; text: its top-left corner
    std::string sz;             // text
};

struct PWRCHARTIN {
    PWRRECT rcChart;                    // chart frame in client coordinates
    double cA, cW;                      // amperes and watts per division
    int t;                              // slider position: offset of the newest drawn sample
    bool rgfChannel[crailPwr];          // channel boxes checked
    bool rgfQty[cqtyPwr][crailPwr];     // Corvale: quantity boxes checked
};

// The drawing steps of the chart for the samples of buf.
std::vector<PWRDRAW> RgdrawChart(const PWRPROFILE &prof, const PWRBUF &buf, const PWRCHARTIN &in);

// The unit lists: entries and their values per division.
extern const char *const rgszPwrCurrentUnit[8];
extern const double rgdblPwrCurrentUnit[8];
extern const char *const rgszPwrPowerUnit[9];
extern const double rgdblPwrPowerUnit[9];

// A value label for line j with unit c per division: "%.0f A" from 1 A up,
// "%.1f A" from 0.1 A up, else "%.0f mA" (szBig "A", szSmall "mA").
std::string SzPwrLabel(double c, int j, const char *szBig, const char *szSmall);

#endif
