/*
 * usb_fault_test.cpp - faults injected through the simulator's control
 * channel: each gives the error code of the transport, and the board works
 * again afterwards.
 */
#include <atomic>
#include <chrono>
#include <thread>

#include "korsimenv.h"
#include "usbtestenv.h"

/* The boards of usbboards.cfg: korsim started here, or by simwine.sh under wine. */
KORSIM_ENVIRONMENT(KORSIM_CONFIG, "usb-fault", false);

namespace {

const char szSN1[] = "SN:210183000001";

class UsbFault : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(PkorsimEnv()->fOk) << PkorsimEnv()->szErr;
        UsbSetEnv("YORL_FWDIR", SzUsbTempDir("fw-fault").c_str());
        fStarted = FUsbRuntimeStart("fault");
        ASSERT_TRUE(fStarted);
    }
    static void TearDownTestSuite()
    {
        if (fStarted)
            UsbRuntimeStop();
        fStarted = false;
    }
    void SetUp() override
    {
        ASSERT_TRUE(fStarted);
        ASSERT_TRUE(simctl.FCmd("FAULT usb1 clear"));
        ASSERT_TRUE(TvxOpen(&hif, szSN1)) << TvxGetLastError();
        ASSERT_EQ(ErcStreamEnable(hif, true), 0);
    }
    void TearDown() override
    {
        simctl.FCmd("FAULT usb1 clear");
        if (hif)
            TvxClose(hif);
        hif = hifNil;
    }
    void Fault(const std::string &sz)
    {
        std::string szErr;
        ASSERT_TRUE(simctl.FCmd("FAULT usb1 " + sz, nullptr, &szErr)) << sz << ": " << szErr;
    }
    /* Stream loopback of cb bytes; the transaction's error code. */
    int ErcLoop(uint32_t cb, uint32_t *pcbOut = nullptr, uint32_t *pcbIn = nullptr)
    {
        rgbOut.assign(cb, 0);
        rgbIn.assign(cb, 0);
        for (uint32_t i = 0; i < cb; i++)
            rgbOut[i] = (uint8_t)(i * 5 + 1);
        USBTRANS t;
        StreamCmds(&t, cb, cb);
        t.tfp.cbSnd = cb;
        t.tfp.pbSnd = rgbOut.data();
        t.tfp.cbRcv = cb;
        t.tfp.pbRcv = rgbIn.data();
        return t.Run(hif, pcbOut, pcbIn);
    }
    /* Reads back what an interrupted transfer left in the board's queue. */
    void Drain()
    {
        uint8_t rgbCount[4] = {0, 0, 0, 0};
        USBTRANS tCount;
        tCount.Cmd({11, 6, 0});
        tCount.tfp.rplyCmd.crply = 1;
        tCount.tfp.rplyCmd.rgrply[0].cb = 4;
        tCount.tfp.rplyCmd.rgrply[0].pb = rgbCount;
        ASSERT_EQ(tCount.Run(hif), 0);
        uint32_t cb = rgbCount[0] | rgbCount[1] << 8 | rgbCount[2] << 16 | (uint32_t)rgbCount[3] << 24;
        if (cb == 0)
            return;
        std::vector<uint8_t> rgb(cb);
        USBTRANS t;
        StreamCmds(&t, 0, cb);
        t.tfp.cbRcv = cb;
        t.tfp.pbRcv = rgb.data();
        ASSERT_EQ(t.Run(hif), 0);
    }
    void ExpectWorks()
    {
        EXPECT_EQ(ErcLoop(3000), 0);
        size_t ib = 0;
        while (ib < rgbIn.size() && rgbIn[ib] == rgbOut[ib])
            ib++;
        EXPECT_EQ(ib, rgbIn.size()) << "first other byte";
    }
    void Reopen()
    {
        TvxClose(hif);
        hif = hifNil;
        ASSERT_TRUE(TvxOpen(&hif, szSN1)) << TvxGetLastError();
        ASSERT_EQ(ErcStreamEnable(hif, true), 0);
    }

    static bool fStarted;
    KSIMCTL &simctl = PkorsimEnv()->simctl;
    HIF hif = hifNil;
    std::vector<uint8_t> rgbOut, rgbIn;
};
bool UsbFault::fStarted = false;

/* Faults that one transaction absorbs or reports, the board then working on. */
TEST_F(UsbFault, CommandAndStatusFaults)
{
    struct CASE {
        const char *szFault;
        int ercExpected;
        bool fReopen;         /* the status stream is out of step afterwards */
    } rgcase[] = {
        {"pipe 1", 0, false},                     /* one pipe error: written again */
        {"pipe 2", ercCmdSendFailed, false},      /* the retry fails too */
        {"zlp 3", 0, false},                      /* empty status reads are repeated */
        {"zlp 10", ercStsReceiveFailed, true},    /* ten of them end the phase */
    };
    for (const CASE &c : rgcase) {
        Fault(c.szFault);
        EXPECT_EQ(ErcStreamEnable(hif, true), c.ercExpected) << c.szFault;
        simctl.FCmd("FAULT usb1 clear");
        if (c.fReopen)
            Reopen();
        ExpectWorks();
    }
}

TEST_F(UsbFault, ClaimHeldElsewhere)
{
    Fault("claim on");
    EXPECT_EQ(ErcLoop(100), ercDeviceInUse);
    Fault("claim off");
    ExpectWorks();
}

TEST_F(UsbFault, ShortDataIn)
{
    Fault("short 1000");
    uint32_t cbOut = 0, cbIn = 0;
    EXPECT_EQ(ErcLoop(3000, &cbOut, &cbIn), ercDataRcvLess);
    EXPECT_EQ(cbIn, 1000u);
    Drain();
    ExpectWorks();
}

TEST_F(UsbFault, StalledDataPhaseIsCancelled)
{
    ASSERT_TRUE(TvxSetTransTimeout(hif, 300));
    simctl.FCmd("LOGCLEAR usb1");
    Fault("stall 2000");
    uint32_t cbOut = 0, cbIn = 0;
    int erc = ErcLoop(8000, &cbOut, &cbIn);
    /* the phase stopped with both directions short: 10 */
    EXPECT_EQ(erc, ercDataSndLessRcvLess);
    EXPECT_LT(cbOut, 8000u);
    EXPECT_LT(cbIn, 8000u);
    /* the abort went out, and the completion command after it */
    std::vector<std::string> rgsz;
    simctl.FCmd("LOG usb1", &rgsz);
    size_t iAbort = rgsz.size(), iDone = rgsz.size();
    for (size_t i = 0; i < rgsz.size(); i++) {
        if (rgsz[i].compare(0, 12, "CMD 03000200") == 0 && iAbort == rgsz.size())
            iAbort = i;
        if (rgsz[i].compare(0, 12, "CMD 030b8300") == 0 || rgsz[i].compare(0, 12, "CMD 030B8300") == 0)
            iDone = i;
    }
    EXPECT_LT(iAbort, rgsz.size());
    EXPECT_LT(iAbort, iDone);
    ASSERT_TRUE(TvxSetTransTimeout(hif, tmsTransTimeoutDefault));
    Drain();
    ExpectWorks();
}

/* The board holds the final status back while its armed data phase has not
 * moved: the time-out cancels the wait, the abort goes out after the
 * completion command, and the status already asked for is collected. */
TEST_F(UsbFault, CancelWhileWaitingForTheFinalStatus)
{
    ASSERT_TRUE(TvxSetTransTimeout(hif, 300));
    simctl.FCmd("LOGCLEAR usb1");
    USBTRANS t;
    StreamCmds(&t, 1000, 0);          /* the board waits for 1000 bytes that never come */
    int erc = t.Run(hif);
    ASSERT_TRUE(TvxSetTransTimeout(hif, tmsTransTimeoutDefault));
    EXPECT_EQ(erc, ercTransferCancelled);
    std::vector<std::string> rgsz;
    simctl.FCmd("LOG usb1", &rgsz);
    size_t iDone = rgsz.size(), iAbort = rgsz.size(), iSts = rgsz.size();
    for (size_t i = 0; i < rgsz.size(); i++) {
        if ((rgsz[i].compare(0, 12, "CMD 030b8300") == 0 || rgsz[i].compare(0, 12, "CMD 030B8300") == 0) &&
            iDone == rgsz.size())
            iDone = i;
        if (rgsz[i].compare(0, 12, "CMD 03000200") == 0 && iAbort == rgsz.size())
            iAbort = i;
        if (rgsz[i].compare(0, 4, "STS ") == 0 && i > iAbort)
            iSts = std::min(iSts, i);
    }
    EXPECT_LT(iDone, iAbort);
    EXPECT_LT(iAbort, rgsz.size());
    EXPECT_LT(iSts, rgsz.size()) << "the final status after the abort";
    /* no further abort or status is left behind: the next transaction works */
    ExpectWorks();
}

/* A record with neither packet nor data still claims and releases. */
TEST_F(UsbFault, EmptyTransactionSucceeds)
{
    USBTRANS t;
    EXPECT_EQ(t.Run(hif), 0);
    EXPECT_EQ(simctl.SzState("usb1", "claim"), "none");
    Fault("claim on");                /* the claim is really asked for */
    EXPECT_EQ(t.Run(hif), ercDeviceInUse);
    Fault("claim off");
    ExpectWorks();
}

TEST_F(UsbFault, UnpluggedBetweenTransactions)
{
    ASSERT_TRUE(simctl.FCmd("UNPLUG usb1"));
    ASSERT_TRUE(simctl.FCmd("WAIT usb1 absent"));
    EXPECT_EQ(ErcLoop(100), ercDeviceNotConnected);
    ASSERT_TRUE(simctl.FCmd("PLUG usb1"));
    ASSERT_TRUE(simctl.FCmd("WAIT usb1 present"));
    Reopen();
    ExpectWorks();
}

TEST_F(UsbFault, UnpluggedDuringTransaction)
{
    Fault("unplugcmd 1");
    int erc = ErcLoop(3000);
    EXPECT_EQ(erc, ercStsReceiveFailed);
    ASSERT_TRUE(simctl.FCmd("WAIT usb1 absent"));
    ASSERT_TRUE(simctl.FCmd("PLUG usb1"));
    ASSERT_TRUE(simctl.FCmd("WAIT usb1 present"));
    Reopen();
    ExpectWorks();
}

TEST_F(UsbFault, StaleStatusAtFirstOpen)
{
    TvxClose(hif);
    hif = hifNil;
    /* one stale packet is skipped by the reset handshake */
    Fault("stale 1");
    ASSERT_TRUE(TvxOpen(&hif, szSN1)) << TvxGetLastError();
    ASSERT_EQ(ErcStreamEnable(hif, true), 0);
    ExpectWorks();
    TvxClose(hif);
    hif = hifNil;
    /* two are too many: the open fails */
    Fault("stale 2");
    EXPECT_FALSE(TvxOpen(&hif, szSN1));
    EXPECT_EQ(TvxGetLastError(), ercConnectionFailed);
    hif = hifNil;
    Reopen();
    ExpectWorks();
}

/*
 * Enumerations refresh the firmware catalogues (the capability mask of an
 * FX2 board comes from them) without the manager's lock, while catalogue
 * requests read them under it: both at once, for longer than a catalogue
 * stays fresh, must not race (ThreadSanitizer) and give the same answers.
 */
TEST_F(UsbFault, CataloguesReadWhileEnumerating)
{
    DVC dvc;
    memset(&dvc, 0, sizeof(dvc));
    strcpy(dvc.szConn, "#tpt_0001#ptc_0001#none");
    dvc.dtp = dtpUsbFirmware;
    std::atomic<bool> fStop{false};
    std::atomic<int> cEnum{0}, cEnumBad{0};
    std::thread thdEnum([&] {
        while (!fStop) {
            int cdvc = 0;
            if (!TvxEnumDevices(&cdvc) || cdvc != 2)
                cEnumBad++;
            TvxFreeDvcEnum();
            cEnum++;
        }
    });
    std::vector<uint8_t> rgb(4 + 64 * sizeof(FWIMG));
    auto tEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(1300);
    int cCat = 0;
    while (std::chrono::steady_clock::now() < tEnd || cEnum < 3) {
        EXPECT_TRUE(TvxGetSysInfo(&dvc, dinfoHexCatalog, rgb.data())) << TvxGetLastError();
        EXPECT_EQ(rgb[0], 0) << "the firmware directory is empty";
        cCat++;
    }
    fStop = true;
    thdEnum.join();
    EXPECT_EQ(cEnumBad, 0);
    EXPECT_GT(cCat, 0);
}

} // namespace
