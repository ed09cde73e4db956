// The page rewriter: the bytes it writes around BODY tags, and preparing whole pages on disk.
#include "insert/page_rewriter.h"

#include "insert/insert_blocks.h"
#include "insert/next_page.h"
#include "platform/dialog.h"
#include "tests/page_fixture.h"
#include "tests/test_support.h"
#include "textio/paths.h"
#include "textio/temp_copy.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// What a rewrite is given: the next page, what it holds, and the blocks of insert.ini.
next_page_choice next;
next_page_contents contents;
insert_blocks blocks;

void rewrite() { rewrite_page(next, contents, blocks); }

struct rewriter : testing::Test {
    void SetUp() override
    {
        blocks = {};
        next = {};
        copy_text(next.link, path_size, "p2/next.htm");
        copy_text(next.link_dir, path_size, "p2/");
        contents.image_count = 0;
        contents.stream_count = 0;
        use_single_byte();
        // The output remembers the end of the file written before; start every case after text.
        run_pass("x", rewrite);
    }
    void TearDown() override { use_single_byte(); }

    static void images(std::initializer_list<const char*> list)
    {
        contents.image_count = 0;
        for (const char* image : list)
            copy_text(contents.images[contents.image_count++], value_size, image);
    }
};

const std::string script_head = "<!-- Nextpics insert -->\r\n"
                                "<script language=\"Javascript\">\r\n"
                                "<!-- \r\n"
                                "function preloadImage()  {\r\n";
const std::string script_tail = "}\r\n"
                                "// --></script>\r\n"
                                "\r\n";
// What a page without a BODY end tag gets at its end, after text that ends in no line break.
const std::string applet_at_end = "\r\n<applet code=\"nextpics.class\" name=\"preload\" width=0 height=0>\r\n"
                                  "<param name=\"next\" value=\"p2/next.htm\">\r\n"
                                  "</applet>\r\n";

TEST_F(rewriter, StartTagGetsScriptLinesForEachImage)
{
    const std::string page = "<html>\r\n<body bgcolor=\"white\">\r\ntext";
    const std::string tag = "<body bgcolor=\"white\" onLoad=\"preloadImage()\">\r\ntext" + applet_at_end;

    EXPECT_EQ(run_pass(page, rewrite), "<html>\r\n\r\n" + script_head + script_tail + tag);

    images({"a.gif"});
    const std::string a_lines = "  nextImg1= new Image;  nextImg1.src=\"p2/a.gif\";\r\n"
                                "  document.preload.next();\r\n";
    EXPECT_EQ(run_pass(page, rewrite), "<html>\r\n\r\n" + script_head + a_lines + script_tail + tag);

    images({"a.gif", "HTTP://host/b.gif"});
    const std::string b_lines = "  nextImg2= new Image;  nextImg2.src=\"HTTP://host/b.gif\";\r\n"
                                "  document.preload.next();\r\n";
    EXPECT_EQ(run_pass(page, rewrite),
              "<html>\r\n\r\n" + script_head + a_lines + b_lines + script_tail + tag);
}

// Only a relative address of the next page gets the next page's directory before it.
TEST_F(rewriter, AddressesOfTheNextPageAreRebasedOnlyWhenRelative)
{
    images({"a.png", "/img/a.png", "//cdn.example.com/b.png", "http:c.png", "data:image/gif;base64,R0l", "mailto:x"});
    std::string out = run_pass("\r\n\r\n<body>", rewrite);
    for (const char* src : {"\"p2/a.png\"", "\"/img/a.png\"", "\"//cdn.example.com/b.png\"", "\"http:c.png\"",
                            "\"data:image/gif;base64,R0l\"", "\"mailto:x\""})
        EXPECT_NE(out.find(std::string(".src=") + src), std::string::npos) << src;
}

TEST_F(rewriter, LineBreakAheadOfInsertionOnlyWithoutEmptyLine)
{
    EXPECT_EQ(run_pass("a\r\n\r\n<BODY>", rewrite),
              "a\r\n\r\n" + script_head + script_tail + "<BODY onLoad=\"preloadImage()\">" + applet_at_end);
    EXPECT_EQ(run_pass("text <Body>", rewrite),
              "text \r\n" + script_head + script_tail + "<Body onLoad=\"preloadImage()\">" + applet_at_end);
    // An empty line of LF alone is no empty line for the rule.
    EXPECT_EQ(run_pass("a\n\n<body>", rewrite).substr(0, 5), "a\n\n\r\n");
}

TEST_F(rewriter, OtherMarkupPassesUnchanged)
{
    for (const char* page : {"<BR><B>bold</B><BLOCKQUOTE>q</BLOCKQUOTE>", "<!DOCTYPE html>\r\n<p>x</p>",
                             "a <", "</b", "<!- x", "<! x", "<BOD>", "</BOD>", "<!-- <body> </body> -->",
                             "<!-- unterminated <body>", "<!---->"}) {
        EXPECT_EQ(run_pass(page, rewrite), page) << page;
    }
}

TEST_F(rewriter, EndTagGetsAppletWithStreams)
{
    contents.stream_count = 1;
    copy_text(contents.streams[0], value_size, "s.mid");
    EXPECT_EQ(run_pass("x\r\n</BODY >", rewrite),
              "x\r\n\r\n<applet code=\"nextpics.class\" name=\"preload\" width=0 height=0>\r\n"
              "<param name=\"next\" value=\"p2/next.htm;p2/s.mid\">\r\n"
              "</applet>\r\n"
              "</BODY >");
}

TEST_F(rewriter, InsertBlocksShapeTheAppletElement)
{
    const std::string default_tag = "<applet code=\"nextpics.class\" name=\"preload\" width=0 height=0>\r\n";
    const std::string param = "<param name=\"next\" value=\"p2/next.htm\">\r\n";
    const std::string empty_blocks = run_pass("\r\n\r\n</body>", rewrite);

    // A tag block whose first 44 bytes match the fixed start gives the same start tag.
    copy_text(blocks.applet_tag, insert_block_size, default_tag.c_str());
    copy_text(blocks.applet_end, insert_block_size, "</applet>\r\n");
    EXPECT_EQ(run_pass("\r\n\r\n</body>", rewrite), empty_blocks);

    // Lead-in text, the tag's own rest from byte 45 and the end block's tail from byte 11.
    copy_text(blocks.lead_in, insert_block_size, "<!-- lead -->\r\n");
    copy_text(blocks.applet_tag, insert_block_size,
              "<applet code=\"nextpics.class\" name=\"preload\" width=1 height=1>\r\n<param name=\"x\">\r\n");
    copy_text(blocks.applet_end, insert_block_size, "</applet>\r\n<!-- tail -->\r\n");
    EXPECT_EQ(run_pass("\r\n\r\n</body>", rewrite),
              "\r\n\r\n<!-- lead -->\r\n<applet code=\"nextpics.class\" name=\"preload\" width=1 height=1>\r\n"
              "<param name=\"x\">\r\n" +
                  param + "</applet>\r\n<!-- tail -->\r\n</body>");

    // A tag block of 23 to 44 bytes leaves the start tag open.
    blocks.lead_in[0] = '\0';
    copy_text(blocks.applet_tag, insert_block_size, "<applet code=\"nextpics.class\">");
    EXPECT_EQ(run_pass("\r\n\r\n</body>", rewrite),
              "\r\n\r\n<applet code=\"nextpics.class\" name=\"preload\"" + param + "</applet>\r\n<!-- tail -->\r\n</body>");
}

TEST_F(rewriter, TwoBodyTagsGetTwoScriptsAndPageEndClosesTag)
{
    std::string out = run_pass("<body>\r\n\r\n<body", rewrite);
    EXPECT_EQ(out, "\r\n" + script_head + script_tail + "<body onLoad=\"preloadImage()\">\r\n\r\n" + script_head +
                       script_tail + "<body onLoad=\"preloadImage()\">" + applet_at_end);
}

// BODY tags as browsers see them: none inside script text, and a ">" inside a quoted value ends no
// tag.
TEST_F(rewriter, BodyTagsAreTakenAsBrowsersReadThem)
{
    const std::string onload = " onLoad=\"preloadImage()\">";
    const std::string popup = "<script>w.document.write('<html><body bgcolor=\"black\"><img src=\"' + src + "
                              "'\"></body></html>')</script>";
    const struct {
        std::string page, prepared;
    } cases[] = {
        {popup + "\r\n\r\n<body>x", popup + "\r\n\r\n" + script_head + script_tail + "<body" + onload + "x" + applet_at_end},
        {"<SCRIPT type=x>var t = \"<body class=x>\";</Script >", "<SCRIPT type=x>var t = \"<body class=x>\";</Script >"},
        {"<script>never closed <body>", "<script>never closed <body>"},
        {"<scripts><body>", "<scripts>\r\n" + script_head + script_tail + "<body" + onload + applet_at_end},
        {"\r\n\r\n<body class=\"a>b\">", "\r\n\r\n" + script_head + script_tail + "<body class=\"a>b\"" + onload + applet_at_end},
        {"\r\n\r\n<body class='a>b' id=x>", "\r\n\r\n" + script_head + script_tail + "<body class='a>b' id=x" + onload + applet_at_end},
        // A quote that does not close before the next "<" is taken as unclosed.
        {"\r\n\r\n<body class=\"a>b<p>\"", "\r\n\r\n" + script_head + script_tail + "<body class=\"a" + onload + "b<p>\"" + applet_at_end},
        {"\r\n\r\n<body title=a\"b>c\">", "\r\n\r\n" + script_head + script_tail + "<body title=a\"b" + onload + "c\">" + applet_at_end},
        // The applet is not put at the end of a page that ends inside a comment or script text.
        {"\r\n\r\n<body><!-- never closed", "\r\n\r\n" + script_head + script_tail + "<body" + onload + "<!-- never closed"},
        {"\r\n\r\n<body><script>never closed", "\r\n\r\n" + script_head + script_tail + "<body" + onload + "<script>never closed"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(run_pass(c.page, rewrite), c.prepared) << c.page;
}

TEST_F(rewriter, DoubleByteCharactersHideMarkup)
{
    use_code_page_932();
    // 0x81 0x3C: "<" as a second byte; 0x83 0x3E: ">" as a second byte inside the tag.
    const std::string hidden = "\x81<body>";
    EXPECT_EQ(run_pass(hidden, rewrite), hidden);
    EXPECT_EQ(run_pass("<body title=\"\x83>\">", rewrite),
              "\r\n" + script_head + script_tail + "<body title=\"\x83>\" onLoad=\"preloadImage()\">" + applet_at_end);
    // A comment whose text ends in a double-byte character directly before "-->" ends there.
    EXPECT_EQ(run_pass("<!-- \x82\xA0--><body>", rewrite),
              "<!-- \x82\xA0-->\r\n" + script_head + script_tail + "<body onLoad=\"preloadImage()\">" + applet_at_end);
    // A lead byte right before "-" keeps that "-" out of the comment's end.
    EXPECT_EQ(run_pass("<!-- \x81--> <body> -->x", rewrite), "<!-- \x81--> <body> -->x");
    // A UTF-8 page is read without pairs: the "<" after a character of three bytes starts its tag.
    EXPECT_EQ(run_pass("\xE5\xAD\x97<body>", rewrite),
              "\xE5\xAD\x97\r\n" + script_head + script_tail + "<body onLoad=\"preloadImage()\">" + applet_at_end);
    EXPECT_NE(run_pass("\xE5\x86\x99</body>", rewrite).find("<applet code="), std::string::npos);
}

// ---- whole pages on disk

struct prepared_site : testing::Test {
    std::string folder;
    void SetUp() override
    {
        folder = make_scratch("site");
        load_insert_blocks(folder.c_str());  // none there: the blocks are empty
        reset_next_page_order();
        temp_counter = 0;
        set_program_directory((folder + "program/").c_str());
        script_answers({});
        screen_text_reset();
    }
    void TearDown() override { clear_scratch(folder); }
    std::string at(const char* name) { return folder + name; }
};

TEST_F(prepared_site, PageIsRewrittenAndNothingOfOursIsLeft)
{
    write_file(at("a.html"), "<body>\r\n<a href=\"b.html\">next</a>\r\n</body>\r\n");
    write_file(at("b.html"), "<img src=\"x.gif\"><embed src=\"s.mid\">");
    write_file(at("addnex0.tmp"), "a user's own file");
    ASSERT_EQ(insert_into_page(at("a.html").c_str()), 0);

    std::string page = read_file(at("a.html"));
    EXPECT_NE(page.find("nextImg1.src=\"x.gif\""), std::string::npos);
    EXPECT_NE(page.find("<param name=\"next\" value=\"b.html;s.mid\">"), std::string::npos);
    EXPECT_EQ(screen_text(), " -> b.html (1 imgs, 1 strms)");
    // The existing temporary name was passed over, not overwritten, and ours is gone.
    EXPECT_EQ(read_file(at("addnex0.tmp")), "a user's own file");
    EXPECT_FALSE(file_exists(at("addnex1.tmp")));
    EXPECT_EQ(temp_counter, 1);
}

TEST_F(prepared_site, AppletFileIsCopiedOnlyWhereMissing)
{
    make_scratch("site/program");
    write_file(at("program/nextpics.class"), "class bytes");
    write_file(at("a.html"), "<a href=\"b.html\">b</a>");
    write_file(at("b.html"), "");
    ASSERT_EQ(insert_into_page(at("a.html").c_str()), 0);
    EXPECT_EQ(read_file(at("nextpics.class")), "class bytes");

    write_file(at("nextpics.class"), "the page's own");
    ASSERT_EQ(insert_into_page(at("a.html").c_str()), 0);
    EXPECT_EQ(read_file(at("nextpics.class")), "the page's own");
}

TEST_F(prepared_site, FailuresLeaveThePageAlone)
{
    const std::string no_links = "<body>no links</body>";
    write_file(at("none.html"), no_links);
    EXPECT_EQ(insert_into_page(at("missing.html").c_str()), -1);
    EXPECT_EQ(insert_into_page(at("none.html").c_str()), -2);
    EXPECT_EQ(read_file(at("none.html")), no_links);

    const std::string dangling = "<a href=\"gone.html\">x</a>";
    write_file(at("d.html"), dangling);
    script_answers({answer_ok, answer_cancel});
    EXPECT_EQ(insert_into_page(at("d.html").c_str()), -3);
    EXPECT_EQ(insert_into_page(at("d.html").c_str()), -4);
    EXPECT_EQ(read_file(at("d.html")), dangling);
    ASSERT_EQ(recorded_boxes().size(), 2u);
    EXPECT_EQ(recorded_boxes()[0].text, "Not found: gone.html file.");
}

}  // namespace
