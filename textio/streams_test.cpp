// Tests of the character streams: look-ahead reading, the attribute-value reader, the output
// stream's history and failures, and the copying operations.
#include "textio/streams.h"

#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct streams : testing::Test {
    std::string folder = make_scratch("streams");
    void TearDown() override
    {
        scan_close();
        in_close();
        out_close();
        use_single_byte();
        clear_scratch(folder);
    }
    std::string page(const std::string& bytes, const char* name = "page.html")
    {
        write_file(folder + name, bytes);
        return folder + name;
    }
};

TEST_F(streams, ReadersReturnUnsignedBytesAndStayAtTheEnd)
{
    std::string path = page(std::string("\xFF") + '\0' + "abc");
    ASSERT_EQ(scan_open(path.c_str()), 0);
    ASSERT_EQ(in_open(path.c_str()), 0);
    EXPECT_EQ(scan_next(), 255);
    EXPECT_EQ(scan_next(), 0);
    EXPECT_EQ(in_next(), 255);  // the two readers are independent
    EXPECT_EQ(in_tell(), 1);
    while (scan_next() != -1) {
    }
    EXPECT_EQ(scan_next(), -1);
    EXPECT_EQ(scan_peek(), -1);
    while (in_next() != -1) {
    }
    EXPECT_EQ(in_tell(), 5);
    ASSERT_EQ(in_seek(2), 0);
    EXPECT_EQ(in_next(), 'a');

    ASSERT_EQ(in_open(page("", "empty.html").c_str()), 0);
    EXPECT_EQ(in_peek(), -1);
    EXPECT_EQ(in_next(), -1);
}

TEST_F(streams, AMissingFileIsReportedAndLeavesTheReaderClosed)
{
    std::string path = folder + "missing.html";
    ASSERT_EQ(scan_open(page("ab").c_str()), 0);
    ASSERT_EQ(in_open(page("ab").c_str()), 0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(scan_open(path.c_str()), -1);
    EXPECT_EQ(in_open(path.c_str()), -1);
    EXPECT_EQ(out_open((folder + "no/dir.html").c_str()), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nCannot open source file (RD) : " + path +
                                                          "\n\nCannot open RD file : " + path +
                                                          "\nCannot open WR file : " + folder + "no/dir.html\n");
    EXPECT_EQ(scan_next(), -1);
    EXPECT_EQ(in_peek(), -1);
}

struct value_case {
    bool code_page_932;
    std::string input;
    std::string value;
    int look_ahead;  // what the reader holds after the value
};

class value_reading : public streams, public testing::WithParamInterface<value_case> {};

TEST_P(value_reading, ReadsOneAttributeValue)
{
    const value_case& c = GetParam();
    if (c.code_page_932)
        use_code_page_932();
    ASSERT_EQ(scan_open(page(c.input).c_str()), 0);
    char buffer[258];
    EXPECT_EQ(scan_read_value(buffer, sizeof buffer), static_cast<int>(c.value.size()) + 1);
    EXPECT_EQ(buffer, c.value);
    EXPECT_EQ(scan_peek(), c.look_ahead);
}

INSTANTIATE_TEST_SUITE_P(
    streams, value_reading,
    testing::Values(value_case{false, "=\"page1.html\">", "page1.html", '>'},
                    value_case{false, " \x1A\t,:;=\r\n\"x\" y", "x", ' '},
                    value_case{false, "\"'abc'\"rest", "abc'", 'r'},
                    value_case{false, "'a b;>\"c'd", "a b;>\"c", 'd'},
                    value_case{false, "page2.html>Next more", "page2.html", '>'},  // the tag's ">" ends an unquoted value
                    value_case{false, "abc;def", "abc", 'd'},
                    value_case{false, "x'y\"z", "x'y", 'z'},
                    value_case{false, "\"no end", "no end", -1},
                    value_case{false, "", "", -1},
                    value_case{true, "\"\x82\"x\" y", "\x82\"x", ' '},
                    value_case{true, "a\x82 b c", "a\x82 b", 'c'}));

TEST_F(streams, AValueLongerThanItsBufferIsCut)
{
    std::string fits(257, 'v');
    char buffer[258];
    ASSERT_EQ(scan_open(page("\"" + fits + "\"").c_str()), 0);
    EXPECT_EQ(scan_read_value(buffer, 258), 258);
    EXPECT_EQ(buffer, fits);
    ASSERT_EQ(scan_open(page(fits + "LR rest").c_str()), 0);
    EXPECT_EQ(scan_read_value(buffer, 258), -1);
    EXPECT_EQ(buffer, fits);       // the first 257 bytes
    EXPECT_EQ(scan_peek(), 'R');  // the 258th byte is lost, the rest unread
}

TEST_F(streams, OutputRemembersTheLastFourBytesAcrossFiles)
{
    out_close();
    EXPECT_EQ(out_put('x'), -1);
    std::string path = folder + "out.html";
    ASSERT_EQ(out_open(path.c_str()), 0);
    out_puts("ab\r\n\r\n");
    EXPECT_EQ((std::vector<int>{out_last(), out_last2(), out_last3(), out_last4()}), (std::vector<int>{10, 13, 10, 13}));
    EXPECT_EQ(out_put(0x141), 0);  // the low eight bits
    EXPECT_EQ(out_close(), 0);
    EXPECT_EQ(out_close(), 0);
    EXPECT_EQ(out_put('y'), -1);
    EXPECT_EQ(read_file(path), "ab\r\n\r\nA");
    ASSERT_EQ(out_open((folder + "second.html").c_str()), 0);
    EXPECT_EQ(out_last2(), 10);  // opening does not forget the history
    out_puts("\xE9");
    EXPECT_EQ(out_last(), 0xE9);
}

#ifndef _WIN32
TEST_F(streams, AFailedWriteIsReportedOnceAndClosesTheOutput)
{
    // The device that is always full, opened as a plain stream: the programs' own open takes
    // regular files only.
    file_operations saved = file_ops;
    file_ops.open = [](const char* path, const char* mode) { return std::fopen(path, mode); };
    bool opened = out_open("/dev/full") == 0;
    file_ops = saved;
    ASSERT_TRUE(opened);
    testing::internal::CaptureStdout();
    int first_failure = -1;
    int written_after_failure = 0;
    for (int i = 0; i < 200000; ++i) {
        int result = out_put('z');
        if (result != 0 && first_failure < 0)
            first_failure = i;
        written_after_failure += result == 0 && first_failure >= 0;
    }
    out_puts(std::string(5000, 'w').c_str());
    EXPECT_EQ(out_close(), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "File writing error.(or Disk full)\n");
    EXPECT_GE(first_failure, 4096);
    EXPECT_EQ(written_after_failure, 0);
}
#endif

TEST_F(streams, CopyAndSkipStopOutsidePairsAndIgnoreQuotes)
{
    use_code_page_932();
    std::string out = folder + "out.html";
    ASSERT_EQ(in_open(page("a=\"b>c\x82>d>e\x82 f\tg>").c_str()), 0);
    ASSERT_EQ(out_open(out.c_str()), 0);
    copy_until('>');
    EXPECT_EQ(in_next(), '>');
    copy_until('>');
    EXPECT_EQ(in_next(), '>');
    skip_until('>', ' ', '\t', '\r', '\n', 26);
    EXPECT_EQ(in_next(), '\t');
    copy_until('?');  // runs to the end of the input
    EXPECT_EQ(in_peek(), -1);
    out_close();
    EXPECT_EQ(read_file(out), "a=\"bc\x82>dg>");
}

}  // namespace

namespace {

// Reading a page back after it was written: a page of one block is compared whole, a longer one
// by a hash of its blocks; a size at each edge of a block, and one byte changed in each.
TEST_F(streams, APageReadsBackAsWrittenAndNotOnceChanged)
{
    const std::string path = folder + "back.html";
    for (size_t size : {size_t{0}, size_t{1}, size_t{65535}, size_t{65536}, size_t{65537}, size_t{131072}, size_t{200001}}) {
        std::string bytes(size, 'x');
        for (size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>('a' + i * 7 % 26);
        ASSERT_EQ(out_open(path.c_str()), 0);
        out_write(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(size));
        ASSERT_EQ(out_commit(), 0);
        EXPECT_TRUE(out_reads_back(path.c_str())) << size;
        if (size > 0) {
            std::string changed = bytes;
            changed[size - 1 - size / 3] ^= 1;
            write_file(path, changed);
            EXPECT_FALSE(out_reads_back(path.c_str())) << size;
        }
        write_file(path, bytes + "y");
        EXPECT_FALSE(out_reads_back(path.c_str())) << size << " and one byte more";
    }
    EXPECT_FALSE(out_reads_back((folder + "missing.html").c_str()));
}

}  // namespace
