// The page restorer: what it recognises, what it drops, and that everything else stays.
#include "remove/page_restorer.h"

#include "tests/page_fixture.h"
#include "tests/test_support.h"
#include "textio/temp_copy.h"

#include <gtest/gtest.h>

namespace {

const std::string marker_script = "<!-- Nextpics insert -->\r\n"
                                  "<script language=\"Javascript\">\r\n"
                                  "<!-- \r\n"
                                  "function preloadImage()  {\r\n"
                                  "  nextImg1= new Image;  nextImg1.src=\"p2/a.gif\";\r\n"
                                  "  document.preload.next();\r\n"
                                  "}\r\n"
                                  "// --></script>\r\n"
                                  "\r\n";
const std::string applet = "<applet code=\"nextpics.class\" name=\"preload\" width=0 height=0>\r\n"
                           "<param name=\"next\" value=\"p2/next.htm\">\r\n"
                           "</applet>\r\n";

void restore_ignoring_result() { restore_pass(); }

std::string restored(const std::string& page) { return run_pass(page, restore_ignoring_result); }

struct restorer : testing::Test {
    void SetUp() override { use_single_byte(); }
    void TearDown() override { use_single_byte(); }
};

TEST_F(restorer, PreparedPageComesBackWhereTextEndedInEmptyLines)
{
    const std::string original = "<html>\r\n\r\n<body bgcolor=white>\r\ntext\r\n\r\n</body>\r\n</html>\r\n";
    const std::string prepared = "<html>\r\n\r\n" + marker_script +
                                 "<body bgcolor=white onLoad=\"preloadImage()\">\r\ntext\r\n\r\n" + applet +
                                 "</body>\r\n</html>\r\n";
    EXPECT_EQ(restored(prepared), original);

    // Where the rewriter added a CR LF ahead of a tag, that one stays.
    const std::string tight = "<html>\r\n\r\n" + marker_script + "<body>\r\ntext\r\n\r\n" + applet + "</body>";
    EXPECT_EQ(restored("<html>\r\n" + std::string("\r\n") + marker_script + "<BODY onLoad=\"preloadImage()\">x" +
                       "\r\n" + applet + "</BODY>"),
              "<html>\r\n\r\n<BODY>x\r\n</BODY>");
    EXPECT_EQ(restored(tight), "<html>\r\n\r\n<body>\r\ntext\r\n\r\n</body>");
}

TEST_F(restorer, ScriptTextStaysAndQuotedGreaterThanEndsNoTag)
{
    const std::string popup = "<script>w.document.write('<html><body bgcolor=\"black\"><img>\\r\\n</body></html>')</script>";
    EXPECT_EQ(restored(popup + "<body>x"), popup + "<body>x");
    EXPECT_EQ(restored("<script>'<body onload=x>" + applet + "'</script>"), "<script>'<body onload=x>" + applet + "'</script>");
    EXPECT_EQ(restored("<body class=\"a>b\" onLoad=\"preloadImage()\">x"), "<body class=\"a>b\">x");
    EXPECT_EQ(restored("x\r\n" + applet), "x\r\n");  // an applet at the end of a page without a BODY end tag
    // A "<!--" inside a BODY end tag begins no comment, for the rewriter as for the restorer: the
    // insertion after the tag is taken out.
    EXPECT_EQ(restored("</body x <!-- y>\r\n" + marker_script + "<body onLoad=\"preloadImage()\">z-->"),
              "</body x <!-- y>\r\n<body>z-->");
}

TEST_F(restorer, OnloadAttributeIsDroppedWithItsValue)
{
    EXPECT_EQ(restored("<body onload=init() text=red>"), "<body text=red>");
    EXPECT_EQ(restored("<BODY\tONLOAD=\"a(); b()\" link=blue>x"), "<BODY link=blue>x");
    EXPECT_EQ(restored("<body onLoad='go(\"x y\")'>"), "<body>");
    // A quote that never closes: the value goes up to the tag's end.
    EXPECT_EQ(restored("<body onload=\"init() text=red>rest"), "<body>rest");
    // A quote that does not close before the next tag is no closing quote far down the page.
    EXPECT_EQ(restored("<body onLoad='init()>\r\n<p>text</p>\r\n<p>It's here</p>"),
              "<body>\r\n<p>text</p>\r\n<p>It's here</p>");
    EXPECT_EQ(restored("<body onLoad=\"if (a > b) go()\" link=red>"), "<body link=red>");
    // No blank before the name: the tag stays as it is.
    EXPECT_EQ(restored("<bodyonload=x>"), "<bodyonload=x>");
    EXPECT_EQ(restored("<body bgcolor=\"white\">"), "<body bgcolor=\"white\">");
    // The window ends at the tag's ">": an onLoad after it belongs to the text.
    EXPECT_EQ(restored("<body> onLoad"), "<body> onLoad");
    // The end of the input inside the tag still closes it.
    EXPECT_EQ(restored("<body a onLoad=x"), "<body a>");
}

TEST_F(restorer, OtherMarkupStaysByteForByte)
{
    for (const char* page :
         {"<!-- a comment --><!DOCTYPE html><!x>", "<applet code=\"other.class\"></applet>",
          "<applet  code=\"nextpics.class\"></applet>", "<applet\r\ncode=\"nextpics.class\">",
          "<!-- <body onload=x> <applet code=\"nextpics.class\"></applet> -->", "<!-- unclosed <body onload=x>",
          "<!--Nextpics-->", "<a href=x>a</a><b>b</b>", "< body onload=x>", "</body onload=x>", "<", "<!-",
          "<!-- Next chapter -->\r\n<p>text</p>\r\n<script>f()</script>\r\n"}) {
        EXPECT_EQ(restored(page), page) << page;
    }
}

TEST_F(restorer, UsersOwnMarkerLikeCommentBeforeAScriptIsKept)
{
    // A comment that begins like the marker is the page's own unless a script element follows it.
    const std::string own = "<!-- Next chapter -->\r\n<p>see below</p>\r\n<script>x()</script>\r\n";
    EXPECT_EQ(restored(own), own);
    // Only the marker itself is the marker, with a script right after it or not.
    const std::string own_script = "<!-- Next-page button -->\r\n<script>function nav() {}</script>\r\n<body>";
    EXPECT_EQ(restored(own_script), own_script);
    const std::string unended = "<!-- Nextpics insert -->\r\n<script>never ends";
    EXPECT_EQ(restored(unended), unended);
}

TEST_F(restorer, AppletElementGoesWithOneLineEnd)
{
    EXPECT_EQ(restored("a\r\n<APPLET CODE='NEXTPICS.CLASS'>\r\n<param>\r\n</APPLET>\r\n\r\nb"), "a\r\n\r\nb");
    EXPECT_EQ(restored("a<applet code=\"nex\"></applet>\nb"), "ab");
}

TEST_F(restorer, DoubleByteCharactersHideMarkup)
{
    use_code_page_932();
    EXPECT_EQ(restored("\x81<body onload=x>"), "\x81<body onload=x>");
    EXPECT_EQ(restored("<!-- \x82\xA0--><body onload=x>"), "<!-- \x82\xA0--><body>");
    EXPECT_EQ(restored("<!-- \x81--> <body onload=x> -->"), "<!-- \x81--> <body onload=x> -->");
}

// ---- the already-removed test and whole pages on disk

struct restored_site : testing::Test {
    std::string folder;
    void SetUp() override
    {
        folder = make_scratch("restore");
        temp_counter = 0;
        screen_text_reset();
    }
    void TearDown() override { clear_scratch(folder); }
    int test(const std::string& text)
    {
        write_file(folder + "t.html", text);
        return test_inserted((folder + "t.html").c_str());
    }
};

TEST_F(restored_site, TestFindsOnloadAndMarker)
{
    EXPECT_EQ(test(marker_script + "<body onLoad=\"preloadImage()\">"), 123);
    EXPECT_EQ(test(marker_script + "<body onload=init()>"), 123);
    EXPECT_EQ(test("<body><body bgcolor=x onLoad=\"preloadImage()\">"), 1);
    EXPECT_EQ(test("<body onload=preloadImage() text=red>" + marker_script), 1);
    EXPECT_EQ(test("<body>"), 0);
    EXPECT_EQ(test("<body a=b>"), 0);
    EXPECT_EQ(test("<!-- <body onload=x> --><body>"), 0);
    // A "<!--" inside a BODY end tag begins no comment that would hide the marker after it.
    EXPECT_EQ(test("</body x <!-- y>\r\n" + marker_script + "<body onLoad=\"preloadImage()\">z-->"), 123);
    EXPECT_EQ(test(""), 0);
    EXPECT_EQ(test_inserted((folder + "missing.html").c_str()), -1);
}

// Without the marker, only addNextpics' own onLoad value marks the page as prepared: a page's own
// onLoad is never taken out, whatever its quotes and letter case.
TEST_F(restored_site, PagesOwnOnloadWithoutMarkerIsNotOurs)
{
    const struct {
        const char* body;
        int result;
    } cases[] = {
        {"<body onLoad=\"preloadImage()\">", 1},
        {"<BODY ONLOAD='preloadImage()'>", 1},
        {"<body onload=preloadImage()>", 1},
        {"<body\tonload=preloadImage()\r\ntext=red>", 1},
        {"<body onload=init()>", 0},
        {"<body onload=\"init()\">", 0},
        {"<BODY OnLoad='init()' text=red>", 0},
        {"<body onload=\"preloadImage(); init()\">", 0},
        {"<body onload=\"preloadimage()\">", 0},
        {"<body onload=preloadImage()x>", 0},
        {"<body onload=\"preloadImage()'>", 0},
        {"<bodyonload>", 0},
        {"<body class=onloading>", 0},
        {"<body onload=init()><body onLoad=\"preloadImage()\">", 0},
        // A comment of the page's own that begins like the marker is no marker.
        {"<!-- Next: chapter 2 --><body onload=\"init()\">", 0},
        {"<!-- Nextpics insert --><p><body onload=\"init()\">", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(test(c.body), c.result) << c.body;
}

// An insertion left partial (the marker or our applet on a page without onLoad) is taken out; a BODY
// tag or an applet in script text belongs to the script.
TEST_F(restored_site, PartialInsertionsCountAndScriptTextDoesNot)
{
    const struct {
        std::string page;
        int result;
    } cases[] = {
        {"<body>x\r\n" + applet + "</body>", 123},
        {"<body>x<APPLET CODE='NEXTPICS.CLASS'></applet></body>", 123},
        {marker_script + "<body>x</body>", 123},
        {"<body>x<applet code=\"nextpics.class.old\"></applet></body>", 0},
        {"<body onload=init()>x" + applet + "</body>", 0},
        {"<script>document.write('<body onLoad=\"preloadImage()\">')</script><body>", 0},
        {"<script>document.write('" + applet + "')</script><body>", 0},
        {"<SCRIPT>x</SCRIPT ><body onload=preloadImage()>", 1},
        {"<body class=\"a>b\" onload=preloadImage()>", 1},
        // A comment and script of the page's own that begin like ours are no insertion.
        {"<!-- Next-page button -->\r\n<script>function nav() {}</script><body>x</body>", 0},
        {"<!-- Nextpics insertion --><script>x</script><body onload=init()>", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(test(c.page), c.result) << c.page;
}

TEST_F(restored_site, PageIsRestoredInPlaceWithoutTouchingUserFiles)
{
    write_file(folder + "p.html", marker_script + "<body onLoad=\"preloadImage()\">\r\n" + applet + "</body>");
    write_file(folder + "delnex0.tmp", "someone's file");
    ASSERT_EQ(restore_page((folder + "p.html").c_str()), 0);
    EXPECT_EQ(read_file(folder + "p.html"), "<body>\r\n</body>");
    EXPECT_EQ(read_file(folder + "delnex0.tmp"), "someone's file");
    EXPECT_FALSE(file_exists(folder + "delnex1.tmp"));
    EXPECT_EQ(restore_page((folder + "missing.html").c_str()), -1);
    EXPECT_FALSE(file_exists(folder + "delnex2.tmp"));
}

TEST_F(restored_site, AppletWithoutEndLeavesThePageAsItWas)
{
    const std::string page = "<body onload=x>\r\n<applet code=\"nextpics.class\">\r\nno end";
    write_file(folder + "p.html", page);
    EXPECT_NE(restore_page((folder + "p.html").c_str()), 0);
    EXPECT_EQ(read_file(folder + "p.html"), page);
    EXPECT_FALSE(file_exists(folder + "delnex0.tmp"));
}

}  // namespace
