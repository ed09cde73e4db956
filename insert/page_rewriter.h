// Preparing one page: choose its next page, collect that page's images and streams, put
// nextpics.class beside the page, and rewrite the page through a temporary copy.
#pragma once

#include "console/run_log.h"
#include "scan/page_scanners.h"

extern char image_table[image_table_size][path_size];
extern char stream_table[stream_table_size][path_size];
extern int image_count;
extern int stream_count;

// The directory addNextpics runs from (ends in its separator, or is empty): where insert.ini and
// its own nextpics.class lie.
extern char program_directory[path_size];

// Prepares the page at path. 0 when rewritten; -1 to -4 from choose_next_page; -5 when the
// temporary copy cannot be made; -6 when it cannot be opened for reading; -7 when the page cannot
// be opened for writing, or a write or a read of the copy fails (the page is then brought back
// whole from the copy).
int insert_into_page(const char* path);

// The rewriting pass from the input stream to the output stream, both open.
void rewrite_page();

// addNextpics' batch (run_batch): every page prepared that is not prepared already and has a BODY
// start tag (a page without one stays as it is, with result -2), any separator parting the
// directory, a batch that stops at a page that failed below -3, and failures -1 and -5 to -7.
extern const batch_rules add_batch_rules;
