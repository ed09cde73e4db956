// The passes take runs of bytes at once (text between tags, the inside of comments, what sliding
// windows pass over); these tests hold them to the reference of taking every byte one turn at a
// time (set_text_runs(false)): the same results, the same bytes written, and on short pages the
// same number of message pump calls, on random pages in both code pages and across the blocks in
// which the streams read a file.
#include "console/message_pump.h"
#include "insert/page_rewriter.h"
#include "remove/page_restorer.h"
#include "scan/page_scanners.h"
#include "tests/test_support.h"
#include "textio/streams.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Pieces of pages that take every branch of the passes: the tags and comments they look for, the
// ones that begin the same way, the pieces delNextpics removes, and double-byte characters, some
// of whose second bytes are "<", ">" or "-".
const char* const fragments[] = {
    "<body>", "<BODY bgcolor=white>", "<body onload=\"init()\" text=red>", "<Body\r\n onLoad=x>", "<bodyx>",
    "</body>", "</BODY>", "</bo>", "</b>", "<b>", "<br>", "<bo", "<bod", "<B", "</", "<", ">", "<<body>",
    "<!-- comment -->", "<!---->", "<!-->", "<!-", "<!", "<!DOCTYPE html>", "<!-- -- > -->", "-->", "--",
    "<a href=\"page2.html\">", "<A HREF='x.htm'>", "<a\thref=y.html>", "<abbr>", "<a>", "<ahref=z>",
    "<img src=\"a.gif\" alt='b c'>", "<IMG SRC=b.jpg>", "<imgsrc=c.png>", "<im", "<i>", "<embed src=e.mid>",
    "<EMBED>", "<bgsound src=\"s.wav\">", "<bgs", "<em>",
    "<!-- Nextpics insert -->\r\n<script language=\"Javascript\">\r\n<!-- \r\nfunction preloadImage()  {\r\n"
    "  nextImg1= new Image;  nextImg1.src=\"a.gif\";\r\n}\r\n// --></script>\r\n\r\n",
    "<!-- Nextpics insert -->", "<!-- Nex", "<script>x</script>",
    "<body bgcolor=white onLoad=\"preloadImage()\">",
    "<applet code=\"nextpics.class\" name=\"preload\" width=0 height=0>\r\n<param name=\"next\" value=\"p.html\">\r\n"
    "</applet>\r\n",
    "<applet code='Nex'>", "<APPLET CODE=\"nexus\"></APPLET>", "<applet  code=\"nextpics.class\">", "<app",
    "\x82\xa0", "\x93\xfa\x96\x7b", "\x81<", "\x82>", "\x81-", "\x95\x5c", "\x81", "\xe0", "\xfc\xfc",
    // Ends that a double-byte character before them takes apart, after a run of such characters.
    "<!-- \x82\xa0\x82\xa0\x82\xa0\x82\xa0\x81-->x-->", "<!-- \x82\xa0\x82\xa0\x82\xa0\x82\xa0\x82\x81-->x-->",
    "<!-- Nextpics insert -->\r\n<script>\x82\xa0\x82\xa0\x82\xa0\x82\xa0\x81pt></script>\r\n",
    "<applet code=\"Nex\">\x82\xa0\x82\xa0\x82\xa0\x82\xa0\x82\xa0\x81</applet>x</applet>\r\n",
    "text ", "more words ", "\r\n", " ", "\t", "\x1a", "=", "\"", "'", ";", ",", "onLoad", "ONLOAD",
};
constexpr int fragment_count = sizeof fragments / sizeof fragments[0];

unsigned next_random(unsigned& state)
{
    state = state * 1103515245u + 12345u;
    return (state >> 16) & 0x7FFF;
}

std::string random_page(unsigned seed, size_t size)
{
    unsigned state = seed;
    std::string page;
    while (page.size() < size)
        page += fragments[next_random(state) % fragment_count];
    return page;
}

// What one pass gave: its result, what it collected or wrote, and the pump calls it made.
struct pass_outcome {
    int result;
    std::string output;
    unsigned pump;
    bool operator==(const pass_outcome&) const = default;
};

char table[image_table_size][value_size];

std::string table_text(int count)
{
    std::string text;
    for (int i = 0; i < count && i < image_table_size; ++i)
        text += std::string(table[i]) + "\n";
    return text;
}

constexpr int pass_count = 8;
const char* const pass_names[pass_count] = {"test_already_set", "collect_links", "collect_images", "collect_streams",
                                            "rewrite_page",     "test_inserted", "restore_pass",
                                            "collect_images_and_streams"};
char streams[stream_table_size][value_size];

pass_outcome run_pass(int pass, const std::string& page, const std::string& written)
{
    pass_outcome outcome = {0, "", 0};
    pump_calls = 0;
    const char* path = page.c_str();
    switch (pass) {
    case 0: outcome.result = test_already_set(path); break;
    case 1: outcome.output = table_text(outcome.result = collect_links(path, table)); break;
    case 2: outcome.output = table_text(outcome.result = collect_images(path, table)); break;
    case 3: outcome.output = table_text(outcome.result = collect_streams(path, table)); break;
    case 5: outcome.result = test_inserted(path); break;
    case 7: {
        // With the links it keeps for the run's next page.
        int images = 0, stream_count = 0;
        outcome.result = collect_images_and_streams(path, table, images, streams, stream_count);
        outcome.output = table_text(images);
        for (int i = 0; i < stream_count; ++i)
            outcome.output += std::string(streams[i]) + "\n";
        outcome.output += table_text(collect_links(path, table));
        break;
    }
    default:
        // The output remembers the last bytes of the file written before, and the rewriter looks
        // at them: the same four for every run.
        if (out_open(written.c_str()) != 0)
            return {-100, "", 0};
        out_puts("....");
        out_close();
        if (in_open(path) != 0 || out_open(written.c_str()) != 0)
            return {-100, "", 0};
        if (pass == 4) {
            // A next page with no name and nothing in it, and no blocks: the page's own bytes
            // are what is compared.
            static next_page_choice next;
            static next_page_contents contents;
            static insert_blocks blocks;
            rewrite_page(next, contents, blocks);
        } else
            outcome.result = restore_pass();
        out_close();
        in_close();
        outcome.output = read_file(written);
    }
    outcome.pump = pump_calls;
    return outcome;
}

// Where two outputs part, with what follows in each.
std::string difference(const std::string& a, const std::string& b)
{
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    if (at == a.size() && at == b.size())
        return "";
    return "\noutputs part at byte " + std::to_string(at) + ": \"" + a.substr(at, 40) + "\" vs \"" +
           b.substr(at, 40) + "\"";
}

struct text_runs : testing::Test {
    std::string folder = make_scratch("text_runs");
    std::string page_path = folder + "page.html";
    std::string written_path = folder + "written.html";
    void TearDown() override
    {
        set_text_runs(true);
        use_single_byte();
        clear_scratch(folder);
    }

    // Every pass over bytes, with runs and one turn at a time; with_pump also compares the pump
    // calls (pages of fewer than 1024 turns, before the pump's counter starts again).
    void expect_same(const std::string& bytes, bool with_pump, const std::string& what)
    {
        write_file(page_path, bytes);
        for (int pass = 0; pass < pass_count; ++pass) {
            set_text_runs(false);
            pass_outcome reference = run_pass(pass, page_path, written_path);
            set_text_runs(true);
            pass_outcome runs = run_pass(pass, page_path, written_path);
            if (!with_pump)
                runs.pump = reference.pump = 0;
            EXPECT_EQ(runs, reference) << pass_names[pass] << " on " << what << "\nresult " << runs.result << " vs "
                                       << reference.result << ", pump " << runs.pump << " vs " << reference.pump
                                       << difference(runs.output, reference.output);
        }
    }
};

TEST_F(text_runs, ShortRandomPagesGiveTheSameResultsBytesAndPumpCalls)
{
    for (int code_page = 0; code_page < 2; ++code_page) {
        code_page ? use_code_page_932() : use_single_byte();
        for (unsigned seed = 1; seed <= 100; ++seed)
            expect_same(random_page(seed, 300 + seed % 600), true,
                        "seed " + std::to_string(seed) + (code_page ? " (932)" : ""));
    }
}

TEST_F(text_runs, LongRandomPagesGiveTheSameResultsAndBytes)
{
    for (int code_page = 0; code_page < 2; ++code_page) {
        code_page ? use_code_page_932() : use_single_byte();
        for (unsigned seed = 1000; seed < 1006; ++seed)
            expect_same(random_page(seed, 150000), false, "seed " + std::to_string(seed));
    }
}

// The streams read a file in blocks of 65536 bytes: a tag, a comment end, a keyword or a
// double-byte character that a block boundary cuts in two is still taken as one.
TEST_F(text_runs, MarkupCutByABlockBoundaryIsFound)
{
    const char* const cut[] = {"<body onLoad=x>", "</body>", "<!-- x -->", "<img src=a.gif>", "<a href=b>",
                               "<bgsound src=c>", "\x81<body>", "\x82\xa0<body>", "<applet code='Nex'>x</applet>\r\n"};
    // Plain text before, so that each piece stands where the main loop of every pass looks.
    std::string before = "<!-- head -->";
    while (before.size() < 65536)
        before += "plain text of a page\r\n";
    std::string after = random_page(8, 2000);
    for (int code_page = 0; code_page < 2; ++code_page) {
        code_page ? use_code_page_932() : use_single_byte();
        for (const char* piece : cut)
            for (int shift = 0; shift < 10; ++shift) {
                std::string page = before.substr(0, 65536 - 5 + shift) + piece + after;
                expect_same(page, false, std::string(piece) + " at " + std::to_string(shift));
            }
    }
}

// Text without any tag runs on for whole blocks: still every byte counts as a turn of the pump.
TEST_F(text_runs, APageWithoutTagsCallsThePumpOnceAByte)
{
    std::string text(1000, 'x');
    text[500] = '<';  // a "<" that starts nothing
    expect_same(text, true, "text");
    write_file(page_path, text);
    pump_calls = 0;
    EXPECT_EQ(test_already_set(page_path.c_str()), -2);  // no BODY start tag
    EXPECT_EQ(pump_calls, 1000u);
}

}  // namespace
