// Next-page resolution: the number rule, the run-wide order and the questions.
#include "insert/next_page.h"

#include "platform/dialog.h"
#include "tests/page_fixture.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

namespace {

// The choice of the last call of choose.
next_page_choice chosen;

int choose(const char* path)
{
    choose_next_page(chosen, path);
    return chosen.result;
}

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
    ASSERT_EQ(choose(page("photo3", {"index", "photo4"}).c_str()), 0);
    EXPECT_EQ(asked(), links{"photo4"});
    EXPECT_EQ(recorded_boxes()[0].text, "Now setting: photo3 \r\nIs the next: photo4 ?");
    EXPECT_EQ(recorded_boxes()[0].caption, "AddNextpics : next page select ");
    EXPECT_EQ(recorded_boxes()[0].flags, box_yes_no | box_icon_information | box_topmost);
    EXPECT_STREQ(chosen.link, "photo4");
    EXPECT_TRUE(next_page_order_seeded());
}

TEST_F(next_page, NumberRuleActsOnlyOnTheFirstPageWithLinks)
{
    script_answers({answer_yes});
    ASSERT_EQ(choose(page("intro.html", {"a.html", "b.html"}).c_str()), 0);
    script_answers({answer_yes});
    ASSERT_EQ(choose(page("photo3", {"index", "photo4"}).c_str()), 0);
    EXPECT_EQ(asked(), links{"index"});
}

TEST_F(next_page, CandidatesOfTheFirstAndSecondPass)
{
    // Two first-pass candidates (both bases begin "photo"): the order stays as it is.
    script_answers({answer_no, answer_yes});
    ASSERT_EQ(choose(page("photo3", {"pho4", "photo4"}).c_str()), 0);
    EXPECT_EQ(asked(), (links{"pho4", "photo4"}));
    EXPECT_STREQ(chosen.link, "photo4");

    // No first-pass candidate, one in the second pass.
    reset_next_page_order();
    script_answers({});
    ASSERT_EQ(choose(page("photo3", {"index", "album4"}).c_str()), 0);
    EXPECT_EQ(asked(), links{"album4"});
}

TEST_F(next_page, YesMovesThePositionToTheFrontForLaterPages)
{
    std::string p = page("a.html", {"l0", "l1", "l2", "l3", "l4", "l5", "l6"});
    script_answers({answer_no, answer_no, answer_no, answer_no, answer_no, answer_yes});
    ASSERT_EQ(choose(p.c_str()), 0);
    EXPECT_STREQ(chosen.link, "l5");

    script_answers({});
    ASSERT_EQ(choose(page("b.html", {"m0", "m1", "m2", "m3", "m4", "m5"}).c_str()), 0);
    EXPECT_EQ(asked(), links{"m5"});
    // Entries past the number of links are passed over: with two links, two questions at most.
    script_answers({answer_no, answer_no, answer_cancel});
    EXPECT_EQ(choose(page("c.html", {"n0", "n1"}).c_str()), -4);
    EXPECT_EQ(asked(), (links{"n0", "n1"}));
    EXPECT_EQ(recorded_boxes().back().text, "Next page file not found.");
    EXPECT_EQ(recorded_boxes().back().flags, box_ok_cancel | box_icon_warning | box_topmost);
}

TEST_F(next_page, OneLinkIsTakenWithoutAQuestion)
{
    ASSERT_EQ(choose(page("photo1", {"photo2"}).c_str()), 0);
    EXPECT_EQ(chosen.rule, chosen_as_only_link);
    EXPECT_TRUE(recorded_boxes().empty());
    EXPECT_TRUE(next_page_order_seeded());
    EXPECT_EQ(screen_text(), " -> photo2");  // the row is read back without trailing blanks
}

TEST_F(next_page, ChosenLinkGivesDirectoryAndPath)
{
    make_scratch("next_page/sub");
    ASSERT_EQ(choose(page("a.htm", {"sub/next.htm"}).c_str()), 0);
    EXPECT_STREQ(chosen.link_dir, "sub/");
    EXPECT_EQ(std::string(chosen.path), folder + "sub/next.htm");
}

TEST_F(next_page, MissingOrUnusableTargets)
{
    write_file(folder + "a.html", "<a href=\"http://example.org/x.html\">x</a>");
    script_answers({answer_ok});
    EXPECT_EQ(choose((folder + "a.html").c_str()), -3);
    EXPECT_EQ(recorded_boxes()[0].text, "Not found: http://example.org/x.html file.");
    EXPECT_EQ(recorded_boxes()[0].caption, "AddNextpics : next page referring error ");

    // A link that names a directory is no next page either.
    make_scratch("next_page/dir");
    write_file(folder + "b.html", "<a href=\"dir\">x</a>");
    script_answers({answer_cancel});
    EXPECT_EQ(choose((folder + "b.html").c_str()), -4);

    EXPECT_EQ(choose((folder + "missing.html").c_str()), -1);
    write_file(folder + "empty.html", "<p>no links</p>");
    EXPECT_EQ(choose((folder + "empty.html").c_str()), -2);
}

// A link names a file as a browser reads its address; the page keeps the address as written.
TEST_F(next_page, LinksNameTheirFilesAsBrowsersReadThem)
{
    make_scratch("next_page/sub dir");
    for (const char* file : {"p2.html", "my page.html", "sub dir/p.html"})
        write_file(folder + file, "");
    const struct {
        const char* link;
        const char* file;
        const char* dir;
    } cases[] = {
        {"p2.html#SEC7", "p2.html", ""},
        {"p2.html?from=1", "p2.html", ""},
        {"my%20page.html", "my page.html", ""},
        {"sub%20dir/p.html?x=a/b#c", "sub dir/p.html", "sub%20dir/"},
    };
    for (const auto& c : cases) {
        write_file(folder + "p1.html", std::string("<a href=\"") + c.link + "\">next</a>");
        ASSERT_EQ(choose((folder + "p1.html").c_str()), 0) << c.link;
        EXPECT_STREQ(chosen.link, c.link);
        EXPECT_EQ(std::string(chosen.path), folder + c.file);
        EXPECT_STREQ(chosen.link_dir, c.dir);
    }
}

// A link to the page itself is never offered, nor a file already answered No on the page; a page
// whose links all lead to itself has none.
TEST_F(next_page, NoQuestionAboutThePageItselfOrTwiceAboutOneFile)
{
    for (const char* file : {"p2.html", "p3.html"})
        write_file(folder + file, "");
    write_file(folder + "p1.html", "<a href=\"#top\">t</a><a href=\"\">e</a><a href=\"p1.html#x\">s</a>"
                                   "<a href=\"./p1.html\">s</a><a href=\"p2.html#a\">2</a><a href=\"p2.html#b\">2</a>"
                                   "<a href=\"./p2.html\">2</a><a href=\"p3.html\">3</a>");
    script_answers({answer_no, answer_yes});
    ASSERT_EQ(choose((folder + "p1.html").c_str()), 0);
    EXPECT_EQ(asked(), (links{"p2.html#a", "p3.html"}));

    write_file(folder + "self.html", "<a href=\"#top\">top</a> <a href=\"self.html\">again</a>");
    script_answers({});
    EXPECT_EQ(choose((folder + "self.html").c_str()), -2);
    EXPECT_TRUE(recorded_boxes().empty());
}

// A page that names its next page (rel="next") has that link offered first; pages without one
// keep the run's order.
TEST_F(next_page, LinkMarkedNextIsOfferedFirst)
{
    for (const char* file : {"p2.html", "p3.html", "p9.html"})
        write_file(folder + file, "");
    write_file(folder + "a.html", "<head><link rel=\"stylesheet\" href=\"s.css\"><LINK REL=\"Next\" HREF=\"p9.html\"></head>"
                                  "<body><a href=\"p2.html\">2</a><a href=\"p3.html\">3</a><a href=\"p9.html\">9</a>");
    script_answers({answer_yes});
    ASSERT_EQ(choose((folder + "a.html").c_str()), 0);
    EXPECT_EQ(asked(), links{"p9.html"});
    EXPECT_EQ(chosen.rule, chosen_by_rel_next);

    // On an A element, among other words; a LINK element after the BODY start tag does not count.
    write_file(folder + "b.html", "<body><link rel=next href=p2.html><a href=\"p2.html\">2</a>"
                                  "<a class=x rel=\"nofollow next\" href=\"p3.html\">3</a>");
    script_answers({answer_no, answer_yes});
    ASSERT_EQ(choose((folder + "b.html").c_str()), 0);
    EXPECT_EQ(asked(), (links{"p3.html", "p2.html"}));
    EXPECT_EQ(chosen.rule, chosen_by_answer);

    // Without one, the first position answered Yes on a page before still comes first.
    write_file(folder + "c.html", "<a href=\"p2.html\">2</a><a href=\"p3.html\">3</a>");
    script_answers({answer_yes});
    ASSERT_EQ(choose((folder + "c.html").c_str()), 0);
    EXPECT_EQ(asked(), links{"p2.html"});
}

}  // namespace
