// Whole-file operations the passes use besides the byte streams.
#pragma once

#include <cstdio>

// Writes the name (without directory) under which the file that path names is stored on disk.
// Returns 0; -1 when nothing matches or only a directory does; -2 when the first two matches are
// both directories. out is the empty string on any failure. size is the capacity of out.
int find_stored_name(char* out, int size, const char* path);

// Copies the file from into to. Returns 0 on success; -2 when replace is false and to exists
// already (nothing is written then); -1 on any other failure. When replace is false, a copy that
// fails leaves no file behind: what was written of it is removed again.
int copy_file(const char* from, const char* to, bool replace);

// Called between the blocks of a long copy, so that a window of the program keeps answering while
// a large page is copied. None at start; the message pump sets it once a dispatcher is installed.
extern void (*copy_pause)();

// Deletes a file. Returns 0 on success, -1 on failure.
int delete_file(const char* path);

// True when both files can be read and hold the same bytes.
bool files_equal(const char* a, const char* b);

// Writes the full path of the running program. Returns 0, or -1 where the system does not tell it
// (callers then use the program path from the command line).
int executable_path(char* out, int size);

// The file operations of the passes, reached through this table so that a test can make any of
// them fail on the N-th call (fault injection). Each member starts as the system's own operation;
// reads and writes of a stream opened through open go through that stream's own functions.
struct file_operations {
    FILE* (*open)(const char* path, const char* mode);
    int (*close)(FILE* file);
    int (*copy)(const char* from, const char* to, bool replace);
    int (*remove)(const char* path);
};
extern file_operations file_ops;
