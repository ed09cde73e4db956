// Temporary copies on a failing disk: a page whose pass failed comes back whole, or its copy stays
// and is reported, so that the log names it.
#include "textio/temp_copy.h"

#include "tests/faults/fault_files.h"
#include "tests/test_support.h"
#include "textio/paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The copies reported as kept, as the batch would name them.
std::vector<std::string> kept;
void record_kept(const char* temp_path) { kept.push_back(temp_path); }

struct temp_copies_on_a_failing_disk : testing::Test {
    std::string folder = make_scratch("temp_copies_faults");
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
        copy_kept = nullptr;
        clear_scratch(folder);
    }
};

TEST_F(temp_copies_on_a_failing_disk, FailedPassGetsThePageBackOrKeepsAndNamesTheCopy)
{
    const std::string page = folder + "page.html";
    const std::string whole = read_file(page);
    char temp_path[path_size];

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
