// Splitting the command line into the program's path and the pages to process.
#pragma once

#include "textio/paths.h"

constexpr int command_line_store_size = 131072;
constexpr int command_line_max_read = 131070;  // bytes from this position on are ignored
constexpr int max_arguments = 1024;            // counting the program's path
constexpr int argument_room = 131072 - 260;  // a new argument may begin below this many stored bytes

// Splits the system's command line into the static store. count receives the number of arguments
// (1-1024); table[0] is the program's path, table[1..count-1] the others, table[count] an empty
// string just behind the last argument. Returns 0. Never fails: at a limit it keeps what it has.
// On Windows the one command-line text is split (quotes group, an unquoted space separates,
// double-byte characters pass whole); on POSIX the argument vector is stored under the same limits.
int split_command_line(int* count, char** table);

// Why the last split left arguments out, and how many (those with at least one byte; 0 when it
// kept them all): more than max_arguments, or more bytes than the store holds.
enum command_line_limit { limit_none, limit_count, limit_bytes };
struct left_out_arguments {
    int count;
    command_line_limit limit;
};
left_out_arguments arguments_left_out();

// The same splitting over a given text (what split_command_line does on Windows).
int split_command_line_text(int* count, char** table, const char* text);

// The same storing over a given argument vector (what split_command_line does on POSIX).
int store_argument_vector(int* count, char** table, int argc, char** argv);
