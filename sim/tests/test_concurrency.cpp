// test_concurrency.cpp - several hosts on one board at once: the claim keeps
// their transactions apart, and the control channel can look on meanwhile.

#include "simfixture.h"

#include <atomic>
#include <thread>

using namespace usbwire;

namespace {

using BYTES = std::vector<uint8_t>;

// One claimed stream-loopback transaction; returns whether the bytes came back.
bool FLoopback(WIRECLIENT &wc, uint8_t bSeed, size_t cb)
{
    while (wc.Claim() == stsBusy)
        std::this_thread::yield();
    BYTES rgbOut(cb);
    for (size_t i = 0; i < cb; i++)
        rgbOut[i] = uint8_t(bSeed + i);
    BYTES rgbCmd = { 11, 11, 3, 0 };
    for (uint8_t b : RgbU32(uint32_t(cb))) rgbCmd.push_back(b);
    for (uint8_t b : RgbU32(uint32_t(cb))) rgbCmd.push_back(b);
    bool fOk = wc.Command(rgbCmd) == BYTES{ 1, 0 };
    uint32_t tagIn = wc.Submit(epDataIn, uint32_t(cb));
    uint32_t tagOut = wc.Submit(epDataOut, uint32_t(cb), rgbOut);
    fOk = fOk && wc.Wait(tagOut).cb == cb;
    fOk = fOk && wc.Wait(tagIn).rgb == rgbOut;
    fOk = fOk && wc.Command({ 3, 11, 0x83, 0 }).size() == 10;
    wc.Release();
    return fOk;
}

TEST_F(SIMTEST, ClaimedTransactionsNeverInterleave)
{
    OpenBoard(host, "alpha");
    ASSERT_EQ(host.Claim(), stsOk);
    ASSERT_EQ(host.Command({ 3, 11, 0, 0 }), (BYTES{ 1, 0 }));
    ASSERT_EQ(host.Release(), stsOk);
    ASSERT_TRUE(simctl.FCmd("LOGCLEAR alpha"));

    constexpr int chost = 4, ctrans = 15;
    std::string szPath = SzPath("alpha");
    uint16_t port = simctl.Port();
    std::atomic<int> cfail(0);
    std::vector<std::thread> rgth;
    for (int ihost = 0; ihost < chost; ihost++) {
        rgth.emplace_back([&, ihost] {
            WIRECLIENT wc;
            if (!wc.FConnect(port) || wc.Open(szPath) != stsOk) {
                cfail++;
                return;
            }
            for (int i = 0; i < ctrans; i++)
                if (!FLoopback(wc, uint8_t(ihost * 40 + i), 300 + 97 * ihost))
                    cfail++;
        });
    }
    // The control channel and another host's enumeration run alongside.
    WIRECLIENT wcEnum;
    ASSERT_TRUE(wcEnum.FConnect(port));
    for (int i = 0; i < 20; i++) {
        EXPECT_EQ(wcEnum.Enum().size(), 6u);
        EXPECT_FALSE(simctl.SzState("alpha", "phase").empty());
    }
    for (auto &th : rgth)
        th.join();
    EXPECT_EQ(cfail.load(), 0);

    // Every transfer command is followed by its own completion.
    std::vector<std::string> rgsz;
    ASSERT_TRUE(simctl.FCmd("LOG alpha", &rgsz));
    int ctransfer = 0;
    bool fOpen = false;
    for (auto &sz : rgsz) {
        if (sz.compare(0, 10, "CMD 0B0B03") == 0) {
            EXPECT_FALSE(fOpen);
            fOpen = true;
            ctransfer++;
        } else if (sz == "CMD 030B8300") {
            EXPECT_TRUE(fOpen);
            fOpen = false;
        }
    }
    EXPECT_EQ(ctransfer, chost * ctrans);
}

} // namespace
