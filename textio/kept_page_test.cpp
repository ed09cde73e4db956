// Tests of the page kept between read-only passes: which pass takes the kept bytes instead of
// opening the file, that they are never replaced while a reader reads them, and that a reader of
// the kept bytes pairs and counts positions as a reader of the file does.
#include "textio/streams.h"

#include "platform/files.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

FILE* (*system_open)(const char* path, const char* mode);
int opens;  // files opened through file_ops since the test began

FILE* counting_open(const char* path, const char* mode)
{
    ++opens;
    return system_open(path, mode);
}

std::string scan_rest()
{
    std::string bytes;
    for (int ch; (ch = scan_next()) != -1;)
        bytes += static_cast<char>(ch);
    return bytes;
}

std::string in_rest()
{
    std::string bytes;
    for (int ch; (ch = in_next()) != -1;)
        bytes += static_cast<char>(ch);
    return bytes;
}

struct kept_page : testing::Test {
    std::string folder = make_scratch("kept_page");
    file_operations saved = file_ops;
    void SetUp() override
    {
        system_open = saved.open;
        file_ops.open = counting_open;
        opens = 0;
    }
    void TearDown() override
    {
        scan_close();
        in_close();
        file_ops = saved;
        use_single_byte();
        clear_scratch(folder);
    }
    std::string page(const std::string& bytes, const char* name)
    {
        write_file(folder + name, bytes);
        return folder + name;
    }
    // Reads the page at path whole with the scan reader, so that it is kept.
    void keep(const std::string& path)
    {
        ASSERT_EQ(scan_open(path.c_str()), 0);
        scan_rest();
        scan_close();
    }
};

TEST_F(kept_page, AReadOnlyPassTakesThePageKeptWhileTheFileIsUnchanged)
{
    const std::string bytes = "<body><a href=next.html>next</a></body>";
    std::string path = page(bytes, "page.html");
    ASSERT_EQ(scan_open(path.c_str()), 0);
    file_identity read = {};
    ASSERT_TRUE(scan_identity(&read));
    EXPECT_EQ(scan_rest(), bytes);
    scan_close();
    EXPECT_EQ(opens, 1);

    ASSERT_EQ(scan_open(path.c_str()), 0);
    file_identity kept = {};
    ASSERT_TRUE(scan_identity(&kept));
    EXPECT_TRUE(kept == read);
    EXPECT_EQ(scan_rest(), bytes);
    scan_close();
    ASSERT_EQ(in_open_page(path.c_str()), 0);  // the input of a read-only pass takes it too
    EXPECT_EQ(in_rest(), bytes);
    in_close();
    EXPECT_EQ(opens, 1);

    ASSERT_EQ(in_open(path.c_str()), 0);  // the input of a rewrite always reads the file
    EXPECT_EQ(in_rest(), bytes);
    in_close();
    EXPECT_EQ(opens, 2);

    const std::string changed = "<body><a href=last.html>last</a></body>";  // the same size
    write_file(path, changed);
    ASSERT_EQ(scan_open(path.c_str()), 0);
    EXPECT_EQ(scan_rest(), changed);
    scan_close();
    EXPECT_EQ(opens, 3);
}

TEST_F(kept_page, AnEmptyPageOrOneLongerThanABlockIsNotKept)
{
    std::string empty = page("", "empty.html");
    std::string block(65537, 'x');
    std::string longer = page(block, "long.html");
    for (const std::string& path : {empty, longer}) {
        keep(path);
        int before = opens;
        ASSERT_EQ(scan_open(path.c_str()), 0);
        EXPECT_EQ(opens, before + 1) << path;
        EXPECT_EQ(scan_rest(), path == empty ? "" : block);
        scan_close();
    }
}

// While the scan reader reads the kept bytes, a page that the input reads whole must not take
// their place: its block would become the input's own, and the input's next page would be read
// over the bytes the scan reader still reads.
TEST_F(kept_page, TheKeptPageStaysWhileAReaderReadsIt)
{
    const std::string a_bytes = "<body>the page kept first</body>";
    const std::string b_bytes = "<BODY>another page, read whole</BODY>";
    std::string a = page(a_bytes, "a.html");
    std::string b = page(b_bytes, "b.html");
    keep(a);
    ASSERT_EQ(scan_open(a.c_str()), 0);
    EXPECT_EQ(scan_next(), '<');
    EXPECT_EQ(scan_next(), 'b');
    ASSERT_EQ(in_open_page(b.c_str()), 0);
    EXPECT_EQ(in_rest(), b_bytes);
    in_close();
    ASSERT_EQ(in_open(b.c_str()), 0);
    EXPECT_EQ(in_rest(), b_bytes);
    in_close();
    EXPECT_EQ(scan_rest(), a_bytes.substr(2));
    scan_close();
    EXPECT_EQ(opens, 3);

    // Once no reader reads it, the next page read whole takes its place: one page is kept.
    ASSERT_EQ(in_open_page(b.c_str()), 0);
    EXPECT_EQ(in_rest(), b_bytes);
    in_close();
    EXPECT_EQ(opens, 4);
    ASSERT_EQ(scan_open(b.c_str()), 0);
    EXPECT_EQ(scan_rest(), b_bytes);
    scan_close();
    EXPECT_EQ(opens, 4);
    ASSERT_EQ(scan_open(a.c_str()), 0);
    EXPECT_EQ(scan_rest(), a_bytes);
    scan_close();
    EXPECT_EQ(opens, 5);
}

TEST_F(kept_page, PositionsInTheKeptPageAreThoseInTheFile)
{
    std::string path = page("0123456789", "page.html");
    keep(path);
    ASSERT_EQ(in_open_page(path.c_str()), 0);
    ASSERT_EQ(opens, 1);
    EXPECT_EQ(in_tell(), 0);
    EXPECT_EQ(in_next(), '0');
    EXPECT_EQ(in_next(), '1');
    EXPECT_EQ(in_tell(), 2);
    EXPECT_EQ(in_rest(), "23456789");
    EXPECT_EQ(in_tell(), 10);
    ASSERT_EQ(in_seek(4), 0);
    EXPECT_EQ(in_tell(), 4);
    EXPECT_EQ(in_rest(), "456789");
    ASSERT_EQ(in_seek(10), 0);
    EXPECT_EQ(in_peek(), -1);
    EXPECT_EQ(in_seek(11), -1);
    EXPECT_EQ(in_seek(-1), -1);
    ASSERT_EQ(in_seek(0), 0);
    EXPECT_EQ(in_rest(), "0123456789");
}

// Whether a page pairs is decided for the kept bytes as for the file: in pairs under a double-byte
// code page, but not a UTF-8 page. A "|" after a lead byte is the second byte of a pair, and no
// stop, only where the page pairs.
TEST_F(kept_page, TheKeptPagePairsAsTheFileDoes)
{
    use_code_page_932();
    struct paired_page {
        std::string path;
        bool pairs;
        long long stop;  // where skip_until('|') stops
    };
    const std::string utf8_head = "<meta charset=utf-8>";
    for (const paired_page& c : {paired_page{page("<p>\x82|a|", "sjis.html"), true, 6},
                                 paired_page{page(utf8_head + "\xe3\x81\x82|a|", "utf8.html"), false,
                                             static_cast<long long>(utf8_head.size()) + 3}}) {
        for (bool kept : {false, true}) {
            if (kept) {
                keep(c.path);
                int before = opens;
                ASSERT_EQ(in_open_page(c.path.c_str()), 0);
                EXPECT_EQ(opens, before);
            } else {
                ASSERT_EQ(in_open(c.path.c_str()), 0);
            }
            EXPECT_EQ(in_pairs(), c.pairs) << c.path << (kept ? ", kept" : "");
            skip_until('|', '|', '|', '|', '|', '|');
            EXPECT_EQ(in_tell(), c.stop) << c.path << (kept ? ", kept" : "");
            in_close();
        }
    }
}

}  // namespace
