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

// Calls each with the name of every regular file in folder (ending in its separator; empty for the
// current folder), in the order the folder keeps them, until each returns false. Returns 0, or -1
// when the folder cannot be read.
int list_files(const char* folder, bool (*each)(const char* name, void* context), void* context);

// The same for every folder in folder, but "." and ".." and links to folders, which may lead back
// up the tree.
int list_folders(const char* folder, bool (*each)(const char* name, void* context), void* context);

// True when both files can be read and hold the same bytes.
bool files_equal(const char* a, const char* b);

// What tells one state of a file from another without reading it: its size, the times it was last
// written and changed, and where the system keeps them its device and serial number (0 where it
// does not). Two looks at a file that nothing wrote in between give the same.
struct file_identity {
    unsigned long long size, written, changed, device, serial;
    bool operator==(const file_identity&) const = default;
};
// Fills out for the file that path names. Returns 0; -1 when there is no such file; -2 when path
// names something else than a regular file (a folder, a device, a pipe), which is not opened to
// find out, so that a pipe without a writer cannot block. out is all zero on failure.
int identify_file(file_identity* out, const char* path);

// Opens the existing file at path for rewriting it in place: for writing, without creating it,
// then, only when the opened file is still the one expected describes (told by the open file
// itself, so that a file renamed over path meanwhile is never the one cut), cuts it to nothing.
// Returns the stream, or null: *changed is then true when the file is another than expected, false
// when it could not be opened.
FILE* open_for_rewrite(const char* path, const file_identity* expected, bool* changed);

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
    FILE* (*rewrite)(const char* path, const file_identity* expected, bool* changed);
};
extern file_operations file_ops;
