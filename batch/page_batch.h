// The batch both programs run over their pages: the start of the log, the loop with one line
// per page, and the closing lines with the short wait in which a few keys are served.
#pragma once

#include "console/console_window.h"
#include "console/messages.h"

// Creates the console window, prints the empty rows that make room for the logo and the banner (at
// most banner_limit bytes), and shows the window. Returns the window, or null when it cannot be
// created.
void* open_run_log(void* instance, int show_state, const console_look* look, const char* banner, int banner_limit);

struct batch_rules;

// Starts a page's line: a directory header when the page's directory (by separators) differs from
// last_directory (path_size bytes, updated), then two blanks and the page's stored name (or, when
// there is no such file, the name as given), which is written to name (path_size bytes). Before the
// first page of a folder, the temporary copies that an earlier run left there are dealt with
// (batch/kept_copies.h), each with a line of its own.
void print_page_start(char* last_directory, char* name, const char* page, const batch_rules& rules);

// Ends a page's line: " : OK." for result 0, " (no convert)" otherwise.
void print_page_end(int page_result);

// What a batch's check says of a page: work on it, or ask the user whether to go on, since it is
// done already; a negative value is the page's result instead (it stays as it is).
constexpr int check_work = 0;
constexpr int check_ask = 1;

// The result of a page that the user skipped at the done-already question.
constexpr int page_skipped = 255;

// A page result (as the batch keeps it, a signed byte) that ends a batch which stops early.
constexpr bool ends_batch(signed char result) { return result < -3; }

// What sets one program's batch apart from the other's.
struct batch_rules {
    const char* separators;            // what parts a page's directory from its name
    int (*check)(const char* page);    // check_work, check_ask, or the page's result
    int (*work)(const char* page);     // the page's result: 0 when done
    const message_text* done_already;  // that question
    bool stops_early;                  // a result that ends_batch ends the batch
    bool (*failed)(int result);        // the page could not be opened, read or written
    // Why the page was left as it is, for its line in the log (" : changed by another program"), or
    // null where the log has said it already or nothing needs saying.
    const char* (*reason)(int result);
    // The temporary copies the program makes ("addnex"), and how it would have rewritten a copy
    // of a page: the number of ways (0 when it would not have rewritten it at all), and the one
    // numbered variant (from 0), from the copy to the output stream (which the caller opened on a
    // sink); false when that way leads nowhere.
    const char* copy_prefix;
    int (*rewrite_variants)(const char* copy);
    bool (*rewrite_variant)(const char* copy, int variant);
    // A walk: called once before its first page with the folder it keeps to.
    void (*begin_walk)(const char* root);
    // In a walk, after check: what its result checked stands for, where the walk differs from a
    // list (page_prepared_before, page_not_inserted in place of the question), else checked.
    int (*walk_check)(const char* page, int checked);
    // In a walk: the page to go on to after page, whose result was result, written to next
    // (path_size bytes) with walk_on; or why the walk ends at page.
    int (*walk_next)(char* next, const char* page, int result);
    const char* done_word;  // what a page that was worked on is: "prepared", "restored"
};

// In a walk: a page that addNextpics prepared earlier, which the walk passes with its next page;
// and a page that holds nothing of addNextpics', where delNextpics' walk ends.
constexpr int page_prepared_before = 253;
constexpr int page_not_inserted = 252;

// What walk_next found.
enum walk_end : int {
    walk_on = 0,
    walk_no_next,       // no next page was chosen
    walk_no_insertion,  // the page holds no insertion, so it names no next page
    walk_left,          // the page was left as it is, and with it its next page
    walk_outside,       // the next page (written to next) lies outside the walk's folder
};

// The result a page gets when the batch refuses it before the program looks at it: it is no
// regular file, its path does not fit, or the run was stopped while it waited for another run.
constexpr int page_refused = 254;

// Pages named beyond the limits of the command line, which the batch cannot take.
struct left_out_pages {
    int count;
    bool by_bytes;  // the store of names was full; else there were more than 1023
};

// Sets the batch's hooks and outcome for a run (once, before its first page).
void begin_batch(run_end& outcome);

// One page of a batch: its line in the log, and its work or the question whether to go on
// (Cancel sets outcome.quit). Returns the page's result; page_refused, with outcome.stopped, when
// the run was stopped while it waited for the page. In a walk, rules.walk_check has its say
// after the check.
int run_page(const batch_rules& rules, const char* page, char* last_directory, run_end& outcome, bool in_walk);

// Runs a program's batch: a line for the pages left out, if any; then for each page its line in the
// log, and its work or the question whether to go on. Cancel at that question ends the batch at
// once (quit). A page result below -3 ends it where the rules say so, and so does a question that
// got no answer or a stop request (console_stop_requested), which lets the page at work finish and
// leaves the pages after it.
run_end run_batch(const batch_rules& rules, char* const* pages, int count, left_out_pages left_out = {0, false});

// A walk through a run of pages from first: each page is worked on as in a batch, then the walk
// goes on to the page rules.walk_next names, until a page already taken, no next page, a next
// page outside the folder of first and its subfolders (nothing there is touched), or a stop. The
// last lines of the log say why it ended, how many pages were worked on, and how many other
// .htm and .html files of that folder tree it did not reach. Its memory does not grow with the
// pages but for 16 to 32 bytes a page taken (a hash of its path, in a table at most half full).
run_end run_walk(const batch_rules& rules, const char* first);

// The batch over the pages of the command line (arguments[1..count-1]), with the pages that its
// limits left out named first; then, unless the user quit, the closing lines. Returns the exit
// status.
int run_command_line_batch(void* window, const batch_rules& rules, char* const* arguments, int count);

// Prints an empty line, waits 700 ms, prints "canceled." when the batch stopped, else "done.",
// then serves keys for at most 20 turns of 50 ms (I repaint, T and C are echoed, U paints at once,
// Esc or a close request ends the wait). Where nobody watches (console_is_attended) the wait and
// the key turns are skipped.
void close_run_log(void* window, const run_end& result);
