// Next-page resolution: the number rule, the run-wide order and the questions.
#include "insert/next_page.h"

#include "platform/dialog.h"
#include "tests/page_fixture.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

namespace {

struct next_page : testing::Test {
    std::string folder;
    void SetUp() override
    {
        folder = make_scratch("next_page");
        reset_next_page_order();
        screen_text_reset();
        script_answers({});
    }
    void TearDown() override { clear_scratch(folder); }

    // A page named name whose links are links, in order; every link target exists.
    std::string page(const char* name, std::initializer_list<const char*> links)
    {
        std::string text;
        for (const char* link : links) {
            text += std::string("<a href=\"") + link + "\">x</a>\r\n";
            write_file(folder + link, "");
        }
        write_file(folder + name, text);
        return folder + name;
    }

    // The links asked about, in order, as the boxes show them.
    static std::vector<std::string> asked()
    {
        std::vector<std::string> links;
        for (const recorded_box& box : recorded_boxes()) {
            size_t at = box.text.find("Is the next: ");
            if (at != std::string::npos)
                links.push_back(box.text.substr(at + 13, box.text.size() - at - 15));
        }
        return links;
    }
};

using links = std::vector<std::string>;

TEST_F(next_page, NumberRuleOrdersTheFirstPageWithLinks)
{
    ASSERT_EQ(choose_next_page(page("photo3", {"index", "photo4"}).c_str()), 0);
    EXPECT_EQ(asked(), links{"photo4"});
    EXPECT_EQ(recorded_boxes()[0].text, "Now setting: photo3 \r\nIs the next: photo4 ?");
    EXPECT_EQ(recorded_boxes()[0].caption, "AddNextpics : next page select ");
    EXPECT_EQ(recorded_boxes()[0].flags, box_yes_no | box_icon_information | box_topmost);
    EXPECT_STREQ(next_link, "photo4");
    EXPECT_TRUE(order_seeded);
}

TEST_F(next_page, NumberRuleActsOnlyOnTheFirstPageWithLinks)
{
    script_answers({answer_yes});
    ASSERT_EQ(choose_next_page(page("intro.html", {"a.html", "b.html"}).c_str()), 0);
    script_answers({answer_yes});
    ASSERT_EQ(choose_next_page(page("photo3", {"index", "photo4"}).c_str()), 0);
    EXPECT_EQ(asked(), links{"index"});
}

TEST_F(next_page, CandidatesOfTheFirstAndSecondPass)
{
    // Two first-pass candidates (both bases begin "photo"): the order stays as it is.
    script_answers({answer_no, answer_yes});
    ASSERT_EQ(choose_next_page(page("photo3", {"pho4", "photo4"}).c_str()), 0);
    EXPECT_EQ(asked(), (links{"pho4", "photo4"}));
    EXPECT_STREQ(next_link, "photo4");

    // No first-pass candidate, one in the second pass.
    reset_next_page_order();
    script_answers({});
    ASSERT_EQ(choose_next_page(page("photo3", {"index", "album4"}).c_str()), 0);
    EXPECT_EQ(asked(), links{"album4"});
}

TEST_F(next_page, YesMovesThePositionToTheFrontForLaterPages)
{
    std::string p = page("a.html", {"l0", "l1", "l2", "l3", "l4", "l5", "l6"});
    script_answers({answer_no, answer_no, answer_no, answer_no, answer_no, answer_yes});
    ASSERT_EQ(choose_next_page(p.c_str()), 0);
    EXPECT_STREQ(next_link, "l5");

    script_answers({});
    ASSERT_EQ(choose_next_page(page("b.html", {"m0", "m1", "m2", "m3", "m4", "m5"}).c_str()), 0);
    EXPECT_EQ(asked(), links{"m5"});
    // Entries past the number of links are passed over: with two links, two questions at most.
    script_answers({answer_no, answer_no, answer_cancel});
    EXPECT_EQ(choose_next_page(page("c.html", {"n0", "n1"}).c_str()), -4);
    EXPECT_EQ(asked(), (links{"n0", "n1"}));
    EXPECT_EQ(recorded_boxes().back().text, "Next page file not found.");
    EXPECT_EQ(recorded_boxes().back().flags, box_ok_cancel | box_icon_warning | box_topmost);
}

TEST_F(next_page, OneLinkIsTakenWithoutAQuestion)
{
    ASSERT_EQ(choose_next_page(page("photo1", {"photo2"}).c_str()), 0);
    EXPECT_TRUE(recorded_boxes().empty());
    EXPECT_TRUE(order_seeded);
    EXPECT_EQ(screen_text(), " -> photo2");  // the row is read back without trailing blanks
}

TEST_F(next_page, ChosenLinkGivesDirectoryAndPath)
{
    make_scratch("next_page/sub");
    ASSERT_EQ(choose_next_page(page("a.htm", {"sub/next.htm"}).c_str()), 0);
    EXPECT_STREQ(next_link_dir, "sub/");
    EXPECT_EQ(std::string(next_page_path), folder + "sub/next.htm");
}

TEST_F(next_page, MissingOrUnusableTargets)
{
    write_file(folder + "a.html", "<a href=\"http://example.org/x.html\">x</a>");
    script_answers({answer_ok});
    EXPECT_EQ(choose_next_page((folder + "a.html").c_str()), -3);
    EXPECT_EQ(recorded_boxes()[0].text, "Not found: http://example.org/x.html file.");
    EXPECT_EQ(recorded_boxes()[0].caption, "AddNextpics : next page referring error ");

    // A link that names a directory is no next page either.
    make_scratch("next_page/dir");
    write_file(folder + "b.html", "<a href=\"dir\">x</a>");
    script_answers({answer_cancel});
    EXPECT_EQ(choose_next_page((folder + "b.html").c_str()), -4);

    EXPECT_EQ(choose_next_page((folder + "missing.html").c_str()), -1);
    write_file(folder + "empty.html", "<p>no links</p>");
    EXPECT_EQ(choose_next_page((folder + "empty.html").c_str()), -2);
}

}  // namespace
