// Temporary copies: a name in use is never overwritten.
#include "textio/temp_copy.h"

#include "tests/test_support.h"
#include "textio/paths.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct temp_copies : testing::Test {
    std::string folder = make_scratch("temp_copies");
    void SetUp() override
    {
        temp_counter = 0;
        write_file(folder + "page.html", "<html><body>the page</body></html>");
    }
    void TearDown() override { clear_scratch(folder); }
};

TEST_F(temp_copies, NamesInUseAreSkippedNeverOverwritten)
{
    write_file(folder + "addnex0.tmp", "mine");
    write_file(folder + "addnex1.tmp", "mine too");
    char temp_path[path_size];
    ASSERT_EQ(make_temp_copy(temp_path, (folder + "page.html").c_str(), folder.c_str(), "addnex"), 0);
    EXPECT_EQ(std::string(temp_path), folder + "addnex2.tmp");
    EXPECT_EQ(read_file(temp_path), read_file(folder + "page.html"));
    EXPECT_EQ(read_file(folder + "addnex0.tmp"), "mine");
    EXPECT_EQ(read_file(folder + "addnex1.tmp"), "mine too");
    EXPECT_EQ(temp_counter, 3);

    drop_temp_copy(temp_path);
    EXPECT_FALSE(file_exists(temp_path));
    EXPECT_EQ(temp_counter, 2);
}

TEST_F(temp_copies, NoCopyWhenEveryNameIsTaken)
{
    for (int n = 0; n < 1000; ++n)
        write_file(folder + "delnex" + std::to_string(n) + ".tmp", "taken");
    char temp_path[path_size];
    EXPECT_EQ(make_temp_copy(temp_path, (folder + "page.html").c_str(), folder.c_str(), "delnex"), -1);
    EXPECT_EQ(read_file(folder + "delnex0.tmp"), "taken");
    EXPECT_EQ(read_file(folder + "delnex999.tmp"), "taken");
    EXPECT_FALSE(file_exists(folder + "delnex1000.tmp"));
}

}  // namespace
