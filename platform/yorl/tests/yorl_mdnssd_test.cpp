/*
 * yorl_mdnssd_test.cpp - ABSMDNSSD against a responder of the test's own
 * (plain sockets on loopback): the query it sends, a service assembled from
 * PTR, SRV, TXT and A records (compressed names included), and answers
 * that must be refused whole: pointer loops, pointers forward, labels and
 * records running past the datagram, counts larger than the records,
 * names longer than 255 bytes. Runs under AddressSanitizer.
 */
#include "netpeer.h"
#include "yorl_test_util.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

typedef std::unique_ptr<ABSMDNSSD, YTDEL<ABSMDNSSD, &ABSFACT::RlsABSMDNSSD>> UPMDNSSD;
typedef std::vector<uint8_t> VB;

void SetEnvVar(const char *szVar, const char *szValue)
{
#if defined(_WIN32)
    _putenv_s(szVar, szValue);
#else
    setenv(szVar, szValue, 1);
#endif
}

void Put16(VB &vb, uint16_t w)
{
    vb.push_back((uint8_t)(w >> 8));
    vb.push_back((uint8_t)w);
}

VB VbName(const std::string &sz)
{
    VB vb;
    size_t ich = 0;
    while (ich < sz.size()) {
        size_t ichDot = sz.find('.', ich);
        if (ichDot == std::string::npos)
            ichDot = sz.size();
        vb.push_back((uint8_t)(ichDot - ich));
        vb.insert(vb.end(), sz.begin() + (long)ich, sz.begin() + (long)ichDot);
        ich = ichDot + 1;
    }
    vb.push_back(0);
    return vb;
}

VB VbHeader(uint16_t crr)
{
    VB vb = {0, 0, 0x84, 0, 0, 0};
    Put16(vb, crr);
    Put16(vb, 0);
    Put16(vb, 0);
    return vb;
}

void PutRR(VB &vb, const VB &vbOwner, uint16_t type, const VB &vbData)
{
    vb.insert(vb.end(), vbOwner.begin(), vbOwner.end());
    Put16(vb, type);
    Put16(vb, 1);
    Put16(vb, 0);
    Put16(vb, 120);
    Put16(vb, (uint16_t)vbData.size());
    vb.insert(vb.end(), vbData.begin(), vbData.end());
}

const char szType[] = "_korvanel-orrin._tcp.local";

/* PTR, SRV (owner compressed to the PTR's data), TXT and A of one instance
 * on host h.local at 127.0.9.7. */
VB VbService(const std::string &szInstance, uint16_t port)
{
    VB vb = VbHeader(4);
    PutRR(vb, VbName(szType), 12, VbName(szInstance + "." + szType));
    uint16_t ibInstance = (uint16_t)(vb.size() - VbName(szInstance + "." + szType).size());
    VB vbSrv;
    Put16(vbSrv, 0);
    Put16(vbSrv, 0);
    Put16(vbSrv, port);
    VB vbHost = VbName("h.local");
    vbSrv.insert(vbSrv.end(), vbHost.begin(), vbHost.end());
    PutRR(vb, VB{(uint8_t)(0xC0 | (ibInstance >> 8)), (uint8_t)ibInstance}, 33, vbSrv);
    VB vbTxt;
    for (const char *sz : {"VER=2", "PDID=00700121", "CTLS", "SN=2101830000A1"}) {
        vbTxt.push_back((uint8_t)strlen(sz));
        vbTxt.insert(vbTxt.end(), sz, sz + strlen(sz));
    }
    PutRR(vb, VbName(szInstance + "." + szType), 16, vbTxt);
    PutRR(vb, VbName("h.local"), 1, VB{127, 0, 9, 7});
    return vb;
}

/* The malformed answers, each about an instance "bad" that would be listed
 * if any part of the answer were taken. */
std::vector<VB> RgvbMalformed()
{
    std::vector<VB> rgvb;
    VB vbGood = VbService("bad", 1);
    VB vb;
    /* The owner of the PTR record points at itself. */
    vb = VbHeader(1);
    vb.push_back(0xC0);
    vb.push_back(12);
    rgvb.push_back(vb);
    /* Two names pointing at each other (one pointer must go forward). */
    vb = VbHeader(2);
    vb.push_back(0xC0);
    vb.push_back(24);
    Put16(vb, 12);
    Put16(vb, 1);
    Put16(vb, 0);
    Put16(vb, 0);
    Put16(vb, 2);
    vb.push_back(0xC0);
    vb.push_back(12);
    rgvb.push_back(vb);
    /* A label running past the end of the datagram. */
    vb = VbHeader(1);
    vb.push_back(40);
    vb.insert(vb.end(), 10, 'x');
    rgvb.push_back(vb);
    /* A pointer cut in half by the end. */
    vb = VbHeader(1);
    vb.push_back(0xC0);
    rgvb.push_back(vb);
    /* The last record's data length running past the end. */
    vb = vbGood;
    vb[vb.size() - 6] = 0x10;
    rgvb.push_back(vb);
    /* More records counted than sent. */
    vb = vbGood;
    vb[7] = 5;
    rgvb.push_back(vb);
    /* A TXT string longer than its record's data. */
    vb = VbHeader(4);
    {
        VB vbFirst(vbGood.begin() + 12, vbGood.end());
        vb.insert(vb.end(), vbFirst.begin(), vbFirst.end());
        size_t ibTxt = 0;
        for (size_t ib = 12; ib + 1 < vb.size(); ib++) {
            if (vb[ib] == 'V' && vb[ib + 1] == 'E' && vb[ib + 2] == 'R') {
                ibTxt = ib - 1;
                break;
            }
        }
        vb[ibTxt] = 200;
    }
    rgvb.push_back(vb);
    /* A name of five 63-byte labels (over 255 bytes). */
    vb = VbHeader(1);
    for (int i = 0; i < 5; i++) {
        vb.push_back(63);
        vb.insert(vb.end(), 63, 'n');
    }
    vb.push_back(0);
    Put16(vb, 12);
    Put16(vb, 1);
    Put16(vb, 0);
    Put16(vb, 0);
    Put16(vb, 2);
    vb.push_back(0xC0);
    vb.push_back(12);
    rgvb.push_back(vb);
    /* A label of the reserved kinds 0x40 and 0x80. */
    vb = vbGood;
    vb[12] = 0x4F;
    rgvb.push_back(vb);
    /* A response cut after the header's counts. */
    rgvb.push_back(VbHeader(4));
    return rgvb;
}

} // namespace

TEST(YorlMdnssd, BrowseListsWholeServicesAndRefusesMalformedAnswers)
{
    ASSERT_TRUE(FPeerStart());
    uint16_t portPeer = 0;
    PEERSOCK sockPeer = PeerUdp(0, 0, &portPeer);
    ASSERT_NE(sockPeer, peersockNil);
    SetEnvVar("YORL_UDPPORTMAP", ("5353=" + std::to_string(portPeer)).c_str());
    UPMDNSSD p(pabsfact->InstABSMDNSSD());
    ASSERT_TRUE(p);
    ASSERT_TRUE(p->Init());
    EXPECT_EQ(p->GetService(0), nullptr) << "nothing before a browse";
    ASSERT_TRUE(p->StartBrowse("_korvanel-orrin._tcp"));

    /* The query: one question, PTR of the service type, unicast answer asked. */
    uint8_t rgb[512];
    uint32_t ipBrowser = 0;
    uint16_t portBrowser = 0;
    long cb = CbPeerRecvFrom(sockPeer, rgb, sizeof(rgb), &ipBrowser, &portBrowser);
    VB vbQuery = VbHeader(0);
    vbQuery[2] = 0;
    vbQuery[5] = 1;
    vbQuery[7] = 0;
    VB vbName = VbName(szType);
    vbQuery.insert(vbQuery.end(), vbName.begin(), vbName.end());
    Put16(vbQuery, 12);
    Put16(vbQuery, 0x8001);
    ASSERT_EQ(cb, (long)vbQuery.size());
    EXPECT_EQ(VB(rgb, rgb + cb), vbQuery);

    for (const VB &vb : RgvbMalformed())
        ASSERT_TRUE(FPeerSendTo(sockPeer, ipBrowser, portBrowser, vb.data(), vb.size()));
    VB vbGood = VbService("good", 33890);
    ASSERT_TRUE(FPeerSendTo(sockPeer, ipBrowser, portBrowser, vbGood.data(), vbGood.size()));

    ASERVICEINFO *psi = nullptr;
    for (int i = 0; i < 500 && psi == nullptr; i++) {
        psi = p->GetService(0);
        if (psi == nullptr)
            pabsutil->SleepMs(10);
    }
    ASSERT_NE(psi, nullptr);
    EXPECT_EQ(p->GetService(1), nullptr) << "no malformed answer was taken";
    ASSERT_NE(psi->GetIpv4(), nullptr);
    EXPECT_STREQ(psi->GetIpv4(), "127.0.9.7");
    EXPECT_EQ(psi->GetPort(), 33890);
    EXPECT_TRUE(psi->GetTxtRecord(nullptr, nullptr));
    const char *sz = nullptr;
    ASSERT_TRUE(psi->GetTxtRecord("PDID", &sz));
    EXPECT_STREQ(sz, "00700121");
    ASSERT_TRUE(psi->GetTxtRecord("CTLS", &sz));
    EXPECT_STREQ(sz, "");
    EXPECT_FALSE(psi->GetTxtRecord("FWVER", &sz));
    EXPECT_FALSE(psi->GetTxtRecord("pdid", &sz)) << "keys keep their letter case";

    /* The same service again is not listed twice; closing forgets it. */
    ASSERT_TRUE(FPeerSendTo(sockPeer, ipBrowser, portBrowser, vbGood.data(), vbGood.size()));
    pabsutil->SleepMs(50);
    EXPECT_EQ(p->GetService(1), nullptr);
    EXPECT_TRUE(p->StopBrowse());
    EXPECT_TRUE(p->Close());
    EXPECT_EQ(p->GetService(0), nullptr);
    EXPECT_TRUE(p->Term());
    PeerClose(sockPeer);
    SetEnvVar("YORL_UDPPORTMAP", "");
}
