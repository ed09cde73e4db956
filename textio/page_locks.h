// Waiting for the locks that runs of the programs take on pages (platform/file_locks.h): the one a
// run holds on the page it works on, and those around a page's rewrite and around reading a page
// as another page's next page.
#pragma once

#include "platform/file_locks.h"

struct page_lock {
    intptr_t handle;
    bool held;  // false: no lock was taken (none could be there), and none is given back
};

// What a wait does besides waiting: lock_wait_begins is called once when a lock must be waited for
// (the batch says so in the log); lock_wait_turn every few milliseconds of the wait, to serve the
// window, and the wait is given up when it returns false (a stop request). None at start: a lock is
// then waited for without a word and without end.
extern void (*lock_wait_begins)();
extern bool (*lock_wait_turn)();

// Takes a lock of kind on the page at path, waiting while another run holds one that excludes it.
// 0 when it is taken, or when none can be taken there (no such file, a file system without locks):
// lock->held tells which. -1 when the wait was given up.
int take_lock(page_lock* lock, const char* path, lock_kind kind);

// Takes the lock only when no other run holds it: 0 taken (or none possible, as above), 1 held by
// another run.
int take_lock_now(page_lock* lock, const char* path, lock_kind kind);

// Gives back a lock that take_lock took, if it did; the lock is then not held.
void give_back(page_lock* lock);
