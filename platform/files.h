// Whole-file operations the passes use besides the byte streams.
#pragma once

#include <cstdio>

// Writes the name (without directory) under which the file that path names is stored on disk.
// Returns 0; -1 when nothing matches or only a directory does; -2 when the first two matches are
// both directories. out is the empty string on any failure. size is the capacity of out.
int find_stored_name(char* out, int size, const char* path);

// How copy_file copies: with copy_replace an existing target is overwritten; without it, -2 when
// the target exists already (nothing is written then), and a copy that fails leaves no file
// behind (what was written of it is removed again). With copy_durable the copy's bytes are on
// stable storage when the call returns 0.
enum copy_flags { copy_replace = 1, copy_durable = 2 };

// Copies the file from into to. Returns 0 on success, -2 as above, -1 on any other failure.
int copy_file(const char* from, const char* to, int flags);

// Called between the blocks of a long copy, so that a window of the program keeps answering while
// a large page is copied. None at start; the message pump sets it once a dispatcher is installed.
extern void (*copy_pause)();

// Deletes a file. Returns 0 on success, -1 on failure.
int delete_file(const char* path);

// Stable storage is what a power cut cannot take away. Both return 0, or -1 when the system
// reports that the bytes may not have reached it.
// Writes out what the stream holds and puts the file's bytes on stable storage.
int sync_stream(FILE* file);
// Puts the names created and deleted in folder (ending in its separator; empty for the current
// folder) on stable storage. 0 also where the system keeps them there by itself (Windows) or the
// file system cannot be asked to.
int sync_folder(const char* folder);

// True when name is that of a temporary copy the programs make: "addnex" or "delnex" (letters in
// any case), decimal digits, ".tmp".
inline bool is_temporary_copy_name(const char* name)
{
    auto is = [](char c, char lower) { return c == lower || c == lower - ('a' - 'A'); };
    bool add = is(name[0], 'a') && is(name[1], 'd') && is(name[2], 'd');
    bool del = is(name[0], 'd') && is(name[1], 'e') && is(name[2], 'l');
    if (!(add || del) || !is(name[3], 'n') || !is(name[4], 'e') || !is(name[5], 'x'))
        return false;
    const char* p = name + 6;
    if (*p < '0' || *p > '9')
        return false;
    while (*p >= '0' && *p <= '9')
        ++p;
    return p[0] == '.' && is(p[1], 't') && is(p[2], 'm') && is(p[3], 'p') && p[4] == '\0';
}

// Looks in folder (ending in its separator; empty for the current folder) for the temporary copies
// of an earlier run. Writes the names of the first max of them into names (each size bytes, one
// after the other) and returns how many there are (0 also when the folder cannot be read).
int find_temporary_copies(char* names, int size, int max, const char* folder);

// True when both files can be read and hold the same bytes.
bool files_equal(const char* a, const char* b);

// What tells one state of a file from another without reading it: its size, the times it was last
// written and changed, and where the system keeps them its device and serial number (0 where it
// does not). Two looks at a file that nothing wrote in between give the same.
struct file_identity {
    unsigned long long size, written, changed, device, serial;
    bool operator==(const file_identity&) const = default;
};
// Fills out for the file that path names. Returns 0, or -1 when there is no such file (or it is a
// directory); out is then all zero.
int identify_file(file_identity* out, const char* path);

// Writes the full path of the running program. Returns 0, or -1 where the system does not tell it
// (callers then use the program path from the command line).
int executable_path(char* out, int size);

// The file operations of the programs, reached through this table so that a test can make any of
// them fail on the N-th call (fault injection) or cut the power after it. Each member starts as
// the system's own operation above; reads and writes of a stream opened through open go through
// that stream's own functions.
struct file_operations {
    FILE* (*open)(const char* path, const char* mode);
    int (*close)(FILE* file);
    int (*copy)(const char* from, const char* to, int flags);
    int (*remove)(const char* path);
    int (*sync_stream)(FILE* file);
    int (*sync_folder)(const char* folder);
    int (*stored_name)(char* out, int size, const char* path);
    bool (*equal)(const char* a, const char* b);
    int (*identify)(file_identity* out, const char* path);
};
extern file_operations file_ops;
