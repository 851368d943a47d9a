#include "rdfile.h"

#include <stdio.h>

bool FReadWholeFile(const char *szPath, size_t cbMax, std::vector<char> &rgch, bool *pfOpened)
{
    rgch.clear();
    *pfOpened = false;
    if (szPath == nullptr || szPath[0] == '\0')
        return false;
    FILE *pf = fopen(szPath, "rb");
    if (pf == nullptr)
        return false;
    *pfOpened = true;
    char rgchBuf[65536];
    bool fOk = true;
    for (;;) {
        size_t cch = fread(rgchBuf, 1, sizeof(rgchBuf), pf);
        if (cch == 0)
            break;
        if (rgch.size() + cch > cbMax) {
            fOk = false;
            break;
        }
        rgch.insert(rgch.end(), rgchBuf, rgchBuf + cch);
    }
    if (ferror(pf))
        fOk = false;
    fclose(pf);
    return fOk;
}
