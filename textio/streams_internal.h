// What the three files of the character streams share, and no other file includes:
// stream_reader.cpp (the readers' blocks and byte calls, the runs of text, the messages),
// kept_page.cpp (opening and closing the readers' pages, and the page kept between read-only
// passes) and stream_writer.cpp (the output stream, and the copying from the input to it). The
// steps that run for every byte (the next byte, the pairing of double-byte characters, a keyword's
// byte) are inline here, so that each of the three files takes them without a call.
#pragma once

#include "platform/dbcs.h"
#include "platform/files.h"
#include "textio/paths.h"
#include "textio/streams.h"


// The readers take the file in blocks of this size into a buffer of their own, so that a run of
// bytes can be looked at in one go; the output stream gathers its bytes in the same way, so that
// most pages are read in one call and written in one.
constexpr int block_size = 65536;
constexpr int output_block_size = block_size;

struct byte_reader {
    FILE* file;
    bool open;
    int look;             // the look-ahead: 0-255, or -1 at the end of the input
    bool failed;          // a read error, which ended the input early
    bool last_block;      // the block in data is the last one (end of file or read error)
    bool read_error;      // reading the last block failed
    bool pairs;           // the page is read in double-byte pairs (decided when it is opened)
    bool lead_bytes;      // pairs, and the code page has lead bytes (looked at with every block)
    unsigned char* next;  // the byte after the look-ahead in data
    unsigned char* end;   // the end of the bytes in data
    unsigned char* data;  // block_size bytes: own, or the kept page's while the reader reads that
    bool exit_handler;    // the reader's close is registered to run at exit
    unsigned char* own;   // the reader's own block
    bool from_hold;       // reads the kept page instead of a file
    bool may_hold;        // the page it reads may be kept when it is closed: its identity is known
    int whole;            // the page's size when its first block held all of it, else -1
    file_identity identity;  // of the page, taken before it was opened
    char path[path_size];
};

// The two readers (stream_reader.cpp): the scan reader and the input stream.
extern byte_reader scan_stream;
extern byte_reader input_stream;

// False only in tests (set_text_runs): then no run of bytes is taken at once.
extern bool text_runs_on;

// stream_reader.cpp: reads the next block and returns its first byte, or -1 when the input has
// ended (at the end of the file or after a read error). Once it has returned -1 it reads nothing
// more.
int reader_fill(byte_reader& r);
// Starts reading at the file's current position.
void reader_start(byte_reader& r);
// Starts reading a page just opened, and decides from its first block whether its bytes pair.
void reader_start_page(byte_reader& r);
// With r.lead_bytes telling whether the code page has lead bytes and the page's first block in
// hand: the page pairs unless it is UTF-8.
void reader_decide_pairs(byte_reader& r);
// True when the code page has any lead byte.
bool code_page_has_lead_bytes();

// stream_writer.cpp: out_put of each of n bytes, a block at a time.
void output_write(const unsigned char* bytes, int n);

// A message of the streams with the path it names, handed to stream_message like every other
// message of theirs; cut to fit where it is longer than any path.
void stream_report(const char* format, const char* path);

// The pairing step that every reader path takes for each byte ch it looks at: pair tells whether
// ch is the second byte of a double-byte pair, and is set to whether ch opens one (only where
// lead_bytes: the page is read in pairs). Returns whether ch was a second byte. A byte that is
// neither (false returned, pair false afterwards) stands alone and may be markup.
inline bool pair_step(bool& pair, bool lead_bytes, unsigned char ch)
{
    bool second = pair;
    pair = !second && lead_bytes && lead_byte_table[ch] != 0;
    return second;
}

// Returns the look-ahead and moves it on to the next byte, reading the next block where the one in
// hand ends.
inline int reader_next(byte_reader& r)
{
    if (r.look == -1)
        return -1;
    int result = r.look;
    r.look = r.next < r.end ? *r.next++ : reader_fill(r);
    return result;
}

// Consumes count of the bytes that reader_block gave (the look-ahead and those after it in the
// block in hand).
inline void reader_consume(byte_reader& r, int count)
{
    if (count <= 0 || r.look == -1)
        return;
    unsigned char* at = r.next - 1 + count;  // the new look-ahead
    if (at < r.end) {
        r.look = *at;
        r.next = at + 1;
    } else {
        r.look = reader_fill(r);
    }
}

// A keyword byte k against a page byte c: letters (k in upper case) in either case, others exactly.
inline bool keyword_byte(unsigned char c, char k)
{
    return c == static_cast<unsigned char>(k) || (k >= 'A' && k <= 'Z' && c == static_cast<unsigned char>(k + 32));
}
