// test_ftdiwire.cpp - the FTDI boards of the simulator: their configuration
// directives, the chip's EEPROM and identity, and a korsim that survives any
// client on the FTDI wire (truncated, oversized and unknown requests, a
// client that vanishes holding a channel).

#include "server/config.h"
#include "simctl.h"
#include "ftdiwire.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace sim;
using namespace ftdiwire;

namespace {

const char szBoards[] = "board ft\n"
                        "  ftdi 2232h\n"
                        "  serial 210183F0AB01\n"
                        "  user Ft\n"
                        "  pdid 0x00600160\n"
                        "  caps 1 0\n"
                        "  ftdijtag A\n"
                        "  ftdififo A B\n"
                        "  jtag DEV 0x01C22093 6 9\n";

struct CFGCASE {
    const char *szText;
    bool fOk;
};

TEST(FtdiConfig, DirectivesAreCheckedAndFillTheChip)
{
    const CFGCASE rgcase[] = {
        { "board a\nftdi 2232h\nftdijtag B\nftdififo A B\nftdiloc 0x2000\nftdiword0 0x0808\nftdiua no\n", true },
        { "board a\nftdi 9999\n", false },
        { "board a\nftdijtag A B\n", false },
        { "board a\nftdififo E\n", false },
        { "board a\nftdiword0 0x10000\n", false },
        { "board a\nftdidesc 0123456789012345678901234567890123456789X\n", false },
        { "board a\nftdiua maybe\n", false },
        { "board a\nftdibogus 1\n", false },
    };
    for (const CFGCASE &cc : rgcase) {
        std::vector<BOARDCFG> rgcfg;
        std::string szErr;
        EXPECT_EQ(FParseConfig(cc.szText, rgcfg, szErr), cc.fOk) << cc.szText << szErr;
    }
    std::vector<BOARDCFG> rgcfg;
    std::string szErr;
    ASSERT_TRUE(FParseConfig(szBoards, rgcfg, szErr)) << szErr;
    EXPECT_EQ(rgcfg[0].ftdi.ftt, ftt2232h);
    EXPECT_EQ(rgcfg[0].ftdi.ichanJtag, 0);
    EXPECT_EQ(rgcfg[0].ftdi.rgichanFifo.size(), 2u);
}

int SockFtdi(uint16_t port)
{
    int sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(sock, reinterpret_cast<sockaddr *>(&sa), sizeof(sa)) != 0) {
        close(sock);
        return -1;
    }
    uint8_t rgb[8];
    memcpy(rgb, kftdMagic, 4);
    PutU16(rgb + 4, kftdVersion);
    PutU16(rgb + 6, 0);
    if (send(sock, rgb, 8, MSG_NOSIGNAL) != 8) {
        close(sock);
        return -1;
    }
    return sock;
}

bool FSendFrame(int sock, uint8_t type, const std::vector<uint8_t> &rgbPayload, uint32_t cbClaimed = 0)
{
    std::vector<uint8_t> rgb(9);
    PutU32(&rgb[0], cbClaimed ? cbClaimed : uint32_t(5 + rgbPayload.size()));
    rgb[4] = type;
    PutU32(&rgb[5], 7);
    rgb.insert(rgb.end(), rgbPayload.begin(), rgbPayload.end());
    return send(sock, rgb.data(), rgb.size(), MSG_NOSIGNAL) == ssize_t(rgb.size());
}

/* The answer's payload, or empty when the connection ended. */
std::vector<uint8_t> RgbAnswer(int sock)
{
    uint8_t rgbHeader[9];
    std::vector<uint8_t> rgb;
    if (recv(sock, rgbHeader, 9, MSG_WAITALL) != 9)
        return rgb;
    rgb.resize(GetU32(rgbHeader) - 5);
    if (!rgb.empty() && recv(sock, rgb.data(), rgb.size(), MSG_WAITALL) != ssize_t(rgb.size()))
        rgb.clear();
    return rgb;
}

TEST(FtdiWire, KorsimSurvivesMalformedRequestsAndVanishingClients)
{
    SIMCTL simctl;
    std::string szErr;
    ASSERT_TRUE(simctl.FStart(szBoards, &szErr)) << szErr;
    /* Every request type with a truncated payload, before and after an open. */
    int sock = SockFtdi(simctl.Port());
    ASSERT_GE(sock, 0);
    for (uint8_t type = 1; type <= 24; type++) {
        ASSERT_TRUE(FSendFrame(sock, type, { 1 }));
        EXPECT_GE(RgbAnswer(sock).size(), 4u) << int(type);
    }
    std::vector<uint8_t> rgbOpen = { openBySerial, 13, 0 };
    const char szName[] = "210183F0AB01A";
    rgbOpen.insert(rgbOpen.end(), szName, szName + 13);
    ASSERT_TRUE(FSendFrame(sock, fmsgOpen, rgbOpen));
    std::vector<uint8_t> rgb = RgbAnswer(sock);
    ASSERT_EQ(rgb.size(), 4u);
    EXPECT_EQ(GetU32(rgb.data()), ftOk);
    for (uint8_t type = 1; type <= 24; type++) {
        if (type == fmsgCycle || type == fmsgClose || type == fmsgOpen || type == fmsgEeErase)
            continue;
        ASSERT_TRUE(FSendFrame(sock, type, { 1 }));
        EXPECT_GE(RgbAnswer(sock).size(), 4u) << int(type);
    }
    /* A read asking for more than the wire carries is cut, an EEPROM read past the end reads 0xFFFF. */
    std::vector<uint8_t> rgbRead(4);
    PutU32(rgbRead.data(), 0xFFFFFFFF);
    ASSERT_TRUE(FSendFrame(sock, fmsgRead, rgbRead));
    EXPECT_GE(RgbAnswer(sock).size(), 8u);
    ASSERT_TRUE(FSendFrame(sock, fmsgEeRead, { 0xF0, 0xFF, 0x20, 0x00 }));
    rgb = RgbAnswer(sock);
    ASSERT_EQ(rgb.size(), 4u + 2 + 64);
    EXPECT_EQ(rgb[6], 0xFF);
    ASSERT_TRUE(FSendFrame(sock, fmsgEeWrite, { 0x7F, 0x00, 0x02, 0x00, 1, 2, 3, 4 }));
    rgb = RgbAnswer(sock);
    EXPECT_EQ(GetU32(rgb.data()), ftEepromWriteFailed);
    /* The client vanishes holding channel A: the channel is free again. */
    close(sock);
    bool fFree = false;
    for (int i = 0; i < 200 && !fFree; i++) {
        std::vector<std::string> rgsz;
        simctl.FCmd("FTDI ft", &rgsz);
        for (auto &sz : rgsz)
            fFree = fFree || sz == "A.open 0";
        if (!fFree)
            usleep(10000);
    }
    EXPECT_TRUE(fFree);
    /* A frame claiming more than the limit closes that connection only. */
    sock = SockFtdi(simctl.Port());
    ASSERT_TRUE(FSendFrame(sock, fmsgList, {}, cbFtWireMax + 1));
    EXPECT_TRUE(RgbAnswer(sock).empty());
    close(sock);
    EXPECT_TRUE(simctl.FCmd("PING"));
    std::vector<std::string> rgsz;
    ASSERT_TRUE(simctl.FCmd("FTDI ft", &rgsz));
    EXPECT_NE(std::find(rgsz.begin(), rgsz.end(), "eeprom valid"), rgsz.end());
    EXPECT_NE(std::find(rgsz.begin(), rgsz.end(), "serial 210183F0AB01"), rgsz.end());
    EXPECT_FALSE(simctl.FCmd("FTDI nosuchboard"));
    EXPECT_FALSE(simctl.FCmd("EEPOKE ft 0x200 00"));
}

/* The status of a request answered by a status first; 0xFFFFFFFF when the
 * connection ended. */
uint32_t StsOf(int sock, uint8_t type, const std::vector<uint8_t> &rgbPayload, std::vector<uint8_t> *prgb = nullptr)
{
    if (!FSendFrame(sock, type, rgbPayload))
        return 0xFFFFFFFFu;
    std::vector<uint8_t> rgb = RgbAnswer(sock);
    if (prgb)
        *prgb = rgb;
    return rgb.size() >= 4 ? GetU32(rgb.data()) : 0xFFFFFFFFu;
}

// A connection whose process ended but which stays open (as some systems
// keep a killed process's connections for a while) gives its channel back
// when another host reports its owner ended; a record that matches no
// connection exactly, or that names nobody, closes nothing.
TEST(FtdiWire, ConnectionsOfAnEndedOwnerGiveTheirChannelBackWhenReported)
{
    SIMCTL simctl;
    std::string szErr;
    ASSERT_TRUE(simctl.FStart(szBoards, &szErr)) << szErr;
    const std::vector<uint8_t> rgbDead = { ownerwire::ownerPosix, 0x34, 0x12, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8 };
    const std::vector<uint8_t> rgbLive = { ownerwire::ownerPosix, 0x35, 0x12, 0, 0, 1, 2, 3, 4, 5, 6, 7, 9 };
    std::vector<uint8_t> rgbChanA = { openBySerial, 13, 0 };
    const char szName[] = "210183F0AB01A";
    rgbChanA.insert(rgbChanA.end(), szName, szName + 13);
    std::vector<uint8_t> rgbChanB = rgbChanA;
    rgbChanB.back() = 'B';
    const std::vector<uint8_t> rgbNoChan = { openBySerial, 3, 0, 'x', 'y', 'z' };

    int sockDead = SockFtdi(simctl.Port()), sockDeadB = SockFtdi(simctl.Port()), sockOther = SockFtdi(simctl.Port());
    ASSERT_GE(sockDead, 0);
    ASSERT_GE(sockDeadB, 0);
    ASSERT_GE(sockOther, 0);
    EXPECT_EQ(StsOf(sockDead, fmsgOwner, rgbDead), ftOk);
    EXPECT_EQ(StsOf(sockDeadB, fmsgOwner, rgbDead), ftOk);
    EXPECT_EQ(StsOf(sockOther, fmsgOwner, rgbLive), ftOk);
    EXPECT_EQ(StsOf(sockOther, fmsgOwner, { 1, 2 }), ftInvalidParameter);

    std::vector<uint8_t> rgb;
    EXPECT_EQ(StsOf(sockOther, fmsgHolder, rgbChanA, &rgb), ftOk);
    EXPECT_EQ(rgb, std::vector<uint8_t>(4 + cbOwner, 0)) << "nobody holds channel A";
    EXPECT_EQ(StsOf(sockOther, fmsgHolder, rgbNoChan), ftDeviceNotFound);
    EXPECT_EQ(StsOf(sockOther, fmsgHolder, { openBySerial, 9 }), ftInvalidParameter);

    ASSERT_EQ(StsOf(sockDead, fmsgOpen, rgbChanA), ftOk);
    ASSERT_EQ(StsOf(sockDeadB, fmsgOpen, rgbChanB), ftOk);
    ASSERT_EQ(StsOf(sockDead, fmsgBitMode, { 0x0B, 0x02 }), ftOk);
    EXPECT_EQ(StsOf(sockOther, fmsgOpen, rgbChanA), ftDeviceNotOpened);
    EXPECT_EQ(StsOf(sockOther, fmsgHolder, rgbChanA, &rgb), ftOk);
    EXPECT_EQ(std::vector<uint8_t>(rgb.begin() + 4, rgb.end()), rgbDead);

    for (const std::vector<uint8_t> &rgbRec :
         { std::vector<uint8_t>(cbOwner, 0), rgbLive, std::vector<uint8_t>(rgbDead.begin(), rgbDead.end() - 1) }) {
        EXPECT_EQ(StsOf(sockOther, fmsgOwnerEnded, rgbRec), rgbRec.size() == cbOwner ? ftOk : ftInvalidParameter);
        EXPECT_EQ(StsOf(sockOther, fmsgOpen, rgbChanA), ftDeviceNotOpened)
            << "still held after a record of size " << rgbRec.size();
    }
    // Its own record closes nothing of the requester.
    EXPECT_EQ(StsOf(sockDead, fmsgOwnerEnded, rgbDead), ftOk);
    EXPECT_EQ(StsOf(sockDead, fmsgPing, {}), ftOk);
    EXPECT_EQ(StsOf(sockOther, fmsgOpen, rgbChanA), ftDeviceNotOpened);

    // Reported by another: every connection of that owner goes, with both
    // its channels; the new holder finds channel A as a fresh open.
    EXPECT_EQ(StsOf(sockOther, fmsgOwnerEnded, rgbDead), ftOk);
    EXPECT_EQ(StsOf(sockOther, fmsgOpen, rgbChanA), ftOk);
    EXPECT_EQ(StsOf(sockOther, fmsgGetPins, {}, &rgb), ftOk);
    EXPECT_EQ(StsOf(sockDead, fmsgPing, {}), 0xFFFFFFFFu) << "the ended owner's connection is closed";
    EXPECT_EQ(StsOf(sockDeadB, fmsgPing, {}), 0xFFFFFFFFu) << "the ended owner's connection is closed";
    std::vector<std::string> rgsz;
    ASSERT_TRUE(simctl.FCmd("FTDI ft", &rgsz));
    EXPECT_NE(std::find(rgsz.begin(), rgsz.end(), "A.open 1"), rgsz.end());
    EXPECT_NE(std::find(rgsz.begin(), rgsz.end(), "B.open 0"), rgsz.end());
    close(sockDead);
    close(sockDeadB);
    close(sockOther);
    EXPECT_TRUE(simctl.FCmd("PING"));
}

} // namespace
