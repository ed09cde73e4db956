// Tests of the batch's log lines that tell the user of what the batch does not take: pages beyond
// the command line's limits, and temporary copies that an earlier run left in a folder.
#include "batch/page_batch.h"

#include "console/messages.h"
#include "platform/path_syntax.h"
#include "tests/page_fixture.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

const batch_rules every_page_done = {
    .separators = any_separators,
    .check = [](const char*) { return 0; },
    .work = [](const char*) { return 0; },
    .done_already = &text_already_set,
    .stops_early = false,
    .failed = [](int) { return false; },
    .reason = nullptr,
    .copy_prefix = "addnex",
    .rewrite_variants = nullptr,
    .rewrite_variant = nullptr,
    .begin_walk = nullptr,
    .walk_check = nullptr,
    .walk_next = nullptr,
    .done_word = "prepared",
};

std::string run_over(std::vector<std::string> pages, left_out_pages left_out = {0, false})
{
    std::vector<char*> arguments;
    for (std::string& page : pages)
        arguments.push_back(page.data());
    screen_text_reset();
    run_batch(every_page_done, arguments.data(), static_cast<int>(arguments.size()), left_out);
    return screen_text();
}

TEST(page_batch, PagesLeftOutAreCountedBeforeTheFirstPage)
{
    EXPECT_EQ(run_over({}, {977, false}), "977 pages left out: 1023 at most in one run\n");
    EXPECT_EQ(run_over({}, {1, true}), "1 page left out: 128 KB of page names at most in one run\n");
    EXPECT_EQ(run_over({}), "");
}

TEST(page_batch, CopiesOfAnEarlierRunAreNamedOncePerFolder)
{
    std::string folder = make_scratch("page_batch");
    std::filesystem::create_directories(folder + "a");
    std::filesystem::create_directories(folder + "b");
    std::filesystem::create_directories(folder + "a/addnex5.tmp");  // a folder, not a copy
    for (const char* name : {"addnex0.tmp", "DELNEX12.TMP", "addnex.tmp", "addnexx.tmp", "delnex1.tmp.html", "p.html"})
        write_file(folder + "a/" + name, "x");
    std::string a = folder + "a/";
    std::string b = folder + "b/";
    write_file(b + "p.html", "x");
    std::string log = run_over({a + "p.html", a + "p.html", b + "p.html", a + "p.html"});
    EXPECT_EQ(log, "\n" + a + " :\n  DELNEX12.TMP kept from an earlier run\n  addnex0.tmp kept from an earlier run\n"
                   "  p.html : OK.\n  p.html : OK.\n\n" + b + " :\n  p.html : OK.\n\n" + a + " :\n  p.html : OK.\n");

    for (int i = 1; i <= 6; ++i)
        write_file(b + "delnex" + std::to_string(i) + ".tmp", "x");
    log = run_over({b + "p.html"});
    size_t named = 0;
    for (size_t at = 0; (at = log.find(".tmp kept from an earlier run\n", at)) != std::string::npos; ++at)
        ++named;
    EXPECT_EQ(named, 4u) << log;
    EXPECT_NE(log.find("\n  and 2 more copies kept from an earlier run\n"), std::string::npos) << log;
    clear_scratch(folder);
}

// The streams' reasons ("Cannot open WR file") go to standard output, which the Windows programs'
// users never see: there they reach the log screen too, natively the log keeps its lines as they are.
TEST(page_batch, TheStreamsReasonsReachTheWindowsLogScreen)
{
    screen_text_reset();
    console_show_stream_message("Cannot open WR file : page.html\n");
#ifdef _WIN32
    EXPECT_EQ(screen_text(), "Cannot open WR file : page.html\n");
#else
    EXPECT_EQ(screen_text(), "");
#endif
}

}  // namespace
