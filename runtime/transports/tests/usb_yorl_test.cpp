/*
 * usb_yorl_test.cpp - the Yorl USB objects (simulator backend) on their own:
 * the bus, vendor requests, the claim, and transfers on the endpoints.
 */
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kor_child.h"
#include "korsimenv.h"
#include "yorl.h"

/* The boards of usbboards.cfg: korsim started here, or by simwine.sh under wine. */
KORSIM_ENVIRONMENT(KORSIM_CONFIG, "usb-yorl", false);

namespace {

class UsbYorl : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(PkorsimEnv()->fOk) << PkorsimEnv()->szErr;
        szSim = getenv("KOR_SIM");
    }
    void TearDown() override
    {
        simctl.FCmd("FAULT usb1 clear");
        for (ABSUSBTP *p : rgpusbtp) {
            p->Term();
            pabsfact->RlsABSUSBTP(p);
        }
        for (ABSUSB *p : rgpusb) {
            p->Term();
            pabsfact->RlsABSUSB(p);
        }
    }
    ABSUSB *PusbNew()
    {
        ABSUSB *p = pabsfact->InstABSUSB();
        EXPECT_NE(p, nullptr);
        EXPECT_TRUE(p->Init());
        rgpusb.push_back(p);
        return p;
    }
    ABSUSBTP *PusbtpNew(const std::string &szPath)
    {
        ABSUSBTP *p = pabsfact->InstABSUSBTP();
        EXPECT_NE(p, nullptr);
        EXPECT_TRUE(p->Init());
        EXPECT_TRUE(p->Connect(szPath.c_str()));
        rgpusbtp.push_back(p);
        return p;
    }
    std::string SzPath1()
    {
        ABSUSB *pusb = PusbNew();
        uint32_t cdvc = 0;
        char sz[cchAbsPathMax] = "";
        EXPECT_TRUE(pusb->Enumerate(&cdvc));
        EXPECT_TRUE(pusb->GetSzDevPathByIdx(0, sz, sizeof(sz)));
        return sz;
    }

    KSIMCTL &simctl = PkorsimEnv()->simctl;
    std::string szSim;
    std::vector<ABSUSB *> rgpusb;
    std::vector<ABSUSBTP *> rgpusbtp;
};

TEST_F(UsbYorl, BusAndVendorRequests)
{
    ABSUSB *pusb = PusbNew();
    uint8_t rgb[64];
    uint32_t cb = 99;
    EXPECT_FALSE(pusb->VendorRequest(true, 0xE4, 0, 0, 12, rgb, &cb, 1000));
    EXPECT_EQ(pabsutil->GetLastErc(), (uint32_t)ercAbsNotInit);
    uint32_t cdvc = 0;
    ASSERT_TRUE(pusb->Enumerate(&cdvc));
    ASSERT_EQ(cdvc, 2u);
    char szPath[cchAbsPathMax], szTiny[4];
    EXPECT_FALSE(pusb->GetSzDevPathByIdx(2, szPath, sizeof(szPath)));
    EXPECT_EQ(pabsutil->GetLastErc(), (uint32_t)ercAbsInvalidParameter);
    EXPECT_FALSE(pusb->GetSzDevPathByIdx(0, szTiny, sizeof(szTiny)));
    ASSERT_TRUE(pusb->GetSzDevPathByIdx(1, szPath, sizeof(szPath)));
    EXPECT_FALSE(pusb->Connect("ksim-9-9.0"));
    EXPECT_EQ(pabsutil->GetLastErc(), (uint32_t)ercAbsUsbDeviceGone);
    ASSERT_TRUE(pusb->Connect(szPath));
    char szNow[cchAbsPathMax];
    ASSERT_TRUE(pusb->GetSzDevPath(szNow, sizeof(szNow)));
    EXPECT_STREQ(szNow, szPath);
    ASSERT_TRUE(pusb->VendorRequest(true, 0xE4, 0, 0, 12, rgb, &cb, 1000));
    EXPECT_EQ(cb, 12u);
    EXPECT_EQ(std::string((char *)rgb, 12), "210183000002");
    /* a text shorter than asked for */
    ASSERT_TRUE(pusb->VendorRequest(true, 0xE2, 0, 0, 16, rgb, &cb, 1000));
    ASSERT_LE(cb, 16u);
    rgb[cb] = 0;
    EXPECT_STREQ((char *)rgb, "Board2");
    EXPECT_FALSE(pusb->VendorRequest(true, 0x55, 0, 0, 4, rgb, &cb, 1000));
    EXPECT_EQ(pabsutil->GetLastErc(), (uint32_t)ercAbsPipeError);
    EXPECT_TRUE(pusb->Disconnect());
    EXPECT_TRUE(pusb->Disconnect());
}

TEST_F(UsbYorl, WithoutSimulatorTheBusIsEmpty)
{
    KorSetEnv("KOR_SIM", nullptr);
    ABSUSB *pusb = PusbNew();
    KorSetEnv("KOR_SIM", szSim.c_str());
    uint32_t cdvc = 9;
    ASSERT_TRUE(pusb->Enumerate(&cdvc));
    EXPECT_EQ(cdvc, 0u);
}

TEST_F(UsbYorl, ClaimIsExclusive)
{
    std::string szPath = SzPath1();
    ABSUSBTP *p1 = PusbtpNew(szPath), *p2 = PusbtpNew(szPath);
    ASSERT_TRUE(p1->Claim());
    EXPECT_TRUE(p1->Claim());
    EXPECT_FALSE(p2->Claim());
    EXPECT_EQ(pabsutil->GetLastErc(), (uint32_t)ercAbsClaimFailed);
    uint8_t rgb[64];
    EXPECT_FALSE(p2->StartRead(endpDataOut, rgb, 4));
    EXPECT_EQ(pabsutil->GetLastErc(), (uint32_t)ercAbsInvalidParameter);
    ASSERT_TRUE(p1->Release());
    EXPECT_TRUE(p2->Claim());
    EXPECT_TRUE(p2->Release());
}

TEST_F(UsbYorl, TransfersWaitCancelAndUnplug)
{
    std::string szPath = SzPath1();
    ABSUSBTP *p = PusbtpNew(szPath);
    ASSERT_TRUE(p->Claim());
    /* the transaction-reset handshake by hand */
    uint32_t n = 0x12345678;
    uint8_t rgbPkt[8] = {7, 0, 3, 0, 0x78, 0x56, 0x34, 0x12};
    uint8_t rgbSts[64];
    ASSERT_TRUE(p->StartRead(endpSts, rgbSts, sizeof(rgbSts)));
    ASSERT_TRUE(p->StartWrite(endpCmd, rgbPkt, sizeof(rgbPkt)));
    uint8_t rgendp[2] = {endpCmd, endpSts}, endpDone = 9;
    ASSERT_TRUE(p->WaitAnyEp(rgendp, &endpDone, 2, 2000));
    uint32_t cb = 0;
    ASSERT_TRUE(p->WaitEp(endpCmd, 2000));
    ASSERT_TRUE(p->GetEpResult(endpCmd, &cb));
    EXPECT_EQ(cb, 8u);
    ASSERT_TRUE(p->WaitEp(endpSts, 2000));
    ASSERT_TRUE(p->GetEpResult(endpSts, &cb));
    ASSERT_EQ(cb, 6u);
    uint32_t r = 0x7A - n;
    EXPECT_EQ(rgbSts[0], 5);
    EXPECT_EQ(rgbSts[1], 0);
    EXPECT_EQ(memcmp(rgbSts + 2, &r, 4), 0);
    /* a status read with nothing to come: time-out, cancel, collected as cancelled */
    ASSERT_TRUE(p->StartRead(endpSts, rgbSts, sizeof(rgbSts)));
    EXPECT_FALSE(p->WaitEp(endpSts, 50));
    EXPECT_EQ(pabsutil->GetLastErc(), (uint32_t)ercAbsTimeout);
    EXPECT_FALSE(p->StartRead(endpSts, rgbSts, sizeof(rgbSts)));
    ASSERT_TRUE(p->CancelEp(endpSts));
    EXPECT_FALSE(p->GetEpResult(endpSts, &cb));
    EXPECT_EQ(pabsutil->GetLastErc(), (uint32_t)ercAbsIoCancelled);
    /* the board leaves while a read waits */
    ASSERT_TRUE(p->StartRead(endpSts, rgbSts, sizeof(rgbSts)));
    ASSERT_TRUE(simctl.FCmd("UNPLUG usb1"));
    ASSERT_TRUE(p->WaitEp(endpSts, 5000));
    EXPECT_FALSE(p->GetEpResult(endpSts, &cb));
    EXPECT_EQ(pabsutil->GetLastErc(), (uint32_t)ercAbsUsbDeviceGone);
    ASSERT_TRUE(simctl.FCmd("PLUG usb1"));
    ASSERT_TRUE(simctl.FCmd("WAIT usb1 present"));
}

} // namespace
