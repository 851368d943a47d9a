// The plug-ins' dialog view base and utilities under wine: DLGVBS's message
// routing (sizes reported, key presses left alone, the result's low byte,
// nothing before WM_INITDIALOG), its window lifetime, SzLoadInto from the
// module's string table and FRegGetValue over the real registry.

#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

#include "bsboard.h"
#include "bsutil.h"
#include "dlgvbs.h"

// The entry module comes along with the utilities; this module is no plug-in.
const BSBOARD g_bsboard = {};

namespace {

enum { iddTest = 200, idsConfig = 300, idsRegPath = 301, idsLong = 302, wmLowByte = WM_APP + 5 };

class RECVBS : public DLGVBS {
public:
    std::vector<std::string> rgsz;
    std::vector<UINT> rgwm;   // every message FDlgProc saw
    static std::string S(long long a) { return std::to_string(a); }

    void Sized(int cx, int cy) override { rgsz.push_back("Sized " + S(cx) + " " + S(cy)); }
    void Activate(BOOL fClick, BOOL fMin, HWND) override { rgsz.push_back("Activate " + S(fClick) + " " + S(fMin)); }
    void Deactivate(BOOL fMin, HWND) override { rgsz.push_back("Deactivate " + S(fMin)); }
    BOOL FInitDialog(HWND) override
    {
        rgsz.push_back("FInitDialog");
        return TRUE;
    }
    BOOL FDlgCommand(int id, int code, HWND hwndCtl) override
    {
        rgsz.push_back("FDlgCommand " + S(id) + " " + S(code));
        return DLGVBS::FDlgCommand(id, code, hwndCtl);
    }
    BOOL FDlgProc(UINT wm, WPARAM wParam, LPARAM lParam) override
    {
        rgwm.push_back(wm);
        if (wm == wmLowByte)
            return static_cast<BOOL>(wParam);
        return DLGVBS::FDlgProc(wm, wParam, lParam);
    }
    HWND HwndView() { return hwnd; }
};

HINSTANCE HinstSelf() { return GetModuleHandleA(nullptr); }

INT_PTR Route(HWND hwnd, UINT wm, WPARAM wParam, LPARAM lParam)
{
    return DLGVBS::DlgVbsProc(hwnd, wm, wParam, lParam);
}

TEST(Dlgvbs, RoutesMessagesAsItsTableSays)
{
    RECVBS view;
    ASSERT_TRUE(view.FCreateDlg(HinstSelf(), nullptr, iddTest));
    HWND hwnd = view.HwndDlg();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(view.HwndView(), hwnd);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, DWLP_USER), reinterpret_cast<LONG_PTR>(&view));
    // Messages before WM_INITDIALOG (the dialog font among them) reached no view.
    ASSERT_FALSE(view.rgwm.empty());
    EXPECT_EQ(view.rgwm.front(), static_cast<UINT>(WM_INITDIALOG));
    EXPECT_EQ(view.rgsz.front(), "FInitDialog");
    view.rgsz.clear();

    struct CASE { UINT wm; WPARAM wParam; LPARAM lParam; INT_PTR result; const char *szCall; };
    const CASE rgcase[] = {
        {WM_SIZE, 0, MAKELPARAM(300, 200), TRUE, "Sized 300 200"},
        {WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0, TRUE, "Activate 0 0"},
        {WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 1), 0, TRUE, "Activate 1 1"},
        {WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0, TRUE, "Deactivate 1"},
        {WM_ACTIVATE, MAKEWPARAM(3, 0), 0, FALSE, ""},
        {WM_KEYDOWN, VK_RETURN, 0, FALSE, ""},
        {WM_COMMAND, MAKEWPARAM(1234, 5), 0, FALSE, "FDlgCommand 1234 5"},
        {WM_MOUSEMOVE, 0, 0, FALSE, ""},
        {wmLowByte, 0x100, 0, 0, ""},        // only the low byte of the view's answer counts
        {wmLowByte, 0x1FF, 0, 0xFF, ""},
    };
    for (const CASE &c : rgcase) {
        view.rgsz.clear();
        EXPECT_EQ(Route(hwnd, c.wm, c.wParam, c.lParam), c.result) << c.wm << " " << c.wParam;
        std::string szCall = view.rgsz.empty() ? "" : view.rgsz[0];
        EXPECT_EQ(szCall, c.szCall) << c.wm << " " << c.wParam;
        EXPECT_LE(view.rgsz.size(), 1u);
    }
    // WM_CLOSE ends the dialog.
    EXPECT_EQ(Route(hwnd, WM_CLOSE, 0, 0), TRUE);
    EXPECT_FALSE(IsWindow(hwnd));
}

// A dialog whose user word holds no view: answered true, no view called.
TEST(Dlgvbs, NoViewNoCall)
{
    RECVBS view;
    ASSERT_TRUE(view.FCreateDlg(HinstSelf(), nullptr, iddTest));
    HWND hwnd = view.HwndDlg();
    SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    view.rgwm.clear();
    EXPECT_EQ(Route(hwnd, WM_SIZE, 0, MAKELPARAM(1, 2)), TRUE);
    EXPECT_EQ(Route(hwnd, WM_KEYDOWN, 0, 0), TRUE);
    EXPECT_TRUE(view.rgwm.empty());
    DestroyWindow(hwnd);
}

TEST(Dlgvbs, DestroyLeavesTheViewForANewWindow)
{
    RECVBS view;
    view.Destroy();   // no window: nothing
    EXPECT_EQ(view.HwndDlg(), nullptr);
    ASSERT_TRUE(view.FCreateDlg(HinstSelf(), nullptr, iddTest));
    HWND hwndFirst = view.HwndDlg();
    view.Destroy();
    EXPECT_FALSE(IsWindow(hwndFirst));
    EXPECT_EQ(view.HwndDlg(), nullptr);
    ASSERT_TRUE(view.FCreateDlg(HinstSelf(), nullptr, iddTest));
    HWND hwndSecond = view.HwndDlg();
    EXPECT_TRUE(IsWindow(hwndSecond));
    // OK ends the dialog through EndDlg.
    view.rgsz.clear();
    EXPECT_EQ(Route(hwndSecond, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0), TRUE);
    EXPECT_FALSE(IsWindow(hwndSecond));
    // A template the module lacks: no window, false.
    RECVBS viewBad;
    EXPECT_FALSE(viewBad.FCreateDlg(HinstSelf(), nullptr, 999));
    EXPECT_EQ(viewBad.HwndDlg(), nullptr);
}

TEST(BsUtil, SzLoadIntoFromThePluginsModule)
{
    g_bsmod.hinst = HinstSelf();
    char sz[cchBsString + 16];
    memset(sz, 'Z', sizeof(sz));
    EXPECT_STREQ(SzLoadInto(idsConfig, sz), "Config");
    memset(sz, 'Z', sizeof(sz));
    EXPECT_STREQ(SzLoadInto(999, sz), "");
    // At most 257 characters with the terminator.
    memset(sz, 'Z', sizeof(sz));
    SzLoadInto(idsLong, sz);
    EXPECT_EQ(strlen(sz), static_cast<size_t>(cchBsString - 1));
    EXPECT_EQ(sz[cchBsString], 'Z');
}

class RegGet : public ::testing::Test {
protected:
    const char *szKey = "Software\\KorvanelTest\\BsUtil";
    void SetUp() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KorvanelTest");
        Set("DataPath", REG_SZ, "C:\\shared", 10);
        DWORD dw = 0x12345678;
        Set("Number", REG_DWORD, &dw, 4);
        std::string szBig(300, 'b');
        Set("Big", REG_SZ, szBig.c_str(), 301);
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KorvanelTest"); }
    void Set(const char *szValue, DWORD type, const void *pv, DWORD cb)
    {
        ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, szKey, szValue, type, pv, cb), ERROR_SUCCESS);
    }
};

TEST_F(RegGet, KeyAndValueFromOnePath)
{
    g_bsmod.hinst = HinstSelf();
    char szPath[cchBsString];
    SzLoadInto(idsRegPath, szPath);
    char rgb[cbBsDataMax + 8];
    memset(rgb, 0, sizeof(rgb));
    ASSERT_TRUE(FRegGetValue(HKEY_CURRENT_USER, szPath, rgb));
    EXPECT_STREQ(rgb, "C:\\shared");
    EXPECT_STREQ(szPath, "Software\\KorvanelTest\\BsUtil");   // cut in place

    // The value read whatever its type.
    char szNumber[] = "Software\\KorvanelTest\\BsUtil:Number";
    uint32_t dw = 0;
    ASSERT_TRUE(FRegGetValue(HKEY_CURRENT_USER, szNumber, &dw));
    EXPECT_EQ(dw, 0x12345678u);

    // No separator: a value directly under the root key.
    HKEY hkey;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, szKey, 0, KEY_READ, &hkey), ERROR_SUCCESS);
    char szValueOnly[] = "DataPath";
    memset(rgb, 0, sizeof(rgb));
    EXPECT_TRUE(FRegGetValue(hkey, szValueOnly, rgb));
    EXPECT_STREQ(rgb, "C:\\shared");
    RegCloseKey(hkey);
}

TEST_F(RegGet, Refusals)
{
    char rgb[cbBsDataMax + 8];
    char szNoKey[] = "Software\\KorvanelTest\\Missing\\DataPath";
    EXPECT_FALSE(FRegGetValue(HKEY_CURRENT_USER, szNoKey, rgb));
    char szNoValue[] = "Software\\KorvanelTest\\BsUtil\\Missing";
    EXPECT_FALSE(FRegGetValue(HKEY_CURRENT_USER, szNoValue, rgb));
    std::string szLongName = std::string(szKey) + "\\" + std::string(256, 'n');
    EXPECT_FALSE(FRegGetValue(HKEY_CURRENT_USER, &szLongName[0], rgb));
    EXPECT_FALSE(FRegGetValue(HKEY_CURRENT_USER, nullptr, rgb));
    // More than 260 bytes: not read.
    char szBig[] = "Software\\KorvanelTest\\BsUtil\\Big";
    memset(rgb, 0x5A, sizeof(rgb));
    EXPECT_FALSE(FRegGetValue(HKEY_CURRENT_USER, szBig, rgb));
    EXPECT_EQ(rgb[cbBsDataMax], 0x5A);
}

} // namespace
