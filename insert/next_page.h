// Choosing the next page of a page: its links, the number rule, the run-wide order of link
// positions, the user's answers and a check that the chosen file exists.
#pragma once

#include "scan/page_scanners.h"

// What became of one page in addNextpics: the results of choose_next_page and insert_into_page.
// The values are those the batch has always seen; below add_skipped a page ends the batch.
enum add_result : int {
    add_done = 0,
    add_unreadable = -1,          // the page cannot be opened
    add_nothing_to_prepare = -2,  // no link that could be its next page, or no BODY start tag
    add_skipped = -3,             // no usable next page, and the user said OK
    add_canceled = -4,            // no usable next page, and the user said Cancel (or nothing)
    add_copy_failed = -5,         // the temporary copy cannot be made
    add_copy_unreadable = -6,     // it cannot be opened for reading
    add_page_unwritable = -7,     // the page cannot be written
    // Left as it is, the batch going on (values above 0, which end no batch):
    add_next_unreadable = 1,  // the next page cannot be opened or read
    add_changed = 2,          // another program changed the page while it was prepared
    add_next_too_long = 3,    // the path of the next page is longer than the system takes
    add_stopped = 4,          // the run was stopped while it waited for another run
};

extern char link_table[link_table_size][value_size];
extern int next_page_order[link_table_size];  // a permutation of 0..127; entry 0 is asked first
extern bool order_seeded;

extern char next_link[path_size];       // the chosen link as written in the page
extern char next_link_dir[path_size];   // its directory part, possibly empty
extern char next_page_path[path_size];  // the page's directory followed by next_link

// Sets the order to 0, 1, ..., 127 and clears order_seeded (once, when the program starts).
void reset_next_page_order();

// Takes link, an address as the page at path writes it, for the next page: next_link is the link,
// next_link_dir its directory part, next_page_path the file it names (as a browser reads the
// address) in the page's directory. add_done when that file exists; add_next_too_long when its
// path does not fit; add_skipped when there is no such file.
int take_link(const char* path, const char* link);

// Chooses the next page of the page at path. add_done when one was chosen and exists;
// add_unreadable when the page cannot be opened; add_nothing_to_prepare when it has no link that
// could be its next page; add_skipped / add_canceled when there is no usable next page and the user
// answered OK / Cancel in the referring-error box; add_canceled also when a question got no
// answer; add_next_too_long when the chosen file's path does not fit (no box then).
int choose_next_page(const char* path);
