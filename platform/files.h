// Whole-file operations the passes use besides the byte streams.
#pragma once

// Writes the name (without directory) under which the file that path names is stored on disk.
// Returns 0; -1 when nothing matches or only a directory does; -2 when the first two matches are
// both directories. out is the empty string on any failure. size is the capacity of out.
int find_stored_name(char* out, int size, const char* path);

// Copies the file from into to. Returns 0 on success; -2 when replace is false and to exists
// already (nothing is written then); -1 on any other failure.
int copy_file(const char* from, const char* to, bool replace);

// Deletes a file. Returns 0 on success, -1 on failure.
int delete_file(const char* path);

// True when both files can be read and hold the same bytes.
bool files_equal(const char* a, const char* b);

// Writes the full path of the running program. Returns 0, or -1 where the system does not tell it
// (callers then use the program path from the command line).
int executable_path(char* out, int size);
