// The restorer: near misses of what it takes out stay byte for byte; and a BODY tag holding a
// double-byte character whose second byte is ">", which the rewriter takes for text, so the
// restorer must too, or the page could never be restored.
#include "remove/page_restorer.h"

#include "insert/insert_blocks.h"
#include "insert/next_page.h"
#include "insert/page_rewriter.h"
#include "tests/page_fixture.h"
#include "tests/test_support.h"
#include "textio/paths.h"

#include <gtest/gtest.h>

namespace {

void restore_ignoring_result() { restore_pass(); }

struct sample {
    const char* page;
    const char* restored;
};

TEST(restorer_near_misses, OnlyWhatBeginsExactlyLikeOurPiecesGoes)
{
    use_single_byte();
    const sample samples[] = {
        // Comments that do not begin with a blank and N, e, x exactly, or are not followed by a
        // script element, are the page's own.
        {"<!--xNext -->a", "<!--xNext -->a"},
        {"<!-- Mext -->a", "<!-- Mext -->a"},
        {"<!-- NExt -->a", "<!-- NExt -->a"},
        {"<!-- Nez -->a", "<!-- Nez -->a"},
        {"<!-- Next, never closed <body onload=x>", "<!-- Next, never closed <body onload=x>"},
        {"<!-- Nextpics insert -->\r\n<scripts>x</script>a", "<!-- Nextpics insert -->\r\n<scripts>x</script>a"},
        {"<!-- Nextpics insert -->\r\n<p>x</script>a", "<!-- Nextpics insert -->\r\n<p>x</script>a"},
        // Ours: through "</script>" and at most two line ends, CR or LF alone counting as one.
        {"<!-- Nextpics insert -->\r\n<script>x</script>\r\n\r\n\r\na", "\r\na"},
        {"<!-- Nextpics insert -->\r<SCRIPT\tlanguage=x>x</SCRIPT>\ra", "a"},
        // Applets: "<applet code=" with one space, a quote, then N, E, X in any case.
        {"<applet code=nextpics.class></applet>a", "<applet code=nextpics.class></applet>a"},
        {"<applet  code=\"nextpics.class\"></applet>a", "<applet  code=\"nextpics.class\"></applet>a"},
        {"<applet code=\"other.class\"></applet>a", "<applet code=\"other.class\"></applet>a"},
        {"<Applet Code='NEXT.class'>x</APPLET>\na", "a"},
        {"<abbr>a</abbr>", "<abbr>a</abbr>"},
        // onLoad values: unquoted, quoted, empty, and a quote that runs into markup.
        {"<body onload=go()>a", "<body>a"},
        {"<body onload='x y' text=red>a", "<body text=red>a"},
        {"<body onload>a", "<body>a"},
        {"<body onload=\"a<b\">a", "<body>a"},
        {"<bodyx onload=1>a", "<bodyx>a"},
        {"<bod onload=1>a", "<bod onload=1>a"},
        {"<b>onload</b>", "<b>onload</b>"},
    };
    for (const sample& s : samples)
        EXPECT_EQ(run_pass(s.page, restore_ignoring_result), s.restored) << s.page;
}

TEST(restorer_near_misses, OnlyAnOnloadInABodyTagCountsAsPrepared)
{
    use_single_byte();
    std::string folder = make_scratch("restorer_near_misses");
    std::string page = folder + "page.html";
    const std::pair<const char*, int> samples[] = {
        {"<body\r\n\tonload=preloadImage()>", 1},
        {"<body><body text=red onload=preloadImage()>", 1},
        {"<body>", 0},
        {"<body onloa", 0},
        {"<p onload=x><body>", 0},
        {"<!-- <body onload=x> -->", 0},
        {"<!-- Nextpics insert -->\r\n<script>x</script><body onload=x>", 123},
        {"<!-- Nextpics insert --><body onload=x>", 0},  // the marker is the comment with its script
        {"<body onload=preloadImage()><!-- Nextpics insert -->", 1},
        {"<body onload=x><!-- Nextpics insert -->", 0},
    };
    for (const auto& [text, expected] : samples) {
        write_file(page, text);
        EXPECT_EQ(test_inserted(page.c_str()), expected) << text;
    }
    clear_scratch(folder);
}

TEST(restorer_double_byte, SecondByteGreaterThanEndsNoBodyTag)
{
    use_code_page_932();
    static next_page_choice next;
    static next_page_contents contents;
    static insert_blocks blocks;
    copy_text(next.link, path_size, "next.htm");
    auto rewrite = [] { rewrite_page(next, contents, blocks); };

    // 0x81 0x3E is one character; the tag ends at the ">" after y.
    const std::string page = "<html>\r\n\r\n<body title=\x81>y>text\r\n\r\n</body>";
    run_pass("text", rewrite);  // the line-break rule then looks at text, not at an empty line
    std::string prepared = run_pass(page, rewrite);
    ASSERT_NE(prepared.find("<body title=\x81>y onLoad=\"preloadImage()\">"), std::string::npos);

    EXPECT_EQ(run_pass(prepared, restore_ignoring_result), page);

    std::string folder = make_scratch("restorer_double_byte");
    write_file(folder + "page.html", prepared);
    EXPECT_EQ(test_inserted((folder + "page.html").c_str()), 123);
    write_file(folder + "page.html", "<body title=\x81>y onload=preloadImage()>");
    EXPECT_EQ(test_inserted((folder + "page.html").c_str()), 1);
    clear_scratch(folder);
    use_single_byte();
}

}  // namespace
