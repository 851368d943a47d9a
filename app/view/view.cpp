// VIEW: base behaviour of every slot and the message dispatcher.

#include "view.h"

VIEW::VIEW() : dwReserved(0), hwnd(nullptr), tag(0), pviewParent(nullptr) {}

VIEW::~VIEW() {}

BOOL VIEW::FCreateEx2(DWORD, DWORD, int, int, int, int, VIEW *pviewParentNew)
{
    pviewParent = pviewParentNew;
    return FALSE;
}

BOOL VIEW::FCreateEx(DWORD, int, int, int, int, VIEW *pviewParentNew)
{
    pviewParent = pviewParentNew;
    return FALSE;
}

BOOL VIEW::FCreate(int, int, int, int, VIEW *pviewParentNew)
{
    pviewParent = pviewParentNew;
    return FALSE;
}

int VIEW::PumpMessages(HWND hwndFilter, UINT wmFirst, UINT wmLast, UINT fsRemove)
{
    MSG msg;
    while (PeekMessageA(&msg, hwndFilter, wmFirst, wmLast, fsRemove | PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

BOOL VIEW::FInitWnd(LPARAM)
{
    if (pviewParent != nullptr)
        pviewParent->ChildAdded(this);
    return TRUE;
}

void VIEW::Command(int, int, HWND) {}
BOOL VIEW::FSysCommand(WPARAM, int, int) { return FALSE; }
void VIEW::Notify(int, NMHDR *) {}
void VIEW::Sizing(int, RECT *) {}
void VIEW::Sized(int, int) {}
void VIEW::Moving(RECT *) {}
void VIEW::Moved(int, int) {}
void VIEW::CharInput(int, int) {}
void VIEW::KeyDown(WPARAM, LPARAM) {}
void VIEW::KeyUp(WPARAM, LPARAM) {}
void VIEW::MouseButton(UINT, WPARAM, int, int) {}
void VIEW::MouseMove(WPARAM, int, int) {}
void VIEW::MouseWheel(int, int, int, int) {}
void VIEW::Paint(HDC, PAINTSTRUCT *) {}
void VIEW::VScroll(int, int) {}
void VIEW::HScroll(int, int) {}
void VIEW::GotFocus() {}
void VIEW::LostFocus() {}
void VIEW::InitMenu(HMENU) {}
void VIEW::InitMenuPopup(HMENU, int, BOOL) {}

// Context menu: the class supplies a menu and may veto showing it; the menu
// is released in either case.
void VIEW::ContextMenu(POINT *ppt)
{
    HMENU hmenu = HmenuContext(ppt);
    if (hmenu == nullptr)
        return;
    if (FPrepareContextMenu(hmenu, ppt)) {
        POINT pt = *ppt;
        ClientToScreen(hwnd, &pt);
        TrackPopupMenuEx(hmenu, 0, pt.x, pt.y, hwnd, nullptr);
    }
    ReleaseContextMenu(hmenu);
}

void VIEW::Timer(WPARAM, LPARAM) {}
void VIEW::ActivateApp(BOOL, DWORD) {}
void VIEW::Activate(BOOL, BOOL, HWND) {}
void VIEW::Deactivate(BOOL, HWND) {}
void VIEW::EnableChanged(BOOL) {}
BOOL VIEW::FQueryEndSession() { return TRUE; }

void VIEW::Close()
{
    if (pviewParent != nullptr)
        pviewParent->ChildRemoved(this);
    DestroyWnd();
}

void VIEW::Created(CREATESTRUCTA *) {}

void VIEW::Destroyed()
{
    if (pviewParent != nullptr)
        pviewParent->ChildRemoved(this);
    hwnd = nullptr;
}

void VIEW::DeleteSelf(WPARAM)
{
    Destroy();
    delete this;
}

// hwnd stays set: the WM_DESTROY handling clears it.
void VIEW::DestroyWnd()
{
    if (hwnd != nullptr)
        DestroyWindow(hwnd);
}

HMENU VIEW::HmenuContext(POINT *) { return nullptr; }
BOOL VIEW::FPrepareContextMenu(HMENU, POINT *) { return FALSE; }
void VIEW::ReleaseContextMenu(HMENU) {}
intptr_t VIEW::Identity(intptr_t value) { return value; }

void VIEW::Destroy()
{
    if (hwnd != nullptr)
        DestroyWindow(hwnd);
    hwnd = nullptr;
}

HWND VIEW::Hwnd() { return hwnd; }
int VIEW::Tag() { return tag; }
LRESULT VIEW::SendClose() { return SendMessageA(hwnd, WM_CLOSE, 0, 0); }
BOOL VIEW::Show(int sw) { return ShowWindow(hwnd, sw); }
BOOL VIEW::Update() { return UpdateWindow(hwnd); }
VIEW *VIEW::PviewParent() { return pviewParent; }
BOOL VIEW::FQueryClose() { return TRUE; }
void VIEW::ChildAdded(VIEW *) {}
void VIEW::ChildRemoved(VIEW *) {}

namespace {

int LoWord(uintptr_t w) { return static_cast<int>(w & 0xFFFF); }
int HiWord(uintptr_t w) { return static_cast<int>((w >> 16) & 0xFFFF); }
int LoSigned(uintptr_t w) { return static_cast<int16_t>(w & 0xFFFF); }
int HiSigned(uintptr_t w) { return static_cast<int16_t>((w >> 16) & 0xFFFF); }

} // namespace

// The dispatcher: TRUE means handled (the window procedure returns
// *plResult), FALSE lets DefWindowProcA run as well.
BOOL VIEW::FWndProc(UINT wm, WPARAM wParam, LPARAM lParam, LRESULT *plResult)
{
    *plResult = 0;
    uintptr_t w = static_cast<uintptr_t>(wParam), l = static_cast<uintptr_t>(lParam);
    switch (wm) {
    case WM_CREATE:
        Created(reinterpret_cast<CREATESTRUCTA *>(lParam));
        return FALSE;
    case WM_DESTROY:
        Destroyed();
        return TRUE;
    case WM_MOVE:
        Moved(LoWord(l), HiWord(l));
        return TRUE;
    case WM_SIZE:
        Sized(LoWord(l), HiWord(l));
        return TRUE;
    case WM_ACTIVATE:
        switch (LoWord(w)) {
        case WA_ACTIVE: Activate(FALSE, HiWord(w) != 0, reinterpret_cast<HWND>(lParam)); return TRUE;
        case WA_CLICKACTIVE: Activate(TRUE, HiWord(w) != 0, reinterpret_cast<HWND>(lParam)); return TRUE;
        case WA_INACTIVE: Deactivate(HiWord(w) != 0, reinterpret_cast<HWND>(lParam)); return TRUE;
        default: return FALSE;
        }
    case WM_SETFOCUS:
        GotFocus();
        return TRUE;
    case WM_KILLFOCUS:
        LostFocus();
        return TRUE;
    case WM_ENABLE:
        EnableChanged(wParam != 0);
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        Paint(hdc, &ps);
        EndPaint(hwnd, &ps);
        return TRUE;
    }
    case WM_CLOSE:
        if (!FQueryClose())
            return FALSE;
        Close();
        *plResult = 1;
        return TRUE;
    case WM_QUERYENDSESSION:
        if (!FQueryEndSession())
            return FALSE;
        *plResult = 1;
        return TRUE;
    case WM_ACTIVATEAPP:
        ActivateApp(wParam == 1, static_cast<DWORD>(lParam));
        return TRUE;
    case WM_NOTIFY:
        Notify(static_cast<int>(wParam), reinterpret_cast<NMHDR *>(lParam));
        return TRUE;
    case WM_CONTEXTMENU: {
        POINT pt = {LoWord(l), HiWord(l)};
        ScreenToClient(hwnd, &pt);
        ContextMenu(&pt);
        return TRUE;
    }
    case WM_KEYDOWN:
        KeyDown(wParam, lParam);
        return TRUE;
    case WM_KEYUP:
        KeyUp(wParam, lParam);
        return TRUE;
    case WM_CHAR:
        CharInput(LoWord(w), LoWord(l));
        return TRUE;
    case WM_COMMAND:
        Command(LoWord(w), HiWord(w), reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_SYSCOMMAND:
        return FSysCommand(wParam, LoSigned(l), HiSigned(l));
    case WM_TIMER:
        Timer(wParam, lParam);
        return TRUE;
    case WM_HSCROLL:
        HScroll(LoWord(w), HiWord(w));
        return TRUE;
    case WM_VSCROLL:
        VScroll(LoWord(w), HiWord(w));
        return TRUE;
    case WM_INITMENU:
        InitMenu(reinterpret_cast<HMENU>(wParam));
        return TRUE;
    case WM_INITMENUPOPUP:
        InitMenuPopup(reinterpret_cast<HMENU>(wParam), LoWord(l), HiWord(l));
        return TRUE;
    case WM_MOUSEMOVE:
        MouseMove(wParam, LoSigned(l), HiSigned(l));
        return FALSE;
    case WM_MOUSEWHEEL:
        MouseWheel(LoWord(w), HiSigned(w), LoSigned(l), HiSigned(l));
        return FALSE;
    case WM_SIZING:
        Sizing(static_cast<int>(wParam), reinterpret_cast<RECT *>(lParam));
        return TRUE;
    case WM_MOVING:
        Moving(reinterpret_cast<RECT *>(lParam));
        return TRUE;
    case wmViewInit:
        if (FInitWnd(lParam))
            *plResult = 1;
        return TRUE;
    case wmViewDeleteSelf:
        DeleteSelf(wParam);
        return TRUE;
    default:
        if (wm >= WM_LBUTTONDOWN && wm <= WM_MBUTTONDBLCLK) {
            MouseButton(wm, wParam, LoSigned(l), HiSigned(l));
            return FALSE;
        }
        return FALSE;
    }
}
