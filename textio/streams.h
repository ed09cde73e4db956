// The character streams through which every pass reads and writes a page, one byte per call with
// one byte of look-ahead. Each stream exists once, as module state.
//
// Character codes: 0-255 for a byte, -1 at the end of the input. Writes take a code and write
// its low eight bits.
#pragma once

// Character classes.
bool is_blank(int ch);      // tab, LF, CR, 26, space
bool is_separator(int ch);  // the blanks and , : ; =
bool is_value_end(int ch);  // the blanks, the double quote and ;

// Scan reader: read-only look-ahead reader with the library's default buffering.
int scan_open(const char* path);  // 0, or -1 after printing the open message
void scan_close();
int scan_next();
int scan_peek();
void scan_skip_blanks();
void scan_skip_separators();
// Reads one attribute value into buffer (size bytes including the NUL). Returns the stored
// length plus one, or -1 when the value did not fit (the first size - 1 bytes are kept).
int scan_read_value(char* buffer, int size);

// Input stream: look-ahead reader with its own 4096-byte buffer.
int in_open(const char* path);  // 0, or -1 after printing the open message
void in_close();
int in_next();
int in_peek();
// True when reading the input failed since in_open (a read error ends the input like its end).
bool in_failed();
// The position of the look-ahead byte in the file, and going back to such a position (the
// look-ahead is read again there). in_seek returns 0, or -1 when the stream cannot seek.
long long in_tell();
int in_seek(long long position);

// Output stream: writer with its own 4096-byte buffer, remembering the last four bytes written.
int out_open(const char* path);  // 0, or -1 after printing the open message
// Closes the file if open. Returns 0, or -1 when a write since out_open failed or the final flush
// fails (the write-failure message is printed for the latter too).
int out_close();
int out_put(int ch);  // 0, or -1 when nothing was written
void out_puts(const char* text);
int out_last();
int out_last2();
int out_last3();
int out_last4();

// Copies input to output up to, not including, stop (never a second byte of a pair).
void copy_until(int stop);
// Consumes input without writing it up to, not including, the first of the six stops.
void skip_until(int s1, int s2, int s3, int s4, int s5, int s6);
