// What the power meter and its graph differ in between the Corvale and the
// Pentra boards: which quantities are measured, the rails' names and nominal
// voltages, the page's value fields, the CSV header, and the graph's
// controls, unit defaults and label placement. Portable: no windows.h.
#ifndef PWRPROFILE_H
#define PWRPROFILE_H

#include "pwrbuf.h"

enum { cqtyPwr = 3 };   // voltage, current, power

struct PWRPROFILE {
    bool fVoltage;                        // true: voltage measured (Corvale); false: nominal (Pentra)
    const char *rgszRail[crailPwr];       // "3.3V", ... (graph note and CSV header)
    double rgvNominal[crailPwr];          // the rails' nominal voltages
    int rgidV[crailPwr];                  // page value fields (0: none)
    int rgidI[crailPwr];
    int rgidP[crailPwr];
    const char *szCsvHeader;              // first CSV line, with its line end
    // The graph window
    int rgidGroup[crailPwr];              // each rail's group box
    int rgidChannel[crailPwr];            // each rail's channel check box
    int rgidQty[cqtyPwr][crailPwr];       // voltage, current, power check boxes (0: none)
    int isetCurrentDefault;               // current unit selected at show
    int dyCurrentLabel;                   // current labels' top edge above their line
    int dyGroupTop;                       // rail frames: the group box's top edge moved down this much more
};

extern const PWRPROFILE g_pwrCorvale;
extern const PWRPROFILE g_pwrPentra;

// Page controls (dialog 108) and graph controls (dialog 110), both boards.
enum {
    iddPwr = 108, iddPwrGraph = 110,
    idPwrStart = 1110, idPwrStop = 1094, idPwrShowGraph = 1095, idPwrClear = 1096, idPwrSave = 1097,
    idPwrChart = 1112, idPwrUnits = 1117, idPwrCurrentList = 1118, idPwrPowerList = 1119, idPwrSlider = 1121,
};

// Strings of the meter's messages (the plug-ins' string tables).
enum {
    idsPwrOpenFailed = 121, idsPwrEnableFailed = 122, idsPwrCommError = 124, idsPwrStarted = 125,
    idsPwrStopped = 126,
};

#endif
