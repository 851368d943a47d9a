// VWSCDVC: one device of the identified scan chain (dialog 110): a badge
// naming the device kind and the device, the configuration files of the
// history that fit it, "Browse...", "Program" and, by a right click on the
// badge, the device menu. Every action goes to the parent view as a command
// (1074 to 1081) with the row's window as its value.
#ifndef ORRIN_VWSCDVC_H
#define ORRIN_VWSCDVC_H

#include "brisel.h"
#include "dlgview.h"
#include "scrules.h"

class FLHIST;

enum { cbRowFilter = 128, chistRowMax = 12 };


class VWSCDVC : public DLGVIEW {
public:
    VWSCDVC();
    ~VWSCDVC() override;
    void MouseButton(UINT wm, WPARAM fsKeys, int x, int y) override;
    void MouseMove(WPARAM fsKeys, int x, int y) override;
    void Paint(HDC hdc, PAINTSTRUCT *pps) override;
    void Activate(BOOL fClick, BOOL fMinimized, HWND hwndOther) override;
    void Deactivate(BOOL fMinimized, HWND hwndOther) override;
    void Destroy() override;
    BOOL FInitDialog(HWND hwndFocus) override;
    BOOL FDlgCommand(int id, int code, HWND hwndCtl) override;
    BOOL FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam) override;
    BOOL FInit() override;

    BOOL FBrowse();
    BOOL FProgram();
    BOOL FSend(int id);
    JTDVC *Pjtdvc() { return &jtdvc; }
    uint32_t FsCheck() const { return static_cast<uint32_t>(fsCheck); }
    BOOL FillConfigCombo(const FLHIST *phist, const char *szSelect);
    BOOL FConfigComboNotify(int code);
    int IhistFromIcombo(int i) const { return (i >= 0 && i < chistRowMax) ? rgihist[i] : -1; }
    void EnableControls(BOOL fEnable);
    // The combo's selection, -1 for none.
    int IcomboSel() const;
    void UpdateProgramState();

private:
    RECT RcBadge() const;

    JTDVC jtdvc;
    int32_t ikind;
    int32_t fsCheck;
    HMENU hmenuBar;   // menu 109, owning hmenu
    HMENU hmenu;
    uint8_t fHover;
    int32_t rgihist[chistRowMax];
    uint8_t fHasFile;
};

#endif
