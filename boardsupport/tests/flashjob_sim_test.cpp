// The flash views' operations against simulated Corvale and Pentra boards,
// through the shipped client libraries and the JTAG library that loads the
// boards' test image, as the views run them: program from .bin, .bit and
// .mcs files, verify, write a data file at an address, read the flash back,
// erase, cancel and start again, and the failures. Each case checks what
// the board's flash holds afterwards (the simulator's memory saved to a
// file), the files written and the exact log lines.

#include <gtest/gtest.h>

#include <stdio.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "brisel.h"
#include "flashsimports.h"
#include "korsimenv.h"

KORSIM_ENVIRONMENT(KORSIM_CONFIG, "flashjob", true);

namespace {

class FlashJob : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(PkorsimEnv() != nullptr && PkorsimEnv()->fOk) << (PkorsimEnv() ? PkorsimEnv()->szErr : "");
        szDir = SzKorTestDir("flashjob");
        // The program starts the JTAG library once; each board's test image
        // runs once so that its flash exists before a test fills it.
        static bool fStarted = false;
        if (!fStarted) {
            uint32_t erc = 0;
            ASSERT_TRUE(BriselInit(&erc)) << erc;
            for (const BOARDCASE *pbc : {&bcCorvale, &bcPentra}) {
                SIMPORTS ports(*pbc);
                ASSERT_TRUE(ports.FConfigureFpga()) << pbc->szBoard;
            }
            fStarted = true;
        }
    }
    KSIMCTL &Sim() { return PkorsimEnv()->simctl; }
    void Cmd(const std::string &szCmd)
    {
        std::string szErr;
        ASSERT_TRUE(Sim().FCmd(szCmd, nullptr, &szErr)) << szCmd << ": " << szErr;
    }
    // A file name of this process as the simulator (a Linux process) sees
    // it: under wine the test folder is on the drive that maps the root.
    static std::string SzSimPath(std::string sz)
    {
        if (sz.size() > 2 && (sz[0] == 'Z' || sz[0] == 'z') && sz[1] == ':')
            sz.erase(0, 2);
        for (char &ch : sz)
            if (ch == '\\')
                ch = '/';
        return sz;
    }
    // The board's flash, or a range of it, as the simulator holds it.
    std::vector<uint8_t> Flash(const BOARDCASE &bc, uint32_t addr, uint32_t cb)
    {
        std::string szFile = szDir + "flash.sav";
        Cmd("MEMSAVE " + std::string(bc.szBoard) + " " + bc.szFlash + " " + SzSimPath(szFile) + " " +
            std::to_string(addr) + " " + std::to_string(cb));
        return RgbFile(szFile);
    }
    static std::vector<uint8_t> RgbFile(const std::string &szFile)
    {
        std::ifstream is(szFile, std::ios::binary);
        return std::vector<uint8_t>((std::istreambuf_iterator<char>(is)), std::istreambuf_iterator<char>());
    }
    std::string SzFile(const std::string &szName, const std::vector<uint8_t> &rgb)
    {
        std::string szPath = szDir + szName;
        std::ofstream os(szPath, std::ios::binary | std::ios::trunc);
        os.write(reinterpret_cast<const char *>(rgb.data()), std::streamsize(rgb.size()));
        return szPath;
    }
    // Runs the operation and logs its end as the view does.
    FLASHEND Run(const BOARDCASE &bc, const FLASHARGS &args, SIMPORTS &ports)
    {
        FLASHEND end = RunFlashJob(*bc.pprof, args, ports);
        LogFlashEnd(end, ports);
        EXPECT_EQ(ports.Hif(), 0u);   // the device is closed again on every path
        return end;
    }
    std::vector<std::string> Log(std::initializer_list<std::string> rgsz) { return rgsz; }
    uint8_t BFlash(const BOARDCASE &bc, uint32_t addr)
    {
        std::vector<uint8_t> rgb = Flash(bc, addr, 1);
        return rgb.empty() ? 0x99 : rgb[0];
    }

    std::string szDir;
};

std::vector<uint8_t> RgbRandom(size_t cb, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> rgb(cb);
    for (auto &b : rgb)
        b = uint8_t(rng());
    return rgb;
}

uint8_t BReversed(uint8_t b)
{
    uint8_t r = 0;
    for (int i = 0; i < 8; i++)
        if (b & (1 << i))
            r |= uint8_t(0x80 >> i);
    return r;
}

// A .bit file whose section "e" holds rgbData.
std::vector<uint8_t> RgbBitFile(const std::vector<uint8_t> &rgbData)
{
    std::vector<uint8_t> rgb = {0x00, 0x09, 0x0F, 0xF0, 0x0F, 0xF0, 0x0F, 0xF0, 0x0F, 0xF0, 0x00, 0x00, 0x01};
    auto field = [&](char chKey, const std::string &sz) {
        rgb.push_back(uint8_t(chKey));
        rgb.push_back(0);
        rgb.push_back(uint8_t(sz.size() + 1));
        rgb.insert(rgb.end(), sz.begin(), sz.end());
        rgb.push_back(0);
    };
    field('a', "flashtest.ncd");
    field('b', "3s500efg320");
    field('c', "2026/12/11");
    field('d', "03:30:00");
    rgb.push_back('e');
    for (int i = 3; i >= 0; i--)
        rgb.push_back(uint8_t(rgbData.size() >> (8 * i)));
    rgb.insert(rgb.end(), rgbData.begin(), rgbData.end());
    return rgb;
}

// Intel HEX lines for rgb at addr (16 bytes a record, a type-04 record
// first), with the end record.
std::vector<uint8_t> RgbMcsFile(uint32_t addr, const std::vector<uint8_t> &rgb)
{
    std::string sz;
    auto record = [&](uint8_t type, uint16_t off, const uint8_t *pb, size_t cb) {
        char szLine[64];
        unsigned sum = unsigned(cb) + (off >> 8) + (off & 0xFF) + type;
        snprintf(szLine, sizeof(szLine), ":%02X%04X%02X", unsigned(cb), off, type);
        sz += szLine;
        for (size_t i = 0; i < cb; i++) {
            snprintf(szLine, sizeof(szLine), "%02X", pb[i]);
            sz += szLine;
            sum += pb[i];
        }
        snprintf(szLine, sizeof(szLine), "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
        sz += szLine;
    };
    for (size_t ib = 0; ib < rgb.size(); ib += 16) {
        uint32_t a = addr + uint32_t(ib);
        if (ib == 0 || (a & 0xFFFF) == 0) {
            const uint8_t rgbBase[2] = {uint8_t(a >> 24), uint8_t(a >> 16)};
            record(4, 0, rgbBase, 2);
        }
        record(0, uint16_t(a), rgb.data() + ib, std::min<size_t>(16, rgb.size() - ib));
    }
    record(1, 0, nullptr, 0);
    return std::vector<uint8_t>(sz.begin(), sz.end());
}

TEST_F(FlashJob, ProgramEachFileKindThenVerify)
{
    std::vector<uint8_t> rgbData = RgbRandom(0x24680, 7);
    std::vector<uint8_t> rgbReversed(rgbData);
    for (uint8_t &b : rgbReversed)
        b = BReversed(b);
    struct { const BOARDCASE *pbc; const char *szName; std::vector<uint8_t> rgbFile; uint32_t addr;
             std::vector<uint8_t> rgbFlash; } rgcase[] = {
        {&bcCorvale, "image.bin", rgbData, 0, rgbData},
        {&bcCorvale, "image.bit", RgbBitFile(rgbData), 0, rgbReversed},   // bit order of the parallel flash
        {&bcCorvale, "image.mcs", RgbMcsFile(0x10000, rgbData), 0x10000, rgbData},
        {&bcPentra, "image.bin", rgbData, 0, rgbData},
        {&bcPentra, "image.bit", RgbBitFile(rgbData), 0, rgbData},       // unchanged on the SPI flash
        {&bcPentra, "image.mcs", RgbMcsFile(0x30000, rgbData), 0x30000, rgbData},
    };
    for (auto &c : rgcase) {
        SCOPED_TRACE(std::string(c.pbc->szBoard) + " " + c.szName);
        // The flash already holds a design: every bit of the old content differs.
        Cmd("MEMFILL " + std::string(c.pbc->szBoard) + " " + c.pbc->szFlash + " 0 0x100000 0x00");
        FLASHARGS args;
        args.op = opProgram;
        args.szProgramFile = SzFile(c.szName, c.rgbFile);
        args.fVerify = true;
        SIMPORTS ports(*c.pbc);
        FLASHEND end = Run(*c.pbc, args, ports);
        EXPECT_EQ(end.idsFinal, uint32_t(idsFlSuccess));
        EXPECT_EQ(ports.rgszLog, Log({"129", "133", "130" + args.szProgramFile, "142", "135"}));
        EXPECT_EQ(Flash(*c.pbc, c.addr, uint32_t(c.rgbFlash.size())), c.rgbFlash);
        // What the erase walk did not reach keeps its old content; what it
        // reached and the image left free reads erased.
        uint32_t addrEnd = c.addr + uint32_t(c.rgbFlash.size());
        uint32_t cbBlock = c.pbc->pprof->pfnCbBlock(addrEnd);
        uint32_t addrNext = (addrEnd / cbBlock + 1) * cbBlock;
        EXPECT_EQ(BFlash(*c.pbc, addrEnd), 0xFF);
        EXPECT_EQ(BFlash(*c.pbc, addrNext), 0x00);
    }
}

TEST_F(FlashJob, BpiDownX16McsLandsMirroredAtTheTop)
{
    // x16 .mcs data: the bytes of each pair exchanged; BPI DOWN: the image
    // ends at the top of the flash with its 16-bit words in reverse order.
    std::vector<uint8_t> rgbData = RgbRandom(0x10006, 13);
    const uint32_t cw = uint32_t(rgbData.size() / 2), addrTop = 0x2000000 - uint32_t(rgbData.size());
    std::vector<uint8_t> rgbWant(rgbData.size());
    for (uint32_t k = 0; k < cw; k++) {
        rgbWant[2 * k] = rgbData[2 * (cw - 1 - k) + 1];
        rgbWant[2 * k + 1] = rgbData[2 * (cw - 1 - k)];
    }
    Cmd("MEMFILL fl1 bpi 0x1FE0000 0x20000 0x00");
    FLASHARGS args;
    args.op = opProgram;
    args.szProgramFile = SzFile("down.mcs", RgbMcsFile(0, rgbData));
    args.fX16 = true;
    args.fBpiDown = true;
    args.fVerify = true;
    SIMPORTS ports(bcCorvale);
    EXPECT_EQ(Run(bcCorvale, args, ports).idsFinal, uint32_t(idsFlSuccess));
    EXPECT_EQ(Flash(bcCorvale, addrTop, uint32_t(rgbWant.size())), rgbWant);
    EXPECT_EQ(BFlash(bcCorvale, 0x1FEC000), 0xFF);   // the 16 KB block the image starts in
    EXPECT_EQ(BFlash(bcCorvale, 0x1FEBFFF), 0x00);   // the block below it
}

TEST_F(FlashJob, WriteAtAnOddAddressErasesEveryBlockItTouches)
{
    // Corvale: 0x2000 bytes at 0x3001 run from the 16 KB block at 0 into the
    // one at 0x4000; padded to words with 0xFF on both ends.
    Cmd("MEMFILL fl1 bpi 0 0x10000 0x00");
    std::vector<uint8_t> rgb = RgbRandom(0x2000, 11);
    FLASHARGS args;
    args.op = opWriteFile;
    args.szWriteFile = SzFile("data.bin", rgb);
    args.addrWrite = 0x3001;
    args.fVerify = true;
    SIMPORTS ports(bcCorvale);
    EXPECT_EQ(Run(bcCorvale, args, ports).idsFinal, uint32_t(idsFlDone));
    EXPECT_EQ(ports.rgszLog, Log({"129", "133", "146" + args.szWriteFile, "142", "137"}));
    EXPECT_EQ(Flash(bcCorvale, 0x3001, 0x2000), rgb);
    std::vector<uint8_t> rgbAround = Flash(bcCorvale, 0x3000, 1);
    rgbAround.push_back(BFlash(bcCorvale, 0x5001));
    rgbAround.push_back(BFlash(bcCorvale, 0x7FFF));
    rgbAround.push_back(BFlash(bcCorvale, 0x8000));
    EXPECT_EQ(rgbAround, (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0x00}));

    // Pentra: no pads, the 64 KB blocks at 0xF0000 and 0x100000.
    Cmd("MEMFILL fl2 spi 0xE0000 0x40000 0x00");
    args.addrWrite = 0xFF001;
    SIMPORTS ports2(bcPentra);
    EXPECT_EQ(Run(bcPentra, args, ports2).idsFinal, uint32_t(idsFlDone));
    EXPECT_EQ(ports2.rgszLog, Log({"129", "133", "130" + args.szWriteFile, "142", "137"}));
    EXPECT_EQ(Flash(bcPentra, 0xFF001, 0x2000), rgb);
    EXPECT_EQ(BFlash(bcPentra, 0xF0000), 0xFF);
    EXPECT_EQ(BFlash(bcPentra, 0x110000), 0x00);
    EXPECT_EQ(BFlash(bcPentra, 0xEFFFF), 0x00);
}

TEST_F(FlashJob, ReadBackGivesTheWholeFlash)
{
    for (const BOARDCASE *pbc : {&bcCorvale, &bcPentra}) {
        SCOPED_TRACE(pbc->szBoard);
        std::vector<uint8_t> rgb = RgbRandom(0x1000, 3);
        std::string szB = pbc->szBoard, szF = pbc->szFlash;
        Cmd("MEMFILL " + szB + " " + szF + " 0 " + std::to_string(pbc->cbFlash) + " 0x5A");
        Cmd("MEMLOAD " + szB + " " + szF + " " + SzSimPath(SzFile("at.bin", rgb)) + " " +
            std::to_string(pbc->cbFlash - 0x1000));
        FLASHARGS args;
        args.op = opReadBack;
        args.szReadFile = szDir + "readback.bin";
        remove(args.szReadFile.c_str());
        SIMPORTS ports(*pbc);
        EXPECT_EQ(Run(*pbc, args, ports).idsFinal, uint32_t(idsFlDone));
        EXPECT_EQ(ports.rgszLog, Log({"129", "145", "137"}));
        EXPECT_EQ(RgbFile(args.szReadFile), Flash(*pbc, 0, pbc->cbFlash));
    }
}

TEST_F(FlashJob, EraseLeavesTheFlashBlank)
{
    for (const BOARDCASE *pbc : {&bcCorvale, &bcPentra}) {
        SCOPED_TRACE(pbc->szBoard);
        Cmd("MEMFILL " + std::string(pbc->szBoard) + " " + pbc->szFlash + " 0x100 0x1000 0x00");
        FLASHARGS args;
        args.op = opErase;
        SIMPORTS ports(*pbc);
        EXPECT_EQ(Run(*pbc, args, ports).idsFinal, uint32_t(idsFlDone));
        EXPECT_EQ(ports.rgszLog, Log({"129", "133", "137"}));
        EXPECT_EQ(Flash(*pbc, 0, 0x2000), std::vector<uint8_t>(0x2000, 0xFF));
    }
}

TEST_F(FlashJob, CancelMidWayThenStartAgain)
{
    // Pentra moves 128 KB pieces: cancelled while the second of four goes.
    Cmd("MEMFILL fl2 spi 0 0x80000 0x00");
    std::vector<uint8_t> rgb = RgbRandom(0x80000, 5);
    FLASHARGS args;
    args.op = opProgram;
    args.szProgramFile = SzFile("big.bin", rgb);
    args.fVerify = true;
    SIMPORTS ports(bcPentra);
    ports.cpieceCancel = 1;
    EXPECT_EQ(Run(bcPentra, args, ports).idsFinal, uint32_t(idsFlCancelled));
    EXPECT_EQ(ports.rgszLog, Log({"129", "133", "130" + args.szProgramFile, "138"}));
    EXPECT_EQ(Flash(bcPentra, 0, 0x40000), std::vector<uint8_t>(rgb.begin(), rgb.begin() + 0x40000));
    EXPECT_EQ(Flash(bcPentra, 0x40000, 0x40000), std::vector<uint8_t>(0x40000, 0xFF));
    EXPECT_EQ(Sim().SzState("fl2", "configreset"), "0");

    SIMPORTS ports2(bcPentra);
    EXPECT_EQ(Run(bcPentra, args, ports2).idsFinal, uint32_t(idsFlSuccess));
    EXPECT_EQ(Flash(bcPentra, 0, 0x80000), rgb);

    // A read-back cancelled between pieces leaves no part of a file.
    args = FLASHARGS();
    args.op = opReadBack;
    args.szReadFile = szDir + "cancelled.bin";
    remove(args.szReadFile.c_str());
    SIMPORTS ports3(bcCorvale);
    ports3.cpieceCancel = 2;
    EXPECT_EQ(Run(bcCorvale, args, ports3).idsFinal, uint32_t(idsFlCancelled));
    EXPECT_EQ(ports3.rgszLog, Log({"129", "145", "138"}));
    EXPECT_EQ(fopen(args.szReadFile.c_str(), "rb"), nullptr);
    EXPECT_EQ(fopen((args.szReadFile + ".tmp~").c_str(), "rb"), nullptr);
}

TEST_F(FlashJob, FailuresEndWithTheirTextAndLeaveTheFlashAlone)
{
    std::vector<uint8_t> rgb = RgbRandom(0x100, 9);
    std::string szData = SzFile("small.bin", rgb);
    std::string szMcs = ":020000040000FA\r\n:0400000011223344C2\r\n\r\n:00000001FF\r\n";
    std::string szBadMcs = SzFile("blank.mcs", std::vector<uint8_t>(szMcs.begin(), szMcs.end()));
    struct { const char *szWhat; const BOARDCASE *pbc; FLASHOP op; std::string szFile; uint32_t addr;
             const char *szOpt; std::vector<std::string> rglog; } rgcase[] = {
        {"a data file past the end of the flash", &bcPentra, opWriteFile, szData, 0xFFFF80, nullptr,
         {"131" + szData, "136"}},
 {"a .mcs file with a blank line before its end", &bcCorvale, opProgram, szBadMcs, 0, nullptr,
         {"131" + szBadMcs, "136"}},
        {"a programming file that cannot be read", &bcCorvale, opProgram, szDir + "none.bin", 0, nullptr,
         {"131" + szDir + "none.bin", "136"}},
        {"status 4 after the program command", &bcCorvale, opWriteFile, szData, 0x40000, "fault.status.0c 4",
         {"129", "133", "146" + szData, "134", "136"}},
        {"a block that will not erase", &bcPentra, opWriteFile, szData, 0x40000, "fault.result.43 1",
         {"129", "133", "134", "136"}},
        {"a design that never answers", &bcCorvale, opErase, "", 0, "fault.stuck.01 1", {"129", "132", "136"}},
        {"a byte that does not program", &bcPentra, opWriteFile, szData, 0x40000, "fault.flip 0x40010",
         {"129", "133", "130" + szData, "142", "134", "136"}},
    };
    for (auto &c : rgcase) {
        SCOPED_TRACE(c.szWhat);
        std::string szB = c.pbc->szBoard;
        Cmd("MEMFILL " + szB + " " + c.pbc->szFlash + " 0x40000 0x100 0x00");
        if (c.szOpt != nullptr)
            Cmd("DOPT " + szB + " " + c.szOpt);
        FLASHARGS args;
        args.op = c.op;
        args.szProgramFile = args.szWriteFile = c.szFile;
        args.addrWrite = c.addr;
        args.fVerify = true;
        SIMPORTS ports(*c.pbc);
        EXPECT_EQ(Run(*c.pbc, args, ports).idsFinal, uint32_t(idsFlConfigFailed));
        EXPECT_EQ(ports.rgszLog, c.rglog);
        if (c.szOpt != nullptr)
            Cmd("DOPT " + szB + " " + std::string(c.szOpt).substr(0, std::string(c.szOpt).find(' ')) + " -");
        if (c.szOpt == nullptr) {   // refused before the device was opened
            EXPECT_EQ(Flash(*c.pbc, 0x40000, 0x100), std::vector<uint8_t>(0x100, 0x00));
        }
    }
    EXPECT_EQ(Flash(bcPentra, 0xFFFF80, 0x80), std::vector<uint8_t>(0x80, 0xFF));
}

} // namespace
