// Temporary copies: a name in use is never overwritten, and a page whose pass failed comes back
// whole, or its copy stays and the log names it.
#include "textio/temp_copy.h"

#include "platform/files.h"
#include "tests/faults/fault_files.h"
#include "tests/page_fixture.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <string>

namespace {

// The copies reported as kept, as the batch would name them.
std::vector<std::string> kept;
void record_kept(const char* temp_path) { kept.push_back(temp_path); }

struct temp_copies : testing::Test {
    std::string folder = make_scratch("temp_copies");
    void SetUp() override
    {
        install_fault_operations();
        disarm_faults();
        temp_counter = 0;
        kept.clear();
        copy_kept = record_kept;
        write_file(folder + "page.html", "<html><body>the page</body></html>");
    }
    void TearDown() override
    {
        disarm_faults();
        clear_scratch(folder);
    }
};

TEST_F(temp_copies, NamesInUseAreSkippedNeverOverwritten)
{
    write_file(folder + "addnex0.tmp", "mine");
    write_file(folder + "addnex1.tmp", "mine too");
    char temp_path[260];
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
    char temp_path[260];
    EXPECT_EQ(make_temp_copy(temp_path, (folder + "page.html").c_str(), folder.c_str(), "delnex"), -1);
    EXPECT_EQ(read_file(folder + "delnex0.tmp"), "taken");
    EXPECT_EQ(read_file(folder + "delnex999.tmp"), "taken");
    EXPECT_FALSE(file_exists(folder + "delnex1000.tmp"));
}

TEST_F(temp_copies, FailedPassGetsThePageBackOrKeepsAndNamesTheCopy)
{
    const std::string page = folder + "page.html";
    const std::string whole = read_file(page);
    char temp_path[260];

    // Cut page, copy back works: the page is whole again and the copy is gone.
    ASSERT_EQ(make_temp_copy(temp_path, page.c_str(), folder.c_str(), "addnex"), 0);
    write_file(page, "<html><bo");
    EXPECT_EQ(recover_page(page.c_str(), temp_path, true), 0);
    EXPECT_EQ(read_file(page), whole);
    EXPECT_FALSE(file_exists(temp_path));
    EXPECT_TRUE(kept.empty());

    // The page was never opened for writing: the copy only goes.
    ASSERT_EQ(make_temp_copy(temp_path, page.c_str(), folder.c_str(), "addnex"), 0);
    EXPECT_EQ(recover_page(page.c_str(), temp_path, false), 0);
    EXPECT_FALSE(file_exists(temp_path));

    // Copying back fails (half a page lands): the copy is the only whole one, so it stays, named.
    ASSERT_EQ(make_temp_copy(temp_path, page.c_str(), folder.c_str(), "addnex"), 0);
    write_file(page, "");
    arm_fault(fault_copy, 1, true);
    EXPECT_EQ(recover_page(page.c_str(), temp_path, true), -1);
    disarm_faults();
    EXPECT_EQ(read_file(temp_path), whole);
    EXPECT_EQ(kept, std::vector<std::string>{temp_path});

    // A copy that cannot be deleted after a good pass is named too.
    kept.clear();
    arm_fault(fault_remove, 1, false);
    drop_temp_copy(temp_path);
    disarm_faults();
    EXPECT_TRUE(file_exists(temp_path));
    EXPECT_EQ(kept, std::vector<std::string>{temp_path});
}

}  // namespace
