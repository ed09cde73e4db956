// Tests of the text screen: control bytes, double-byte characters, the wrap at column 68 and the
// ring scroll.
#include "console/text_screen.h"

#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

int invalidations;
std::string last_completed;
void count_invalidation(void*) { ++invalidations; }
void keep_row(const unsigned char* row) { last_completed.assign(reinterpret_cast<const char*>(row), screen_columns); }
const screen_front_end front_end = {count_invalidation, keep_row};

void print(const std::string& text) { screen_print(text.c_str(), static_cast<int>(text.size())); }

// Shown row r without its trailing blanks.
std::string row(int r)
{
    std::string text(reinterpret_cast<const char*>(screen_row(r)), screen_columns);
    return text.erase(text.find_last_not_of(' ') + 1);
}

struct text_screen : testing::Test {
    void SetUp() override
    {
        invalidations = 0;
        screen_init(nullptr, &front_end);
    }
    void TearDown() override { use_single_byte(); }
};

TEST_F(text_screen, CarriageReturnLineFeedAndTheCount)
{
    print("ab\ncd");
    EXPECT_EQ(invalidations, 1);
    EXPECT_FALSE(repaint_pending);
    print("\rX");
    EXPECT_TRUE(repaint_pending);
    screen_print("yz", 1);
    screen_print("", 5);
    screen_print("\r\n", 64);
    EXPECT_EQ(row(0), "ab");
    EXPECT_EQ(row(1), "Xycd");
    EXPECT_EQ(cursor_row, 2);
    EXPECT_EQ(cursor_column, 0);
}

TEST_F(text_screen, ScrollsAfterEighteenRowsAndWrapsTheRingWithoutLosingLines)
{
    auto label = [](int k) { return "line " + std::to_string(k); };
    for (int k = 0; k < 40; ++k) {
        print(label(k) + "\r\n");
        EXPECT_EQ(cursor_row, k < 18 ? k + 1 : 18);
        EXPECT_EQ(scroll_count, k < 18 ? 0 : k - 17);
        EXPECT_EQ(top_line, k < 18 ? 0 : (k - 17) % 18);
        if (k >= 17) {
            EXPECT_EQ(row(0), label(k - 17)) << "after line " << k;
            EXPECT_EQ(row(17), label(k)) << "after line " << k;
            std::string cursor_line(reinterpret_cast<const char*>(screen_row(17)) + screen_columns, screen_columns);
            EXPECT_EQ(cursor_line, std::string(screen_columns, ' ')) << "after line " << k;
        }
    }
}

TEST_F(text_screen, DoubleByteCharactersAreKeptWhole)
{
    use_code_page_932();
    print("#######\r\x82\xA0");       // one character: two bytes, two columns
    print("\x82\n");                   // the line feed is a second byte, not a control
    screen_print("a\x82\xA0", 2);      // the count cuts the pair: one space
    EXPECT_EQ(row(0), "\x82\xA0\x82\na #");
    EXPECT_EQ(cursor_row, 0);
    EXPECT_EQ(cursor_column, 6);
}

TEST_F(text_screen, Column68ContinuesOnTheNextRowAndNeverSplitsAPair)
{
    use_code_page_932();
    print(std::string(68, 'x') + "y");
    EXPECT_EQ(last_completed, std::string(68, 'x'));
    EXPECT_EQ(row(1), "y");
    print(std::string(66, 'x') + "\x82\xA0");
    EXPECT_EQ(row(1), "y" + std::string(66, 'x'));
    EXPECT_EQ(row(2), "\x82\xA0");
    EXPECT_EQ(cursor_row, 2);
    EXPECT_EQ(cursor_column, 2);
}

TEST_F(text_screen, LongTextsStayInsideTheBuffer)
{
    use_code_page_932();
    print(std::string(259, 'n') + "\r\n");
    print("x" + std::string(10001, '\x82'));  // pairs at odd columns, the last lead byte alone
    print("\r\n" + std::string(10000, 'z') + "\r\n");
    EXPECT_EQ(row(17), std::string(10000 % 68, 'z'));
    EXPECT_EQ(row(16), std::string(68, 'z'));
    EXPECT_LE(top_line + cursor_row, screen_lines - 1);
    EXPECT_LE(cursor_column, screen_columns);
}

}  // namespace
