// Tests of the insert blocks file: separators, dropped line breaks, NUL and end-of-text bytes,
// the block size limit, and the check of the applet blocks.
#include "insert/insert_blocks.h"

#include "console/messages.h"
#include "platform/dialog.h"
#include "platform/language.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

struct insert_blocks : testing::Test {
    std::string folder;
    void SetUp() override { folder = make_scratch("insert_blocks"); }
    void TearDown() override
    {
        header_block[0] = lead_in_block[0] = applet_tag_block[0] = applet_end_block[0] = '\0';
        clear_scratch(folder);
    }
    void load(const std::string& content)
    {
        write_file(folder + "insert.ini", content);
        ASSERT_EQ(load_insert_blocks(folder.c_str()), 0);
    }
};

struct blocks_case {
    std::string file;
    std::string block[4];
};

class block_reading : public insert_blocks, public testing::WithParamInterface<blocks_case> {};

TEST_P(block_reading, SplitsTheFileIntoFourBlocks)
{
    load(GetParam().file);
    const char* blocks[] = {header_block, lead_in_block, applet_tag_block, applet_end_block};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(blocks[i], GetParam().block[i]) << "block " << i + 1;
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    insert_blocks, block_reading,
    testing::Values(
        blocks_case{"", {"", "", "", ""}},
        blocks_case{"\r\nno separator\r\n", {"\r\nno separator\r\n", "", "", ""}},
        blocks_case{"text\r\n---\r\nmore", {"text\r\n", "more", "", ""}},
        blocks_case{"a---\r\n\r\n\r\nb\r\n---\nc---d---e---f", {"a", "b\r\n", "\nc", "d"}},
        blocks_case{"a---x\r\n\r\ny", {"a", "x\r\n\r\ny", "", ""}},
        blocks_case{"a------b", {"a", "", "b", ""}},
        blocks_case{"a----b", {"a", "-b", "", ""}},
        blocks_case{"a---b\x1A", {"a", "b", "", ""}},
        blocks_case{"a---b\x1A\x1A", {"a", "b", "", ""}},
        blocks_case{"a---b\x1A" "cd", {"a", "b\x1A" "cd", "", ""}},
        blocks_case{"a\0b---\0\r\nc"s, {"ab", "c", "", ""}},
        blocks_case{"-\0--x---y"s, {"---x", "y", "", ""}}));

TEST_F(insert_blocks, ABlockKeepsItsFirst8191Bytes)
{
    load(std::string(9000, 'x') + "---next---" + std::string(8195, 'y'));
    EXPECT_EQ(header_block, std::string(8191, 'x'));
    EXPECT_EQ(lead_in_block, "next"s);
    EXPECT_EQ(applet_tag_block, std::string(8191, 'y'));
}

// A block that pages get, cut short, would break every page it is written into; the note alone
// may be as long as it likes.
TEST_F(insert_blocks, OnlyABlockWrittenIntoPagesThatWasCutBreaksTheSet)
{
    const std::string tag = "<applet code=\"nextpics.class\" name=\"preload\" ";
    struct {
        std::string file;
        bool intact;
    } cases[] = {
        {std::string(9000, 'x') + "---" + "---" + tag + "---</applet>\r\n", true},
        {"note---" + std::string(8191, 'b') + "---" + tag + "---</applet>\r\n", true},
        {"note---" + std::string(8192, 'b') + "---" + tag + "---</applet>\r\n", false},
        {"note------" + tag + std::string(8191 - tag.size(), 's') + "---</applet>\r\n", true},
        {"note------" + tag + std::string(8192 - tag.size(), 's') + "---</applet>\r\n", false},
        {"note------" + tag + "---</applet>\r\n" + std::string(8190, 'e'), false},
    };
    for (const auto& c : cases) {
        load(c.file);
        EXPECT_EQ(file_set_intact(), c.intact) << c.file.size() << " bytes";
    }
    load("note------" + tag + "---</applet>\r\n");
    EXPECT_TRUE(file_set_intact()) << "a new load forgets the cut";
}

TEST_F(insert_blocks, AMissingFileEmptiesEveryBlock)
{
    load("a---b---c---d");
    std::string empty_folder = make_scratch("insert_blocks_none");
    EXPECT_EQ(load_insert_blocks(empty_folder.c_str()), -1);
    for (const char* block : {header_block, lead_in_block, applet_tag_block, applet_end_block})
        EXPECT_STREQ(block, "");
    EXPECT_TRUE(file_set_intact());
    clear_scratch(empty_folder);
}

TEST_F(insert_blocks, TheCheckLooksAtFixedPositionsOfTheAppletBlocks)
{
    struct {
        const char* tag;
        const char* end;
        bool intact;
    } cases[] = {
        {"<applet code=\"nextpics.class\" name=preload width=0 height=0>", "</applet>\r\n", true},
        {"", "", true},
        {"Xa#####.code=\"nextpics.", "X/a", true},  // positions 0 and 2-7 are not looked at
        {"<applet code=\"nextpics", "", false},       // too short for the dot at 22
        {"<Applet code=\"nextpics.class\"", "", false},
        {"<applet code='nextpics.class'", "", false},
        {"<applet code=\"Nextpics.class\"", "", false},
        {"<applet code=\"nextpics_class\"", "", false},
        {"<applet Code=\"nextpics.class\"", "", false},
        {"", "<", false},
        {"", "</A", false},
        {"", "<\\a", false},
    };
    for (const auto& c : cases) {
        std::snprintf(applet_tag_block, sizeof applet_tag_block, "%s", c.tag);
        std::snprintf(applet_end_block, sizeof applet_end_block, "%s", c.end);
        EXPECT_EQ(file_set_intact(), c.intact) << c.tag << " / " << c.end;
    }
}

std::string seen_box;
int record_box(void*, const char* text, const char* caption, unsigned flags)
{
    seen_box = std::string(caption) + "|" + text + "|" + std::to_string(flags);
    return answer_ok;
}

TEST_F(insert_blocks, ABrokenSetIsShownInAWarningBox)
{
    set_message_box_function(record_box);
    select_language_id(1033);
    load("head---lead---<applet code=\"other.class\">---</applet>");
    EXPECT_FALSE(check_file_set());
    EXPECT_EQ(seen_box, "AddNextpics : error |File Set Broken. Download new Nextpics files.|" +
                            std::to_string(box_ok | box_icon_warning | box_topmost));
    set_message_box_function(nullptr);
    select_language_id(0);
}

}  // namespace
