// The built board-support plug-ins, loaded as the program loads them: the
// seven exports bound by their plain names, records of a wrong size refused
// and left untouched, product names by variant, tabs in the board table's
// order, logo bitmaps from the plug-in's module, and load/unload cycles that
// leave no thread or handle behind.

#include <gtest/gtest.h>

#include <windows.h>

#include <string.h>
#include <string>

#include "bsexpect.h"
#include "bsplug.h"
#include "bsrecord.h"
#include "proccount.h"

namespace {

const char szKeyShared[] = "Software\\Korvanel\\Shared";

// The build's plug-in folder, beside the tests' bin folder.
std::string SzPluginPath(const char *szLibrary)
{
    char sz[MAX_PATH];
    DWORD cch = GetModuleFileNameA(nullptr, sz, sizeof(sz));
    std::string szDir(sz, cch);
    szDir = szDir.substr(0, szDir.find_last_of('\\'));
    szDir = szDir.substr(0, szDir.find_last_of('\\'));
    return szDir + "\\data\\BoardSupport\\" + szLibrary + ".dll";
}

int32_t BSCALL LogStub(const char *) { return 0; }
int32_t BSCALL RangeStub(int32_t, int32_t) { return 0; }
int32_t BSCALL LockStub(uint8_t) { return 0; }
uint8_t BSCALL ConfigureStub(int32_t, const char *) { return 0; }

BSINIT BsinitFor(uint32_t pdid)
{
    BSINIT bsinit;
    memset(&bsinit, 0, sizeof(bsinit));
    bsinit.cb = sizeof(BSINIT);
    bsinit.pdid = pdid;
    strcpy(bsinit.szConn, "SN:210183000C01");
    bsinit.pfnLog = LogStub;
    bsinit.pfnSetProgressRange = RangeStub;
    bsinit.pfnLockHost = LockStub;
    bsinit.pfnConfigureFpga = ConfigureStub;
    return bsinit;
}

// One loaded plug-in with its seven exports.
struct PLUGIN {
    HMODULE hmod = nullptr;
    PFNBSFINIT pfnFInit = nullptr;
    PFNBSTERM pfnTerm = nullptr;
    PFNBSCDBS pfnCdbs = nullptr;
    PFNBSFGETDBS pfnFGetDbs = nullptr;
    PFNBSFGETBSLOGO pfnFGetBslogo = nullptr;
    PFNBSCCHPRODUCT pfnCchProduct = nullptr;
    PFNBSFGETSZPRODUCT pfnFGetSzProduct = nullptr;

    template <typename T> void Bind(T *ppfn, const char *szName)
    {
        *ppfn = reinterpret_cast<T>(reinterpret_cast<void *>(GetProcAddress(hmod, szName)));
    }
    bool FLoad(const char *szLibrary)
    {
        hmod = LoadLibraryA(SzPluginPath(szLibrary).c_str());
        if (hmod == nullptr)
            return false;
        Bind(&pfnFInit, "FInit");
        Bind(&pfnTerm, "Term");
        Bind(&pfnCdbs, "Cdbs");
        Bind(&pfnFGetDbs, "FGetDbs");
        Bind(&pfnFGetBslogo, "FGetBslogo");
        Bind(&pfnCchProduct, "CchProduct");
        Bind(&pfnFGetSzProduct, "FGetSzProduct");
        return pfnFInit && pfnTerm && pfnCdbs && pfnFGetDbs && pfnFGetBslogo && pfnCchProduct && pfnFGetSzProduct;
    }
    ~PLUGIN()
    {
        if (hmod != nullptr)
            FreeLibrary(hmod);
    }
};

class Plugins : public ::testing::Test {
protected:
    std::string szOld;
    bool fHadOld = false;

    // The program links the device libraries and the common dialogs and
    // holds them for its whole life; a plug-in that uses them only adds a
    // reference (their first load starts threads that stay).
    static void SetUpTestSuite()
    {
        for (const char *szDll : {"kelm.dll", "vesk.dll", "mosk.dll", "tarv.dll", "comdlg32.dll"})
            LoadLibraryA(szDll);
    }

    void SetUp() override
    {
        char sz[300];
        DWORD cb = sizeof(sz);
        fHadOld = RegGetValueA(HKEY_LOCAL_MACHINE, szKeyShared, "DataPath", RRF_RT_REG_SZ, nullptr, sz, &cb) ==
                  ERROR_SUCCESS;
        if (fHadOld)
            szOld = sz;
        SetDataPath("X:\\shared");
    }
    void TearDown() override
    {
        if (fHadOld)
            SetDataPath(szOld.c_str());
        else
            RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, szKeyShared, "DataPath");
    }
    static void SetDataPath(const char *sz)
    {
        ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, szKeyShared, "DataPath", REG_SZ, sz,
                                  static_cast<DWORD>(strlen(sz) + 1)),
                  ERROR_SUCCESS);
    }
};

TEST_F(Plugins, InitRefusesWrongRecordsAndMissingDataFolder)
{
    for (const BSEXPECT &exp : RgbsExpect()) {
        SCOPED_TRACE(exp.szLibrary);
        PLUGIN plugin;
        ASSERT_TRUE(plugin.FLoad(exp.szLibrary));
        struct CASE { const char *szWhat; void (*pfnSpoil)(BSINIT *); };
        const CASE rgcase[] = {
            {"cb one short", [](BSINIT *p) { p->cb = sizeof(BSINIT) - 1; }},
            {"cb one over", [](BSINIT *p) { p->cb = sizeof(BSINIT) + 1; }},
            {"empty connection", [](BSINIT *p) { p->szConn[0] = '\0'; }},
            {"no progress range", [](BSINIT *p) { p->pfnSetProgressRange = nullptr; }},
            {"no configure", [](BSINIT *p) { p->pfnConfigureFpga = nullptr; }},
        };
        for (const CASE &c : rgcase) {
            BSINIT bsinit = BsinitFor(exp.pbsb->prodnum << 20 | 0x100);
            c.pfnSpoil(&bsinit);
            EXPECT_EQ(plugin.pfnFInit(&bsinit), 0) << c.szWhat;
            plugin.pfnTerm();
        }
        EXPECT_EQ(plugin.pfnFInit(nullptr), 0);
        plugin.pfnTerm();
        // Without the data folder's registry value the plug-in cannot start.
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, szKeyShared, "DataPath");
        BSINIT bsinit = BsinitFor(exp.pbsb->prodnum << 20 | 0x100);
        EXPECT_EQ(plugin.pfnFInit(&bsinit), 0) << "no DataPath";
        plugin.pfnTerm();
        SetDataPath("X:\\shared");
        EXPECT_NE(plugin.pfnFInit(&bsinit) & 0xFF, 0);
        plugin.pfnTerm();
    }
}

// A data folder value of the full 260 bytes without a terminator: the plug-in
// keeps it terminated, and a test image that no longer fits its 264
// characters makes FInit refuse (the plug-in without a test image starts).
TEST_F(Plugins, FullLengthDataFolder)
{
    std::string szFull(cbBsDataMax, 'x');
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, szKeyShared, "DataPath", REG_BINARY, szFull.data(),
                              static_cast<DWORD>(szFull.size())),
              ERROR_SUCCESS);
    for (const BSEXPECT &exp : RgbsExpect()) {
        SCOPED_TRACE(exp.szLibrary);
        PLUGIN plugin;
        ASSERT_TRUE(plugin.FLoad(exp.szLibrary));
        BSINIT bsinit = BsinitFor(exp.pbsb->prodnum << 20 | 0x100);
        EXPECT_EQ(plugin.pfnFInit(&bsinit) != 0, exp.pbsb->idsTestImage == 0);
        plugin.pfnTerm();
    }
}

TEST_F(Plugins, ProductNamesByVariant)
{
    for (const BSEXPECT &exp : RgbsExpect()) {
        SCOPED_TRACE(exp.szLibrary);
        PLUGIN plugin;
        ASSERT_TRUE(plugin.FLoad(exp.szLibrary));
        int cname = static_cast<int>(exp.rgszName.size());
        for (int iv : {0, 1, cname - 1, cname, 21, 0xFFF}) {
            BSINIT bsinit = BsinitFor(exp.pbsb->prodnum << 20 | static_cast<uint32_t>(iv) << 8 | 0x21);
            ASSERT_NE(plugin.pfnFInit(&bsinit) & 0xFF, 0);
            char sz[cchBsProductMin + 8];
            memset(sz, 'Z', sizeof(sz));
            EXPECT_NE(plugin.pfnFGetSzProduct(sz) & 0xFF, 0);
            std::string szWant = iv < cname ? exp.rgszName[iv] : "";
            EXPECT_EQ(std::string(sz), szWant) << "variant " << iv;
            EXPECT_EQ(plugin.pfnCchProduct(), static_cast<int32_t>(szWant.size())) << "variant " << iv;
            plugin.pfnTerm();
        }
    }
}

// The tabs come in the board table's order: the program's own always, a
// view's tab (with its three callbacks) once its view exists.
TEST_F(Plugins, TabsFollowTheBoardTable)
{
    for (const BSEXPECT &exp : RgbsExpect()) {
        SCOPED_TRACE(exp.szLibrary);
        PLUGIN plugin;
        ASSERT_TRUE(plugin.FLoad(exp.szLibrary));
        BSINIT bsinit = BsinitFor(exp.pbsb->prodnum << 20 | 0x100);
        ASSERT_NE(plugin.pfnFInit(&bsinit) & 0xFF, 0);
        int32_t cdbs = plugin.pfnCdbs();
        EXPECT_LE(cdbs, exp.pbsb->ctab);
        int itab = 0, chost = 0;
        for (int i = 0; i < exp.pbsb->ctab; i++)
            chost += exp.pbsb->rgtab[i].iview == ivHost;
        int chostSeen = 0;
        for (int32_t idbs = 0; idbs < cdbs; idbs++) {
            DBS dbs;
            memset(&dbs, 0xCD, sizeof(dbs));
            dbs.cb = sizeof(DBS);
            ASSERT_NE(plugin.pfnFGetDbs(idbs, &dbs) & 0xFF, 0);
            while (itab < exp.pbsb->ctab && exp.Sz(exp.pbsb->rgtab[itab].idsName) != dbs.szName)
                itab++;
            ASSERT_LT(itab, exp.pbsb->ctab) << "tab " << idbs << " \"" << dbs.szName << "\" out of order";
            bool fHost = exp.pbsb->rgtab[itab].iview == ivHost;
            chostSeen += fHost;
            EXPECT_EQ(dbs.pfnCreate == nullptr, fHost);
            EXPECT_EQ(dbs.pfnDestroy == nullptr, fHost);
            EXPECT_EQ(dbs.pfnStop == nullptr, fHost);
            itab++;
        }
        EXPECT_EQ(chostSeen, chost);
        // Out of range, no record, a record of the wrong size: refused, nothing written.
        DBS dbs, dbsBefore;
        memset(&dbs, 0xCD, sizeof(dbs));
        for (int32_t idbs : {-1, cdbs}) {
            dbs.cb = sizeof(DBS);
            dbsBefore = dbs;
            EXPECT_EQ(plugin.pfnFGetDbs(idbs, &dbs), 0) << idbs;
            EXPECT_EQ(memcmp(&dbs, &dbsBefore, sizeof(dbs)), 0) << idbs;
        }
        for (uint32_t cb : {static_cast<uint32_t>(sizeof(DBS) - 1), static_cast<uint32_t>(sizeof(DBS) + 1)}) {
            dbs.cb = cb;
            dbsBefore = dbs;
            EXPECT_EQ(plugin.pfnFGetDbs(0, &dbs), 0) << cb;
            EXPECT_EQ(memcmp(&dbs, &dbsBefore, sizeof(dbs)), 0) << cb;
        }
        EXPECT_EQ(plugin.pfnFGetDbs(0, nullptr), 0);
        plugin.pfnTerm();
    }
}

TEST_F(Plugins, LogoFromThePluginsModule)
{
    for (const BSEXPECT &exp : RgbsExpect()) {
        SCOPED_TRACE(exp.szLibrary);
        PLUGIN plugin;
        ASSERT_TRUE(plugin.FLoad(exp.szLibrary));
        BSINIT bsinit = BsinitFor(exp.pbsb->prodnum << 20 | 0x100);
        ASSERT_NE(plugin.pfnFInit(&bsinit) & 0xFF, 0);
        BSLOGO bslogo, bslogoBefore;
        memset(&bslogo, 0xCD, sizeof(bslogo));
        bslogo.cb = sizeof(BSLOGO) + 1;
        bslogoBefore = bslogo;
        plugin.pfnFGetBslogo(&bslogo);
        EXPECT_EQ(memcmp(&bslogo, &bslogoBefore, sizeof(bslogo)), 0);
        plugin.pfnFGetBslogo(nullptr);
        bslogo.cb = sizeof(BSLOGO);
        plugin.pfnFGetBslogo(&bslogo);
        EXPECT_EQ(bslogo.idBitmap1, exp.pbsb->idbmpLogo);
        EXPECT_EQ(bslogo.idBitmap2, exp.pbsb->idbmpMask);
        EXPECT_EQ(reinterpret_cast<HMODULE>(bslogo.hinst), plugin.hmod);
        HBITMAP hbmpLogo = LoadBitmapA(plugin.hmod, MAKEINTRESOURCEA(bslogo.idBitmap1 & 0xFFFF));
        HBITMAP hbmpMask = LoadBitmapA(plugin.hmod, MAKEINTRESOURCEA(bslogo.idBitmap2 & 0xFFFF));
        ASSERT_NE(hbmpLogo, nullptr);
        ASSERT_NE(hbmpMask, nullptr);
        // The mask is white where the logo shows: its centre; the picture is not.
        HDC hdc = CreateCompatibleDC(nullptr);
        BITMAP bm;
        GetObjectA(hbmpMask, sizeof(bm), &bm);
        HGDIOBJ hbmpOld = SelectObject(hdc, hbmpMask);
        EXPECT_EQ(GetPixel(hdc, bm.bmWidth / 2, bm.bmHeight / 2), RGB(255, 255, 255));
        EXPECT_EQ(GetPixel(hdc, 0, 0), RGB(0, 0, 0));
        SelectObject(hdc, hbmpLogo);
        EXPECT_NE(GetPixel(hdc, bm.bmWidth / 2, bm.bmHeight / 2), RGB(255, 255, 255));
        SelectObject(hdc, hbmpOld);
        DeleteDC(hdc);
        DeleteObject(hbmpLogo);
        DeleteObject(hbmpMask);
        plugin.pfnTerm();
    }
}

// What a 32-bit library built with this tool chain leaves behind when it is
// unloaded: its C++ run time registers the library's unwind tables in a
// registry whose lock (a semaphore and its once-flag) is made on first use
// and never closed. The 64-bit run time unwinds through the system's tables.
#ifdef _WIN64
constexpr int chandleUnloadCost = 0;
#else
constexpr int chandleUnloadCost = 2;
#endif

// Switching boards loads one plug-in after the other: twenty rounds through
// all eight leave the process with the threads it had and the handles (but
// for the run time's cost per unload above).
TEST_F(Plugins, LoadAndUnloadLeaveNothingBehind)
{
    auto Round = [] {
        for (const BSEXPECT &exp : RgbsExpect()) {
            PLUGIN plugin;
            ASSERT_TRUE(plugin.FLoad(exp.szLibrary));
            BSINIT bsinit = BsinitFor(exp.pbsb->prodnum << 20 | 0x100);
            ASSERT_NE(plugin.pfnFInit(&bsinit) & 0xFF, 0);
            char sz[cchBsProductMin];
            plugin.pfnFGetSzProduct(sz);
            for (int32_t idbs = 0; idbs < plugin.pfnCdbs(); idbs++) {
                DBS dbs = {};
                dbs.cb = sizeof(DBS);
                plugin.pfnFGetDbs(idbs, &dbs);
            }
            plugin.pfnTerm();
        }
    };
    // The program keeps its device and board libraries (and the runtime
    // under them) and the common dialogs loaded for its whole run; plug-ins
    // that use them find them there (the system's dialog library does not
    // give back all it takes when it is unloaded).
    for (const char *szLib : { "kelm.dll", "vesk.dll", "mosk.dll", "tarv.dll", "comdlg32.dll" })
        ASSERT_NE(LoadLibraryA(szLib), nullptr) << szLib;
    Round();   // the first load brings in what the libraries need once
    DWORD pid = GetCurrentProcessId();
    int cthread = CThreadsOf(pid), chandle = CHandlesOf(pid);
    ASSERT_GT(chandle, 0) << "the process's handles are counted";
    for (int i = 0; i < 20; i++)
        Round();
    EXPECT_EQ(CThreadsOf(pid), cthread);
    EXPECT_LE(CHandlesOf(pid), chandle + 20 * static_cast<int>(RgbsExpect().size()) * chandleUnloadCost);
    for (const BSEXPECT &exp : RgbsExpect())
        EXPECT_EQ(GetModuleHandleA((std::string(exp.szLibrary) + ".dll").c_str()), nullptr) << exp.szLibrary;
}

} // namespace
