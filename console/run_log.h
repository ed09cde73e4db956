// What both programs show around their batch: the start of the log, one line per page, and the
// closing lines with the short wait in which a few keys are served.
#pragma once

#include "console/console_window.h"
#include "console/messages.h"

// Creates the console window, prints five empty rows and the banner (at most banner_limit
// bytes), and shows the window. Returns the window, or null when it cannot be created.
void* open_run_log(void* instance, int show_state, const console_look* look, const char* banner, int banner_limit);

// Starts a page's line: a directory header when the page's directory (by separators) differs from
// last_directory (260 bytes, updated), then two blanks and the page's stored name, which is
// written to name (260 bytes). Before the first page of a folder, a line names each temporary copy
// that an earlier run left there (it may be the only whole copy of a page).
void print_page_start(char* last_directory, char* name, const char* page, const char* separators);

// Ends a page's line: " : OK." for result 0, " (no convert)" otherwise.
void print_page_end(int page_result);

// What sets one program's batch apart from the other's.
struct batch_rules {
    const char* separators;  // what parts a page's directory from its name
    // 0: the page is to be worked on; 1: it is done already, and the user is asked whether to go
    // on; negative: it can be neither, and this is its result (it stays as it is).
    int (*check)(const char* page);
    int (*work)(const char* page);  // the page's result: 0 when done
    const message_text* done_already;      // that question
    bool stops_early;                      // a result below -3 (as a signed byte) ends the batch
};

// Pages named beyond the limits of the command line, which the batch cannot take.
struct pages_left_out {
    int count;
    bool by_bytes;  // the store of names was full; else there were more than 1023
};

// Runs a program's batch: a line for the pages left out, if any; then for each page its line in the
// log, and its work or the question whether to go on. Returns false when the user cancels at that
// question, which ends the batch at once; otherwise true, with the last page's result as a signed
// byte in last_result (0 without pages).
bool run_batch(signed char& last_result, const batch_rules& rules, char* const* pages, int count,
               pages_left_out left_out = {0, false});

// Prints an empty line, waits 700 ms, prints closing_line, then serves keys for at most 20 turns
// of 50 ms (I repaint, T and C are echoed, U paints at once, Esc or a close request ends the wait).
// Where nobody watches (the native build fed from a pipe) the wait and the key turns are skipped.
void close_run_log(void* window, const char* closing_line);
