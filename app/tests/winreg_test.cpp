// The settings over the Windows registry (under wine): the longest texts the
// settings accept are saved and loaded back whole.

#include <gtest/gtest.h>

#include "longtexts.h"
#include "szload.h"

namespace {

TEST(WinregSettings, LongestTextsLoadBack)
{
    WINREG reg;
    ExpectLongestTextsLoadBack(&reg);
}

} // namespace
