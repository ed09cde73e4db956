// The temporary copy through which a page is rewritten in place, and getting the page back whole
// when the rewriting fails.
#pragma once

// The run-wide number in the temporary file's name; 0 at start.
extern int temp_counter;

// Called with the path of a temporary copy that stays on disk although the pass is over (it is then
// the only whole copy of a page, or it could not be deleted), so that the batch names it in the
// log. None at start.
extern void (*copy_kept)(const char* temp_path);

// Copies page to "<prefix><n>.tmp" in directory (which ends in its separator, or is empty), n
// being temp_counter, which is raised by one for every name tried. A name that exists already is
// never overwritten: the next number is taken. Writes the temporary path (path_size bytes). Returns 0
// once the copy's bytes and its name are on stable storage, so that a power cut while the page is
// rewritten leaves the copy whole; -1 when the copy cannot be made so (nothing of ours is left then).
int make_temp_copy(char* temp_path, const char* page, const char* directory, const char* prefix);

// After a successful pass: deletes the temporary copy and lowers temp_counter (not below 0).
// A copy that cannot be deleted is reported to copy_kept.
void drop_temp_copy(const char* temp_path);

// After a failed pass: makes sure page holds what temp_path holds, on stable storage, then deletes
// temp_path. A page that was opened for writing (written) is copied back; one that was not is
// copied back only when it differs. Returns 0 when the page is whole again; -1 when it could not
// be brought back. A copy that is kept (it is then the only whole one) or cannot be deleted is
// reported to copy_kept.
int recover_page(const char* page, const char* temp_path, bool written);
