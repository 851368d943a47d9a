// Kelm stand-in over the runtime: with no board reachable the enumeration
// lists nothing, and calls on devices or handles that do not exist fail
// instead of reaching anything.

#include <gtest/gtest.h>

#include <stddef.h>
#include <string.h>

#include "kelm.h"

static_assert(sizeof(DVC) == 332 && offsetof(DVC, szConn) == 64, "DVC as the program reads it");
static_assert(sizeof(HIF) == 4, "HIF is a 32-bit value");

TEST(Kelm, EnumerationWithoutBoardsListsNothing)
{
    int cdvc = -1;
    int f = KelmEnumDevicesEx(&cdvc, 1, 3, 0, nullptr);
    EXPECT_TRUE(!f || cdvc == 0) << "found " << cdvc;
    DVC dvc;
    memset(&dvc, 0, sizeof(dvc));
    EXPECT_FALSE(KelmGetDvc(0, &dvc));
    KelmFreeDvcEnum();
}

TEST(Kelm, UnknownDeviceAndHandleFail)
{
    DVC dvc;
    memset(&dvc, 0, sizeof(dvc));
    strcpy(dvc.szConn, "SN:000000000000");
    char sz[64] = "";
    EXPECT_FALSE(KelmGetInfo(&dvc, kinfoUserName, sz));
    HIF hif = 0;
    EXPECT_FALSE(KelmOpen(&hif, "SN:000000000000"));
    EXPECT_FALSE(KelmClose(17));
    EXPECT_FALSE(KelmSetTransTimeout(17, 500));
    uint32_t cbOut = 0, cbIn = 0;
    EXPECT_FALSE(KelmGetTransResult(17, &cbOut, &cbIn, 25));
    EXPECT_FALSE(KelmCancelTrans(17));
}
