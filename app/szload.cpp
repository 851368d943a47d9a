// Strings of the string table and centring a window.

#include "szload.h"

#include "app.h"

const char *SzLoad(UINT ids)
{
    static char szShared[cchSzLoad];
    return SzLoadInto(ids, szShared);
}

char *SzLoadInto(UINT ids, char *sz)
{
    memset(sz, 0, cchSzLoad);
    LoadStringA(GetModuleHandleA(nullptr), ids, sz, cchSzLoad);
    return sz;
}

void CenterWindow(HWND hwnd, HWND hwndOwner)
{
    RECT rc, rcOwner, rcWork;
    GetWindowRect(hwnd, &rc);
    GetWindowRect(hwndOwner, &rcOwner);
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0))
        SetRect(&rcWork, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    int x = rcOwner.left + ((rcOwner.right - rcOwner.left) - cx) / 2;
    if (x < rcWork.left)
        x = rcWork.left;
    else if (x + cx > rcWork.right)
        x = rcWork.right - cx;
    int y = rcOwner.top + ((rcOwner.bottom - rcOwner.top) - cy) / 2;
    if (y < rcWork.top)
        y = rcWork.top;
    else if (y + cy > rcWork.bottom)
        y = rcWork.bottom - cy;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
