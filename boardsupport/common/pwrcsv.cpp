// Saving the recorded power readings as CSV (pwrcsv.h).

#include "pwrcsv.h"

#include <stdio.h>

#include <vector>

#if defined(_WIN32)
#  include <windows.h>
#endif

namespace {

bool FReplaceWith(const std::string &szTemp, const char *szPath)
{
#if defined(_WIN32)
    return MoveFileExA(szTemp.c_str(), szPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return rename(szTemp.c_str(), szPath) == 0;
#endif
}

} // namespace

std::string SzCsvLine(const PWRPROFILE &prof, const PWRSMP &smp)
{
    std::string sz;
    char szNum[64];
    for (int i = 0; i < crailPwr; i++) {
        double rgdbl[3];
        int cdbl;
        if (prof.fVoltage) {
            double v = smp.rgdbl[i], a = smp.rgdbl[crailPwr + i];
            rgdbl[0] = v, rgdbl[1] = a, rgdbl[2] = v * a, cdbl = 3;
        } else {
            rgdbl[0] = smp.rgdbl[i], rgdbl[1] = smp.rgdbl[crailPwr + i], cdbl = 2;
        }
        for (int j = 0; j < cdbl; j++) {
            snprintf(szNum, sizeof(szNum), "%f", rgdbl[j]);
            if (i > 0 || j > 0)
                sz += ',';
            sz += szNum;
        }
    }
    sz += '\n';
    return sz;
}

bool FSaveCsv(const PWRPROFILE &prof, const PWRBUF &buf, const char *szPath)
{
    std::vector<PWRSMP> rgsmp(csmpPwrMax);
    int csmp = buf.CsmpCopy(0, csmpPwrMax, rgsmp.data());
    std::string szTemp = std::string(szPath) + ".tmp";
    FILE *pf = fopen(szTemp.c_str(), "w");   // text mode: the platform's line ends
    if (pf == nullptr)
        return false;
    bool fOk = fputs(prof.szCsvHeader, pf) >= 0;
    for (int k = 0; fOk && k < csmp; k++)
        fOk = fputs(SzCsvLine(prof, rgsmp[k]).c_str(), pf) >= 0;
    fOk = fflush(pf) == 0 && !ferror(pf) && fOk;
    fOk = fclose(pf) == 0 && fOk;
    if (!fOk || !FReplaceWith(szTemp, szPath)) {
        remove(szTemp.c_str());
        return false;
    }
    return true;
}
