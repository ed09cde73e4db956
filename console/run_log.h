// What both programs show around their batch: the start of the log, one line per page, and the
// closing lines with the short wait in which a few keys are served.
#pragma once

#include "console/console_window.h"

// Creates the console window, prints five empty rows and the banner (at most banner_limit
// bytes), and shows the window. Returns the window, or null when it cannot be created.
void* open_run_log(void* instance, int show_state, const console_look* look, const char* banner, int banner_limit);

// Starts a page's line: a directory header when the page's directory (by separators) differs from
// last_directory (260 bytes, updated), then two blanks and the page's stored name, which is
// written to name (260 bytes).
void print_page_start(char* last_directory, char* name, const char* page, const char* separators);

// Ends a page's line: " : OK." for result 0, " (no convert)" otherwise.
void print_page_end(int page_result);

// Prints an empty line, waits 700 ms, prints closing_line, then serves keys for at most 20 turns
// of 50 ms (I repaint, T and C are echoed, U paints at once, Esc or a close request ends the wait).
// Where nobody watches (the native build fed from a pipe) the wait and the key turns are skipped.
void close_run_log(void* window, const char* closing_line);
