// Window framework under wine: the message routing of VIEW and DLGVIEW (with
// the default processing after "default" messages), the creation and
// self-deletion protocols, the context-menu sequence, the status log (line
// limit, lines handed over from other threads) and the histories' file-open
// dialog.

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

#include "dlgview.h"
#include "edtlog.h"
#include "flhist.h"

namespace {

const char szClass[] = "OrrinViewTest";

// A view that records every handler call with its arguments.
class RECVIEW : public VIEW {
public:
    std::vector<std::string> rgsz;
    BOOL fInitAnswer = TRUE;
    BOOL fQueryClose = TRUE;
    BOOL fPrepare = FALSE;
    HMENU hmenuContext = nullptr;
    bool *pfDeleted = nullptr;

    ~RECVIEW() override
    {
        if (pfDeleted)
            *pfDeleted = true;
    }
    BOOL FCreate(int x, int y, int cx, int cy, VIEW *pviewParentNew) override
    {
        pviewParent = pviewParentNew;
        HWND hwndNew = CreateWindowExA(0, szClass, "", WS_OVERLAPPEDWINDOW, x, y, cx, cy, nullptr, nullptr,
                                       GetModuleHandleA(nullptr), this);
        if (hwndNew == nullptr)
            return FALSE;
        if (SendMessageA(hwndNew, wmViewInit, 0, 0) == 0) {
            DestroyWindow(hwndNew);
            return FALSE;
        }
        return TRUE;
    }
    void Rec(const std::string &sz) { rgsz.push_back(sz); }
    static std::string S(long long a) { return std::to_string(a); }

    BOOL FInitWnd(LPARAM) override { Rec("FInitWnd"); return fInitAnswer; }
    void Command(int id, int code, HWND) override { Rec("Command " + S(id) + " " + S(code)); }
    BOOL fSysCommand = FALSE;
    BOOL FSysCommand(WPARAM cmd, int x, int y) override
    {
        Rec("FSysCommand " + S(cmd) + " " + S(x) + " " + S(y));
        return fSysCommand;
    }
    void Sized(int cx, int cy) override { Rec("Sized " + S(cx) + " " + S(cy)); }
    void Moved(int x, int y) override { Rec("Moved " + S(x) + " " + S(y)); }
    void CharInput(int ch, int c) override { Rec("CharInput " + S(ch) + " " + S(c)); }
    void KeyDown(WPARAM vk, LPARAM) override { Rec("KeyDown " + S(vk)); }
    void KeyUp(WPARAM vk, LPARAM) override { Rec("KeyUp " + S(vk)); }
    void Notify(int idCtl, NMHDR *pnmhdr) override { Rec("Notify " + S(idCtl) + " " + S(static_cast<int>(pnmhdr->code))); }
    void Sizing(int edge, RECT *prc) override { Rec("Sizing " + S(edge) + " " + S(prc->right)); }
    void Moving(RECT *prc) override { Rec("Moving " + S(prc->left)); }
    void VScroll(int code, int pos) override { Rec("VScroll " + S(code) + " " + S(pos)); }
    void HScroll(int code, int pos) override { Rec("HScroll " + S(code) + " " + S(pos)); }
    void GotFocus() override { Rec("GotFocus"); }
    void LostFocus() override { Rec("LostFocus"); }
    void InitMenu(HMENU) override { Rec("InitMenu"); }
    void InitMenuPopup(HMENU, int i, BOOL fSystem) override { Rec("InitMenuPopup " + S(i) + " " + S(fSystem)); }
    void ActivateApp(BOOL fActive, DWORD tid) override { Rec("ActivateApp " + S(fActive) + " " + S(tid)); }
    BOOL FQueryEndSession() override { Rec("FQueryEndSession"); return TRUE; }
    void MouseButton(UINT wm, WPARAM, int x, int y) override { Rec("MouseButton " + S(wm) + " " + S(x) + " " + S(y)); }
    void MouseMove(WPARAM, int x, int y) override { Rec("MouseMove " + S(x) + " " + S(y)); }
    void MouseWheel(int keys, int delta, int x, int y) override
    {
        Rec("MouseWheel " + S(keys) + " " + S(delta) + " " + S(x) + " " + S(y));
    }
    void Timer(WPARAM id, LPARAM) override { Rec("Timer " + S(id)); }
    void Activate(BOOL fClick, BOOL fMin, HWND) override { Rec("Activate " + S(fClick) + " " + S(fMin)); }
    void Deactivate(BOOL fMin, HWND) override { Rec("Deactivate " + S(fMin)); }
    void EnableChanged(BOOL f) override { Rec("EnableChanged " + S(f)); }
    BOOL FQueryClose() override { Rec("FQueryClose"); return fQueryClose; }
    void Close() override { Rec("Close"); }
    void Destroyed() override { Rec("Destroyed"); VIEW::Destroyed(); }
    POINT ptContext = {-1, -1};
    HMENU HmenuContext(POINT *ppt) override
    {
        Rec("HmenuContext");
        ptContext = *ppt;
        return hmenuContext;
    }
    BOOL FPrepareContextMenu(HMENU, POINT *) override { Rec("FPrepareContextMenu"); return fPrepare; }
    void ReleaseContextMenu(HMENU) override { Rec("ReleaseContextMenu"); }
};

class ViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { FRegisterViewClass(GetModuleHandleA(nullptr), szClass, CS_HREDRAW | CS_VREDRAW); }
};

LPARAM Pack(int lo, int hi) { return static_cast<LPARAM>(static_cast<uint32_t>((lo & 0xFFFF) | (hi << 16))); }

TEST_F(ViewTest, RoutesMessagesToHandlersWithCrackedArguments)
{
    RECVIEW view;
    ASSERT_TRUE(view.FCreate(0, 0, 200, 100, nullptr));
    HWND hwnd = view.Hwnd();
    view.rgsz.clear();
    struct { UINT wm; WPARAM wParam; LPARAM lParam; LRESULT lExpected; const char *sz; } rgcase[] = {
        {WM_MOVE, 0, Pack(10, 20), 0, "Moved 10 20"},
        {WM_SIZE, 0, Pack(300, 400), 0, "Sized 300 400"},
        {WM_COMMAND, MAKEWPARAM(1234, 5), 0, 0, "Command 1234 5"},
        {WM_KEYDOWN, 0x41, 0, 0, "KeyDown 65"},
        {WM_CHAR, 0x61, Pack(3, 0), 0, "CharInput 97 3"},
        {WM_TIMER, 7, 0, 0, "Timer 7"},
        {WM_MOUSEMOVE, 0, Pack(-5, -6), 0, "MouseMove -5 -6"},
        {WM_LBUTTONDOWN, 0, Pack(-1, 2), 0, "MouseButton 513 -1 2"},
        {WM_MBUTTONDBLCLK, 0, Pack(3, 4), 0, "MouseButton 521 3 4"},
        {WM_MOUSEWHEEL, MAKEWPARAM(8, static_cast<WORD>(-120)), Pack(-7, 9), 0, "MouseWheel 8 -120 -7 9"},
        {WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0, 0, "Activate 0 0"},
        {WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 1), 0, 0, "Activate 1 1"},
        {WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0, 0, "Deactivate 1"},
        {WM_ENABLE, 1, 0, 0, "EnableChanged 1"},
        {WM_SYSCOMMAND, 0xF0F0, Pack(-3, 4), 0, "FSysCommand 61680 -3 4"},
        {WM_KEYUP, 0x42, 0, 0, "KeyUp 66"},
        {WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 40000), 0, 0, "VScroll 5 40000"},
        {WM_HSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0, 0, "HScroll 1 0"},
        {WM_SETFOCUS, 0, 0, 0, "GotFocus"},
        {WM_KILLFOCUS, 0, 0, 0, "LostFocus"},
        {WM_INITMENU, 0, 0, 0, "InitMenu"},
        {WM_INITMENUPOPUP, 0, Pack(2, 1), 0, "InitMenuPopup 2 1"},
        {WM_ACTIVATEAPP, 1, 77, 0, "ActivateApp 1 77"},
        {WM_ACTIVATEAPP, 0, 78, 0, "ActivateApp 0 78"},
        {WM_QUERYENDSESSION, 0, 0, 1, "FQueryEndSession"},
    };
    for (auto &c : rgcase) {
        view.rgsz.clear();
        LRESULT l = SendMessageA(hwnd, c.wm, c.wParam, c.lParam);
        ASSERT_FALSE(view.rgsz.empty()) << c.sz;
        EXPECT_EQ(c.sz, view.rgsz.back());
        EXPECT_EQ(c.lExpected, l) << c.sz;
    }
    view.Destroy();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(nullptr, view.Hwnd());
}

TEST_F(ViewTest, RoutesMessagesWithRecordArguments)
{
    RECVIEW view;
    ASSERT_TRUE(view.FCreate(0, 0, 200, 100, nullptr));
    HWND hwnd = view.Hwnd();
    NMHDR nmhdr = {hwnd, 4097, static_cast<UINT>(-551)};
    EXPECT_EQ(0, SendMessageA(hwnd, WM_NOTIFY, 4097, reinterpret_cast<LPARAM>(&nmhdr)));
    EXPECT_EQ("Notify 4097 -551", view.rgsz.back());
    RECT rc = {10, 20, 330, 440};
    EXPECT_EQ(0, SendMessageA(hwnd, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&rc)));
    EXPECT_EQ("Sizing 8 330", view.rgsz.back());
    EXPECT_EQ(0, SendMessageA(hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&rc)));
    EXPECT_EQ("Moving 10", view.rgsz.back());

    // An activation code other than the three known ones goes to the default
    // processing without a handler.
    view.rgsz.clear();
    LRESULT lResult = 5;
    EXPECT_FALSE(view.FWndProc(WM_ACTIVATE, MAKEWPARAM(3, 0), 0, &lResult));
    EXPECT_EQ(0, lResult);
    EXPECT_TRUE(view.rgsz.empty());
    view.Destroy();
}

// "Default" messages reach the view and then the default window procedure,
// whose own reactions show that it ran.
TEST_F(ViewTest, DefaultProcessingFollowsTheHandler)
{
    RECVIEW view;
    ASSERT_TRUE(view.FCreate(100, 100, 300, 200, nullptr));
    HWND hwnd = view.Hwnd();

    // A system command the view leaves alone: the default procedure turns
    // SC_CLOSE into WM_CLOSE.
    view.rgsz.clear();
    SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ((std::vector<std::string>{"FSysCommand 61536 0 0", "FQueryClose", "Close"}), view.rgsz);
    // A system command the view handles goes no further.
    view.fSysCommand = TRUE;
    view.rgsz.clear();
    SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ((std::vector<std::string>{"FSysCommand 61536 0 0"}), view.rgsz);

    // The right button's release: the view sees it, then the default
    // procedure asks for the context menu.
    view.rgsz.clear();
    SendMessageA(hwnd, WM_RBUTTONUP, 0, Pack(7, 9));
    ASSERT_FALSE(view.rgsz.empty());
    EXPECT_EQ("MouseButton 517 7 9", view.rgsz.front());
    EXPECT_EQ("HmenuContext", view.rgsz.back());
    EXPECT_EQ(7, view.ptContext.x);
    EXPECT_EQ(9, view.ptContext.y);
    view.Destroy();
}

// The context menu's point arrives in screen coordinates and reaches the
// view in client coordinates.
TEST_F(ViewTest, ContextMenuPointInClientCoordinates)
{
    RECVIEW view;
    ASSERT_TRUE(view.FCreate(120, 80, 300, 200, nullptr));
    POINT ptClient0 = {0, 0};
    ClientToScreen(view.Hwnd(), &ptClient0);
    SendMessageA(view.Hwnd(), WM_CONTEXTMENU, 0, Pack(ptClient0.x + 30, ptClient0.y + 40));
    EXPECT_EQ(30, view.ptContext.x);
    EXPECT_EQ(40, view.ptContext.y);
    view.Destroy();
}

TEST_F(ViewTest, CloseGoesToCloseOrToTheDefaultProcessing)
{
    RECVIEW view;
    ASSERT_TRUE(view.FCreate(0, 0, 100, 100, nullptr));
    HWND hwnd = view.Hwnd();
    EXPECT_EQ(1, SendMessageA(hwnd, WM_CLOSE, 0, 0));
    EXPECT_EQ("Close", view.rgsz.back());
    EXPECT_TRUE(IsWindow(hwnd));

    view.fQueryClose = FALSE;
    view.rgsz.clear();
    SendMessageA(hwnd, WM_CLOSE, 0, 0);   // the default processing destroys the window
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ((std::vector<std::string>{"FQueryClose", "Destroyed"}), view.rgsz);
    EXPECT_EQ(nullptr, view.Hwnd());
}

TEST_F(ViewTest, RefusedInitDestroysTheNewWindow)
{
    RECVIEW view;
    view.fInitAnswer = FALSE;
    EXPECT_FALSE(view.FCreate(0, 0, 100, 100, nullptr));
    EXPECT_EQ(nullptr, view.Hwnd());
    EXPECT_EQ("Destroyed", view.rgsz.back());
}

TEST_F(ViewTest, DeleteSelfMessageDestroysAndDeletes)
{
    bool fDeleted = false;
    RECVIEW *pview = new RECVIEW;
    pview->pfDeleted = &fDeleted;
    ASSERT_TRUE(pview->FCreate(0, 0, 100, 100, nullptr));
    HWND hwnd = pview->Hwnd();
    SendMessageA(hwnd, wmViewDeleteSelf, 0, 0);
    EXPECT_TRUE(fDeleted);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(ViewTest, ContextMenuIsReleasedWhetherShownOrNot)
{
    RECVIEW view;
    ASSERT_TRUE(view.FCreate(0, 0, 100, 100, nullptr));
    SendMessageA(view.Hwnd(), WM_CONTEXTMENU, 0, Pack(5, 5));
    EXPECT_EQ((std::vector<std::string>{"FInitWnd", "HmenuContext"}),
              std::vector<std::string>(view.rgsz.end() - 2, view.rgsz.end()));
    view.hmenuContext = CreatePopupMenu();
    view.rgsz.clear();
    SendMessageA(view.Hwnd(), WM_CONTEXTMENU, 0, Pack(5, 5));
    EXPECT_EQ((std::vector<std::string>{"HmenuContext", "FPrepareContextMenu", "ReleaseContextMenu"}), view.rgsz);
    DestroyMenu(view.hmenuContext);
    view.Destroy();
}

class RECDLG : public DLGVIEW {
public:
    std::vector<std::string> rgsz;
    BOOL fKeepWindow = FALSE;   // EndDlg leaves the window (to see what reaches it afterwards)
    BOOL FInitDialog(HWND) override { rgsz.push_back("FInitDialog"); return TRUE; }
    BOOL FDlgCommand(int id, int code, HWND hwndCtl) override
    {
        if (code == 0)   // not the edit control's own notifications
            rgsz.push_back("FDlgCommand " + std::to_string(id));
        return DLGVIEW::FDlgCommand(id, code, hwndCtl);
    }
    void EndDlg(int nResult) override
    {
        rgsz.push_back("EndDlg " + std::to_string(nResult));
        if (!fKeepWindow)
            DLGVIEW::EndDlg(nResult);
    }
    HWND HwndParentGiven() const { return hwndParent; }
};

TEST_F(ViewTest, DialogViewLifecycleAndRouting)
{
    HINSTANCE hinst = GetModuleHandleA(nullptr);
    RECDLG dlg;
    EXPECT_FALSE(dlg.FCreateDlg(hinst, nullptr, 999));   // no such template
    ASSERT_TRUE(dlg.FCreateDlg(hinst, nullptr, 900));
    HWND hwndDlg = dlg.Hwnd();
    ASSERT_NE(nullptr, hwndDlg);
    EXPECT_EQ(hwndDlg, dlg.HwndDlg());
    EXPECT_EQ((std::vector<std::string>{"FInitDialog"}), dlg.rgsz);
    EXPECT_EQ(nullptr, dlg.HwndParentGiven());
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(&dlg), GetWindowLongPtrA(hwndDlg, DWLP_USER));
    EXPECT_TRUE(dlg.FDlgProc(WM_KEYDOWN, VK_RETURN, 0));   // keys are swallowed
    EXPECT_FALSE(dlg.FDlgProc(WM_MOUSEMOVE, 0, 0));
    EXPECT_FALSE(dlg.FDlgCommand(1234, 0, nullptr));

    SendMessageA(hwndDlg, WM_COMMAND, IDCANCEL, 0);      // Cancel destroys the dialog
    EXPECT_FALSE(IsWindow(hwndDlg));
    EXPECT_EQ("EndDlg 0", dlg.rgsz.back());

    RECDLG dlg2;
    ASSERT_TRUE(dlg2.FCreateDlg(hinst, nullptr, 900));
    HWND hwndDlg2 = dlg2.Hwnd();
    SendMessageA(hwndDlg2, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwndDlg2));

    RECDLG dlg3;
    ASSERT_TRUE(dlg3.FCreateDlg(hinst, nullptr, 900));
    dlg3.Destroy();
    EXPECT_EQ(nullptr, dlg3.Hwnd());
    EXPECT_EQ(nullptr, dlg3.HwndDlg());
}

TEST_F(ViewTest, DialogCommandsOkAndCancel)
{
    struct { int id; BOOL fResult; const char *szEnd; } rgcase[] = {
        {IDOK, TRUE, "EndDlg 1"}, {IDCANCEL, TRUE, "EndDlg 0"}, {901, FALSE, nullptr},
    };
    HINSTANCE hinst = GetModuleHandleA(nullptr);
    for (auto &c : rgcase) {
        RECDLG dlg;
        dlg.fKeepWindow = TRUE;
        HWND hwndParent = CreateWindowExA(0, szClass, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, hinst, nullptr);
        ASSERT_TRUE(dlg.FCreateDlg(hinst, hwndParent, 900));
        EXPECT_EQ(hwndParent, dlg.HwndParentGiven());
        HWND hwndDlg = dlg.Hwnd();
        dlg.rgsz.clear();
        EXPECT_EQ(c.fResult, dlg.FDlgCommand(c.id, 0, nullptr)) << c.id;
        if (c.szEnd != nullptr)
            EXPECT_EQ(c.szEnd, dlg.rgsz.back());
        else
            EXPECT_EQ(1u, dlg.rgsz.size());
        DestroyWindow(hwndDlg);
        DestroyWindow(hwndParent);
    }
}

// Destroy detaches the view from its dialog: whatever still reaches the
// dialog afterwards is answered without the view.
TEST_F(ViewTest, DestroyedDialogViewIsDetachedFromItsDialog)
{
    HINSTANCE hinst = GetModuleHandleA(nullptr);
    RECDLG dlg;
    dlg.fKeepWindow = TRUE;   // the dialog outlives the view's Destroy
    ASSERT_TRUE(dlg.FCreateDlg(hinst, nullptr, 900));
    HWND hwndDlg = dlg.Hwnd();
    dlg.Destroy();
    EXPECT_EQ("EndDlg 0", dlg.rgsz.back());
    EXPECT_EQ(nullptr, dlg.Hwnd());
    ASSERT_TRUE(IsWindow(hwndDlg));
    EXPECT_EQ(0, GetWindowLongPtrA(hwndDlg, DWLP_USER));
    dlg.rgsz.clear();
    EXPECT_EQ(TRUE, DLGVIEW::DlgViewProc(hwndDlg, WM_COMMAND, IDCANCEL, 0));
    EXPECT_EQ(TRUE, DLGVIEW::DlgViewProc(hwndDlg, WM_MOUSEMOVE, 0, 0));
    EXPECT_TRUE(dlg.rgsz.empty());
    EXPECT_TRUE(IsWindow(hwndDlg));
    DestroyWindow(hwndDlg);
}

class EdtlogTest : public ::testing::Test {
protected:
    HWND hwndEdit = nullptr;
    void SetUp() override
    {
        hwndEdit = CreateWindowExA(0, "EDIT", "", WS_POPUP | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, 0, 0, 300,
                                   200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, hwndEdit);
    }
    void TearDown() override { DestroyWindow(hwndEdit); }
    std::vector<std::string> RgszLines()
    {
        std::string sz(static_cast<size_t>(GetWindowTextLengthA(hwndEdit)) + 1, '\0');
        GetWindowTextA(hwndEdit, &sz[0], static_cast<int>(sz.size()));
        sz.resize(strlen(sz.c_str()));
        std::vector<std::string> rgsz;
        size_t ich = 0;
        for (size_t ichEnd; (ichEnd = sz.find("\r\n", ich)) != std::string::npos; ich = ichEnd + 2)
            rgsz.push_back(sz.substr(ich, ichEnd - ich));
        EXPECT_EQ(ich, sz.size()) << "the text ends with a line break";
        return rgsz;
    }
};

TEST_F(EdtlogTest, KeepsTheLast128Lines)
{
    for (int i = 0; i < 128; i++)
        AppendEditLine(hwndEdit, ("line " + std::to_string(i)).c_str(), 128);
    std::vector<std::string> rgsz = RgszLines();
    ASSERT_EQ(128u, rgsz.size());
    EXPECT_EQ("line 0", rgsz.front());
    AppendEditLine(hwndEdit, "line 128", 128);
    AppendEditLine(hwndEdit, "line 129", 128);
    rgsz = RgszLines();
    ASSERT_EQ(128u, rgsz.size());
    EXPECT_EQ("line 2", rgsz.front());
    EXPECT_EQ("line 129", rgsz.back());
}

const UINT wmLine = WM_APP + 5;
const int idDone = 1044;
HWND g_hwndEditTarget;
std::vector<std::string> g_rgszAtDone;   // the log when the completion arrived

LRESULT CALLBACK LineSinkProc(HWND hwnd, UINT wm, WPARAM wParam, LPARAM lParam)
{
    if (wm == wmLine) {
        AppendEditLine(g_hwndEditTarget, reinterpret_cast<const char *>(lParam), 128);
        return 0;
    }
    if (wm == WM_COMMAND && LOWORD(wParam) == idDone) {
        std::vector<char> rgch(static_cast<size_t>(GetWindowTextLengthA(g_hwndEditTarget)) + 1);
        GetWindowTextA(g_hwndEditTarget, rgch.data(), static_cast<int>(rgch.size()));
        g_rgszAtDone.clear();
        std::string sz(rgch.data());
        for (size_t ich = 0; ich < sz.size();) {
            size_t ichEnd = sz.find("\r\n", ich);
            if (ichEnd == std::string::npos)
                break;
            g_rgszAtDone.push_back(sz.substr(ich, ichEnd - ich));
            ich = ichEnd + 2;
        }
        return 0;
    }
    return DefWindowProcA(hwnd, wm, wParam, lParam);
}

// A worker's way of reporting: lines, then the completion command, each sent.
DWORD WINAPI SendLinesThenComplete(void *pv)
{
    HWND hwnd = static_cast<HWND>(pv);
    for (int i = 0; i < 200; i++)
        FSendLine(hwnd, wmLine, ("worker " + std::to_string(i)).c_str());
    SendMessageA(hwnd, WM_COMMAND, idDone, 0);
    return 0;
}

// Lines handed over from another thread are all in the log when the
// completion command that follows them arrives (a posted line would still be
// queued then: sent messages are handled before posted ones). The window
// thread keeps handling sent messages while it waits.
TEST_F(EdtlogTest, LinesFromAnotherThreadArriveBeforeTheCompletionAfterThem)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = LineSinkProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrrinLineSink";
    RegisterClassA(&wc);
    HWND hwndSink = CreateWindowExA(0, "OrrinLineSink", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, hwndSink);
    g_hwndEditTarget = hwndEdit;
    g_rgszAtDone.clear();
    HANDLE hthd = CreateThread(nullptr, 0, SendLinesThenComplete, hwndSink, 0, nullptr);
    DWORD tmsStart = GetTickCount();
    for (;;) {
        DWORD dw = MsgWaitForMultipleObjects(1, &hthd, FALSE, 10000, QS_SENDMESSAGE);
        if (dw != WAIT_OBJECT_0 + 1 || GetTickCount() - tmsStart > 10000)
            break;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hthd, 0));
    CloseHandle(hthd);
    ASSERT_EQ(128u, g_rgszAtDone.size());
    EXPECT_EQ("worker 72", g_rgszAtDone.front());
    EXPECT_EQ("worker 199", g_rgszAtDone.back());
    DestroyWindow(hwndSink);
    EXPECT_FALSE(FSendLine(hwndSink, wmLine, "to a window that is gone"));
}


// The file-open dialog of the histories, answered by a helper thread as a
// user would: type a name and press OK, or press Cancel.
struct BROWSEANSWER {
    std::string szTyped;   // empty: Cancel
    BOOL fAnswered;
};

struct FINDDLG {
    DWORD pid;
    HWND hwnd;
};

BOOL CALLBACK FFindFileDialog(HWND hwnd, LPARAM lParam)
{
    FINDDLG *pfind = reinterpret_cast<FINDDLG *>(lParam);
    char szClass[16] = "";
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    GetClassNameA(hwnd, szClass, sizeof(szClass));
    if (pid == pfind->pid && strcmp(szClass, "#32770") == 0 && IsWindowVisible(hwnd)) {
        pfind->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND HwndFileDialog()
{
    FINDDLG find = {GetCurrentProcessId(), nullptr};
    EnumWindows(FFindFileDialog, reinterpret_cast<LPARAM>(&find));
    return find.hwnd;
}

DWORD WINAPI AnswerFileDialog(void *pv)
{
    BROWSEANSWER *panswer = static_cast<BROWSEANSWER *>(pv);
    HWND hwndDlg = nullptr;
    for (int i = 0; i < 200 && hwndDlg == nullptr; i++) {
        Sleep(50);
        hwndDlg = HwndFileDialog();
    }
    if (hwndDlg == nullptr)
        return 0;
    Sleep(200);
    if (panswer->szTyped.empty()) {
        PostMessageA(hwndDlg, WM_COMMAND, IDCANCEL, 0);
    } else {
        GUITHREADINFO gti = {};
        gti.cbSize = sizeof(gti);
        GetGUIThreadInfo(GetWindowThreadProcessId(hwndDlg, nullptr), &gti);
        SendMessageA(gti.hwndFocus, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(panswer->szTyped.c_str()));
        PostMessageA(hwndDlg, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(hwndDlg, IDOK)));
    }
    panswer->fAnswered = TRUE;
    return 0;
}

TEST(FlhistBrowse, ReturnsTheChosenPathOrNothing)
{
    char szTemp[MAX_PATH] = "";
    GetTempPathA(sizeof(szTemp), szTemp);
    std::string szDir = szTemp;
    std::string szData = szDir + "orrin_browse.dat", szBin = szDir + "orrin_browse.bin";
    for (const std::string &sz : {szData, szBin}) {
        FILE *pfl = fopen(sz.c_str(), "w");
        ASSERT_NE(nullptr, pfl) << sz;
        fclose(pfl);
    }
    const char szFilterData[] = "Data Files (*.dat)\0*.dat\0All Files (*.*)\0*.*\0";
    struct { const char *szFilter; std::string szTyped, szExpected; } rgcase[] = {
        {szFilterData, szData, szData},
        {nullptr, szDir + "orrin_browse", szBin},   // no filter, no extension typed: the default "bin"
        {szFilterData, "", ""},                     // Cancel: nothing
    };
    for (auto &c : rgcase) {
        BROWSEANSWER answer = {c.szTyped, FALSE};
        HANDLE hthd = CreateThread(nullptr, 0, AnswerFileDialog, &answer, 0, nullptr);
        char *sz = FLHIST::SzBrowse(nullptr, c.szFilter);
        WaitForSingleObject(hthd, 15000);
        CloseHandle(hthd);
        ASSERT_TRUE(answer.fAnswered) << "no file dialog appeared for \"" << c.szTyped << "\"";
        if (c.szExpected.empty()) {
            EXPECT_EQ(nullptr, sz);
        } else {
            ASSERT_NE(nullptr, sz) << c.szTyped;
            EXPECT_EQ(0, _stricmp(c.szExpected.c_str(), sz)) << sz;
        }
        free(sz);
    }
    remove(szData.c_str());
    remove(szBin.c_str());
}

} // namespace
