// Tests of the page scanners: the onLoad test of BODY tags, the link, image and stream
// collectors, comments, double-byte pairing and the table caps.
#include "scan/page_scanners.h"

#include "platform/dbcs.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

char table[image_table_size][value_size];

struct page_scanners : testing::Test {
    std::string folder;
    void SetUp() override { folder = make_scratch("page_scanners"); }
    void TearDown() override
    {
        use_single_byte();
        clear_scratch(folder);
    }
    std::string page(const std::string& bytes)
    {
        write_file(folder + "page.html", bytes);
        return folder + "page.html";
    }
};

struct onload_case {
    bool code_page_932;
    const char* page;
    int expected;
};

class already_set : public page_scanners, public testing::WithParamInterface<onload_case> {};

TEST_P(already_set, FindsOnloadOnBodyTagsOutsideComments)
{
    if (GetParam().code_page_932)
        use_code_page_932();
    else
        std::memset(lead_byte_table, 0, sizeof lead_byte_table);  // whatever the system's code page
    EXPECT_EQ(test_already_set(page(GetParam().page).c_str()), GetParam().expected) << GetParam().page;
}

INSTANTIATE_TEST_SUITE_P(
    page_scanners, already_set,
    testing::Values(
        onload_case{false, "<html><body onload=\"go()\">", 123},
        onload_case{false, "<BODY bgcolor=white>text</body>", 0},
        onload_case{false, "<body bgcolor=white><body\r\n\tonLoad=go()>", 123},
        onload_case{false, "<bodyONLOAD>", 123},
        onload_case{false, "<body title=\"x onload\">", 123},
        onload_case{false, "<body>onload", 0},
        onload_case{false, "<body a=b>onload", 0},
        onload_case{false, "<body onloa", 0},
        onload_case{false, "<bod onload>", -2},  // no BODY start tag at all
        onload_case{false, "<!-- <body onload=x> --><body>", 0},
        onload_case{false, "<!-->   <body onload=x> --><body>", 0},
        onload_case{false, "<!----><body onload=x>", 123},
        onload_case{false, "<!DOCTYPE html><!-x<body onload=x>", 123},
        onload_case{false, "<!-- never closed <body onload=x>", -2},
        onload_case{true, "<!--\x82\xA0--><body onload=x>", 123},
        onload_case{true, "<!--\x81--><body onload=x>--><body>", 0},
        onload_case{true, "<!--\x95\x95--><body onload=x>", 123},  // a second byte opens no pair
        onload_case{true, "<body \x95\x95onload>", 123},
        onload_case{true, "\x82<body onload=x>", -2},
        onload_case{true, "<body x\x82onload>", 0},
        onload_case{false, "<body x\x82onload>", 123},
        onload_case{true, "\xE5\xAD\x97<body onload=x>", 123},
        onload_case{false, "<script>document.write('<body onload=x>')</script><body>", 0},
        onload_case{false, "<Script type=x>x</SCRIPT><body onload=x>", 123},
        onload_case{false, "<body class=\"a>b\" onload=x>", 123},
        onload_case{false, "<body class=\"a>b<p onload=x>", 0}));  // a UTF-8 page is read without pairs

using values = std::vector<std::string>;
using collector = int (*)(const char*, char (*)[value_size]);

struct collect_case {
    collector pass;
    bool code_page_932;
    std::string page;
    values expected;
};

class collecting : public page_scanners, public testing::WithParamInterface<collect_case> {};

TEST_P(collecting, YieldsTheAttributeValuesInPageOrder)
{
    const collect_case& c = GetParam();
    if (c.code_page_932)
        use_code_page_932();
    else
        std::memset(lead_byte_table, 0, sizeof lead_byte_table);
    int count = c.pass(page(c.page).c_str(), table);
    ASSERT_EQ(count, static_cast<int>(c.expected.size())) << c.page;
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(table[i], c.expected[i]) << c.page;
}

INSTANTIATE_TEST_SUITE_P(
    page_scanners, collecting,
    testing::Values(
        collect_case{collect_links, false, "<A HREF=\"one.html\">1</A><a  href = 'two.html'>2</a>", values{"one.html", "two.html"}},
        collect_case{collect_links, false, "<aHREF=x.html><abbr href=y.html><a>", values{}},
        collect_case{collect_links, false, "<a\tname=top href=tab.html href=passed.html>", values{"tab.html"}},
        collect_case{collect_links, false, "<a hreflang=en> x", values{"lang=en"}},
        // An unquoted value ends at the tag's ">" as browsers read it; a quoted one holds it.
        collect_case{collect_links, false, "<a href=page2.html>Next</a><a href=\"a>b.html\">", values{"page2.html", "a>b.html"}},
        collect_case{collect_images, false, "<img src=a.png><img alt=x src=b.png>", values{"a.png", "b.png"}},
        collect_case{collect_images, false, "<img src=a.png>x src=c.png <img src=b.png>", values{"a.png", "b.png"}},
        collect_case{collect_streams, false, "<embed src=s.mid><bgsound src=t.wav>", values{"s.mid", "t.wav"}},
        collect_case{collect_links, false, "<a title=\"a > b\" href=c.html>", values{}},
        collect_case{collect_links, false, "<a href=\"1.html\" href=\"2.html\"><a href=end.html", values{"1.html", "2.html", "end.html"}},
        collect_case{collect_links, false, "<!-- <a href=c.html> --><a href=d.html >", values{"d.html"}},
        collect_case{collect_links, false, "<a name=x", values{}},
        collect_case{collect_links, false, "<a href=" + std::string(300, 'x') + " ><a href=\"" + std::string(257, 'y') + "\">",
                     values{std::string(257, 'x'), std::string(257, 'y')}},  // a value is cut to 257 bytes
        collect_case{collect_links, false, "<<a href=x ><A\nHREF\n=\n\"y\">", values{"x", "y"}},
        collect_case{collect_links, true, "\x82<a href=no.html><a href=\"\x82\"\">", values{"\x82\""}},
        // UTF-8 pages are read without pairs even where the code page has them.
        collect_case{collect_links, true, "<p>\xE3\x81\x82<a href=\"p2.html\">", values{"p2.html"}},
        collect_case{collect_images, true, "\xE7\x9C\x9F<img src=\"a.png\">", values{"a.png"}},
        collect_case{collect_images, false, "<IMG SRC=\"a.gif\" ALT=\"a b\"><imgsrc=b.gif >", values{"a.gif", "b.gif"}},
        collect_case{collect_images, false, "<img alt=x><p src=y.gif><img src = \"c.gif\">", values{"c.gif"}},
        collect_case{collect_streams, false,
                     "<embed src=a.mid ><BGSOUND SRC=\"b.wav\"><bgsound loop=1><b src=x><e src=y><EMBEDx src=c >",
                     values{"a.mid", "b.wav", "c"}},
        collect_case{collect_streams, false, "", values{}}));

TEST_F(page_scanners, EveryPassReportsAPageThatCannotBeOpened)
{
    std::string missing = folder + "missing.html";
    testing::internal::CaptureStdout();
    EXPECT_EQ(test_already_set(missing.c_str()), -1);
    EXPECT_EQ(collect_links(missing.c_str(), table), -1);
    EXPECT_EQ(collect_images(missing.c_str(), table), -1);
    EXPECT_EQ(collect_streams(missing.c_str(), table), -1);
    testing::internal::GetCapturedStdout();
}

// The one pass over a next page gives exactly what the image and the stream collectors give, also
// where one of those tags holds markup that the other collector sees.
// The next page's images, streams and links in one pass, the links kept for when the run takes that
// page: the same as the passes on their own, also where markup stands inside one of the tags.
TEST_F(page_scanners, OnePassForImagesStreamsAndLinksGivesWhatTheThreeGive)
{
    static char images[image_table_size][value_size], streams[stream_table_size][value_size];
    static char images2[image_table_size][value_size], streams2[stream_table_size][value_size];
    static char links[link_table_size][value_size], links2[link_table_size][value_size];
    std::string long_value(250, 'a');
    for (const std::string& bytes : {
             std::string("<img src=a.gif><embed src=b.mid><bgsound src=c.wav><img src=d.gif><a href=e.html>"),
             std::string("<link rel=next href=n.html><body><b><br><bgsound src=s.wav><a href=\"x.html\" rel=next>"),
             std::string("<img alt=\"<embed src=x.mid>\" src=a.gif><embed src=b.mid>"),
             std::string("<embed alt=<img src=y.gif> src=b.mid><img src=a.gif>"),
             std::string("<img src=\"a<a href=z.html>.gif\"><!-- <img src=no.gif> --><a href=k.html>"),
             std::string("<a title=\"<img src=t.gif>\" href=h.html><a href=\"<bgsound src=u.wav>\">"),
             std::string("<a href=l.html <img src=w.gif>><link href=\"q<embed src=v.mid>\" rel=next>"),
             "<img src=" + long_value + "<a href=m.html>>" + "<a href=" + long_value + "<img src=p.gif>>",
             std::string("<img src=\"a\0<embed src=x.mid><a href=n.html>\">", 46),  // markup after a NUL byte
         }) {
        std::string path = page(bytes);
        char rel_next2[value_size];
        int link_count = collect_links(path.c_str(), links2, rel_next2);
        int image_count = 0, stream_count = 0;
        ASSERT_EQ(collect_images_and_streams(path.c_str(), images, image_count, streams, stream_count), 0);
        ASSERT_EQ(image_count, collect_images(path.c_str(), images2)) << bytes;
        ASSERT_EQ(stream_count, collect_streams(path.c_str(), streams2)) << bytes;
        for (int i = 0; i < image_count; ++i)
            EXPECT_STREQ(images[i], images2[i]) << bytes;
        for (int i = 0; i < stream_count; ++i)
            EXPECT_STREQ(streams[i], streams2[i]) << bytes;
        char rel_next[value_size];
        ASSERT_EQ(collect_links(path.c_str(), links, rel_next), link_count) << bytes;
        EXPECT_STREQ(rel_next, rel_next2) << bytes;
        for (int i = 0; i < link_count; ++i)
            EXPECT_STREQ(links[i], links2[i]) << bytes;
    }
}

// A page is read once for the passes that follow each other over it, and read anew as soon as it
// has changed, even to the same size right after it was read.
TEST_F(page_scanners, APageThatChangedIsReadAnew)
{
    static char images[image_table_size][value_size], streams[stream_table_size][value_size];
    static char links[link_table_size][value_size];
    int image_count = 0, stream_count = 0;
    std::string path = page("<body><a href=one.html><img src=a.gif>");
    ASSERT_EQ(collect_images_and_streams(path.c_str(), images, image_count, streams, stream_count), 0);
    EXPECT_EQ(test_already_set(path.c_str()), set_none);
    write_file(path, "<body onLoad=x><a href=two.html><img src=b.gif>");  // not one byte longer
    EXPECT_EQ(test_already_set(path.c_str()), set_found);
    ASSERT_EQ(collect_links(path.c_str(), links), 1);
    EXPECT_STREQ(links[0], "two.html");
    ASSERT_EQ(collect_images(path.c_str(), images), 1);
    EXPECT_STREQ(images[0], "b.gif");
}

TEST_F(page_scanners, TablesKeepAtMostTheirCapLessOne)
{
    struct {
        collector pass;
        const char* tag;
        int entries;
    } passes[] = {{collect_links, "<a href=", link_table_size},
                  {collect_images, "<img src=", image_table_size},
                  {collect_streams, "<embed src=", stream_table_size}};
    for (const auto& p : passes) {
        std::string text;
        for (int i = 0; i < p.entries + 4; ++i)
            text += std::string(p.tag) + "\"v" + std::to_string(i) + "\">";
        // A table the size of the caller's: no value may land past its last entry.
        auto entries = std::make_unique<char[][value_size]>(static_cast<size_t>(p.entries));
        int count = p.pass(page(text).c_str(), entries.get());
        ASSERT_EQ(count, p.entries - 2) << p.tag;
        EXPECT_STREQ(entries[count - 1], ("v" + std::to_string(count - 1)).c_str());
    }
}

}  // namespace

namespace {

// The labels a walk reads: each field ended by a line feed, the element's text first, then its
// pictures' texts; the attributes in the order the tag has them.
TEST_F(page_scanners, LabelsHoldWhatALinkSaysOfItself)
{
    struct row {
        const char* page;
        std::vector<std::string> labels;
    };
    const row rows[] = {
        {"<a href=a.html title=\"Next  page\" class=nav>Go  <b>on</b></a>", {"Next page\nnav\nGo on\n"}},
        {"<a class=nav href=b.html>x</a>", {"nav\nx\n"}},  // the HREF after an unquoted value
        {"<a href=c.html><img src=n.png alt=\"Next\" title='on'></a>", {"\nNext\non\n"}},
        {"<a href=d.html>one<a href=e.html>two</a>", {"one\n", "two\n"}},
        {"<a title=Next href=f.html href=g.html>x</a>", {"Next\nx\n", "Next\nx\n"}},
        {"<a href=h.html><!-- <img alt=no> -->text</a>", {"text\n"}},
    };
    static char labels[link_table_size][label_size];
    for (const row& r : rows) {
        char rel_next[value_size];
        int count = collect_links(page(r.page).c_str(), table, rel_next, labels);
        ASSERT_EQ(count, static_cast<int>(r.labels.size())) << r.page;
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(labels[i], r.labels[i]) << r.page;
    }
}

}  // namespace
