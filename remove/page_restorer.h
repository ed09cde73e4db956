// Recognising a prepared page and taking out what addNextpics put into it.
#pragma once

#include "console/run_log.h"

// The first BODY start tag that carries onLoad decides: 123 when an insertion marker stood before
// it; 1 when its value is addNextpics' own onLoad="preloadImage()"; 0 when it is the page's own.
// Without such a tag: 123 when the page holds the insertion marker or an applet element whose code
// is nextpics.class (an insertion left partial), else 0. -1: the page cannot be opened. Script
// text is passed over. The page is only read.
int test_inserted(const char* path);

// Restores the page at path through a temporary copy "delnex<n>.tmp" in its directory: drops the
// insertion marker with the preload script, the onLoad attribute of BODY start tags and the applet
// element; script text and every other byte are written unchanged and in order. 0: restored; -1: the temporary copy
// cannot be made; -5: it cannot be opened for reading; -6: the page cannot be opened for writing;
// -2: an applet element has no end, so the page is left exactly as it was; -7: a write or a read
// of the copy failed (the page is brought back whole from the copy, or the log names the copy that
// holds it).
int restore_page(const char* path);

// The restoring pass from the input stream to the output stream, both open. Returns 0, or -2 when
// an applet element whose end never comes was met (or the input could not be re-read).
int restore_pass();

// delNextpics' batch (run_batch): every page restored that holds the preloading, only the
// system's own separators parting the directory, and a batch that goes on after any failure (every
// result but 0).
extern const batch_rules del_batch_rules;
