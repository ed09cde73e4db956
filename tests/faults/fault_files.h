// File operations that fail on demand: the table of platform/files.h filled with wrappers of the
// system's own operations, each of which can be made to fail on its N-th call, once or from then
// on, and each of which can be watched. Streams opened through it are stdio streams over a file
// descriptor whose reads, writes and seeks go through the same counting (glibc's fopencookie), so
// a failure can strike in the middle of a page just as a failing disk would.
#pragma once

#include <string>

enum fault_kind {
    fault_open,    // opening a page stream: no stream
    fault_read,    // reading a block of 4096 bytes (or the end of the file): an I/O error
    fault_write,   // writing out a full buffer: the disk is full
    fault_seek,    // positioning (also telling the position): an error
    fault_close,   // closing: the last buffer never reaches the disk and the close reports it
    fault_copy,    // copying a file: an error; a copy over an existing name leaves half a file
    fault_remove,  // deleting a file: an error, the file stays
    fault_sync,    // putting a stream's or folder's changes on stable storage: an error
    fault_look,    // looking up a stored name or a file's identity, comparing two files: not found, not equal
    fault_kinds
};

extern const char* const fault_kind_names[fault_kinds];

// Puts the wrappers into file_ops (they behave as the system's own until a fault is armed).
void install_fault_operations();

// From now on, the n-th call (from 1) of kind fails; with persistent, every later call too. Other
// kinds keep working. Counting starts again at every call.
void arm_fault(fault_kind kind, int n, bool persistent);

// Adds a second kind that fails from its first call on, once a first fault has struck (a disk
// that, once it has failed, fails every copy too).
void arm_follow_up_fault(fault_kind kind);

// No fault from now on.
void disarm_faults();

// True when an armed fault struck since it was armed.
bool fault_struck();

// What the layer has just done: an operation of kind on path (a stream's own path for reads,
// writes, seeks, syncs and its close; the target of a copy; the folder of a folder sync), whether
// path named a file before, and, for a copy, whether it was asked to reach stable storage.
struct file_event {
    fault_kind kind;
    std::string path;
    bool existed;
    bool durable;
};

// Calls watcher after every operation that was carried out (a failed one included); null: none.
void watch_operations(void (*watcher)(const file_event& event));
