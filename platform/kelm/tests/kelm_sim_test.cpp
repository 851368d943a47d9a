/*
 * kelm_sim_test.cpp - the device manager against the two simulated boards of
 * clisim.cfg: enumeration and device records, device information compared
 * with the boards' configuration, open and close, transaction time-out,
 * overlapped register transfers polled the way the plug-ins poll them,
 * cancel from another thread, a board that vanishes mid-transfer, bad
 * arguments, and the device manager's dialog.
 */
#include <stddef.h>
#include <string.h>

#include <atomic>
#include <chrono>
#include <random>

#include "clisim.h"
#include "kelm.h"
#include "vesk.h"

#if defined(_WIN32)
#include <windows.h>
#endif

CLISIM_ENVIRONMENT();

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using std::chrono::steady_clock;

/* The boards as clisim.cfg describes them. */
struct BOARD {
    const char *szBoard;
    const char *szConn;           /* the serial form of the connection string */
    const char *szUser;
    const char *szProduct;
    const char *szSerial;         /* as the runtime writes serial numbers */
    uint32_t pdid;
};

const BOARD rgboard[] = {
    {"cli1", "SN:210183000021", "CliBoard", "KorvanelUsb2", "SN:210183000021", 0x00700121},
    {"cli2", "SN:210183000022", "CliPrivate", "KorvanelUsb2", "SN:210183000022", 0x00700122},
};

/* The board an enumerated record names (by its user name), or null. */
const BOARD *PboardOfDvc(const DVC &dvc)
{
    for (const BOARD &board : rgboard)
        if (strcmp(dvc.szName, board.szUser) == 0)
            return &board;
    return nullptr;
}

class KelmSim : public CLISIMBASE {
protected:
    void TearDown() override
    {
        if (hif != hifNil) {
            KelmClose(hif);
            hif = hifNil;
        }
        Sim().FCmd("FAULT cli1 clear");
    }
    /* Opens cli1 with its register port enabled. */
    void OpenRegisterPort()
    {
        ASSERT_TRUE(KelmOpen(&hif, rgboard[0].szConn)) << TvxGetLastError();
        ASSERT_NE(hif, hifNil);
        ASSERT_TRUE(VeskEnable(hif)) << TvxGetLastError();
    }
    /*
     * Polls the overlapped transfer 25 ms at a time until KelmGetTransResult
     * says TRUE, as the memory page does; the transfer's result code then
     * (0: success), or -1 when it never ended.
     */
    int ErcPollTransfer(uint32_t *pcbOut, uint32_t *pcbIn, seconds secMax = seconds(60))
    {
        auto tEnd = steady_clock::now() + secMax;
        while (steady_clock::now() < tEnd) {
            if (KelmGetTransResult(hif, pcbOut, pcbIn, 25))
                return TvxGetLastError();
        }
        ADD_FAILURE() << "overlapped transfer never ended";
        return -1;
    }

    HIF hif = hifNil;
};

bool FCancelErc(int erc)
{
    return erc == ercTransferCancelled || erc == ercDataSndLess || erc == ercDataRcvLess;
}

TEST_F(KelmSim, EnumerationListsTheConfiguredBoards)
{
    int cdvc = -1;
    ASSERT_TRUE(KelmEnumDevicesEx(&cdvc, 1, 3, 0, nullptr)) << TvxGetLastError();
    ASSERT_EQ(cdvc, 2);
    bool rgfSeen[2] = {false, false};
    for (int idvc = 0; idvc < cdvc; idvc++) {
        /* The record as the desktop program reads it: name first, connection string at offset 64. */
        uint8_t rgb[sizeof(DVC)];
        memset(rgb, 0xCC, sizeof(rgb));
        ASSERT_TRUE(KelmGetDvc(idvc, reinterpret_cast<DVC *>(rgb))) << TvxGetLastError();
        const char *szName = reinterpret_cast<const char *>(rgb);
        const char *szConn = reinterpret_cast<const char *>(rgb + 64);
        ASSERT_NE(memchr(szName, 0, 64), nullptr) << "name terminated inside its 64 bytes";
        ASSERT_NE(memchr(szConn, 0, 261), nullptr) << "connection string terminated inside its 261 bytes";
        const BOARD *pboard = PboardOfDvc(*reinterpret_cast<DVC *>(rgb));
        ASSERT_NE(pboard, nullptr) << "unknown device " << szName << " " << szConn;
        int iboard = int(pboard - rgboard);
        EXPECT_FALSE(rgfSeen[iboard]) << szName << " listed twice";
        rgfSeen[iboard] = true;
        /* The connection string leads to the board's place on the bus. */
        std::string szPath;
        for (const std::string &sz : Lines("BOARDS"))
            if (sz.compare(0, strlen(pboard->szBoard) + 1, std::string(pboard->szBoard) + " ") == 0)
                szPath = sz.substr(strlen(pboard->szBoard) + 1, sz.find(' ', strlen(pboard->szBoard) + 1) -
                                                                    strlen(pboard->szBoard) - 1);
        ASSERT_FALSE(szPath.empty());
        EXPECT_NE(std::string(szConn).find(szPath), std::string::npos) << szConn << " for " << szPath;
    }
    EXPECT_TRUE(rgfSeen[0] && rgfSeen[1]);
    EXPECT_TRUE(KelmFreeDvcEnum());
}

TEST_F(KelmSim, DeviceInformationMatchesTheBoards)
{
    int cdvc = 0;
    ASSERT_TRUE(KelmEnumDevicesEx(&cdvc, 1, 3, 0, nullptr)) << TvxGetLastError();
    ASSERT_EQ(cdvc, 2);
    for (int idvc = 0; idvc < cdvc; idvc++) {
        DVC dvc;
        ASSERT_TRUE(KelmGetDvc(idvc, &dvc));
        const BOARD *pboard = PboardOfDvc(dvc);
        ASSERT_NE(pboard, nullptr) << dvc.szName;
        SCOPED_TRACE(pboard->szBoard);
        struct { uint32_t kinfo; const char *szWant; } rgtext[] = {
            {kinfoUserName, pboard->szUser},
            {kinfoProductName, pboard->szProduct},
            {kinfoSerial, pboard->szSerial},
        };
        for (auto &t : rgtext) {
            char sz[64];
            memset(sz, 0x7F, sizeof(sz));
            ASSERT_TRUE(KelmGetInfo(&dvc, t.kinfo, sz)) << "selector " << t.kinfo << ": " << TvxGetLastError();
            ASSERT_NE(memchr(sz, 0, t.kinfo == kinfoSerial ? 32 : 64), nullptr) << "selector " << t.kinfo;
            EXPECT_STREQ(sz, t.szWant) << "selector " << t.kinfo;
        }
        uint32_t pdid = 0;
        ASSERT_TRUE(KelmGetInfo(&dvc, kinfoPdid, &pdid)) << TvxGetLastError();
        EXPECT_EQ(pdid, pboard->pdid);
        /* Selector 9 answers one 32-bit value and writes nothing beyond it. */
        uint32_t rgdw[2] = {0xA5A5A5A5u, 0x5A5A5A5Au};
        ASSERT_TRUE(KelmGetInfo(&dvc, kinfoCaps, &rgdw[0])) << TvxGetLastError();
        EXPECT_EQ(rgdw[1], 0x5A5A5A5Au);
    }
    KelmFreeDvcEnum();
}

TEST_F(KelmSim, RecordsAreGoneAfterTheEnumerationIsFreed)
{
    int cdvc = 0;
    ASSERT_TRUE(KelmEnumDevicesEx(&cdvc, 1, 3, 0, nullptr));
    ASSERT_EQ(cdvc, 2);
    DVC dvc;
    ASSERT_TRUE(KelmGetDvc(1, &dvc));
    ASSERT_TRUE(KelmFreeDvcEnum());
    EXPECT_FALSE(KelmGetDvc(0, &dvc));
    EXPECT_NE(TvxGetLastError(), ercNoErc);
}

TEST_F(KelmSim, BadArgumentsFailWithACode)
{
    int cdvc = 0;
    ASSERT_TRUE(KelmEnumDevicesEx(&cdvc, 1, 3, 0, nullptr));
    ASSERT_EQ(cdvc, 2);
    DVC dvc;
    ASSERT_TRUE(KelmGetDvc(0, &dvc));
    char sz[64];
    HIF hifOut = hifNil;
    struct { const char *szCall; int f; } rgcall[] = {
        {"KelmEnumDevicesEx(null count)", KelmEnumDevicesEx(nullptr, 1, 3, 0, nullptr)},
        {"KelmGetDvc(count)", KelmGetDvc(cdvc, &dvc)},
        {"KelmGetDvc(-1)", KelmGetDvc(-1, &dvc)},
        {"KelmGetDvc(null record)", KelmGetDvc(0, nullptr)},
        {"KelmGetInfo(null record)", KelmGetInfo(nullptr, kinfoUserName, sz)},
        {"KelmGetInfo(null buffer)", KelmGetInfo(&dvc, kinfoUserName, nullptr)},
        {"KelmOpen(null handle)", KelmOpen(nullptr, rgboard[0].szConn)},
        {"KelmOpen(null connection)", KelmOpen(&hifOut, nullptr)},
        {"KelmGetInfo(unknown selector)", KelmGetInfo(&dvc, 0xFFFF, sz)},
        {"KelmGetTransResult(no handle)", KelmGetTransResult(hifNil, nullptr, nullptr, 0)},
        {"KelmSetTransTimeout(no handle)", KelmSetTransTimeout(hifNil, 100)},
        {"KelmCancelTrans(no handle)", KelmCancelTrans(hifNil)},
        {"KelmClose(no handle)", KelmClose(hifNil)},
    };
    for (auto &c : rgcall) {
        SCOPED_TRACE(c.szCall);
        EXPECT_FALSE(c.f);
    }
    /* Each failure leaves its own code: checked one by one. */
    EXPECT_FALSE(KelmGetDvc(cdvc, &dvc));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
    EXPECT_FALSE(KelmGetDvc(0, nullptr));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
    EXPECT_FALSE(KelmGetInfo(&dvc, kinfoUserName, nullptr));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
    EXPECT_FALSE(KelmOpen(nullptr, rgboard[0].szConn));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
    EXPECT_EQ(hifOut, hifNil);
    KelmFreeDvcEnum();
}

TEST_F(KelmSim, OpenByConnectionStringAndClose)
{
    /* Each board by the serial form and by the enumerated record's string. */
    std::vector<std::pair<std::string, std::string>> rgcase;
    for (const BOARD &board : rgboard)
        rgcase.push_back({board.szBoard, board.szConn});
    int cdvc = 0;
    ASSERT_TRUE(KelmEnumDevicesEx(&cdvc, 1, 3, 0, nullptr));
    for (int idvc = 0; idvc < cdvc; idvc++) {
        DVC dvc;
        ASSERT_TRUE(KelmGetDvc(idvc, &dvc));
        ASSERT_NE(PboardOfDvc(dvc), nullptr);
        rgcase.push_back({PboardOfDvc(dvc)->szBoard, dvc.szConn});
    }
    KelmFreeDvcEnum();
    for (const auto &c : rgcase) {
        SCOPED_TRACE(c.first + " by " + c.second);
        HIF hifBoard = hifNil;
        ASSERT_TRUE(KelmOpen(&hifBoard, c.second.c_str())) << TvxGetLastError();
        EXPECT_NE(hifBoard, hifNil);
        /* The handle reaches that board: cli1's register port follows the enable. */
        if (c.first == "cli1") {
            ASSERT_TRUE(VeskEnable(hifBoard)) << TvxGetLastError();
            EXPECT_EQ(Sim().SzState("cli1", "regport"), "1");
            ASSERT_TRUE(VeskDisable(hifBoard)) << TvxGetLastError();
            EXPECT_EQ(Sim().SzState("cli1", "regport"), "0");
        }
        ASSERT_TRUE(KelmClose(hifBoard)) << TvxGetLastError();
        /* A closed handle fails everywhere. */
        EXPECT_FALSE(KelmClose(hifBoard));
        EXPECT_FALSE(KelmSetTransTimeout(hifBoard, 500));
        EXPECT_FALSE(VeskEnable(hifBoard));
        EXPECT_NE(TvxGetLastError(), ercNoErc);
    }
    HIF hifNone = hifNil;
    EXPECT_FALSE(KelmOpen(&hifNone, "SN:000000000099"));
    EXPECT_NE(TvxGetLastError(), ercNoErc);
}

TEST_F(KelmSim, TransactionTimeOutEndsAStalledTransfer)
{
    OpenRegisterPort();
    ASSERT_TRUE(KelmSetTransTimeout(hif, 500)) << TvxGetLastError();
    ASSERT_TRUE(Sim().FCmd("FAULT cli1 stall 1024"));
    std::vector<uint8_t> rgb = RgbRandom(64 * 1024, 7);
    auto tStart = steady_clock::now();
    EXPECT_FALSE(VeskPutRegRepeat(hif, 0x50, rgb.data(), uint32_t(rgb.size()), 0));
    auto tGone = steady_clock::now() - tStart;
    int erc = TvxGetLastError();
    EXPECT_NE(erc, ercNoErc);
    EXPECT_NE(erc, ercTransferPending);
    EXPECT_GE(tGone, milliseconds(400)) << "ended before the time-out";
    EXPECT_LT(tGone, seconds(10)) << "the 500 ms time-out was not applied";
    EXPECT_LT(Sim().SzLine("REGSTREAM cli1 80").size(), 2 * rgb.size());
}

TEST_F(KelmSim, OverlappedRepeatTransfersPolledUntilDone)
{
    const uint32_t cb = 256 * 1024;
    OpenRegisterPort();
    ASSERT_TRUE(KelmSetTransTimeout(hif, 0xFFFFFFFF)) << TvxGetLastError();

    std::vector<uint8_t> rgb = RgbRandom(cb, 8);
    ASSERT_TRUE(VeskPutRegRepeat(hif, 0x52, rgb.data(), cb, 1)) << TvxGetLastError();
    uint32_t cbOut = 0, cbIn = 0;
    ASSERT_EQ(ErcPollTransfer(&cbOut, &cbIn), 0);
    EXPECT_EQ(cbOut, cb);
    EXPECT_EQ(cbIn, 0u);
    EXPECT_EQ(Sim().SzLine("REGSTREAM cli1 82"), SzHex(rgb.data(), cb));

    ASSERT_TRUE(Sim().FCmd("SETREG cli1 83 0x6E"));
    std::vector<uint8_t> rgbIn(cb, 0);
    ASSERT_TRUE(VeskGetRegRepeat(hif, 83, rgbIn.data(), cb, 1)) << TvxGetLastError();
    ASSERT_EQ(ErcPollTransfer(&cbOut, &cbIn), 0);
    EXPECT_EQ(cbIn, cb);
    EXPECT_EQ(std::count(rgbIn.begin(), rgbIn.end(), 0x6E), long(cb));

    /* The handle serves single registers afterwards; the design holds the value. */
    ASSERT_TRUE(VeskPutReg(hif, 0x54, 0xB7, 0)) << TvxGetLastError();
    EXPECT_EQ(Sim().SzLine("REGS cli1").substr(2 * 0x54, 2), "B7");
}

TEST_F(KelmSim, CancelFromAnotherThreadEndsALongTransferPromptly)
{
    const uint32_t cb = 1u << 20;
    OpenRegisterPort();
    ASSERT_TRUE(KelmSetTransTimeout(hif, 0xFFFFFFFF));
    ASSERT_TRUE(Sim().FCmd("FAULT cli1 stall 4096"));
    std::vector<uint8_t> rgb = RgbRandom(cb, 9);
    ASSERT_TRUE(VeskPutRegRepeat(hif, 0x56, rgb.data(), cb, 1)) << TvxGetLastError();
    std::atomic<bool> fCancelled{false};
    std::thread thd([&] {
        std::this_thread::sleep_for(milliseconds(200));
        EXPECT_TRUE(KelmCancelTrans(hif)) << TvxGetLastError();
        fCancelled = true;
    });
    auto tStart = steady_clock::now();
    uint32_t cbOut = 0, cbIn = 0;
    int erc = ErcPollTransfer(&cbOut, &cbIn, seconds(30));
    thd.join();
    EXPECT_TRUE(fCancelled);
    EXPECT_PRED1(FCancelErc, erc);
    EXPECT_LT(steady_clock::now() - tStart, seconds(10));
    EXPECT_LT(Sim().SzLine("REGSTREAM cli1 86").size(), 2 * size_t(cb));

    /* The next transfer works. */
    ASSERT_TRUE(Sim().FCmd("FAULT cli1 clear"));
    ASSERT_TRUE(VeskPutReg(hif, 0x57, 0x3A, 0)) << TvxGetLastError();
    EXPECT_EQ(Sim().SzLine("REGS cli1").substr(2 * 0x57, 2), "3A");
}

TEST_F(KelmSim, BoardVanishingMidTransferFailsTheTransfer)
{
    /* With a time-out the transfer fails within it; without one (as the memory
     * pages run), the vanished device itself must end it. */
    for (uint32_t tmsTimeout : {2000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE("time-out " + std::to_string(tmsTimeout));
        OpenRegisterPort();
        ASSERT_TRUE(KelmSetTransTimeout(hif, tmsTimeout));
        ASSERT_TRUE(Sim().FCmd("FAULT cli1 stall 8192"));
        std::vector<uint8_t> rgb = RgbRandom(1u << 20, 10);
        ASSERT_TRUE(VeskPutRegRepeat(hif, 0x58, rgb.data(), uint32_t(rgb.size()), 1)) << TvxGetLastError();
        std::thread thd([&] {
            std::this_thread::sleep_for(milliseconds(200));
            EXPECT_TRUE(Sim().FCmd("UNPLUG cli1"));
        });
        auto tStart = steady_clock::now();
        uint32_t cbOut = 0, cbIn = 0;
        int erc = ErcPollTransfer(&cbOut, &cbIn, seconds(30));
        thd.join();
        EXPECT_NE(erc, ercNoErc);
        EXPECT_NE(erc, ercTransferPending);
        EXPECT_NE(erc, -1);
        /* Asked again, the ended transfer still answers TRUE with its code. */
        EXPECT_TRUE(KelmGetTransResult(hif, &cbOut, &cbIn, 25));
        EXPECT_EQ(TvxGetLastError(), erc);
        EXPECT_LT(steady_clock::now() - tStart, seconds(10));
        EXPECT_FALSE(VeskPutReg(hif, 0x59, 1, 0)) << "the board is gone";
        KelmClose(hif);
        hif = hifNil;
        ASSERT_TRUE(Sim().FCmd("PLUG cli1"));
        ASSERT_TRUE(Sim().FCmd("WAIT cli1 present"));
        ASSERT_TRUE(Sim().FCmd("FAULT cli1 clear"));
    }
}

#if defined(_WIN32)

const char szDvcMgTitle[] = "VOZIRI Device Table Manager 2.0.0.0";

BOOL CALLBACK FEnumDvcMgDialog(HWND hwnd, LPARAM lParam)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char szTitle[128] = "";
    GetWindowTextA(hwnd, szTitle, sizeof(szTitle));
    if (pid != GetCurrentProcessId() || strcmp(szTitle, szDvcMgTitle) != 0)
        return TRUE;
    *reinterpret_cast<HWND *>(lParam) = hwnd;
    return FALSE;
}

/* The runtime's device-table dialog of this process (other wine programs may show theirs). */
HWND HwndDvcMgDialog()
{
    HWND hwnd = nullptr;
    EnumWindows(FEnumDvcMgDialog, reinterpret_cast<LPARAM>(&hwnd));
    return hwnd;
}

/* Waits for the dialog and closes it as a user does (its Cancel button, or the
 * caption's close button when it has none); true when it was found. */
bool FCloseDvcMgDialog(HWND *phwnd)
{
    for (int i = 0; i < 200; i++) {
        HWND hwnd = HwndDvcMgDialog();
        if (hwnd != nullptr) {
            *phwnd = hwnd;
            HWND hwndCancel = GetDlgItem(hwnd, IDCANCEL);
            if (hwndCancel != nullptr)
                PostMessageA(hwndCancel, BM_CLICK, 0, 0);
            else
                PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            return true;
        }
        Sleep(50);
    }
    return false;
}

TEST_F(KelmSim, DeviceManagerDialogShowsAndCloses)
{
    HWND hwndFound = nullptr;
    bool fFound = false;
    std::thread thd([&] { fFound = FCloseDvcMgDialog(&hwndFound); });
    auto tStart = steady_clock::now();
    int f = KelmOpenDvcMg(nullptr);
    thd.join();
    EXPECT_TRUE(fFound) << "no dialog";
    EXPECT_TRUE(f) << TvxGetLastError();
    EXPECT_LT(steady_clock::now() - tStart, seconds(30));
    EXPECT_FALSE(IsWindow(hwndFound));
}

#else

TEST_F(KelmSim, DeviceManagerDialogFailsWithoutAWindowSystem)
{
    EXPECT_FALSE(KelmOpenDvcMg(nullptr));
    EXPECT_EQ(TvxGetLastError(), ercInternalError);
}

#endif

} // namespace

namespace {

/*
 * The device list copies records without looking at KelmGetDvc's result. A
 * record asked for past the enumeration (or after it was freed, by another
 * thread's refresh) comes back empty, both strings terminated, never with
 * the bytes the caller's buffer held before.
 */
TEST_F(KelmSim, RecordAskedForPastTheEnumerationComesBackEmpty)
{
    int cdvc = 0;
    ASSERT_TRUE(KelmEnumDevicesEx(&cdvc, 1, 3, 0, nullptr));
    ASSERT_EQ(cdvc, 2);
    struct { const char *szCase; int idvc; bool fFreeFirst; } rgcase[] = {
        {"index of the count", 2, false},
        {"far past the count", 1000, false},
        {"negative index", -1, false},
        {"after the enumeration was freed", 0, true},
    };
    for (auto &c : rgcase) {
        SCOPED_TRACE(c.szCase);
        if (c.fFreeFirst)
            KelmFreeDvcEnum();
        DVC dvc;
        memset(&dvc, 0x7F, sizeof(dvc));
        EXPECT_FALSE(KelmGetDvc(c.idvc, &dvc));
        EXPECT_NE(TvxGetLastError(), ercNoErc);
        EXPECT_EQ(strnlen(dvc.szName, sizeof(dvc.szName)), 0u);
        EXPECT_EQ(strnlen(dvc.szConn, sizeof(dvc.szConn)), 0u);
    }
}

} // namespace
