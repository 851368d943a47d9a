/*
 * e2e_parts_test.cpp - every FPGA part of the device list on the simulated
 * boards xfs3 and xfs6 (fpga-parts.cfg), through the whole stack: the
 * vendor's own .bit files configure their parts (DONE, no CRC error, the
 * data from the sync word on) and a copy with one flipped bit of frame data
 * ends with a bad status and DONE low; for each family, FPGAs that run their
 * power-on design take generated files one after another, the simulator
 * running each design in turn, and a flipped bit fails the same way.
 */
#include "e2efix.h"
#include "vendordata.h"

namespace {

const char szSnS3[] = "SN:210183F10031";    /* xfs3: the Spartan-3 generation */
const char szSnS6[] = "SN:210183F10032";    /* xfs6: Spartan-6 */

/* A board of parts and its chain (Brisel order, index 0 nearest TDI). */
struct PARTBOARD {
    const char *szSn;
    const char *szBoard;
    std::vector<std::string> rgszName;
};

class E2ePartsTest : public E2eTest {
protected:
    /* The board's chain, identified: the library holds one chain, the one
     * identified last. */
    PARTBOARD &Board(bool fS6)
    {
        PARTBOARD &pb = fS6 ? pbS6 : pbS3;
        pb.rgszName = Identify(pb.szSn);
        return pb;
    }

    /* The device whose name is the longest beginning of "xc" + the part
     * text (without regard to case); -1 when none. */
    static int IscdvcOfPart(const PARTBOARD &pb, const std::string &szPart)
    {
        std::string szXc = "XC";
        for (char ch : szPart)
            szXc += char(toupper((unsigned char)ch));
        int iscdvcBest = -1;
        for (size_t i = 0; i < pb.rgszName.size(); i++) {
            const std::string &sz = pb.rgszName[i];
            if (szXc.compare(0, sz.size(), sz) == 0 &&
                (iscdvcBest < 0 || sz.size() > pb.rgszName[size_t(iscdvcBest)].size()))
                iscdvcBest = int(i);
        }
        return iscdvcBest;
    }

    /* The simulator counts chain positions from TDO. */
    static std::string SzSimDev(const PARTBOARD &pb, int iscdvc)
    {
        return std::to_string(pb.rgszName.size() - 1 - size_t(iscdvc));
    }

    /* Spartan-3/3E read their status back (good or bad); the others end with done. */
    static int32_t StcGood(const std::string &szName)
    {
        bool fS3a = szName.find('A') != std::string::npos && szName.compare(0, 4, "XC3S") == 0;
        return szName.compare(0, 4, "XC3S") == 0 && !fS3a ? stcStatusGood : stcDone;
    }

    /* Associates the file with the part check only (the vendor's files start
     * on CCLK) and programs it; the last report. */
    REPORT ProgramFile(const PARTBOARD &pb, int iscdvc, const std::string &szPath)
    {
        uint32_t erc = 99;
        EXPECT_TRUE(BriselSetConfigFile(szPath.c_str(), iscdvc, 1, &erc)) << szPath << ": " << erc;
        std::vector<REPORT> rgreport = Program(pb.szSn, iscdvc);
        ExpectPortReleased(pb.szBoard);
        return rgreport.empty() ? REPORT{ 0, 0 } : rgreport.back();
    }

    /* The good file configures the device and runs; its copy with one bit
     * of frame data flipped (at ibFlip of the file) ends bad with DONE low. */
    void ExpectGoodThenFlipped(const PARTBOARD &pb, int iscdvc, const std::string &szPath, const BYTES &rgbData,
                               size_t ibFlip)
    {
        const std::string &szName = pb.rgszName[size_t(iscdvc)];
        std::string szDev = SzSimDev(pb, iscdvc);
        EXPECT_EQ(ProgramFile(pb, iscdvc, szPath), (REPORT{ StcGood(szName), 0 })) << szPath;
        EXPECT_EQ(Fpga(pb.szBoard, "done", szDev), "1") << szPath;
        EXPECT_EQ(Fpga(pb.szBoard, "crcerror", szDev), "0") << szPath;
        EXPECT_EQ(Fpga(pb.szBoard, "running", szDev), "1") << szPath;
        ExpectReceived(pb.szBoard, rgbData, szDev);

        BYTES rgbFile;
        ASSERT_TRUE(vendordata::FReadFile(szPath, &rgbFile));
        ASSERT_LT(ibFlip, rgbFile.size());
        rgbFile[ibFlip] ^= 0x08;
        std::string szFlipped = Path("flipped_" + szName + ".bit");
        ASSERT_TRUE(FWrite(szFlipped, rgbFile));
        EXPECT_EQ(ProgramFile(pb, iscdvc, szFlipped), (REPORT{ stcStatusBad, 0 })) << szFlipped;
        EXPECT_EQ(Fpga(pb.szBoard, "done", szDev), "0") << szFlipped;
        EXPECT_EQ(Fpga(pb.szBoard, "running", szDev), "0") << szFlipped;
    }

    PARTBOARD pbS3{ szSnS3, "xfs3", {} };
    PARTBOARD pbS6{ szSnS6, "xfs6", {} };
};

TEST_F(E2ePartsTest, VendorFilesConfigureTheirPartsAndAFlippedBitFails)
{
    std::vector<std::string> rgszFile = vendordata::RgszFiles(".bit");
    if (rgszFile.empty())
        GTEST_SKIP() << "no vendor .bit files (shared/testdata/vendor beside the checkout, or KOR_VENDOR_DIR): "
                        "not run";
    int cRun = 0;
    for (const std::string &szFile : rgszFile) {
        vendordata::VBIT vbit;
        ASSERT_TRUE(vendordata::FReadBit(szFile, &vbit)) << szFile;
        vendordata::VFAM vfam = vendordata::VfamOfPart(vbit.szPart);
        if (vfam == vendordata::vfamNone) {
            printf("%s: part %s is no FPGA of the simulated boards, passed over\n", szFile.c_str(),
                   vbit.szPart.c_str());
            continue;
        }
        PARTBOARD &pb = Board(vfam == vendordata::vfamS6);
        int iscdvc = IscdvcOfPart(pb, vbit.szPart);
        if (iscdvc < 0) {
            printf("%s: part %s is not on the simulated boards, passed over\n", szFile.c_str(), vbit.szPart.c_str());
            continue;
        }
        SCOPED_TRACE(szFile + " on " + pb.rgszName[size_t(iscdvc)]);
        BYTES rgbFile;
        ASSERT_TRUE(vendordata::FReadFile(szFile, &rgbFile));
        size_t ibData = rgbFile.size() - vbit.rgbData.size();     /* the data ends the file */
        size_t ibFlip = vendordata::IbInFrames(vbit.rgbData, vendordata::F16(vfam));
        ASSERT_NE(ibFlip, 0u);
        ExpectGoodThenFlipped(pb, iscdvc, szFile, vbit.rgbData, ibData + ibFlip);
        cRun++;
    }
    printf("%d vendor .bit files programmed\n", cRun);
    EXPECT_GT(cRun, 0);
}

/* One part of each family of the device list, with a generated file. */
struct FAMCASE {
    const char *szCase;
    bool fS6;
    const char *szPart;
    uint32_t idcode;
};

const FAMCASE rgfamcase[] = {
    { "Spartan3E", false, "3s500efg320", 0x01C22093 },
    { "Spartan3", false, "3s1000ft256", 0x01428093 },
    { "Spartan3A", false, "3s200aft256", 0x02218093 },
    { "Spartan3AN", false, "3s700anfgg484", 0x02628093 },
    { "Spartan3ADsp", false, "3sd1800acs484", 0x03840093 },
    { "Spartan6Lx", true, "6slx16csg324", 0x04002093 },
    { "Spartan6Lxt", true, "6slx45tfgg484", 0x04028093 },
};

class E2eFamilyTest : public E2ePartsTest, public ::testing::WithParamInterface<FAMCASE> {
protected:
    /* A generated .bit of the family's part with a design tag; its data. */
    BYTES GenerateFor(const FAMCASE &fc, const std::string &szDesign)
    {
        return Generate(std::string(fc.szCase) + "_" + szDesign, PARTFILE{ fc.szPart, fc.idcode }, szDesign, 3000);
    }
    std::string BitPath(const FAMCASE &fc, const std::string &szDesign)
    {
        return Path(std::string(fc.szCase) + "_" + szDesign + ".bit");
    }
};

/* A board whose FPGAs run their power-on design (loaded from their PROMs):
 * each download replaces the running design with the file's, one after the
 * other, and the device never passes for configured on the design it ran
 * before; the last file with one flipped bit of frame data ends with a bad
 * status and DONE low. */
TEST_P(E2eFamilyTest, PowerOnDesignThenOneDesignAfterAnotherThenAFlippedBit)
{
    const FAMCASE &fc = GetParam();
    PARTBOARD &pb = fc.fS6 ? pbS6 : pbS3;
    ASSERT_TRUE(Sim().FCmd(std::string("UNPLUG ") + pb.szBoard));
    ASSERT_TRUE(Sim().FCmd(std::string("PLUG ") + pb.szBoard));
    ASSERT_TRUE(Sim().FCmd(std::string("WAIT ") + pb.szBoard + " present"));
    Board(fc.fS6);
    int iscdvc = IscdvcOfPart(pb, fc.szPart);
    ASSERT_GE(iscdvc, 0) << fc.szPart;
    std::string szDev = SzSimDev(pb, iscdvc);
    EXPECT_EQ(Fpga(pb.szBoard, "running", szDev), "1");
    EXPECT_EQ(Fpga(pb.szBoard, "design", szDev), "reference");
    int32_t stcGood = StcGood(pb.rgszName[size_t(iscdvc)]);
    BYTES rgbData;
    for (const char *szDesign : { "refio", "reference" }) {
        rgbData = GenerateFor(fc, szDesign);
        EXPECT_EQ(ProgramFile(pb, iscdvc, BitPath(fc, szDesign)), (REPORT{ stcGood, 0 })) << szDesign;
        EXPECT_EQ(Fpga(pb.szBoard, "design", szDev), szDesign);
        EXPECT_EQ(Fpga(pb.szBoard, "running", szDev), "1") << szDesign;
        EXPECT_EQ(Fpga(pb.szBoard, "crcerror", szDev), "0") << szDesign;
        ExpectReceived(pb.szBoard, rgbData, szDev);
    }
    BYTES rgbFile;
    ASSERT_TRUE(vendordata::FReadFile(BitPath(fc, "reference"), &rgbFile));
    size_t ibFlip = vendordata::IbInFrames(rgbData, vendordata::F16(vendordata::VfamOfPart(fc.szPart)));
    ASSERT_NE(ibFlip, 0u);
    rgbFile[rgbFile.size() - rgbData.size() + ibFlip] ^= 0x08;
    std::string szFlipped = Path(std::string("flipped_") + fc.szCase + ".bit");
    ASSERT_TRUE(FWrite(szFlipped, rgbFile));
    EXPECT_EQ(ProgramFile(pb, iscdvc, szFlipped), (REPORT{ stcStatusBad, 0 }));
    EXPECT_EQ(Fpga(pb.szBoard, "done", szDev), "0");
    EXPECT_EQ(Fpga(pb.szBoard, "running", szDev), "0");
}

INSTANTIATE_TEST_SUITE_P(Families, E2eFamilyTest, ::testing::ValuesIn(rgfamcase),
                         [](const ::testing::TestParamInfo<FAMCASE> &info) { return info.param.szCase; });

} // namespace
