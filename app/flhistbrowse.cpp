// FLHIST::SzBrowse: the standard file-open dialog.

#include "flhist.h"

#include <commdlg.h>
#include <stdlib.h>
#include <string.h>

char *FLHIST::SzBrowse(HWND hwndOwner, const char *szFilter)
{
    char szFile[cchPathMax] = "", szTitle[cchPathMax] = "";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = hwndOwner;
    ofn.lpstrFilter = szFilter;
    ofn.nFilterIndex = 0;
    ofn.lpstrFile = szFile;
    ofn.nMaxFile = sizeof(szFile);
    ofn.lpstrFileTitle = szTitle;
    ofn.nMaxFileTitle = sizeof(szTitle);
    ofn.lpstrDefExt = "bin";
    if (!GetOpenFileNameA(&ofn))
        return nullptr;
    char *sz = static_cast<char *>(calloc(cchPathMax + 1, 1));
    if (sz != nullptr)
        strncpy(sz, szFile, cchPathMax);
    return sz;
}
