// The removal driver: delNextpics' whole run, and the rules of its batch.
#pragma once

#include "batch/page_batch.h"

// delNextpics' batch: every page restored that holds the preloading, only the system's own
// separators parting the directory, and a batch that goes on after any failure.
extern const batch_rules del_batch_rules;

// The run of delNextpics: the command line, the window, the batch, the closing lines. Returns the
// exit status.
int run_removal(void* instance, int show_state);
