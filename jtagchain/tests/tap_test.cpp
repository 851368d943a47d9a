// TAP path table and transition function against the IEEE 1149.1 state
// diagram of the chain model.
#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "tap.h"
#include "tapmodel.h"

namespace {

std::string SzWalk(TAPWALK walk)
{
    std::string str;
    for (int k = 0; k < walk.cclk; k++)
        str.push_back(((walk.fsTms >> k) & 1) ? '1' : '0');
    return str;
}

/* Length of the shortest walk from a to b that passes Test-Logic-Reset only
 * when it ends there and enters a shift state only from its capture state
 * (a scan captures anew); -1 when there is none. */
int CclkShortest(int tapstFrom, int tapstTo)
{
    std::deque<std::pair<int, int>> queue;
    queue.push_back({tapstFrom, 0});
    while (!queue.empty()) {
        std::pair<int, int> cur = queue.front();
        queue.pop_front();
        if (cur.second > 12)
            break;
        for (int tms = 0; tms < 2; tms++) {
            int tapstNext = TmNext((TMSTATE)cur.first, tms);
            if (tapstNext == tmTestLogicReset && tapstTo != tmTestLogicReset)
                continue;
            if ((tapstNext == tmShiftDr && cur.first != tmCaptureDr && cur.first != tmShiftDr) ||
                (tapstNext == tmShiftIr && cur.first != tmCaptureIr && cur.first != tmShiftIr))
                continue;
            if (tapstNext == tapstTo)
                return cur.second + 1;
            queue.push_back({tapstNext, cur.second + 1});
        }
    }
    return -1;
}

const int rgtapstStable[] = {tapstReset, tapstIdle, tapstDrShift, tapstDrPause, tapstIrShift, tapstIrPause};

} // namespace

TEST(TapTable, TransitionFunctionFollowsTheStateDiagram)
{
    for (int tapst = 0; tapst < ctapst; tapst++)
        for (int tms = 0; tms < 2; tms++)
            EXPECT_EQ(TapstNext(tapst, tms), (int)TmNext((TMSTATE)tapst, tms)) << tapst << " tms " << tms;
    EXPECT_EQ(TapstNext(tapstNone, 0), tapstNone);
}

TEST(TapTable, EveryWalkEndsInItsTarget)
{
    for (int tapstFrom = 0; tapstFrom < ctapst; tapstFrom++)
        for (int tapstTo = 0; tapstTo < ctapst; tapstTo++) {
            TAPWALK walk = TapWalk(tapstFrom, tapstTo);
            int tm = tapstFrom;
            for (int k = 0; k < walk.cclk; k++)
                tm = TmNext((TMSTATE)tm, (walk.fsTms >> k) & 1);
            EXPECT_EQ(tm, tapstTo) << tapstFrom << "->" << tapstTo << " " << SzWalk(walk);
            EXPECT_EQ(TapstAfterWalk(tapstFrom, walk), tapstTo);
            EXPECT_EQ(walk.cclk == 0, tapstFrom == tapstTo);
        }
}

TEST(TapTable, WalksBetweenStableStatesAreShortestWithoutResetAndWithCapture)
{
    for (int tapstFrom : rgtapstStable)
        for (int tapstTo : rgtapstStable) {
            if (tapstFrom == tapstTo)
                continue;
            TAPWALK walk = TapWalk(tapstFrom, tapstTo);
            EXPECT_EQ(walk.cclk, CclkShortest(tapstFrom, tapstTo)) << tapstFrom << "->" << tapstTo << " "
                                                                  << SzWalk(walk);
        }
}

TEST(TapTable, OtherWalksAreShortestExceptTheTwoKnownOnes)
{
    /* Neither is used from a stable state: RESET to DRUPDATE passes
     * DRPAUSE, and DRSELECT to IDLE passes Test-Logic-Reset (the way
     * round through Capture-DR and Update-DR would update data registers). */
    struct { int tapstFrom, tapstTo; const char *szWalk; } rgexc[] = {
        {tapstReset, tapstDrUpdate, "0101011"},
        {tapstDrSelect, tapstIdle, "110"},
    };
    for (int tapstFrom = 0; tapstFrom < ctapst; tapstFrom++)
        for (int tapstTo = 0; tapstTo < ctapst; tapstTo++) {
            if (tapstFrom == tapstTo)
                continue;
            TAPWALK walk = TapWalk(tapstFrom, tapstTo);
            bool fExc = false;
            for (auto &exc : rgexc)
                if (exc.tapstFrom == tapstFrom && exc.tapstTo == tapstTo) {
                    fExc = true;
                    EXPECT_EQ(SzWalk(walk), exc.szWalk);
                }
            if (!fExc) {
                EXPECT_EQ(walk.cclk, CclkShortest(tapstFrom, tapstTo)) << tapstFrom << "->" << tapstTo << " "
                                                                      << SzWalk(walk);
            }
        }
}

TEST(TapTable, ScansFromPauseCaptureAnewAndLeaveIrSelectWithoutReset)
{
    struct { int tapstFrom, tapstTo; const char *szWalk; } rgcase[] = {
        {tapstDrPause, tapstDrShift, "11100"},
        {tapstDrPause, tapstIdle, "110"},
        {tapstIrShift, tapstDrShift, "11100"},
        {tapstIrUpdate, tapstDrUpdate, "1011"},
        {tapstIrSelect, tapstIdle, "0110"},
        {tapstIdle, tapstReset, "111"},
        {tapstIrPause, tapstIrShift, "111100"},
    };
    for (auto &c : rgcase)
        EXPECT_EQ(SzWalk(TapWalk(c.tapstFrom, c.tapstTo)), c.szWalk) << c.tapstFrom << "->" << c.tapstTo;
}

TEST(TapTable, OutOfRangeStatesGiveTheEmptyWalk)
{
    EXPECT_EQ(TapWalk(tapstNone, tapstIdle).cclk, 0);
    EXPECT_EQ(TapWalk(tapstIdle, -1).cclk, 0);
}

TEST(TapTable, PairBytesCarryTmsInTheOddBits)
{
    uint8_t rgb[2] = {0xAA, 0xAA};
    TAPWALK walk = TapWalk(tapstReset, tapstDrUpdate);   /* 0101011 */
    WalkToPairs(walk, rgb);
    /* clocks 1, 3, 5, 6 have TMS 1: bits 3, 7, 11, 13 */
    EXPECT_EQ(rgb[0], 0x88);
    EXPECT_EQ(rgb[1], 0x28);
}

TEST(BitReverse, EveryEntryIsItsIndexBackwards)
{
    for (int i = 0; i < 256; i++) {
        int r = 0;
        for (int k = 0; k < 8; k++)
            r |= ((i >> k) & 1) << (7 - k);
        EXPECT_EQ(rgbBitReverse[i], r) << i;
    }
}
