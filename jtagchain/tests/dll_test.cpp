// The shared library itself, over the OS-abstraction library: set-up, the
// version text, and operations that end cleanly while no JTAG port exists.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <stdlib.h>
#include <vector>

#include "brisel.h"

#if defined(_WIN32)
#  include <windows.h>
#endif

namespace {

std::mutex mtxRep;
std::condition_variable cvRep;
std::vector<std::pair<int32_t, int32_t>> rgrepSeen;

uint8_t BRISELCALL Record(int32_t stc, int32_t lValue)
{
    std::lock_guard<std::mutex> lock(mtxRep);
    rgrepSeen.push_back({stc, lValue});
    cvRep.notify_all();
    return 1;
}

void SetDataDir()
{
#if defined(_WIN32)
    _putenv_s("YORL_DATADIR", BRISEL_DATA_DIR);
#else
    setenv("YORL_DATADIR", BRISEL_DATA_DIR, 1);
#endif
}

} // namespace

TEST(BriselDll, InitVersionAndOperationsWithoutAPort)
{
    SetDataDir();
    uint32_t erc = 99;
    ASSERT_TRUE(BriselInit(&erc));
    EXPECT_EQ(erc, 0u);
    char szVersion[64] = "";
    EXPECT_TRUE(BriselGetBriselVersion(szVersion));
    EXPECT_STREQ(szVersion, "1.0.0.0");

    ASSERT_TRUE(BriselInitScanChain("#none#", Record, &erc));
    EXPECT_EQ(erc, 0u);
    {
        std::unique_lock<std::mutex> lock(mtxRep);
        ASSERT_TRUE(cvRep.wait_for(lock, std::chrono::seconds(20), [] { return !rgrepSeen.empty(); }));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    {
        std::lock_guard<std::mutex> lock(mtxRep);
        ASSERT_EQ(rgrepSeen.size(), 1u);
        EXPECT_EQ(rgrepSeen[0].first, stcFailed);
    }
    EXPECT_FALSE(BriselInitScanChain("#none#", nullptr, &erc));
    EXPECT_EQ(erc, (uint32_t)ercInitScanChainFailed);
    int32_t c = -1;
    EXPECT_TRUE(BriselGetScdvcCount(&c, &erc));
    EXPECT_EQ(c, 0);
    EXPECT_FALSE(BriselAbortProg(&erc));
    EXPECT_EQ(erc, (uint32_t)ercAbortFailed);
    EXPECT_TRUE(BriselTerm(&erc));
    EXPECT_EQ(erc, 0u);
}

#if defined(_WIN32)
TEST(BriselDll, DevicePicturesAre35By35)
{
    HMODULE hmod = GetModuleHandleA("brisel.dll");
    ASSERT_NE(hmod, nullptr);
    for (int idbmp = 102; idbmp <= 115; idbmp++) {
        HBITMAP hbmp = (HBITMAP)LoadImageA(hmod, MAKEINTRESOURCEA(idbmp), IMAGE_BITMAP, 0, 0, 0);
        ASSERT_NE(hbmp, nullptr) << idbmp;
        BITMAP bm;
        ASSERT_NE(GetObjectA(hbmp, sizeof(bm), &bm), 0);
        EXPECT_EQ(bm.bmWidth, 35);
        EXPECT_EQ(bm.bmHeight, 35);
        DeleteObject(hbmp);
    }
}
#endif
