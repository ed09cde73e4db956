// The temporary copies that a run meets in a folder and that an earlier run left behind, because it
// was stopped, or the power failed, while it made a copy, rewrote a page or deleted the copy.
#pragma once

struct batch_rules;

// The first time a run meets folder (ending in its separator, or empty), deals with the copies of
// the program's own (rules.copy_prefix) that lie there, each with a line in the log:
// - a copy that holds nothing that a page of the folder lacks (the page is whole: as it was, or as
//   the earlier run finished it; or the copy was cut short) is deleted;
// - a copy beside the one page that is a cut-short or partial rewrite of it (what the program's own
//   pass makes of the copy, cut anywhere, or written in part 512 bytes at a time) puts that page
//   back, on stable storage, and is deleted; the run then treats the page as it was asked to;
// - any other copy (one that fits no page, or more than one, and every copy of the other program)
//   is named, as the user's own file or the only whole copy of a page, and nothing is touched.
// Nothing is done while another run of the programs works on a page of the folder: its copy may be
// that run's own. The last 32 folders met are remembered.
void meet_kept_copies(const char* folder, const batch_rules& rules);

// Deals with the copies in folder as meet_kept_copies does, any time, without naming the others.
// Returns how many it dealt with.
int settle_kept_copies(const char* folder, const batch_rules& rules);

// True when the run has met folder already (one of the last 32).
bool kept_copies_met(const char* folder);

// Forgets the folders met (at the start of a batch).
void forget_kept_copies();
