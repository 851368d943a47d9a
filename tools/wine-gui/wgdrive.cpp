// Helpers of the GUI test driver (see wgdrive.h).

#include "wgdrive.h"

#include <commctrl.h>
#include <sddl.h>
#include <stdio.h>

namespace wg {

int cFail = 0;

void Check(bool f, const std::string &szWhat)
{
    printf("%s %s\n", f ? "ok  " : "FAIL", szWhat.c_str());
    fflush(stdout);
    if (!f)
        cFail++;
}

void Note(const std::string &sz)
{
    printf("     %s\n", sz.c_str());
    fflush(stdout);
}

DWORD CHILDPROC::Wait(DWORD tms)
{
    if (WaitForSingleObject(hproc, tms) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD dwExit = 0;
    GetExitCodeProcess(hproc, &dwExit);
    return dwExit;
}

bool FStart(const std::string &szExe, CHILDPROC *pproc, const std::string &szArgs)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::string szCmd = "\"" + szExe + "\"" + (szArgs.empty() ? "" : " " + szArgs);
    if (!CreateProcessA(szExe.c_str(), &szCmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    pproc->hproc = pi.hProcess;
    pproc->pid = pi.dwProcessId;
    WaitForInputIdle(pi.hProcess, 10000);
    return true;
}

namespace {

struct TOPSEARCH {
    DWORD pid;
    const char *szClass;
    std::vector<HWND> rghwnd;
};

BOOL CALLBACK FCollectTop(HWND hwnd, LPARAM lParam)
{
    TOPSEARCH *ps = reinterpret_cast<TOPSEARCH *>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != ps->pid)
        return TRUE;
    char szClass[256] = "";
    GetClassNameA(hwnd, szClass, sizeof(szClass));
    if (ps->szClass == nullptr || strcmp(szClass, ps->szClass) == 0)
        ps->rghwnd.push_back(hwnd);
    return TRUE;
}

struct IDSEARCH {
    int id;
    HWND hwnd;
};

BOOL CALLBACK FFindId(HWND hwnd, LPARAM lParam)
{
    IDSEARCH *ps = reinterpret_cast<IDSEARCH *>(lParam);
    if (GetDlgCtrlID(hwnd) == ps->id) {
        ps->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

std::vector<HWND> RghwndTop(DWORD pid, const char *szClass)
{
    TOPSEARCH s = {pid, szClass, {}};
    EnumWindows(FCollectTop, reinterpret_cast<LPARAM>(&s));
    return s.rghwnd;
}

HWND HwndWaitTop(DWORD pid, const char *szClass, DWORD tms)
{
    for (DWORD tmsWaited = 0; tmsWaited <= tms; tmsWaited += 100) {
        for (HWND hwnd : RghwndTop(pid, szClass))
            if (IsWindowVisible(hwnd))
                return hwnd;
        Sleep(100);
    }
    return nullptr;
}

HWND HwndFindId(HWND hwndRoot, int id)
{
    IDSEARCH s = {id, nullptr};
    EnumChildWindows(hwndRoot, FFindId, reinterpret_cast<LPARAM>(&s));
    return s.hwnd;
}

std::string SzText(HWND hwnd)
{
    LRESULT cch = SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0);
    std::string sz(static_cast<size_t>(cch) + 1, '\0');
    SendMessageA(hwnd, WM_GETTEXT, sz.size(), reinterpret_cast<LPARAM>(&sz[0]));
    sz.resize(strlen(sz.c_str()));
    return sz;
}

std::string SzTabText(HWND hwndTab, int i)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwndTab, &pid);
    HANDLE hproc = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (hproc == nullptr)
        return "<no access>";
    const size_t cchText = 256;
    char *pbRemote = static_cast<char *>(
        VirtualAllocEx(hproc, nullptr, sizeof(TCITEMA) + cchText, MEM_COMMIT, PAGE_READWRITE));
    std::string sz = "<no item>";
    if (pbRemote != nullptr) {
        TCITEMA tci = {};
        tci.mask = TCIF_TEXT;
        tci.pszText = pbRemote + sizeof(TCITEMA);
        tci.cchTextMax = cchText;
        char szText[cchText] = "";
        WriteProcessMemory(hproc, pbRemote, &tci, sizeof(tci), nullptr);
        WriteProcessMemory(hproc, pbRemote + sizeof(TCITEMA), szText, cchText, nullptr);
        if (SendMessageA(hwndTab, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(pbRemote)) &&
            ReadProcessMemory(hproc, pbRemote + sizeof(TCITEMA), szText, cchText - 1, nullptr))
            sz = szText;
        VirtualFreeEx(hproc, pbRemote, 0, MEM_RELEASE);
    }
    CloseHandle(hproc);
    return sz;
}

std::vector<std::string> RgszLines(const std::string &sz)
{
    std::vector<std::string> rgsz;
    size_t ich = 0;
    for (size_t ichEnd; (ichEnd = sz.find("\r\n", ich)) != std::string::npos; ich = ichEnd + 2)
        rgsz.push_back(sz.substr(ich, ichEnd - ich));
    if (ich < sz.size())
        rgsz.push_back(sz.substr(ich));
    return rgsz;
}

RECT RcWindow(HWND hwnd)
{
    RECT rc = {};
    GetWindowRect(hwnd, &rc);
    return rc;
}

// Wine carries the rectangle of WM_SIZING across processes itself (as it
// does for the other messages whose lParam points at a RECT).
RECT RcSizing(HWND hwnd, int edge, RECT rc)
{
    SendMessageA(hwnd, WM_SIZING, static_cast<WPARAM>(edge), reinterpret_cast<LPARAM>(&rc));
    return rc;
}

bool FResponsive(HWND hwnd)
{
    DWORD_PTR dw = 0;
    return SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &dw) != 0;
}

void Settle(HWND hwnd)
{
    FResponsive(hwnd);
    Sleep(200);
    FResponsive(hwnd);
}

namespace {

// A key of the registry root hkeyRoot. The current user's key is opened
// under HKEY_USERS by the user's SID each time: under wine the process's
// cached HKEY_CURRENT_USER handle has been seen to go stale in the driver
// after another process's modal dialog (every later access failing with
// ERROR_INVALID_HANDLE).
class ROOTKEY {
public:
    explicit ROOTKEY(HKEY hkeyRoot) : hkey(hkeyRoot)
    {
        if (hkeyRoot != HKEY_CURRENT_USER)
            return;
        std::string szSid = SzUserSid();
        if (!szSid.empty() && RegOpenKeyExA(HKEY_USERS, szSid.c_str(), 0, KEY_ALL_ACCESS, &hkeyOwn) == ERROR_SUCCESS)
            hkey = hkeyOwn;
    }
    ~ROOTKEY()
    {
        if (hkeyOwn != nullptr)
            RegCloseKey(hkeyOwn);
    }
    ROOTKEY(const ROOTKEY &) = delete;
    ROOTKEY &operator=(const ROOTKEY &) = delete;
    HKEY Hkey() const { return hkey; }

private:
    static std::string SzUserSid()
    {
        HANDLE htoken = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &htoken))
            return "";
        BYTE rgb[512];
        DWORD cb = 0;
        std::string szSid;
        char *pszSid = nullptr;
        if (GetTokenInformation(htoken, TokenUser, rgb, sizeof(rgb), &cb) &&
            ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER *>(rgb)->User.Sid, &pszSid)) {
            szSid = pszSid;
            LocalFree(pszSid);
        }
        CloseHandle(htoken);
        return szSid;
    }

    HKEY hkey;
    HKEY hkeyOwn = nullptr;
};

} // namespace

bool FRegSetSz(HKEY hkeyRoot, const char *szKey, const char *szValue, const char *sz)
{
    ROOTKEY root(hkeyRoot);
    HKEY hkey;
    if (RegCreateKeyExA(root.Hkey(), szKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hkey, nullptr) != ERROR_SUCCESS)
        return false;
    LONG lerr = RegSetValueExA(hkey, szValue, 0, REG_SZ, reinterpret_cast<const BYTE *>(sz),
                               static_cast<DWORD>(strlen(sz) + 1));
    RegCloseKey(hkey);
    return lerr == ERROR_SUCCESS;
}

bool FRegSetDword(HKEY hkeyRoot, const char *szKey, const char *szValue, DWORD dw)
{
    ROOTKEY root(hkeyRoot);
    HKEY hkey;
    if (RegCreateKeyExA(root.Hkey(), szKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hkey, nullptr) != ERROR_SUCCESS)
        return false;
    LONG lerr = RegSetValueExA(hkey, szValue, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&dw), sizeof(dw));
    RegCloseKey(hkey);
    return lerr == ERROR_SUCCESS;
}

bool FRegGetSz(HKEY hkeyRoot, const char *szKey, const char *szValue, std::string *psz)
{
    ROOTKEY root(hkeyRoot);
    HKEY hkey;
    if (RegOpenKeyExA(root.Hkey(), szKey, 0, KEY_READ, &hkey) != ERROR_SUCCESS)
        return false;
    char sz[1024] = "";
    DWORD cb = sizeof(sz) - 1, dwType = 0;
    LONG lerr = RegQueryValueExA(hkey, szValue, nullptr, &dwType, reinterpret_cast<BYTE *>(sz), &cb);
    RegCloseKey(hkey);
    if (lerr != ERROR_SUCCESS || dwType != REG_SZ)
        return false;
    *psz = sz;
    return true;
}

void RegWipeKey(HKEY hkeyRoot, const char *szKey)
{
    ROOTKEY root(hkeyRoot);
    RegDeleteTreeA(root.Hkey(), szKey);
    RegDeleteKeyA(root.Hkey(), szKey);
}

// Wine starts a Unix program given by its Unix path; the driver waits for it.
void Screenshot(const std::string &szUnixDir, const std::string &szName)
{
    if (szUnixDir.empty())
        return;
    std::string szCmd = "/usr/bin/import -window root " + szUnixDir + "/" + szName + ".png";
    // The picture program gets the null device for its standard handles: it
    // must not take over the driver's output, whose later lines would be lost.
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE hnul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                              OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    if (hnul != INVALID_HANDLE_VALUE) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = si.hStdOutput = si.hStdError = hnul;
    }
    PROCESS_INFORMATION pi = {};
    BOOL fStarted = CreateProcessA(nullptr, &szCmd[0], nullptr, nullptr, hnul != INVALID_HANDLE_VALUE, 0, nullptr,
                                   nullptr, &si, &pi);
    if (hnul != INVALID_HANDLE_VALUE)
        CloseHandle(hnul);
    if (!fStarted) {
        Note("screenshot " + szName + " not taken");
        return;
    }
    WaitForSingleObject(pi.hProcess, 15000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

COLORREF CrAt(HWND hwndPage, int id, int dx, int dy)
{
    RECT rc;
    if (!GetWindowRect(GetDlgItem(hwndPage, id), &rc))
        return CLR_INVALID;
    HDC hdc = GetDC(nullptr);
    COLORREF cr = GetPixel(hdc, rc.left + dx, rc.top + dy);
    ReleaseDC(nullptr, hdc);
    return cr;
}

bool FColourShows(HWND hwndPage, int id, int dx, int dy, COLORREF crWant, bool fRepaint)
{
    for (int i = 0; i < 200; i++) {
        if (CrAt(hwndPage, id, dx, dy) == crWant)
            return true;
        if (fRepaint)
            InvalidateRect(hwndPage, nullptr, FALSE);
        Sleep(50);
    }
    return false;
}

} // namespace wg
