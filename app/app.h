// APP: the program's single application object.
//
// It owns every long-lived object (settings, device list, worker, scan-chain
// library object, main window view, loaded plug-in) and runs start-up and
// shut-down in a fixed order (app.cpp). Every part of the program reaches
// those objects through its accessors. APP's fields are read and written on
// the window thread only; worker and library threads use the accessors for
// the device list, the main window view and the current page view, and reach
// windows only through messages.
#ifndef ORRIN_APP_H
#define ORRIN_APP_H

#include <windows.h>

#include "bshost.h"

class APPSET;
struct DVCENT;
class DVCLST;
class SCLIB;
class VWAPP;
class WRKTHD;

class APP {
public:
    APP();

    BOOL FInit(HINSTANCE hinst, HINSTANCE hinstPrev, const char *szCmdLine);
    BOOL FCreateMainWnd(int sw);
    void DestroyMainWnd();
    void Term();

    // Board-support host: select the connect bar's device, load and unload
    // the plug-in (appbs.cpp).
    BOOL SelectDevice(BOOL fForce);
    BOOL LoadBoardSupport();
    BOOL FUnloadBoardSupport();
    uint32_t PdidFromChain(const DVCENT *pent);
    void FindBoardSupport(const char *szPattern, int32_t prodnumFind);

    HINSTANCE Hinst() const { return hinst; }
    VWAPP *Pvwapp() const { return pvwapp; }
    WRKTHD *Pwrkthd() const { return pwrkthd; }
    DVCLST *Pdvclst() const { return pdvclst; }
    APPSET *Pappset() const { return pappset; }
    SCLIB *Psclib() const { return psclib; }
    HACCEL Haccel() const { return haccel; }
    HWND HwndPage() const { return hwndPage; }
    void SetHwndPage(HWND hwnd) { hwndPage = hwnd; }
    int32_t FChainReport() const { return fChainReport; }
    void SetChainReport(int32_t f) { fChainReport = f; }
    uint8_t FSelChanged() const { return fSelChanged; }
    void SetSelChanged(uint8_t f) { fSelChanged = f; }
    uint8_t FDeviceSwitch() const { return fDeviceSwitch; }
    uint8_t FForceInit() const { return fForceInit; }
    uint8_t FDefaultBoard() const { return fDefaultBoard; }
    void SetDeviceSwitch(uint8_t f) { fDeviceSwitch = f; }
    HBITMAP HbmpLogo() const { return hbmpLogo; }
    HBITMAP HbmpMask() const { return hbmpMask; }

private:
    BOOL FRegisterMainClass();
    BOOL FFallback();

    HINSTANCE hinst;
    VWAPP *pvwapp;
    char *szCmdLine;
    WRKTHD *pwrkthd;
    HWND hwndPage;
    HMENU hmenu;
    HACCEL haccel;
    DVCLST *pdvclst;
    APPSET *pappset;
    HMODULE hinstBs;
    int32_t fChainReport;
    BSLOGO bslogo;
    HBITMAP hbmpLogo, hbmpMask;
    char szBsPath[261];
    uint8_t fForceInit;
    uint8_t fDefaultBoard;
    int32_t prodnum;
    uint32_t pdid;
    uint8_t fSelChanged;
    uint8_t fDeviceSwitch;
    SCLIB *psclib;
    PFNBSFINIT pfnFInit;
    PFNBSTERM pfnTerm;
    PFNBSCDBS pfnCdbs;
    PFNBSFGETDBS pfnFGetDbs;
    PFNBSFGETBSLOGO pfnFGetBslogo;
    PFNBSFGETSZPRODUCT pfnFGetSzProduct;
};

extern APP g_app;
// Cursor position (screen coordinates) of the last message the loop dispatched.
extern POINT g_ptLastMsg;

#endif
