// Preparing one page: choose its next page, collect that page's images and streams, put
// nextpics.class beside the page, and rewrite the page through a temporary copy.
#pragma once

#include "insert/insert_blocks.h"
#include "insert/next_page.h"
#include "scan/page_scanners.h"

// What the next page holds that the page fetches ahead: its images and its streams.
struct next_page_contents {
    char images[image_table_size][value_size];
    int image_count;
    char streams[stream_table_size][value_size];
    int stream_count;
};

// Sets the directory addNextpics runs from (ends in its separator, or is empty): where its own
// nextpics.class lies, which goes beside every page that has none. Once, before the first page.
void set_program_directory(const char* directory);

// Prepares the page at path. add_done when rewritten; add_unreadable to add_canceled and
// add_next_too_long from choose_next_page; add_next_unreadable when the next page cannot be read
// (the page is left as it is); add_copy_failed when the temporary copy cannot be made;
// add_copy_unreadable when it cannot be opened for reading; add_page_unwritable when the page
// cannot be opened for writing, or a write or a read of the copy fails (the page is then brought
// back whole from the copy); add_changed when another program changed the page meanwhile;
// add_stopped when the run was stopped while it waited for another run.
int insert_into_page(const char* path);

// The next page that the last insert_into_page chose (or tried to).
const next_page_choice& last_next_page_choice();

// For a copy of a page that an earlier run left: the number of ways this program may have
// rewritten it (one for each link it could have taken), 0 when it would not have rewritten it;
// and the rewrite with the variant-th of them, from the copy to the output stream, which the
// caller opened. False when that link names no file.
int count_rewrites(const char* copy);
bool replay_rewrite(const char* copy, int variant);

// The rewriting pass from the input stream to the output stream, both open: the page gets the
// script for next's contents at its BODY start tag, and the applet element naming next, with the
// blocks around it, at its BODY end tag.
void rewrite_page(const next_page_choice& next, const next_page_contents& contents, const insert_blocks& blocks);

