// Next-page resolution: the number rule, the run-wide order and the questions.
#include "insert/next_page.h"

#include "platform/dialog.h"
#include "tests/page_fixture.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

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

// ---- the walk's rules

bool nobody() { return false; }
bool somebody() { return true; }

// The link a walk takes with no one to answer, on a page named name holding html, in a folder
// where the files of existing exist; "" when it takes none, with the result in chosen.
struct walk_row {
    const char* name;
    const char* html;
    std::initializer_list<const char*> existing;
    const char* link;
    int result;
    choice_rule rule;
};

TEST_F(next_page, WalkTakesTheLinkAReaderWouldClickWithNoOneAnswering)
{
    const walk_row rows[] = {
        {"p1.html", "<head><link rel=next href=p2.html></head><body><a href=p0.html>Next</a>", {"p2.html", "p0.html"},
         "p2.html", add_done, chosen_by_rel_next},
        {"photo3.html", "<a href=photo2.html>&lt;&lt; Prev</a> | <a href=index.html>Index</a> | "
                        "<a href=photo4.html>Next &gt;&gt;</a>", {"photo2.html", "index.html", "photo4.html"},
         "photo4.html", add_done, chosen_by_words},
        {"a.html", "<a href=b.html><img src=b.png alt=Back></a> <a href='c.html'><IMG SRC=n.png ALT=\"Next\"></a>",
         {"b.html", "c.html"}, "c.html", add_done, chosen_by_words},
        {"c5.html", "<a href=x.html>Next</a> <a href=y.html>Next chapter</a> <a href=c6.html>six</a>",
         {"x.html", "y.html", "c6.html"}, "c6.html", add_done, chosen_by_number},
        {"c.html", "<a href=x.html>Next</a> <a href=y.html>Next chapter</a>", {"x.html", "y.html"}, "", add_undecided, chosen_by_none},
        {"s.html", "<a href=https://example.org/n.html>Next</a> <a href=//example.org/m.html>Next</a> "
                   "<a href=index.html>Index</a>", {"index.html"}, "", add_undecided, chosen_by_none},
        {"m.html", "<a href=gone.html>Next</a> <a href=index.html>Index</a>", {"index.html"}, "", add_undecided, chosen_by_none},
        {"f.html", "<a href=sub/>Next</a> <a href=#top>Next</a> <a href=f.html>Next</a> <a href=x.html>x</a>",
         {"x.html"}, "", add_undecided, chosen_by_none},
        {"index.html", "<a href=../>up</a> <a href=slide_02.html>2</a> <a href=slide_01.html>1</a> "
                       "<a href=slide_03.html>3</a> <a href=about.html>about</a>",
         {"slide_01.html", "slide_02.html", "slide_03.html", "about.html"}, "slide_01.html", add_done, chosen_by_number},
        {"t.html", "<a href=../other/p1.html>Next</a> <a href=x.html>x</a>", {"x.html"}, "../other/p1.html",
         add_next_outside, chosen_by_none},
    };
    int k = 0;
    for (const walk_row& row : rows) {
        std::string tree = folder + "tree" + std::to_string(++k) + "/";
        std::filesystem::create_directories(tree + "sub");
        std::filesystem::create_directories(folder + "other");
        write_file(folder + "other/p1.html", "");
        for (const char* file : row.existing)
            write_file(tree + file, "");
        write_file(tree + row.name, row.html);
        reset_next_page_order();
        use_walk_rules(nobody, tree.c_str());
        choose((tree + row.name).c_str());
        EXPECT_TRUE(asked().empty()) << row.name;
        EXPECT_EQ(chosen.result, row.result) << row.name;
        EXPECT_EQ(chosen.rule, row.rule) << row.name;
        if (row.result != add_undecided) {
            EXPECT_STREQ(chosen.link, row.link) << row.name;
        }
    }
    reset_next_page_order();
}

// Someone answering is asked about the number rule's link first and the links back last; other
// sites and folders are never offered.
TEST_F(next_page, WalkAsksInTheReadersOrder)
{
    for (const char* file : {"index.html", "p2.html", "p4.html", "other.html"})
        write_file(folder + file, "");
    write_file(folder + "p3.html", "<a href=index.html>Index</a> <a href=p2.html>Previous</a> "
                                   "<a href=http://example.org/>site</a> <a href=../>up</a> <a href=other.html>x</a> "
                                   "<a href=p4.html>4</a>");
    use_walk_rules(somebody, folder.c_str());
    script_answers({answer_no, answer_no, answer_no, answer_yes});
    ASSERT_EQ(choose((folder + "p3.html").c_str()), add_done);
    EXPECT_EQ(asked(), (links{"p4.html", "other.html", "index.html", "p2.html"}));
    EXPECT_EQ(chosen.rule, chosen_by_answer);
    EXPECT_STREQ(chosen.link, "p2.html");
    reset_next_page_order();
}

// A tree of nodes: a node's first section comes before its next node, and after the last section
// the next node of the node above.
TEST_F(next_page, WalkReadsATreeOfNodesInOrder)
{
    auto node = [&](const char* name, const char* up, const char* prev, const char* next, const char* body) {
        std::string head = "<head>";
        for (auto [rel, href] : {std::pair{"up", up}, {"prev", prev}, {"next", next}})
            if (href)
                head += std::string("<link rel=\"") + rel + "\" href=\"" + href + "\">";
        write_file(folder + name, head + "</head><body>" + body);
    };
    node("top.html", nullptr, nullptr, "a.html", "<a href=a.html>A</a><a href=b.html>B</a>");
    node("a.html", "top.html", "top.html", "b.html",
         "<a rel=next href=b.html>B</a> <a rel=up href=top.html>Up</a> <a href=a1.html>A1</a>");
    node("a1.html", "a.html", nullptr, "a2.html", "<a href=a2.html>A2</a>");
    node("a2.html", "a.html", "a1.html", nullptr, "<a rel=prev href=a1.html>Prev</a> <a href=a.html>Up</a>");
    node("b.html", "top.html", "a.html", nullptr, "<a href=a.html>Prev</a>");
    struct row {
        const char* page;
        const char* link;
        choice_rule rule;
    };
    for (row r : {row{"a.html", "a1.html", chosen_in_node_tree}, row{"a1.html", "a2.html", chosen_by_rel_next},
                  row{"a2.html", "b.html", chosen_in_node_tree}}) {
        reset_next_page_order();
        use_walk_rules(nobody, folder.c_str());
        ASSERT_EQ(choose((folder + r.page).c_str()), add_done) << r.page;
        EXPECT_STREQ(chosen.link, r.link) << r.page;
        EXPECT_EQ(chosen.rule, r.rule) << r.page;
    }
    reset_next_page_order();
}

}  // namespace
