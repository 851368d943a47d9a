// How the File I/O page stores a download: append, replace, overwrite from a
// start location, a missing file, and a file that cannot be written.

#include <gtest/gtest.h>

#include <stdio.h>
#include <string>
#include <vector>

#include "filesave.h"

namespace {

class FileSave : public ::testing::Test {
protected:
    std::string szPath;
    void SetUp() override
    {
        szPath = ::testing::TempDir() + "filesave_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".bin";
        remove(szPath.c_str());
    }
    void TearDown() override
    {
        remove(szPath.c_str());
        remove((szPath + ".tmp~").c_str());
    }
    void Write(const std::vector<uint8_t> &rgb)
    {
        FILE *pf = fopen(szPath.c_str(), "wb");
        ASSERT_NE(pf, nullptr);
        fwrite(rgb.data(), 1, rgb.size(), pf);
        fclose(pf);
    }
    std::vector<uint8_t> Read()
    {
        std::vector<uint8_t> rgb;
        FILE *pf = fopen(szPath.c_str(), "rb");
        if (pf == nullptr)
            return rgb;
        int ch;
        while ((ch = fgetc(pf)) != EOF)
            rgb.push_back(static_cast<uint8_t>(ch));
        fclose(pf);
        return rgb;
    }
};

std::vector<uint8_t> RgbFill(size_t cb, uint8_t b)
{
    return std::vector<uint8_t>(cb, b);
}

TEST_F(FileSave, AppendReplaceOverwrite)
{
    std::vector<uint8_t> rgbNew = {7, 8, 9};
    Write({1, 2, 3, 4, 5});
    EXPECT_EQ(ErcSaveDownload(szPath.c_str(), modeSaveAppend, 2, rgbNew.data(), 3), ercSaveOk);
    EXPECT_EQ(Read(), (std::vector<uint8_t>{1, 2, 3, 4, 5, 7, 8, 9})) << "append ignores the start location";
    EXPECT_EQ(ErcSaveDownload(szPath.c_str(), modeSaveOverwrite, 1, rgbNew.data(), 3), ercSaveOk);
    EXPECT_EQ(Read(), (std::vector<uint8_t>{1, 7, 8, 9, 5, 7, 8, 9})) << "overwrite keeps what it does not cover";
    EXPECT_EQ(ErcSaveDownload(szPath.c_str(), modeSaveReplace, 4, rgbNew.data(), 3), ercSaveOk);
    EXPECT_EQ(Read(), rgbNew);
    EXPECT_EQ(ErcSaveDownload(szPath.c_str(), modeSaveReplace, 0, nullptr, 0), ercSaveOk);
    EXPECT_TRUE(Read().empty()) << "a download of no bytes empties the file";
}

// 20000 bytes from 0x10 into a file of 100: the file grows to 16 + 20000.
TEST_F(FileSave, OverwriteExtendsTheFile)
{
    Write(RgbFill(100, 0xEE));
    std::vector<uint8_t> rgbNew = RgbFill(20000, 0x5A);
    EXPECT_EQ(ErcSaveDownload(szPath.c_str(), modeSaveOverwrite, 0x10, rgbNew.data(), rgbNew.size()), ercSaveOk);
    std::vector<uint8_t> rgb = Read();
    ASSERT_EQ(rgb.size(), 16u + 20000u);
    EXPECT_EQ(rgb[15], 0xEE);
    EXPECT_EQ(rgb[16], 0x5A);
    EXPECT_EQ(rgb.back(), 0x5A);
}

TEST_F(FileSave, OverwriteOrAppendOfAMissingFileCreatesIt)
{
    std::vector<uint8_t> rgbNew = {1, 2};
    EXPECT_EQ(ErcSaveDownload(szPath.c_str(), modeSaveOverwrite, 50, rgbNew.data(), 2), ercSaveOk);
    EXPECT_EQ(Read(), rgbNew) << "written from its start, whatever the start location";
    remove(szPath.c_str());
    EXPECT_EQ(ErcSaveDownload(szPath.c_str(), modeSaveAppend, 0, rgbNew.data(), 2), ercSaveOk);
    EXPECT_EQ(Read(), rgbNew);
}

TEST_F(FileSave, OverwriteBeyondTheEndFillsTheGap)
{
    Write({1, 2});
    std::vector<uint8_t> rgbNew = {9};
    EXPECT_EQ(ErcSaveDownload(szPath.c_str(), modeSaveOverwrite, 4, rgbNew.data(), 1), ercSaveOk);
    EXPECT_EQ(Read(), (std::vector<uint8_t>{1, 2, 0, 0, 9}));
}

// A file in a folder that does not exist cannot be opened; nothing is left behind.
TEST_F(FileSave, UnwritableFileIsReportedAndLeavesNothing)
{
    std::string szBad = ::testing::TempDir() + "no-such-folder/x.bin";
    std::vector<uint8_t> rgbNew = {1};
    for (int mode : {modeSaveAppend, modeSaveReplace, modeSaveOverwrite}) {
        EXPECT_EQ(ErcSaveDownload(szBad.c_str(), mode, 0, rgbNew.data(), 1), ercSaveNoOpen) << mode;
        EXPECT_EQ(fopen((szBad + ".tmp~").c_str(), "rb"), nullptr);
    }
    EXPECT_EQ(ErcSaveDownload(szPath.c_str(), 7, 0, rgbNew.data(), 1), ercSaveNoOpen) << "unknown mode";
    EXPECT_EQ(CbFileSize(szBad.c_str()), -1);
}

} // namespace
