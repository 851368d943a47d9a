/*
 * tarv_sim_test.cpp - release of the JTAG port through an interface handle
 * after the scan-chain side (Tvxutil, its own handle) enabled it.
 */
#include "clisim.h"
#include "tarv.h"
#include "tvxutil.h"

CLISIM_ENVIRONMENT();

namespace {

class TarvSim : public CLISIMTEST {};

TEST_F(TarvSim, ReleasesThePortAnotherHandleEnabled)
{
    HTVX h = nullptr;
    uint32_t erc = 0;
    ASSERT_TRUE(TvxOpenJtag(&h, szClisimSN, &erc, 0)) << erc;
    ASSERT_TRUE(TvxEnableJtag(h, &erc, 0)) << erc;
    EXPECT_EQ(Sim().SzState(szClisimBoard, "jtagports"), "1");

    ASSERT_TRUE(TarvDisable(hif)) << TvxGetLastError();
    EXPECT_EQ(Sim().SzState(szClisimBoard, "jtagports"), "0");
    /* Released already: nothing to do, still a success. */
    EXPECT_TRUE(TarvDisable(hif)) << TvxGetLastError();

    /* The scan-chain side finds its port released: the shift fails, or, on a
     * board whose shifts are queued for its batch command, the wait that
     * sends it. */
    uint8_t rgb[1] = {};
    erc = 0;
    EXPECT_FALSE(TvxPutTdiBits(h, 8, rgb, 0, 0, nullptr, &erc, 0) && TvxWaitForTransaction(h, 0, &erc));
    EXPECT_EQ(erc, uint32_t(ercCapabilityNotEnabled));
    TvxCloseJtag(h, &erc);
}

TEST_F(TarvSim, FailsOnAHandleThatIsNotOpen)
{
    EXPECT_FALSE(TarvDisable(hifNil));
    EXPECT_NE(TvxGetLastError(), ercNoErc);
    EXPECT_FALSE(TarvDisable(61));
    EXPECT_NE(TvxGetLastError(), ercNoErc);
}

} // namespace
