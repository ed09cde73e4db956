// Tests of the insert blocks file: separators, dropped line breaks, NUL and end-of-text bytes,
// the block size limit, and the check of the applet blocks.
#include "insert/insert_blocks.h"

#include "console/messages.h"
#include "platform/dialog.h"
#include "platform/language.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

struct insert_blocks_file : testing::Test {
    std::string folder;
    void SetUp() override { folder = make_scratch("insert_blocks"); }
    void TearDown() override
    {
        std::filesystem::remove(folder + "insert.ini");
        load_insert_blocks(folder.c_str());  // the run's blocks empty again, as the others expect
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

class block_reading : public insert_blocks_file, public testing::WithParamInterface<blocks_case> {};

TEST_P(block_reading, SplitsTheFileIntoFourBlocks)
{
    load(GetParam().file);
    const insert_blocks& loaded = loaded_insert_blocks();
    const char* blocks[] = {loaded.header, loaded.lead_in, loaded.applet_tag, loaded.applet_end};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(blocks[i], GetParam().block[i]) << "block " << i + 1;
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    insert_blocks_file, block_reading,
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

TEST_F(insert_blocks_file, ABlockKeepsItsFirst8191Bytes)
{
    load(std::string(9000, 'x') + "---next---" + std::string(8195, 'y'));
    EXPECT_EQ(loaded_insert_blocks().header, std::string(8191, 'x'));
    EXPECT_EQ(loaded_insert_blocks().lead_in, "next"s);
    EXPECT_EQ(loaded_insert_blocks().applet_tag, std::string(8191, 'y'));
}

// A block that pages get, cut short, would break every page it is written into; the note alone
// may be as long as it likes.
TEST_F(insert_blocks_file, OnlyABlockWrittenIntoPagesThatWasCutBreaksTheSet)
{
    const std::string tag = "<applet code=\"nextpics.class\" name=\"preload\" width=0 height=0>";
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
        EXPECT_EQ(file_set_intact(loaded_insert_blocks()), c.intact) << c.file.size() << " bytes";
    }
    load("note------" + tag + "---</applet>\r\n");
    EXPECT_TRUE(file_set_intact(loaded_insert_blocks())) << "a new load forgets the cut";
}

TEST_F(insert_blocks_file, AMissingFileEmptiesEveryBlock)
{
    load("a---b---c---d");
    std::string empty_folder = make_scratch("insert_blocks_none");
    EXPECT_EQ(load_insert_blocks(empty_folder.c_str()), -1);
    const insert_blocks& loaded = loaded_insert_blocks();
    for (const char* block : {loaded.header, loaded.lead_in, loaded.applet_tag, loaded.applet_end})
        EXPECT_STREQ(block, "");
    EXPECT_TRUE(file_set_intact(loaded));
    clear_scratch(empty_folder);
}

// Blocks 3 and 4 must begin with what the rewriter writes in their place, byte for byte: the
// rewriter writes its own start and end and then the blocks' rest, so an edited start would reach
// every page half overwritten.
TEST(file_set, TheAppletBlocksMustBeginWithWhatTheRewriterWrites)
{
    const std::string start = "<applet code=\"nextpics.class\" name=\"preload\" ";
    struct {
        std::string tag;
        std::string end;
        bool intact;
    } cases[] = {
        {start + "width=0 height=0>\r\n<script>x</script>", "</applet>\r\n<!-- tail -->", true},
        {"", "", true},
        {start + ">", "</applet>\r\n", true},
        {start, "</applet>\r\n", false},                                // the start tag left open
        {start.substr(0, 44), "", false},                                 // the blank after the name cut
        {"<applet code=\"nextpics.class\" name=preload width=0 height=0>", "", false},
        {"<applet code=\"nextpics.class\" name=\"Preload\" width=0>", "", false},
        {"<applet code=\"nextpics.class\"  name=\"preload\" width=0>", "", false},
        {"<Applet code=\"nextpics.class\" name=\"preload\" width=0>", "", false},
        {"<applet code='nextpics.class' name=\"preload\" width=0>", "", false},
        {"Xa#####.code=\"nextpics.", "X/a", false},  // once enough for a check of a few bytes
        {"", "</applet>", false},                     // the line break after the end tag missing
        {"", "</applet>\n", false},
        {"", "</APPLET>\r\n", false},
        {"", "<!-- --></applet>\r\n", false},
    };
    for (const auto& c : cases) {
        static insert_blocks blocks;
        blocks = {};
        std::snprintf(blocks.applet_tag, sizeof blocks.applet_tag, "%s", c.tag.c_str());
        std::snprintf(blocks.applet_end, sizeof blocks.applet_end, "%s", c.end.c_str());
        EXPECT_EQ(file_set_intact(blocks), c.intact) << c.tag << " / " << c.end;
    }
}

std::string seen_box;
int record_box(void*, const char* text, const char* caption, unsigned flags)
{
    seen_box = std::string(caption) + "|" + text + "|" + std::to_string(flags);
    return answer_ok;
}

TEST_F(insert_blocks_file, ABrokenSetIsShownInAWarningBox)
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
