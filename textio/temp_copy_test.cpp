// Temporary copies: a name in use is never overwritten.
#include "textio/temp_copy.h"

#include "platform/files.h"
#include "tests/test_support.h"
#include "textio/paths.h"
#include "textio/streams.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
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

// Another program at the page while a run rewrites it: the pass below copies the page with one
// line added, and halfway does once what the case says.
std::string page_path;
void (*meanwhile)();

int copy_with_a_line()
{
    // Past the first block of the output, which has reached the page by then.
    for (int i = 0;; ++i) {
        int ch = in_next();
        if (ch < 0)
            break;
        out_put(ch);
        if (i == 100000 && meanwhile)
            meanwhile();
    }
    out_puts("<!-- added -->");
    return 0;
}

struct other_program : temp_copies {
    std::string original;
    file_identity first_look = {};
    void SetUp() override
    {
        temp_copies::SetUp();
        page_path = folder + "page.html";
        original = std::string(70000, 'o') + "<body>" + std::string(80000, 'p');
        write_file(page_path, original);
        ASSERT_EQ(file_ops.identify(&first_look, page_path.c_str()), 0);
        meanwhile = nullptr;
    }
    int rewrite()
    {
        int pass_result = -9;
        return rewrite_through_copy(page_path.c_str(), first_look, folder.c_str(), "addnex", copy_with_a_line,
                                    &pass_result);
    }
    bool copy_left() { return file_exists(folder + "addnex0.tmp") || file_exists(folder + "addnex1.tmp"); }
};

TEST_F(other_program, AloneThePageIsRewritten)
{
    EXPECT_EQ(rewrite(), rewrite_done);
    EXPECT_EQ(read_file(page_path), original + "<!-- added -->");
    EXPECT_FALSE(copy_left());
}

TEST_F(other_program, ASaveBeforeTheCutStandsAndNothingIsWritten)
{
    write_file(page_path, "the editor's save");
    EXPECT_EQ(rewrite(), rewrite_changed);
    EXPECT_EQ(read_file(page_path), "the editor's save");
    EXPECT_FALSE(copy_left());
}

// Windows refuses to rename a file over one that is open, so there the case cannot happen.
#ifndef _WIN32
TEST_F(other_program, AFileRenamedOverThePageMeanwhileStands)
{
    meanwhile = [] {
        write_file(page_path + ".new", "the editor's save");
        std::filesystem::rename(page_path + ".new", page_path);
        meanwhile = nullptr;
    };
    EXPECT_EQ(rewrite(), rewrite_changed);
    EXPECT_EQ(read_file(page_path), "the editor's save");
    EXPECT_FALSE(copy_left());
}
#endif

// Saved in place while the page was copied: the copy holds what was read before the editor cut
// the page, and the page's identity, its change time kept to a tick of the clock, may not tell.
// The copy's size tells; the page is left as the editor saves it.
TEST_F(other_program, ACopyShortOfThePageIsNeverWrittenBack)
{
    static int (*system_copy)(const char*, const char*, int);
    system_copy = file_ops.copy;
    file_ops.copy = [](const char* from, const char* to, int flags) {
        int result = system_copy(from, to, flags);
        std::filesystem::resize_file(to, 1000);
        return result;
    };
    int result = rewrite();
    file_ops.copy = system_copy;
    EXPECT_EQ(result, rewrite_changed);
    EXPECT_EQ(read_file(page_path), original);
    EXPECT_FALSE(copy_left());
}

// Saved in place while the run wrote: the run's bytes and the editor's are torn into each other
// (the run goes on writing at its place after the editor's short save), and the page goes back to
// what it was before the run, never left spliced.
TEST_F(other_program, ASaveTornIntoTheRewriteGivesThePageBackWhole)
{
    meanwhile = [] {
        write_file(page_path, "the editor's short save");
        meanwhile = nullptr;
    };
    EXPECT_EQ(rewrite(), rewrite_changed);
    EXPECT_EQ(read_file(page_path), original);
    EXPECT_FALSE(copy_left());
}

}  // namespace
