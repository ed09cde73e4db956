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
    add_undecided = 5,        // in a walk with no one to answer: no rule told the next page
    add_next_outside = 6,     // in a walk: the next page lies outside the walk's folder
};

// How the next page was chosen.
enum choice_rule : int {
    chosen_by_none = 0,      // no next page was chosen
    chosen_by_rel_next,      // the link the page names rel="next", answered Yes
    chosen_as_only_link,     // the page's one link, taken without a question
    chosen_by_answer,        // a link offered in the run's order of positions, answered Yes
    chosen_by_replay,        // a link given by the caller (take_link)
    chosen_by_words,         // in a walk: the one link whose words say it leads on
    chosen_by_number,        // in a walk: the link the number rule names, with no one to answer
    chosen_in_node_tree,     // in a walk: a node's first section, or the next node after its last
};

// The next page of a page: what choose_next_page and take_link found.
struct next_page_choice {
    int result;               // an add_result: add_done when a next page was chosen and exists
    choice_rule rule;         // chosen_by_none unless result is add_done
    char link[path_size];     // the chosen link as written in the page
    char link_dir[path_size];  // its directory part, possibly empty
    char path[path_size];     // the page's directory followed by the file the link names
};

// Sets the run's order of link positions to 0, 1, ..., 127 and forgets that a page has seeded it
// (once, when the program starts). The order lives through the run: entry 0 is asked first, and a
// position answered Yes moves to the front.
void reset_next_page_order();

// True once a page with links has fixed the order's first entry (by the number rule or not).
bool next_page_order_seeded();

// Takes link, an address as the page at path writes it, for the next page: choice gets the link,
// its directory part and the file it names (as a browser reads the address) in the page's
// directory, rule chosen_by_replay. Its result is add_done when that file exists;
// add_next_too_long when its path does not fit; add_skipped when there is no such file.
void take_link(next_page_choice& choice, const char* path, const char* link);

// From now on choose_next_page takes the link a reader would click, for a walk through a run:
// first the link named rel="next" (in a tree of nodes, whose pages name their up, read in order:
// a node's first section before its next node, and after the last section the next node of the
// nearest node above that has one), then the one link whose words say it leads on (each taken
// without a question when it names one file that exists), then the link the number rule names
// (the page's number plus one; on a page without a number, the lowest of the numbered series its
// links form). With attended, the questions follow as in a list, the number rule's link and
// several links that say they lead on asked first and links that say they lead back last, and
// links that cannot be a page of the run (another site, a folder, the page itself) never offered.
// Where nobody answers (attended says so, asked before the questions and after each answer, which
// then was no one's), nothing is taken on a default: the number rule's link is taken, and where
// there is none the result is add_undecided. A next page that lies outside root (a folder ending in
// its separator, or empty) gives add_next_outside: the walk keeps to that folder and those below.
void use_walk_rules(bool (*attended)(), const char* root);

// Chooses the next page of the page at path. The result is add_done when one was chosen and
// exists; add_unreadable when the page cannot be opened; add_nothing_to_prepare when it has no
// link that could be its next page; add_skipped / add_canceled when there is no usable next page
// and the user answered OK / Cancel in the referring-error box; add_canceled also when a question
// got no answer; add_next_too_long when the chosen file's path does not fit (no box then).
void choose_next_page(next_page_choice& choice, const char* path);
