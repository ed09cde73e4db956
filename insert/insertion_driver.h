// The insertion driver: addNextpics' whole run, and the rules of its batch.
#pragma once

#include "batch/page_batch.h"

// addNextpics' batch: every page prepared that is not prepared already and has a BODY start tag
// (a page without one stays as it is), any separator parting the directory, a batch that stops at
// a page that failed below -3, and failures add_unreadable and add_copy_failed to
// add_page_unwritable.
extern const batch_rules add_batch_rules;

// The run of addNextpics: the command line, the window, insert.ini, the batch, the closing lines.
// Returns the exit status.
int run_insertion(void* instance, int show_state);
