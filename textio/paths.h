// Path and file-name helpers over NUL-terminated byte strings in the system's code page. The
// second byte of a double-byte character is never taken for a separator. Output buffers hold
// path_size bytes; nothing longer is written.
#pragma once

#include "platform/path_syntax.h"

// The size of a path buffer: every path and name (a NUL-terminated byte string), as long as the
// system's calls take.
constexpr int path_size = longest_path;

// The size of a value collected from a page (an address of a link, an image or a stream): the
// first 257 bytes of it are kept, whatever the system's paths may hold.
constexpr int value_size = 260;

// Writes folder followed by name into out (path_size bytes). False, with out empty, when the two
// do not fit: a path is never cut short, which would name another file.
bool join_path(char* out, const char* folder, const char* name);

// 0 when prefix begins text, letters a-z compared without case; -1 otherwise.
int has_prefix_nocase(const char* text, const char* prefix);

// The name under which the file path names is stored on disk. 0; -1 when nothing matches or only
// a directory does; -2 when two directories match. out is empty on failure.
int find_actual_name(char* out, const char* path);

// find_actual_name remembers the last few names it found and answers from them; a name not found
// is looked up each time. look_up_actual_name always asks the file system (and remembers what it
// finds, or forgets a name no longer there): for a check whose answer decides what is done next.
int look_up_actual_name(char* out, const char* path);

// Makes find_actual_name look every name up again (for tests, which delete what they looked up).
void forget_actual_names();

// The directory part of path, up to and including its last separator (any byte of separators);
// empty when there is none. Returns 0.
int dir_part(char* out, const char* path, const char* separators = any_separators);

// The part of path after its last separator (any byte of separators), in path itself.
const char* name_in_path(const char* path, const char* separators = any_separators);

// The part of path after its last separator. Returns 0.
int file_part(char* out, const char* path);

// The value of the decimal digits that end name, or -1 when name is empty or does not end in a
// digit. Only the last nine digits count, so the value always fits.
int trailing_number(const char* name);

// The file part of path less the digits that end it. Returns 0.
int file_part_less_number(char* out, const char* path);

// The file a link names, relative to the page's folder, as a browser reads the address: the link
// less its fragment ("#...") and query ("?..."), with %XX escapes decoded (but %00). Writes out
// (path_size bytes). Returns 0.
int link_target(char* out, const char* link);

// The path of the file that link, an address written in the page at page, names: the page's
// directory (by separators) followed by the link's target. False, with out empty, when link is
// empty or the two do not fit.
bool path_of_link(char* out, const char* page, const char* link, const char* separators = any_separators);

// True when an address is relative to the page that holds it: it begins with no "/" or "\" and
// with no scheme (such as "http:" or "data:": a letter, then letters, digits, "+", "-" or ".",
// then ":").
bool is_relative_address(const char* address);

// Copies text into out (size bytes including the NUL), cut to fit. Returns the length stored.
int copy_text(char* out, int size, const char* text);

// Appends text to the string in out (size bytes including the NUL), cut to fit.
void append_text(char* out, int size, const char* text);

// path with "." steps dropped and each "name/.." step taken back, as a browser reads an address
// ("a/./b/../c.html" is "a/c.html"); ".." steps that lead above its start stay at its front.
// Separators are those of any_separators, each written as it stood. Returns 0.
int normalize_path(char* out, const char* path);

// The number that ends the stem of name (the part of its file part before the last "."), and the
// stem less those digits in base (path_size bytes): "slide_07.html" gives 7 and "slide_"; -1 (and
// the whole stem as base) when the stem ends in no digit.
int stem_number(char* base, const char* name);

// True when path (normalized) lies in root (a folder ending in its separator, or empty for the
// current folder) or below it: it begins with root (letters in either case where the system
// ignores it), and no ".." step leads out of it.
bool path_inside(const char* path, const char* root);
