// test_vendor.cpp - the bus and the vendor requests, driven over the wire
// like a host driver would, checked through the control channel.

#include "simfixture.h"

#include <chrono>
#include <string>
#include <thread>

using namespace usbwire;

namespace {

std::vector<uint8_t> RgbText(const std::string &sz, size_t cb)
{
    std::vector<uint8_t> rgb(cb, 0);
    std::copy(sz.begin(), sz.begin() + std::min(sz.size(), cb), rgb.begin());
    return rgb;
}

TEST_F(SIMTEST, EnumerationFollowsThePlug)
{
    std::vector<WDEV> rgdev = host.Enum();
    ASSERT_EQ(rgdev.size(), 6u);
    EXPECT_EQ(rgdev[0].szPath, SzPath("alpha"));
    EXPECT_EQ(rgdev[0].szSerial, "210183A1B2C3");
    EXPECT_EQ(rgdev[0].vid, 0xFFF0);
    EXPECT_EQ(rgdev[0].pid, 0x0007);
    for (auto &dev : rgdev)
        EXPECT_EQ(dev.szPath.find_first_of(" \t"), std::string::npos);

    ASSERT_TRUE(simctl.FCmd("UNPLUG beta"));
    rgdev = host.Enum();
    ASSERT_EQ(rgdev.size(), 5u);
    EXPECT_EQ(rgdev[1].szSerial, "210183B00002");
    EXPECT_EQ(host.Open(SzPath("beta")), stsNoDevice);

    ASSERT_TRUE(simctl.FCmd("PLUG beta"));
    EXPECT_EQ(host.Enum().size(), 6u);
    EXPECT_EQ(host.Open(SzPath("beta")), stsOk);
}

struct READCASE {
    uint8_t req;
    uint16_t wLength;
    std::vector<uint8_t> rgbExpected;
};

TEST_F(SIMTEST, IdentityReads)
{
    OpenBoard(host, "alpha");
    const READCASE rgcase[] = {
        { 0xE4, 12, RgbText("210183A1B2C3", 12) },
        { 0xE2, 16, RgbText("Alpha", 16) },
        { 0xE1, 28, RgbText("KorvanelTest", 28) },
        { 0xE9, 4, { 0x21, 0x01, 0x70, 0x00 } },
        { 0xE6, 2, { 0x05, 0x03 } },
        { 0xE7, 8, { 0x01, 0x08, 0, 0, 0, 0, 0, 0 } },
        { 0xED, 17, RgbText("00:18:3E:01:02:03", 17) },
        { 0xDB, 2, { 0xF0, 0xFF } },
        { 0xDC, 2, { 0x07, 0x00 } },
        { 0xF0, 1, { 0 } },
        { 0xF7, 4, { 1, 0, 0, 0 } },
    };
    for (const READCASE &rc : rgcase) {
        std::vector<uint8_t> rgb;
        EXPECT_EQ(host.VendorIn(rc.req, 0, 0, rc.wLength, rgb), stsOk) << std::hex << int(rc.req);
        EXPECT_EQ(rgb, rc.rgbExpected) << std::hex << int(rc.req);
    }
    std::vector<uint8_t> rgb;
    EXPECT_EQ(host.VendorIn(0xEE, 0, 0, 1561, rgb), stsOk);
    EXPECT_EQ(rgb.size(), 1561u);
    EXPECT_EQ(host.VendorIn(0xC7, 0, 0, 4, rgb), stsStall);     // no such request
    EXPECT_EQ(host.VendorIn(0xD0, 0, 0, 1, rgb), stsStall);     // FX3 only
    EXPECT_EQ(host.VendorIn(0xA0, 0, 0, 16, rgb), stsStall);    // no RAM loader in a fixed chip
    EXPECT_EQ(host.VendorIn(0xA3, 0xE60A, 0, 1, rgb), stsStall);
}

TEST_F(SIMTEST, WritingRequestsNeedTheKey)
{
    OpenBoard(host, "alpha");
    std::vector<uint8_t> rgbUser = RgbText("Renamed", 16);
    EXPECT_EQ(host.VendorOut(0xE3, 0, 0, rgbUser), stsStall);           // no key set
    EXPECT_EQ(host.VendorOut(0xE8, 0, 0, { 0x34, 0x12 }), stsOk);
    EXPECT_EQ(host.VendorOut(0xE3, 0, 0x1235, rgbUser), stsStall);      // wrong key
    EXPECT_EQ(simctl.SzState("alpha", "key"), "0x1234");
    EXPECT_EQ(host.VendorOut(0xE3, 0, 0x1234, rgbUser), stsOk);
    EXPECT_EQ(host.VendorOut(0xE8, 0, 0, { 0, 0 }), stsOk);
    EXPECT_EQ(host.VendorOut(0xE3, 0, 0x1234, rgbUser), stsStall);      // key taken back
    EXPECT_EQ(simctl.SzState("alpha", "user"), "Renamed");
    EXPECT_EQ(host.VendorOutKeyed(0xE3, 0, RgbText("x", 15)), stsStall); // 16 bytes exactly

    EXPECT_EQ(host.VendorOutKeyed(0xE9, 0, RgbU32(0x00700122)), stsOk);
    EXPECT_EQ(simctl.SzState("alpha", "pdid"), "0x00700122");
}

TEST_F(SIMTEST, E2promWritesAndReads)
{
    OpenBoard(host, "alpha");
    std::vector<uint8_t> rgb(100);
    for (size_t i = 0; i < rgb.size(); i++)
        rgb[i] = uint8_t(i * 7);
    // The host splits at the 64-byte page: 16 bytes at 0x30, 84 at 0x40.
    ASSERT_EQ(host.VendorOut(0xE8, 0, 0, { 0x11, 0x22 }), stsOk);
    EXPECT_EQ(host.VendorOut(0xA2, 0x0030, 0x2211, std::vector<uint8_t>(rgb.begin(), rgb.begin() + 16)), stsOk);
    EXPECT_EQ(host.VendorOut(0xA2, 0x0040, 0x2211, std::vector<uint8_t>(rgb.begin() + 16, rgb.end())), stsOk);
    EXPECT_EQ(host.VendorOut(0xA2, 0x3FF0, 0x2211, std::vector<uint8_t>(17, 0)), stsStall);   // past the end
    ASSERT_EQ(host.VendorOut(0xE8, 0, 0, { 0, 0 }), stsOk);
    EXPECT_EQ(simctl.SzLine("MEM alpha e2prom 0x30 100"), SzHexOf(rgb));
    std::vector<uint8_t> rgbRead;
    EXPECT_EQ(host.VendorIn(0xA2, 0x0030, 0, 100, rgbRead), stsOk);
    EXPECT_EQ(rgbRead, rgb);
}

TEST_F(SIMTEST, LegacyBlockAndRevisionOfAnFx2Board)
{
    OpenBoard(host, "beta");
    std::vector<uint8_t> rgb;
    ASSERT_EQ(host.VendorIn(0xA2, 0x3FE0, 0, 15, rgb), stsOk);
    EXPECT_EQ(rgb[0], 0x78);
    EXPECT_EQ(rgb[1], 0x56);
    EXPECT_EQ(std::string(rgb.begin() + 2, rgb.begin() + 14), "210183B00001");
    uint8_t bSum = 0;
    for (uint8_t b : rgb)
        bSum = uint8_t(bSum + b);
    EXPECT_EQ(bSum, 0);
    EXPECT_EQ(host.VendorIn(0xA3, 0xE60A, 0, 1, rgb), stsOk);
    EXPECT_EQ(rgb, std::vector<uint8_t>{ 1 });
}

TEST_F(SIMTEST, LegacyFirmwareKeepsItsPdidInTheE2prom)
{
    OpenBoard(host, "legacy");
    std::vector<uint8_t> rgb;
    EXPECT_EQ(host.VendorIn(0xE9, 0, 0, 4, rgb), stsStall);
    ASSERT_EQ(host.VendorIn(0xE1, 0, 0, 28, rgb), stsOk);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(rgb.data())), "VCabUsb1 V0.0");
    ASSERT_EQ(host.VendorIn(0xA2, 0x3FF0, 0, 7, rgb), stsOk);
    EXPECT_EQ(SzHexOf(rgb), "CDAB03021030" + SzHexOf({ uint8_t(-(0xCD + 0xAB + 0x03 + 0x02 + 0x10 + 0x30)) }));
    // A corrupted check byte, as a test would set it up.
    ASSERT_TRUE(simctl.FCmd("POKE legacy e2prom 0x3FF6 00"));
    EXPECT_EQ(simctl.SzLine("MEM legacy e2prom 0x3FF0 7"), "CDAB0302103000");
}

TEST_F(SIMTEST, OldFirmwareTakesTheVendorIdInsteadOfAKey)
{
    OpenBoard(host, "old");
    std::vector<uint8_t> rgb;
    EXPECT_EQ(host.VendorOut(0xE8, 0, 0, { 0x34, 0x12 }), stsStall);
    EXPECT_EQ(host.VendorIn(0xE6, 0, 0, 2, rgb), stsOk);
    EXPECT_EQ(rgb, (std::vector<uint8_t>{ 0x01, 0x02 }));
    std::vector<uint8_t> rgbName = RgbText("Renamed old", 28);
    EXPECT_EQ(host.VendorOut(0xE1, 0, 0, rgbName), stsStall);      // vendor id missing
    rgbName.push_back(0xF0);
    rgbName.push_back(0xFF);
    EXPECT_EQ(host.VendorOut(0xE1, 0, 1, rgbName), stsStall);      // wIndex must be 0
    EXPECT_EQ(host.VendorOut(0xE1, 0, 0, rgbName), stsOk);
    EXPECT_EQ(simctl.SzState("old", "product"), "Renamed old");
    // E2PROM chunks of 62 + 2 bytes at their address.
    std::vector<uint8_t> rgbChunk(62, 0xA5);
    rgbChunk.push_back(0xF0);
    rgbChunk.push_back(0xFF);
    EXPECT_EQ(host.VendorOut(0xA2, 0x0100, 0, rgbChunk), stsOk);
    EXPECT_EQ(simctl.SzLine("MEM old e2prom 0x100 62"), SzHexOf(std::vector<uint8_t>(62, 0xA5)));
}

TEST_F(SIMTEST, AccountsKeepTheirPayloads)
{
    OpenBoard(host, "alpha");
    // 0xF2: attribute, name length + 1, password length + 1, name, NUL, password, NUL.
    std::vector<uint8_t> rgbAdd = { 5, 4, 0, 3, 0, 'b', 'o', 'b', 0, 'p', 'w', 0 };
    EXPECT_EQ(host.VendorOutKeyed(0xF2, 0, rgbAdd), stsOk);
    EXPECT_EQ(host.VendorOutKeyed(0xF2, 0, rgbAdd), stsStall);     // exists already
    std::vector<uint8_t> rgb;
    ASSERT_EQ(host.VendorIn(0xF7, 0, 0, 4, rgb), stsOk);
    EXPECT_EQ(rgb, RgbU32(2));
    ASSERT_EQ(host.VendorIn(0xF7, 2, 0, 132, rgb), stsOk);
    ASSERT_EQ(rgb.size(), 132u);
    EXPECT_EQ(rgb[66], 5);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(&rgb[67])), "bob");
    EXPECT_EQ(host.VendorIn(0xF7, 3, 0, 198, rgb), stsStall);      // more than there are

    EXPECT_EQ(host.VendorOutKeyed(0xF5, 0, { 9, 'b', 'o', 'b', 0 }), stsOk);
    EXPECT_EQ(host.VendorOutKeyed(0xF4, 0, { 'b', 'o', 'b' }), stsOk);
    ASSERT_EQ(host.VendorIn(0xF4, 0, 0, 1, rgb), stsOk);
    EXPECT_EQ(rgb, std::vector<uint8_t>{ 9 });
    EXPECT_EQ(host.VendorOutKeyed(0xF6, 0, { 4, 0, 4, 0, 'b', 'o', 'b', 0, 'n', 'e', 'w', 0 }), stsOk);
    std::vector<std::string> rgsz;
    ASSERT_TRUE(simctl.FCmd("ACCOUNTS alpha", &rgsz));
    EXPECT_EQ(rgsz, (std::vector<std::string>{ "admin 3 secret", "bob 9 new" }));
    EXPECT_EQ(host.VendorOutKeyed(0xF3, 0, { 'b', 'o', 'b' }), stsOk);
    EXPECT_EQ(host.VendorOutKeyed(0xF1, 0, { 1 }), stsOk);
    EXPECT_EQ(simctl.SzState("alpha", "auth"), "1");
}

TEST_F(SIMTEST, ClaimIsExclusiveAcrossConnections)
{
    WIRECLIENT other;
    ASSERT_TRUE(other.FConnect(simctl.Port()));
    OpenBoard(host, "alpha");
    OpenBoard(other, "alpha");
    EXPECT_EQ(host.Claim(), stsOk);
    EXPECT_EQ(other.Claim(), stsBusy);
    // Control requests need no claim.
    std::vector<uint8_t> rgb;
    EXPECT_EQ(other.VendorIn(0xE4, 0, 0, 12, rgb), stsOk);
    // Bulk transfers do.
    EXPECT_EQ(other.Wait(other.Submit(epSts, 64)).sts, stsNotClaimed);
    EXPECT_EQ(host.Release(), stsOk);
    EXPECT_EQ(other.Claim(), stsOk);
    // A connection that goes away gives its claim back.
    other.Disconnect();
    EXPECT_EQ(host.Ping(), stsOk);
    // The simulator sees the other connection end on that connection's own
    // thread: wait (bounded) until it has.
    std::string szConnections;
    for (int i = 0; i < 500; i++) {
        szConnections = simctl.SzState("alpha", "connections");
        if (szConnections == "1")
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(szConnections, "1");
    EXPECT_EQ(host.Claim(), stsOk);
    EXPECT_EQ(host.Open("ksim-9-9.9"), stsNoDevice);
}

// A connection whose process ended but which stays open (as some systems
// keep a killed process's connections for a while) loses its claim, its
// transfers and its device when another host reports its owner ended; a
// record that matches no connection exactly, or that names nobody, closes
// nothing.
TEST_F(SIMTEST, ConnectionsOfAnEndedOwnerAreClosedWhenReported)
{
    const std::vector<uint8_t> rgbDead = { ownerWin32, 0x34, 0x12, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8 };
    const std::vector<uint8_t> rgbLive = { ownerWin32, 0x35, 0x12, 0, 0, 1, 2, 3, 4, 5, 6, 7, 9 };
    WIRECLIENT dead, other;
    ASSERT_TRUE(dead.FConnect(simctl.Port()));
    ASSERT_TRUE(other.FConnect(simctl.Port()));
    EXPECT_EQ(dead.Owner(rgbDead), stsOk);
    EXPECT_EQ(other.Owner(rgbLive), stsOk);
    std::vector<uint8_t> rgbOwner;
    EXPECT_EQ(other.Claimer(rgbOwner), stsNotOpen);
    OpenBoard(dead, "alpha");
    OpenBoard(other, "alpha");
    EXPECT_EQ(other.Claimer(rgbOwner), stsOk);
    EXPECT_EQ(rgbOwner, std::vector<uint8_t>(cbOwner, 0)) << "nobody holds the interface";
    ASSERT_EQ(dead.Claim(), stsOk);
    uint32_t tagSts = dead.Submit(epSts, 64);
    ASSERT_FALSE(dead.FDone(tagSts));
    EXPECT_EQ(other.Claim(), stsBusy);
    EXPECT_EQ(other.Claimer(rgbOwner), stsOk);
    EXPECT_EQ(rgbOwner, rgbDead);

    for (const std::vector<uint8_t> &rgb :
         { std::vector<uint8_t>(cbOwner, 0), rgbLive, std::vector<uint8_t>(rgbDead.begin(), rgbDead.end() - 1) }) {
        uint32_t sts = other.OwnerEnded(rgb);
        EXPECT_EQ(sts, rgb.size() == cbOwner ? stsOk : stsBadRequest);
        EXPECT_EQ(other.Claim(), stsBusy) << "still held after a record of size " << rgb.size();
    }
    // Its own record closes nothing of the requester.
    EXPECT_EQ(dead.OwnerEnded(rgbDead), stsOk);
    EXPECT_FALSE(dead.FDone(tagSts));

    EXPECT_EQ(other.OwnerEnded(rgbDead), stsOk);
    EXPECT_EQ(other.Claim(), stsOk);
    EXPECT_EQ(dead.Ping(), 0xFFFFFFFFu) << "the ended owner's connection is closed";
    // The status packets of the next command go to the new claimant.
    std::vector<uint8_t> rgbSts = other.Command({ 3, 0, 0, 0 });
    EXPECT_FALSE(rgbSts.empty());
    EXPECT_EQ(simctl.SzState("alpha", "connections"), "1") << "the ended owner's connection is off the board";
}

TEST_F(SIMTEST, RequestLogShowsWhatTheBoardReceived)
{
    OpenBoard(host, "alpha");
    ASSERT_TRUE(simctl.FCmd("LOGCLEAR alpha"));
    EXPECT_EQ(host.VendorOutKeyed(0xE9, 0, RgbU32(0x00700121)), stsOk);
    std::vector<std::string> rgsz;
    ASSERT_TRUE(simctl.FCmd("LOG alpha", &rgsz));
    EXPECT_EQ(rgsz, (std::vector<std::string>{ "VR out E8 0000 0000 2 ok 3412", "VR out E9 0000 1234 4 ok 21017000",
                                               "VR out E8 0000 0000 2 ok 0000" }));
}

} // namespace
