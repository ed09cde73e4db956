// What a run does with the temporary copy an earlier run left beside a page: the page as the earlier
// run was stopped (or lost power) at each moment of its work, and pages that are not the copy's.
#include "batch/kept_copies.h"

#include "batch/page_batch.h"
#include "insert/insertion_driver.h"
#include "insert/next_page.h"
#include "insert/page_rewriter.h"
#include "remove/removal_driver.h"
#include "tests/page_fixture.h"
#include "tests/test_support.h"
#include "textio/paths.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

std::string numbered_lines()
{
    std::string text;
    for (int i = 1; i <= 80; ++i)
        text += "<p>Line " + std::to_string(i) + " of the page.</p>\r\n";
    return text;
}

const std::string original = "<html>\r\n<head><title>One</title></head>\r\n<body bgcolor=\"white\">\r\n<img src=\"a.gif\">\r\n" +
                             numbered_lines() +
                             "<a href=\"two.html\">next</a> <a href=\"index.html\">index</a>\r\n</body>\r\n</html>\r\n";

// Every other piece of 512 bytes from the one text, the rest from the other (zeros past its end):
// what a disk that lost power while writing over the other may hold.
std::string odd_pieces(const std::string& written, const std::string& before)
{
    std::string bytes = written;
    for (size_t at = 0; at < bytes.size(); at += 1024)
        for (size_t i = at; i < at + 512 && i < bytes.size(); ++i)
            bytes[i] = i < before.size() ? before[i] : '\0';
    return bytes;
}

struct kept_copies : testing::Test {
    std::string folder = make_scratch("kept_copies");
    std::string page = folder + "one.html";
    std::string prepared;
    std::string restored;

    void SetUp() override
    {
        write_file(folder + "two.html", "<html><body><img src=\"b.gif\"><bgsound src=\"s.mid\"></body></html>");
        write_file(folder + "index.html", "<html><body><a href=\"one.html\">one</a></body></html>");
        set_program_directory(folder.c_str());
        load_insert_blocks(folder.c_str());  // none there: the pages get the bare applet element
        write_file(folder + "nextpics.class", "applet");
        prepared = run(add_batch_rules, original);
        restored = run(del_batch_rules, prepared);
    }
    void TearDown() override { clear_scratch(folder); }

    // The page after a whole run of a program over it, from bytes.
    std::string run(const batch_rules& rules, const std::string& bytes)
    {
        write_file(page, bytes);
        script_answers({});
        reset_next_page_order();
        std::string path = page;
        char* pages[] = {path.data()};
        run_batch(rules, pages, 1);
        return read_file(page);
    }

    // The log of meeting the folder with the page and the copy as given.
    std::string meet(const batch_rules& rules, const std::string& page_bytes, const std::string& copy_bytes)
    {
        write_file(page, page_bytes);
        write_file(folder + rules.copy_prefix + "0.tmp", copy_bytes);
        screen_text_reset();
        forget_kept_copies();
        meet_kept_copies(folder.c_str(), rules);
        return screen_text();
    }
    bool copy_left(const batch_rules& rules) { return file_exists(folder + rules.copy_prefix + "0.tmp"); }
};

struct stop_case {
    const char* moment;
    std::function<std::string(const std::string& copy, const std::string& rewritten)> page;
    bool copy_cut;  // the copy holds only the first 1000 bytes of the page
    bool put_back;  // else the page stays as it is and the copy goes
};

// addNextpics and delNextpics stopped at every kind of moment: the page is put back from the copy
// where it was cut, left where it is whole, and the copy goes.
TEST_F(kept_copies, ACutPageIsPutBackAndAWholeOneKept)
{
    const stop_case cases[] = {
        {"while the copy was made", [](auto& k, auto&) { return k; }, true, false},
        {"before the page was cut", [](auto& k, auto&) { return k; }, false, false},
        {"right after the page was cut", [](auto&, auto&) { return std::string(); }, false, true},
        {"in the middle of writing", [](auto&, auto& r) { return r.substr(0, 1000); }, false, true},
        {"with the page written in pieces", [](auto& k, auto& r) { return odd_pieces(r, k); }, false, true},
        {"with the writes past the copy's end lost", [](auto& k, auto&) { return k + std::string(300, '\0'); }, false, true},
        {"before the copy was deleted", [](auto&, auto& r) { return r; }, false, false},
    };
    for (const batch_rules* rules : {&add_batch_rules, &del_batch_rules}) {
        const std::string& copy = rules == &add_batch_rules ? original : prepared;
        const std::string& rewritten = rules == &add_batch_rules ? prepared : restored;
        for (const stop_case& c : cases) {
            std::string page_bytes = c.page(copy, rewritten);
            std::string log = meet(*rules, page_bytes, c.copy_cut ? copy.substr(0, 1000) : copy);
            std::string which = std::string(rules->copy_prefix) + ", stopped " + c.moment + ":\n" + log;
            EXPECT_EQ(read_file(page), c.put_back ? copy : page_bytes) << which;
            EXPECT_FALSE(copy_left(*rules)) << which;
            EXPECT_NE(log.find(c.put_back ? "one.html put back from" : "deleted: one.html is whole"),
                      std::string::npos)
                << which;
        }
    }
}

// A page alike to the cut one holds all of the copy, and the cut one still gets it back.
TEST_F(kept_copies, APageAlikeToTheCutOneLeavesItsCopyToIt)
{
    write_file(folder + "twin.html", original);
    meet(add_batch_rules, prepared.substr(0, 1000), original);
    EXPECT_EQ(read_file(page), original);
    EXPECT_EQ(read_file(folder + "twin.html"), original);
    EXPECT_FALSE(copy_left(add_batch_rules));
}

// A copy that fits no page, or fits several alike, is named and nothing is touched.
TEST_F(kept_copies, ACopyThatFitsNoOnePageIsOnlyNamed)
{
    const std::string edited = original.substr(0, 200) + "an edit of the user's" + original.substr(200);
    EXPECT_NE(meet(add_batch_rules, edited, original).find("addnex0.tmp kept from an earlier run"), std::string::npos);
    EXPECT_EQ(read_file(page), edited);
    EXPECT_TRUE(copy_left(add_batch_rules));

    // The user's own file of that name: no page that addNextpics would rewrite.
    EXPECT_NE(meet(add_batch_rules, "", "my notes\n").find("addnex0.tmp kept from an earlier run"), std::string::npos);
    EXPECT_EQ(read_file(folder + "addnex0.tmp"), "my notes\n");

    // Two pages cut to nothing: either may be the copy's.
    write_file(folder + "other.html", "");
    EXPECT_NE(meet(add_batch_rules, "", original).find("addnex0.tmp kept from an earlier run"), std::string::npos);
    EXPECT_EQ(read_file(page), "");
    EXPECT_EQ(read_file(folder + "other.html"), "");
}

}  // namespace
