// The unit tests' entry: single-byte pages and English texts unless a test selects otherwise.
#include "platform/dbcs.h"
#include "platform/language.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    std::printf("system code page: %d\n", system_code_page());
    select_code_page(0);
    // English texts unless a test asks for Japanese, whatever the machine's locale.
    select_language_id(1033);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
