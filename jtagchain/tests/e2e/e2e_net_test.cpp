/*
 * e2e_net_test.cpp - Brisel programs the FPGA of a network board end to
 * end: identification, then a generated configuration downloaded through
 * Tvxutil and the runtime's network transport (TLS on both connections), programmed twice, the second time over the
 * design the first run left; the simulator reports DONE, the design and
 * exactly the file's data, and the design's registers answer over the
 * network.
 */
#include "e2efix.h"

namespace {

const char szNet[] = "127.0.4.1:33890";

TEST_F(E2eTest, ProgramsTheFpgaOfANetworkBoard)
{
    std::vector<std::string> rgszChain = Identify(szNet);
    ASSERT_EQ(rgszChain.size(), 2u);
    /* A .bit whose start-up runs on TCK, then a .bin whose start-up runs on CCLK. */
    for (bool fBit : {true, false}) {
        std::string szName = fBit ? "netbit" : "netbin", szExt = fBit ? ".bit" : ".bin";
        SCOPED_TRACE(szName);
        BYTES rgbData = Generate(szName, pfS3e500, "refio", 3000, fBit);
        ASSERT_GT(rgbData.size(), 8192u) << "more than one transfer of data";
        uint32_t erc = 99;
        ASSERT_TRUE(BriselSetConfigFile(Path(szName + szExt).c_str(), 1, 3, &erc)) << erc;
        std::vector<REPORT> rgreport = Program(szNet, 1);
        ASSERT_FALSE(rgreport.empty());
        EXPECT_EQ(rgreport.back().stc, stcStatusGood);
        EXPECT_EQ(Fpga("xfn", "done"), "1");
        EXPECT_EQ(Fpga("xfn", "design"), "refio");
        ExpectReceived("xfn", rgbData);
        EXPECT_EQ(Sim().SzState("xfn", "jtagports"), "0");
        ExpectDesignRegisters("xfn", szNet);
    }
}

} // namespace
