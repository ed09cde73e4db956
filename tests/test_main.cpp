// The unit tests' entry: single-byte pages unless a test selects code page 932.
#include "platform/dbcs.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    std::printf("system code page: %d\n", system_code_page());
    select_code_page(0);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
