// Reading and checking the insert blocks file.
#include "insert/insert_blocks.h"

#include "console/messages.h"
#include "platform/clock.h"
#include "platform/dialog.h"
#include "platform/files.h"
#include "textio/paths.h"

#include <cstdio>
#include <cstring>

char header_block[insert_block_size];
char lead_in_block[insert_block_size];
char applet_tag_block[insert_block_size];
char applet_end_block[insert_block_size];

constexpr int none = -1;

// Set when a block that is written into pages (2-4) was longer than a block holds: its end would
// be cut off in every page (a stand-in script cut short is a script error there).
static bool written_block_cut = false;

// Reads one block. Two bytes are held back so that a run of three hyphens, which ends the block,
// is never stored; CR LF pairs that no stored byte precedes are dropped (blocks 2-4). Bytes past
// the block's size are left out and set cut. Returns false at the end of the file.
static bool read_block(FILE* file, char* block, bool drop_leading_line_breaks, bool& cut)
{
    int p1 = none;
    int p2 = none;
    int stored = 0;
    auto append = [&](int b) {
        if (b == none)
            return;
        if (stored < insert_block_size - 1)
            block[stored++] = static_cast<char>(b);
        else
            cut = true;
    };
    for (;;) {
        int b = std::fgetc(file);
        if (b == EOF) {
            if (p1 != 26)
                append(p1);
            if (p2 != 26)
                append(p2);
            block[stored] = '\0';
            return false;
        }
        if (drop_leading_line_breaks && p1 == none && p2 == '\r' && b == '\n') {
            p2 = none;
            continue;
        }
        if (p1 == '-' && p2 == '-' && b == '-') {
            block[stored] = '\0';
            return true;
        }
        append(p1);
        p1 = p2;
        p2 = b == 0 ? none : b;
    }
}

int load_insert_blocks(const char* directory)
{
    char* blocks[] = {header_block, lead_in_block, applet_tag_block, applet_end_block};
    for (char* block : blocks)
        block[0] = '\0';
    written_block_cut = false;
    char path[path_size];
    FILE* file = join_path(path, directory, "insert.ini") ? file_ops.open(path, "rb") : nullptr;
    if (!file)
        return -1;
    for (int i = 0; i < 4; ++i) {
        bool cut = false;
        bool more = read_block(file, blocks[i], i > 0, cut);
        written_block_cut = written_block_cut || (cut && i > 0);
        if (!more)
            break;
    }
    file_ops.close(file);
    return 0;
}

static bool holds_at(const char* block, int position, const char* expected)
{
    int length = static_cast<int>(std::strlen(block));
    int n = static_cast<int>(std::strlen(expected));
    return position + n <= length && std::memcmp(block + position, expected, static_cast<size_t>(n)) == 0;
}

bool file_set_intact()
{
    if (written_block_cut)
        return false;
    const char* tag = applet_tag_block;
    if (tag[0] != '\0' &&
        !(holds_at(tag, 1, "a") && holds_at(tag, 8, "code=\"nextpics.")))
        return false;
    const char* end = applet_end_block;
    if (end[0] != '\0' && !holds_at(end, 1, "/a"))
        return false;
    return true;
}

bool check_file_set()
{
    if (file_set_intact())
        return true;
    show_message(text_file_set_broken, nullptr, nullptr, box_ok | box_icon_warning | box_topmost);
    sleep_ms(200);
    return false;
}
