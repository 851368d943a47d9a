/* kor_child_main.cpp - main() of test programs that have child roles. */
#include "kor_child.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    int code;
    if (FKorChildDispatch(argc, argv, &code))
        return code;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
