// Locks that the runs of both programs take on the pages they work on, so that two runs never work
// on one page at once and no run reads a page while another rewrites it. They are advisory: only
// the programs take them, and other programs (an editor) are not held back by them.
#pragma once

#include <cstdint>

enum lock_kind {
    lock_work,     // exclusive: a run works on the page, from its first look at it to the copy's deletion
    lock_rewrite,  // exclusive: the page's bytes are being rewritten (or put back from its copy)
    lock_read,     // shared with other readers: the page is read as another page's next page
};

// Takes a lock of kind on the page at path without waiting. 0 when it is taken (*lock is then what
// unlock_file takes); 1 when another run holds a lock that excludes it; -1 when no lock can be
// taken there (no such file, or a file system without locks), and the caller goes on without one.
// POSIX: lock_work is a lock on the page file, the others one on its folder; Windows: all three are
// ranges of the page file far beyond any byte it holds.
int try_lock_file(intptr_t* lock, const char* path, lock_kind kind);

// Gives a lock taken by try_lock_file back.
void unlock_file(intptr_t lock);
