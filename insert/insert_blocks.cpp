// Reading and checking the insert blocks file.
#include "insert/insert_blocks.h"

#include "console/messages.h"
#include "platform/clock.h"
#include "platform/dialog.h"
#include "platform/files.h"
#include "scan/insertion_format.h"
#include "textio/paths.h"

#include <cstdio>
#include <cstring>

// The blocks of the run, loaded once before its first page.
static insert_blocks loaded;

constexpr int none = -1;

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
    char* blocks[] = {loaded.header, loaded.lead_in, loaded.applet_tag, loaded.applet_end};
    for (char* block : blocks)
        block[0] = '\0';
    loaded.written_block_cut = false;
    char path[path_size];
    FILE* file = join_path(path, directory, "insert.ini") ? file_ops.open(path, "rb") : nullptr;
    if (!file)
        return -1;
    for (int i = 0; i < 4; ++i) {
        bool cut = false;
        bool more = read_block(file, blocks[i], i > 0, cut);
        loaded.written_block_cut = loaded.written_block_cut || (cut && i > 0);
        if (!more)
            break;
    }
    file_ops.close(file);
    return 0;
}

const insert_blocks& loaded_insert_blocks() { return loaded; }

// True when block is empty or begins with start.
static bool empty_or_begins_with(const char* block, const char* start, int length)
{
    return block[0] == '\0' || std::strncmp(block, start, static_cast<size_t>(length)) == 0;
}

bool file_set_intact(const insert_blocks& blocks)
{
    // The rewriter writes the start and then the block's rest, which must close the start tag: a
    // block of the start alone would leave it open, the next parameter inside it.
    const char* tag = blocks.applet_tag;
    bool tag_intact = empty_or_begins_with(tag, applet_start.c_str(), applet_start.length) &&
                      (tag[0] == '\0' || std::strchr(tag + applet_start.length, '>') != nullptr);
    return !blocks.written_block_cut && tag_intact &&
           empty_or_begins_with(blocks.applet_end, applet_end.c_str(), applet_end.length);
}

bool check_file_set()
{
    if (file_set_intact(loaded))
        return true;
    show_message(text_file_set_broken, nullptr, nullptr, box_ok | box_icon_warning | box_topmost);
    sleep_ms(200);
    return false;
}
