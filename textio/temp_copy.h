// The temporary copy through which a page is rewritten in place, getting the page back whole when
// the rewriting fails, and the copies that an earlier run left behind.
#pragma once

#include "platform/files.h"

// The run-wide number in the temporary file's name; 0 at start.
extern int temp_counter;

// Called with the path of a temporary copy that stays on disk although the pass is over (it is then
// the only whole copy of a page, or it could not be deleted), so that the batch names it in the
// log. None at start.
extern void (*copy_kept)(const char* temp_path);

// The longest name that make_temp_copy gives a copy: the prefix, ten digits, ".tmp".
constexpr int temp_name_room = 6 + 10 + 4;

// True when name is that of a temporary copy the programs make: "addnex" or "delnex" (letters in
// any case), decimal digits, ".tmp".
bool is_temporary_copy_name(const char* name);

// Looks in folder (ending in its separator; empty for the current folder) for temporary copies.
// Writes the names of the first max of them into names (each size bytes, one after the other) and
// returns how many there are (0 also when the folder cannot be read).
int find_temporary_copies(char* names, int size, int max, const char* folder);

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

// How rewrite_through_copy ended.
enum rewrite_result {
    rewrite_done = 0,
    rewrite_copy_failed,      // the temporary copy could not be made: the page is as it was
    rewrite_copy_unreadable,  // the copy could not be opened for reading: the page is as it was
    rewrite_page_unwritable,  // the page could not be opened for writing: the page is as it was
    rewrite_failed,           // a write or a read of the copy failed: the page is whole again from
                              // its copy (or the log names the copy that holds it)
    rewrite_pass_failed,      // the pass failed (its own result in *pass_result): the same
    rewrite_changed,          // another program changed the page since its copy was made
    rewrite_stopped,          // the run was stopped while it waited for another run: as it was
};

// Rewrites page in place through a temporary copy "<prefix><n>.tmp" in directory: makes the copy,
// then runs pass from the input stream (open on the copy) to the output stream (open on the page)
// and deletes the copy. pass returns 0, or a failure of its own, which is written to *pass_result.
// While the page is cut and written, no other run of the programs rewrites or reads a page of its
// folder (lock_rewrite).
//
// Another program (an editor) may write the page meanwhile. Its identity (size, times, serial
// number) must be first_look, taken when the program first looked at the page, until the copy is
// made, and it is checked again through the opened page right before the page is cut: a page that
// changed is left as the other program left it (the copy goes: it holds an older state). After the
// rewrite the page is read back: a page that holds anything but what was written is
// rewrite_changed too; where bytes of the rewrite are torn into the other program's, the page is
// put back as it was before the run (the copy is the one whole state known), else it is the other
// program's and stays. The same when the page changed after it was written.
//
// In a dry run (set_dry_run) nothing is written: the pass runs from the page itself to an output
// that keeps nothing, and its result is the result.
int rewrite_through_copy(const char* page, const file_identity& first_look, const char* directory, const char* prefix,
                         int (*pass)(), int* pass_result);

// A dry run decides and logs everything as a run would, and writes nothing: no page, no copy, no
// other file. Off at start.
void set_dry_run(bool on);
bool dry_run();
