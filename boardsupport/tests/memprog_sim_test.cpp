// The Miravo3 memory programming engine against a simulated board, through
// the platform's device libraries and the FPGA configuration of the scan-chain
// library (as the desktop program's callback does): the memories the
// simulator ends with, the files written, and the exact log lines.

#include <stdio.h>
#include <string.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <regex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "brisel.h"
#include "korsimenv.h"
#include "memport.h"
#include "memprog.h"
#include "mosk.h"
#include "kelm.h"

KORSIM_ENVIRONMENT(KORSIM_CONFIG, "memprog", true);

namespace {


// The plug-in's own texts.
std::string SzPluginString(int ids)
{
    struct BSSTRDEF {
        int ids;
        const char *sz;
    };
#define BSSTR(id, text) {id, text},
    static const BSSTRDEF rgstr[] = {
#include "strings.inc"
    };
#undef BSSTR
    for (const BSSTRDEF &str : rgstr)
        if (str.ids == ids)
            return str.sz;
    return std::string();
}

class BRISELENV : public ::testing::Environment {
public:
    void SetUp() override
    {
        uint32_t erc = 0;
        fOk = BriselInit(&erc) != 0;
    }
    void TearDown() override
    {
        uint32_t erc = 0;
        BriselTerm(&erc);
    }
    bool fOk = false;
};
BRISELENV *const g_pbrisel = static_cast<BRISELENV *>(::testing::AddGlobalTestEnvironment(new BRISELENV));

std::vector<uint8_t> RgbFile(const std::string &szPath)
{
    std::ifstream f(szPath, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string &szPath, const std::vector<uint8_t> &rgb)
{
    std::ofstream f(szPath, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char *>(rgb.data()), std::streamsize(rgb.size()));
}

std::vector<uint8_t> RgbPattern(size_t cb, unsigned seed)
{
    std::vector<uint8_t> rgb(cb);
    uint32_t u = seed * 2654435761u + 1;
    for (auto &b : rgb) {
        u ^= u << 13;
        u ^= u >> 17;
        u ^= u << 5;
        b = uint8_t(u);
    }
    return rgb;
}

bool FFileExists(const std::string &szPath)
{
    FILE *pf = fopen(szPath.c_str(), "rb");
    if (pf)
        fclose(pf);
    return pf != nullptr;
}

class MemProg : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(PkorsimEnv() && PkorsimEnv()->fOk) << (PkorsimEnv() ? PkorsimEnv()->szErr : "");
        ASSERT_TRUE(g_pbrisel->fOk);
        szDir = SzKorTestDir("memprog");
        host.szConn = szConn;
        host.fnLog = [this](const std::string &sz) {
            std::lock_guard<std::mutex> lock(mtx);
            rgszLog.push_back(sz);
            if (fnOnLog)
                fnOnLog(sz);
        };
        host.fnConfigure = [this]() {
            cconfigure++;
            if (fConfigureFails)
                return false;
            uint32_t erc = 0;
            return BriselInitScanChain(szConn.c_str(), nullptr, &erc) &&
                   BriselSetConfigFile(SzDesign().c_str(), 0, 0, &erc) && BriselProgramDvc(szConn.c_str(), 0, nullptr, &erc);
        };
        host.fnString = SzPluginString;
        for (const char *szOpt : { "miravo3.readflip", "miravo3.failcmd", "miravo3.stuck" })
            Cmd(std::string("DOPT ") + szBoard + " " + szOpt + " -");
    }

    std::string SzDesign()
    {
        return std::string(KOR_BSDIR) + "/00D - Miravo3 - 1.bit";
    }
    std::vector<std::string> Cmd(const std::string &szCmd)
    {
        std::vector<std::string> rgsz;
        std::string szErr;
        EXPECT_TRUE(PkorsimEnv()->simctl.FCmd(szCmd, &rgsz, &szErr)) << szCmd << ": " << szErr;
        return rgsz;
    }
    // The FPGA stops running a design (as after the board's configuration reset).
    void Unconfigure()
    {
        HIF hif = 0;
        ASSERT_TRUE(KelmOpen(&hif, szConn.c_str()));
        EXPECT_TRUE(MoskConfigReset(hif, 1));
        EXPECT_TRUE(MoskConfigReset(hif, 0));
        KelmClose(hif);
    }
    std::vector<uint8_t> Mem(const std::string &szMem, uint32_t addr, uint32_t cb)
    {
        std::string szFile = szDir + "memsave.bin";
        Cmd("MEMSAVE " + std::string(szBoard) + " " + szMem + " " + szFile + " " + std::to_string(addr) + " " +
            std::to_string(cb));
        return RgbFile(szFile);
    }
    void LoadMem(const std::string &szMem, uint32_t addr, const std::vector<uint8_t> &rgb)
    {
        std::string szFile = szDir + "memload.bin";
        WriteFile(szFile, rgb);
        Cmd("MEMLOAD " + std::string(szBoard) + " " + szMem + " " + szFile + " " + std::to_string(addr));
    }
    MEMRESULT Run(const MEMJOB &job)
    {
        {
            std::lock_guard<std::mutex> lock(mtx);
            rgszLog.clear();
        }
        MEMDEVPORT port(host, fCancel);
        MEMRESULT result = RunMemJob(port, job);
        EXPECT_EQ(port.Hif(), 0u);   // the device is closed on every path
        std::lock_guard<std::mutex> lock(mtx);
        for (auto &sz : result.rgszFinal)
            rgszLog.push_back(sz);
        return result;
    }
    std::vector<std::string> Log()
    {
        std::lock_guard<std::mutex> lock(mtx);
        return rgszLog;
    }
    std::string SzLog()
    {
        std::string sz;
        for (auto &szLine : Log())
            sz += szLine + "\n";
        return sz;
    }
    // The run's log without the time of the final line.
    std::vector<std::string> LogNoTime()
    {
        std::vector<std::string> rgsz = Log();
        if (!rgsz.empty())
            rgsz.back() = std::regex_replace(rgsz.back(), std::regex(" \\([0-9]+ (ms|sec)\\)$"), "");
        return rgsz;
    }
    // A design already running, so a run starts with the probe's text.
    void EnsureDesign()
    {
        MEMJOB job;
        job.op = opReadBack;
        job.tgt = tgtRam;
        job.cbRead = 0;
        job.szReadFile = szDir + "warmup.bin";
        ASSERT_TRUE(Run(job).fOk) << SzLog();
    }

    std::string szBoard = "mp1";
    std::string szConn = "SN:210183000D31";
    MEMHOST host;
    std::atomic<bool> fCancel{ false };
    std::mutex mtx;
    std::vector<std::string> rgszLog;
    std::function<void(const std::string &)> fnOnLog;
    std::string szDir;
    std::atomic<int> cconfigure{ 0 };
    bool fConfigureFails = false;
};

TEST_F(MemProg, ReadLoadsTheDesignOnceThenFindsIt)
{
    Unconfigure();
    MEMJOB job;
    job.op = opReadBack;
    job.tgt = tgtRam;
    job.addrRead = 0x123456;
    job.cbRead = 0x10001;
    job.szReadFile = szDir + "read1.bin";
    MEMRESULT result = Run(job);
    ASSERT_TRUE(result.fOk) << SzLog();
    EXPECT_EQ(LogNoTime(), (std::vector<std::string>{
                               "Configuring FPGA with memory manager...",
                               "Reading memory content to file: \"" + job.szReadFile + "\" (65537 Bytes)",
                               "done" }));
    EXPECT_EQ(cconfigure.load(), 1);
    EXPECT_EQ(RgbFile(job.szReadFile), Mem("ram", 0x123456, 0x10001));
    EXPECT_FALSE(FFileExists(job.szReadFile + ".tmp~"));
    std::vector<uint8_t> rgb = RgbPattern(0x10001, 1);
    LoadMem("ram", 0x123456, rgb);

    // The second run finds the design and reads in pieces of 64 KB plus one byte.
    Cmd(std::string("DLOGCLEAR ") + szBoard);
    result = Run(job);
    ASSERT_TRUE(result.fOk) << SzLog();
    EXPECT_EQ(Log().at(0), "FPGA is configured with memory manager...");
    EXPECT_EQ(cconfigure.load(), 1);
    EXPECT_EQ(RgbFile(job.szReadFile), rgb);
    std::vector<std::string> rgszDlog = Cmd(std::string("DLOG ") + szBoard);
    ASSERT_FALSE(rgszDlog.empty());
    EXPECT_EQ(rgszDlog.back(), "cmd 0x34 addr 0x00123456 len 0x00010001");

    // An empty read gives an empty file.
    job.cbRead = 0;
    ASSERT_TRUE(Run(job).fOk) << SzLog();
    EXPECT_TRUE(FFileExists(job.szReadFile));
    EXPECT_TRUE(RgbFile(job.szReadFile).empty());
}

TEST_F(MemProg, WriteEveryTouchedSpiBlockIsErasedAndVerified)
{
    EnsureDesign();
    // Old contents in both blocks the range touches, and in the next one.
    Cmd(std::string("MEMFILL ") + szBoard + " spi 0x10000 0x30000 0x00");
    std::vector<uint8_t> rgb = RgbPattern(0x30, 2);
    std::string szFile = szDir + "data.bin";
    WriteFile(szFile, rgb);
    MEMJOB job;
    job.op = opWriteFile;
    job.tgt = tgtSpi;
    job.fVerify = true;
    job.szWriteFile = szFile;
    job.addrWrite = 0x1FFF0;
    ASSERT_TRUE(Run(job).fOk) << SzLog();
    EXPECT_EQ(LogNoTime(), (std::vector<std::string>{
                               "FPGA is configured with memory manager...", "Erasing memory...",
                               "Configuring memory with:  \"" + szFile + "\" (48 Bytes)",
                               "Verifying memory configuration...", "done" }));
    std::vector<uint8_t> rgbExpect(0x30000, 0xFF);
    std::copy(rgb.begin(), rgb.end(), rgbExpect.begin() + 0xFFF0);
    std::fill(rgbExpect.begin() + 0x20000, rgbExpect.end(), 0x00);   // untouched block
    EXPECT_TRUE(Mem("spi", 0x10000, 0x30000) == rgbExpect);
}

class MemProgBigSpi : public MemProg {
protected:
    MemProgBigSpi()
    {
        szBoard = "mp2";
        szConn = "SN:210183000D32";
    }
};

TEST_F(MemProgBigSpi, ErasesIn128KBlocks)
{
    EnsureDesign();
    Cmd(std::string("DLOGCLEAR ") + szBoard);
    std::string szFile = szDir + "big.bin";
    WriteFile(szFile, RgbPattern(0x30000, 3));
    MEMJOB job;
    job.op = opProgram;
    job.tgt = tgtSpi;
    job.szProgramFile = szFile;
    ASSERT_TRUE(Run(job).fOk) << SzLog();
    EXPECT_EQ(Log().back().rfind("Memory configuration successful.", 0), 0u) << SzLog();
    std::vector<std::string> rgszQuery;
    for (auto &sz : Cmd(std::string("DLOG ") + szBoard))
        if (sz.rfind("cmd 0x23 ", 0) == 0)
            rgszQuery.push_back(sz.substr(9, 15));
    EXPECT_EQ(rgszQuery, (std::vector<std::string>{ "addr 0x00000000", "addr 0x00020000" }));
    EXPECT_TRUE(Mem("spi", 0, 0x30000) == RgbFile(szFile));
}

// A .bit file for the parallel flash: its data bit-reversed, then each pair
// of bytes exchanged; an Intel HEX file at its own addresses, unchanged.
TEST_F(MemProg, ProgramBpiFromBitAndMcs)
{
    EnsureDesign();
    std::vector<uint8_t> rgbData = { 0x01, 0x80, 0x0F, 0xAA, 0x12, 0x34 };
    std::vector<uint8_t> rgbBit = { 0x00, 0x09, 0x0F, 0xF0, 0x0F, 0xF0, 0x0F, 0xF0, 0x0F, 0xF0, 0x00, 0x00, 0x01 };
    auto section = [&](char key, const std::string &sz) {
        rgbBit.push_back(uint8_t(key));
        rgbBit.push_back(0);
        rgbBit.push_back(uint8_t(sz.size() + 1));
        rgbBit.insert(rgbBit.end(), sz.begin(), sz.end());
        rgbBit.push_back(0);
    };
    section('a', "memtest;UserID=0xFFFFFFFF");
    section('b', "3s500efg320");
    section('c', "2026/12/11");
    section('d', "03:30:00");
    rgbBit.insert(rgbBit.end(), { 'e', 0, 0, 0, uint8_t(rgbData.size()) });
    rgbBit.insert(rgbBit.end(), rgbData.begin(), rgbData.end());
    std::string szBit = szDir + "image.bit";
    WriteFile(szBit, rgbBit);
    Cmd(std::string("MEMFILL ") + szBoard + " bpi 0 0x10 0x00");
    MEMJOB job;
    job.op = opProgram;
    job.tgt = tgtBpi;
    job.fVerify = true;
    job.szProgramFile = szBit;
    ASSERT_TRUE(Run(job).fOk) << SzLog();
    EXPECT_EQ(Mem("bpi", 0, 8), (std::vector<uint8_t>{ 0x01, 0x80, 0x55, 0xF0, 0x2C, 0x48, 0xFF, 0xFF }));

    std::string szMcs = szDir + "image.mcs";
    {
        std::ofstream f(szMcs);
        f << ":020000040002F8\n:04800000DEADBEEF44\n:00000001FF\n";
    }
    job.szProgramFile = szMcs;
    ASSERT_TRUE(Run(job).fOk) << SzLog();
    EXPECT_EQ(Mem("bpi", 0x28000, 4), (std::vector<uint8_t>{ 0xDE, 0xAD, 0xBE, 0xEF }));
    EXPECT_EQ(Mem("bpi", 0, 2), (std::vector<uint8_t>{ 0x01, 0x80 }));   // outside the image: kept
}

TEST_F(MemProg, EraseSpiLeavesTheWholeChipBlank)
{
    EnsureDesign();
    Cmd(std::string("MEMFILL ") + szBoard + " spi 0x0 0x10 0x00");
    Cmd(std::string("MEMFILL ") + szBoard + " spi 0xFFFFF0 0x10 0x12");
    MEMJOB job;
    job.op = opErase;
    job.tgt = tgtSpi;
    ASSERT_TRUE(Run(job).fOk) << SzLog();
    EXPECT_EQ(Mem("spi", 0, 0x10), std::vector<uint8_t>(0x10, 0xFF));
    EXPECT_EQ(Mem("spi", 0xFFFFF0, 0x10), std::vector<uint8_t>(0x10, 0xFF));
    EXPECT_EQ(LogNoTime().at(1), "Erasing memory...");
    EXPECT_EQ(LogNoTime().back(), "done");
}

// The full memory test over the RAM: the rows of the first seven
// differences, "..." after them, and the total.
TEST_F(MemProg, FullTestReportsDifferences)
{
    EnsureDesign();
    struct CASE {
        const char *szFlip;
        std::vector<uint32_t> rgaddr;
        const char *szTotal;
    } rgcase[] = {
        { "", {}, nullptr },
        { "5,9,10", { 5, 9, 10 }, "Total errors: 3 / 16777216 (0.00%)" },
        { "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20", { 1, 2, 3, 4, 5, 6, 7 },
          "Total errors: 20 / 16777216 (0.00%)" },
    };
    for (const CASE &c : rgcase) {
        Cmd(std::string("DOPT ") + szBoard + " miravo3.readflip " + (*c.szFlip ? c.szFlip : "-"));
        Unconfigure();   // the design reads its options when it starts
        MEMJOB job;
        job.op = opFullTest;
        job.tgt = tgtRam;
        MEMRESULT result = Run(job);
        ASSERT_TRUE(result.fOk) << SzLog();
        std::vector<uint8_t> rgbRam = Mem("ram", 0, 32);
        std::vector<std::string> rgszExpect = { "Configuring FPGA with memory manager...",
                                                "Programming memory with random test data... (16777216 Bytes)",
                                                "Verifying memory configuration..." };
        if (c.szTotal) {
            rgszExpect.push_back("Address\tWritten\tRead");
            for (uint32_t addr : c.rgaddr) {
                char sz[64];
                snprintf(sz, sizeof(sz), "0x%04X\t0x%02X\t0x%02X", addr, rgbRam[addr], rgbRam[addr] ^ 1);
                rgszExpect.push_back(sz);
            }
            if (c.rgaddr.size() == 7)
                rgszExpect.push_back("...");
            rgszExpect.push_back(c.szTotal);
        }
        rgszExpect.push_back("done");
        EXPECT_EQ(LogNoTime(), rgszExpect) << c.szFlip;
        EXPECT_NE(Log().back(), "done");   // 16 MB take more than 20 ms
    }
}

TEST_F(MemProg, FailuresEndWithTheirText)
{
    EnsureDesign();
    std::string szEmpty = szDir + "empty.bin";
    WriteFile(szEmpty, {});
    std::string szSmall = szDir + "small.bin";
    WriteFile(szSmall, RgbPattern(0x100, 4));
    std::string szMissing = szDir + "missing.bin";
    remove(szMissing.c_str());

    struct CASE {
        const char *szName;
        int op, tgt;
        std::string szFile;
        int32_t addrWrite;
        const char *szOpt;   // a design option for this case
        std::vector<std::string> rgszTail;   // the last lines of the log
    } rgcase[] = {
        { "empty", opWriteFile, tgtRam, szEmpty, 0, nullptr,
          { "Nothing to write. File is empty.", "Memory configuration failed." } },
        { "missing", opProgram, tgtSpi, szMissing, 0, nullptr,
          { "Error accessing file:  \"" + szMissing + "\"", "Memory configuration failed." } },
        { "past the end", opWriteFile, tgtRam, szSmall, 0xFFFF80, nullptr,
          { "Error accessing file:  \"" + szSmall + "\"", "Memory configuration failed." } },
        { "mismatch", opWriteFile, tgtBpi, szSmall, 0x40000, "miravo3.readflip 0x40010",
          { "Verifying memory configuration...", "data mismatch", "Memory configuration failed." } },
        { "erase fails", opWriteFile, tgtSpi, szSmall, 0, "miravo3.failcmd 0x23",
          { "Erasing memory...", "failed", "Memory configuration failed." } },
    };
    for (const CASE &c : rgcase) {
        if (c.szOpt) {
            Cmd(std::string("DOPT ") + szBoard + " " + c.szOpt);
            Unconfigure();
        }
        MEMJOB job;
        job.op = c.op;
        job.tgt = c.tgt;
        job.fVerify = true;
        job.szProgramFile = job.szWriteFile = c.szFile;
        job.addrWrite = c.addrWrite;
        MEMRESULT result = Run(job);
        EXPECT_FALSE(result.fOk) << c.szName;
        std::vector<std::string> rgsz = Log();
        ASSERT_GE(rgsz.size(), c.rgszTail.size()) << c.szName;
        EXPECT_EQ(std::vector<std::string>(rgsz.end() - c.rgszTail.size(), rgsz.end()), c.rgszTail)
            << c.szName << "\n" << SzLog();
        if (c.szOpt) {
            Cmd(std::string("DOPT ") + szBoard + " " + std::string(c.szOpt).substr(0, strcspn(c.szOpt, " ")) + " -");
            Unconfigure();
        }
    }
    // Nothing of the refused image reached the RAM's end.
    std::vector<uint8_t> rgbSmall = RgbPattern(0x100, 4);
    rgbSmall.resize(0x80);
    EXPECT_NE(Mem("ram", 0xFFFF80, 0x80), rgbSmall);
}

TEST_F(MemProg, DesignThatCannotBeLoaded)
{
    Unconfigure();
    fConfigureFails = true;
    MEMJOB job;
    job.op = opErase;
    job.tgt = tgtBpi;
    EXPECT_FALSE(Run(job).fOk);
    EXPECT_EQ(Log(), (std::vector<std::string>{ "Configuring FPGA with memory manager...",
                                                 "Failed to program FPGA with test image.",
                                                 "Memory configuration failed." }));
}

TEST_F(MemProg, DesignThatDoesNotAnswer)
{
    Cmd(std::string("DOPT ") + szBoard + " miravo3.stuck 1");
    Unconfigure();
    MEMJOB job;
    job.op = opReadBack;
    job.tgt = tgtRam;
    job.szReadFile = szDir + "never.bin";
    remove(job.szReadFile.c_str());
    EXPECT_FALSE(Run(job).fOk);
    EXPECT_EQ(Log(), (std::vector<std::string>{ "Configuring FPGA with memory manager...",
                                                 "Communication with the FPGA failed.",
                                                 "Memory configuration failed." }));
    EXPECT_FALSE(FFileExists(job.szReadFile));
    Cmd(std::string("DOPT ") + szBoard + " miravo3.stuck -");
    Unconfigure();
}

// A cancel in the middle of a transfer ends the run with the cancel text
// only; a read-back cancelled part-way leaves no file; the next run works.
TEST_F(MemProg, CancelThenStartAgain)
{
    EnsureDesign();
    std::string szFile = szDir + "whole.bin";
    WriteFile(szFile, RgbPattern(0x800000, 5));
    MEMJOB job;
    job.op = opWriteFile;
    job.tgt = tgtRam;
    job.szWriteFile = szFile;
    fnOnLog = [this](const std::string &sz) {
        if (sz.rfind("Configuring memory with:", 0) == 0)
            fCancel = true;
    };
    EXPECT_FALSE(Run(job).fOk);
    EXPECT_EQ(Log().back(), "Memory configuration cancelled.");
    EXPECT_EQ(Log().size(), 3u) << SzLog();

    MEMJOB jobRead;
    jobRead.op = opReadBack;
    jobRead.tgt = tgtRam;
    jobRead.cbRead = 0x800000;
    jobRead.szReadFile = szDir + "cancelled.bin";
    remove(jobRead.szReadFile.c_str());
    fnOnLog = [this](const std::string &sz) {
        if (sz.rfind("Reading memory", 0) == 0)
            fCancel = true;
    };
    fCancel = false;
    EXPECT_FALSE(Run(jobRead).fOk);
    EXPECT_EQ(Log().back(), "Memory configuration cancelled.");
    EXPECT_FALSE(FFileExists(jobRead.szReadFile));
    EXPECT_FALSE(FFileExists(jobRead.szReadFile + ".tmp~"));

    fnOnLog = nullptr;
    fCancel = false;
    ASSERT_TRUE(Run(job).fOk) << SzLog();
    EXPECT_TRUE(Mem("ram", 0, 0x800000) == RgbFile(szFile));
}

TEST(MemProgText, ElapsedTime)
{
    struct { uint32_t ms; const char *sz; } rgcase[] = {
        { 0, "" }, { 20, "" }, { 21, " (21 ms)" }, { 999, " (999 ms)" }, { 1000, " (1 sec)" }, { 1500, " (1 sec)" },
        { 61999, " (61 sec)" },
    };
    for (auto &c : rgcase)
        EXPECT_EQ(SzElapsed(c.ms), c.sz) << c.ms;
}

TEST(MemProgText, TestDataIsBitsSevenToFourteen)
{
    std::vector<uint8_t> rgb = RgbMemTestData(1, 3);
    // 15-bit values 41, 18467, 6334 of the generator seeded with 1.
    EXPECT_EQ(rgb, (std::vector<uint8_t>{ uint8_t(41 >> 7), uint8_t(18467 >> 7), uint8_t(6334 >> 7) }));
    EXPECT_NE(RgbMemTestData(1, 64), RgbMemTestData(2, 64));
}

} // namespace
