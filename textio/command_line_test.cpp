// Tests of the command-line splitting: quotes, separators, double-byte characters and the limits
// of the argument store.
#include "textio/command_line.h"

#include "platform/dbcs.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

char* table[max_arguments + 1];

// Splits text and returns the arguments; checks that the end entry is the empty string just
// behind the last argument.
std::vector<std::string> split(const std::string& text)
{
    int count = 0;
    EXPECT_EQ(split_command_line_text(&count, table, text.c_str()), 0);
    std::vector<std::string> args(table, table + count);
    EXPECT_EQ(table[count], table[count - 1] + std::strlen(table[count - 1]) + 1);
    EXPECT_STREQ(table[count], "");
    return args;
}

using args = std::vector<std::string>;

struct split_case {
    bool code_page_932;
    const char* text;
    args expected;
};

class splitting : public testing::TestWithParam<split_case> {};

TEST_P(splitting, GivesTheExpectedArguments)
{
    if (GetParam().code_page_932)
        use_code_page_932();
    else
        std::memset(lead_byte_table, 0, sizeof lead_byte_table);  // whatever the system's code page
    EXPECT_EQ(split(GetParam().text), GetParam().expected);
    use_single_byte();
}

INSTANTIATE_TEST_SUITE_P(
    command_line, splitting,
    testing::Values(
        split_case{false, "\"C:\\dir\\prog.exe\" \"C:\\pages\\a b.html\"", args{"C:\\dir\\prog.exe", "C:\\pages\\a b.html"}},
        split_case{false, "prog.exe  a.html", args{"prog.exe", "", "a.html"}},
        split_case{false, "prog.exe a.html ", args{"prog.exe", "a.html", ""}},
        split_case{false, "prog a\"b c\"d \"\" e", args{"prog", "ab cd", "", "e"}},
        split_case{false, "prog a\tb", args{"prog", "a\tb"}},
        split_case{false, "", args{""}},
        split_case{false, "prog \x95\" x\"", args{"prog", "\x95 x"}},  // single-byte: the quote groups
        split_case{true, "prog \x95\" x", args{"prog", "\x95\"", "x"}},  // 932: the quote is a second byte
        split_case{true, "prog \x95 x", args{"prog", "\x95 x"}},        // 932: so is the space
        split_case{true, "\"\x95\" a\"", args{"\x95\" a"}}));

TEST(command_line, StopsAtTheLimitsOfTheStore)
{
    std::string text = "prog";
    for (int i = 0; i < 1030; ++i)
        text += " f" + std::to_string(i);
    args result = split(text);
    ASSERT_EQ(result.size(), 1024u);  // counting the program
    EXPECT_EQ(result[1023], "f1022");
    // What is left out is counted, so that the log can say so; empty arguments are no pages.
    auto left_out = [] { return std::pair(arguments_left_out().count, arguments_left_out().limit); };
    EXPECT_EQ(left_out(), std::pair(7, limit_count));
    split(text + "  \"f x\" \"\" ");
    EXPECT_EQ(left_out(), std::pair(8, limit_count));
    split("prog a");
    EXPECT_EQ(left_out(), std::pair(0, limit_none));

    EXPECT_EQ(split(std::string(131075, 'x')), args{std::string(131070, 'x')});  // bytes read
    EXPECT_EQ(left_out(), std::pair(0, limit_bytes));  // the rest of the one argument
    split(std::string(131069, 'x') + " b c");
    EXPECT_EQ(left_out(), std::pair(2, limit_bytes));
    // With the NUL of the first argument, 130811 bytes make 130812 stored when "b" begins.
    EXPECT_EQ(split(std::string(130811, 'p') + " b c"), (args{std::string(130811, 'p'), "b"}));
    EXPECT_EQ(left_out(), std::pair(1, limit_bytes));
    EXPECT_EQ(split(std::string(130812, 'p') + " b").size(), 1u);
}

TEST(command_line, AnArgumentVectorIsStoredUnderTheSameLimits)
{
    std::vector<std::string> words = {"prog", "a b.html"};
    for (int i = 0; i < 1030; ++i)
        words.push_back("f" + std::to_string(i));
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    int count = 0;
    store_argument_vector(&count, table, static_cast<int>(argv.size()), argv.data());
    ASSERT_EQ(count, 1024);
    EXPECT_STREQ(table[1], "a b.html");
    EXPECT_STREQ(table[1023], "f1021");
    EXPECT_STREQ(table[1024], "");
    EXPECT_EQ(arguments_left_out().count, 8);
    EXPECT_EQ(arguments_left_out().limit, limit_count);

    store_argument_vector(&count, table, 0, nullptr);
    EXPECT_EQ(count, 1);
    EXPECT_STREQ(table[0], "");

    std::string huge(131075, 'x');
    char* one[] = {huge.data(), words[0].data()};
    store_argument_vector(&count, table, 2, one);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(std::strlen(table[0]), 131070u);
    EXPECT_EQ(arguments_left_out().count, 1);
    EXPECT_EQ(arguments_left_out().limit, limit_bytes);
}

}  // namespace
