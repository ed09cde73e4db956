// The character streams through which every pass reads and writes a page, one byte per call with
// one byte of look-ahead. Each stream exists once, as module state. The readers take the file in
// blocks of 64 KB (through stdio's fread) into a buffer of their own, so that the passes can also
// take a run of bytes at once; the output gathers 64 KB before it hands them to the file (whose
// stdio buffer takes 64 KB as well), so that a page of up to 64 KB is written in one go.
// stream_reader.cpp holds the readers' byte calls and runs of text and the streams' messages,
// kept_page.cpp the opening and closing of the readers' pages and the page kept between read-only
// passes, stream_writer.cpp the output stream and the copying from the input to it.
//
// Character codes: 0-255 for a byte, -1 at the end of the input. Writes take a code and write
// its low eight bits.
#pragma once

#include "platform/files.h"

// Where the streams' messages go ("Cannot open RD file : page.html", "File writing error.(or Disk
// full)"): each is one text with its line breaks. At start, to standard output.
extern void (*stream_message)(const char* text);

// Character classes.
// tab, LF, CR, 26, space
constexpr bool is_blank(int ch) { return ch == 9 || ch == 10 || ch == 13 || ch == 26 || ch == 32; }
// the blanks and , : ; =
constexpr bool is_separator(int ch) { return is_blank(ch) || ch == ',' || ch == ':' || ch == ';' || ch == '='; }
// the blanks, the double quote and ;
constexpr bool is_value_end(int ch) { return is_blank(ch) || ch == '"' || ch == ';'; }

// Double-byte pairs: a page is read in pairs of the system's code page unless it is UTF-8, as
// each reader decides when it opens a page (textio/page_charset.h). ch (0-255, or -1) opens a
// pair in the page the reader reads.
bool scan_lead_byte(int ch);
bool in_lead_byte(int ch);
// True when the page a reader reads is read in pairs at all (else no byte is a lead byte).
bool scan_pairs();
bool in_pairs();

// Scan reader: read-only look-ahead reader (stdio without a buffer of its own). Takes a page kept
// from an earlier read-only pass as in_open_page does.
int scan_open(const char* path);  // 0, or -1 after printing the open message
void scan_close();
// The identity of the page the scan reader has open, taken before it was read; false when it is
// not known.
bool scan_identity(file_identity* out);
int scan_next();
int scan_peek();
// True when reading the scan reader's file failed since scan_open (the input then ended early).
bool scan_failed();
void scan_skip_blanks();
// Consumes bytes up to the next blank or ">" (or the end), without pairing: the rest of an attribute.
// True when a "<" was among them.
bool scan_skip_word();
void scan_skip_separators();
// Reads one attribute value into buffer (size bytes including the NUL): up to its closing quote,
// or, unquoted, up to a value delimiter or the tag's ">". Returns the stored length plus one, or -1
// when the value did not fit (the first size - 1 bytes are kept).
int scan_read_value(char* buffer, int size);

// What a pass may find after a "<": its keywords, each the bytes that must follow the "<" (letters
// in either case, other bytes exactly), such as BODY or /BODY; every pass also has !-- (a
// comment). After a "<" the main loop of a pass consumes the bytes that begin one of its keywords
// as long as they match; when one does not, the pass has found nothing there and goes on at that
// byte in its next turn. So a "<" that does not begin a whole keyword starts nothing.
struct markup_starts {
    char words[64];              // the keywords, each ended by a zero
    unsigned char word_at[256];  // by the byte after "<": 1 + where its keyword begins, or 0
    int count;                   // keywords
    int used;                    // bytes of words in use
};

constexpr void add_markup_word(markup_starts& starts, const char* word, int length)
{
    if (length < 1 || starts.used + length + 1 > static_cast<int>(sizeof starts.words) || starts.count == 6)
        return;
    int at = starts.used;
    for (int i = 0; i < length; ++i)
        starts.words[at + i] = word[i];
    starts.words[at + length] = '\0';
    starts.used += length + 1;
    unsigned char first = static_cast<unsigned char>(word[0]);
    starts.word_at[first] = static_cast<unsigned char>(at + 1);
    if (first >= 'A' && first <= 'Z')
        starts.word_at[first + 32] = static_cast<unsigned char>(at + 1);
    ++starts.count;
}

// The keywords of a pass, separated by "|" (upper-case letters), with !-- added.
constexpr markup_starts make_markup_starts(const char* keywords)
{
    markup_starts starts = {};
    add_markup_word(starts, "!--", 3);
    while (*keywords) {
        int length = 0;
        while (keywords[length] && keywords[length] != '|')
            ++length;
        add_markup_word(starts, keywords, length);
        keywords += length;
        if (*keywords == '|')
            ++keywords;
    }
    return starts;
}

// Passing over text, for the main loops of the page passes: consumes what such a loop passes over,
// from the look-ahead up to, not including, the first "<" that is not the second byte of a
// double-byte pair and that begins a whole keyword of starts (or whose bytes run past the block of
// the file in hand), or the end of the input; at most that block (so the loop's message pump
// keeps running). pair tells whether the look-ahead is the second byte of a pair, on entry and on
// return. Returns the number of turns of the main loop passed over: one per byte, but one for a
// "<" together with the bytes of a keyword that matched after it. 0 when the look-ahead is such a
// "<" or the end.
int scan_skip_text(bool& pair, const markup_starts& starts);
int in_skip_text(bool& pair, const markup_starts& starts);
// The same, writing the bytes to the output stream as out_put would.
int in_copy_text(bool& pair, const markup_starts& starts);

// The bytes of a reader from the look-ahead to the end of the block in hand, for a pass that looks
// at a run of bytes itself: sets bytes to the look-ahead and returns the count (0 at the end).
int scan_block(const unsigned char** bytes);
int in_block(const unsigned char** bytes);
// Consumes count bytes, at most the count that the block call returned.
void scan_consume(int count);
void in_consume(int count);
// The scan reader's bytes from the look-ahead on, at least want of them (at most block_size / 2)
// where the page holds that many more: the rest of the block in hand moves to the front of the
// block and more of the page is read after it. Nothing is consumed. Returns the count (0 at the
// end), like scan_block, but also while the text calls are off.
int scan_window(const unsigned char** bytes, int want);

// For tests: with false, the two kinds of calls above take nothing (the text calls return 0, the
// block calls no bytes), so the passes take every byte one turn at a time: the reference that
// taking runs at once must agree with. True at program start.
void set_text_runs(bool on);

// Input stream: look-ahead reader; its file has a 4096-byte stdio buffer.
int in_open(const char* path);  // 0, or -1 after printing the open message
// in_open for a pass that only reads the page, as scan_open is: a page that such a pass read whole
// (up to 64 KB) is kept, and the next such pass over it takes the kept bytes instead of reading
// the file again while the file's identity (size, times, serial number) is the same as before it
// was read.
int in_open_page(const char* path);
void in_close();
int in_next();
int in_peek();
// True when reading the input failed since in_open (a read error ends the input like its end).
bool in_failed();
// The position of the look-ahead byte in the file, and going back to such a position (the
// look-ahead is read again there). in_seek returns 0, or -1 when the stream cannot seek.
long long in_tell();
int in_seek(long long position);

// Output stream: writer with a 64 KB block of its own, written out a block at a time (a write
// failure shows when a full block cannot be written out), remembering the last four bytes written.
int out_open(const char* path);  // 0, or -1 after printing the open message
// out_open for rewriting a page in place: opens it only while it is still the file expected
// describes, then cuts it to nothing (file_ops.rewrite). 0; -1 after printing the open message, or
// -1 with *changed set, without a message, when the page is another file now.
int out_open_rewrite(const char* path, const file_identity* expected, bool* changed);
// out_open for a pass whose output is only looked at: every block of bytes written goes to sink,
// in order, instead of a file.
void out_open_sink(void (*sink)(const unsigned char* bytes, int count));
// Closes the file if open. Returns 0, or -1 when a write since out_open failed or the final flush
// fails (the write-failure message is printed for the latter too).
int out_close();
// out_close for a page that must survive a power cut: the file's bytes are on stable storage
// before it is closed. Returns 0, or -1 as out_close, also when they may not have reached it.
int out_commit();
// After out_commit of a file: true when the file at path holds exactly the bytes written to it
// (read back; compared whole for a file of one block, by a hash of its blocks beyond), false when
// it holds anything else or cannot be read.
bool out_reads_back(const char* path);
int out_put(int ch);  // 0, or -1 when nothing was written
void out_puts(const char* text);
// out_put of each of count bytes.
void out_write(const unsigned char* bytes, int count);
int out_last();
int out_last2();
int out_last3();
int out_last4();

// Copies input to output up to, not including, stop (never a second byte of a pair).
void copy_until(int stop);
// How far a quoted value may reach; a quote that does not close within it is taken as unclosed.
constexpr int quote_reach = 4096;

// With the input just after an opening quote: the number of bytes from the look-ahead through the
// closing quote when it comes before the next "<" and within quote_reach bytes (pairs as the page's);
// 0 otherwise, the quote being taken as unclosed. Nothing is consumed.
int in_quoted_rest(int quote);

// The end of a tag as browsers read it: a ">" inside a quoted attribute value ends nothing. A pass
// feeds every byte of the tag after its name, as it consumes it from the input, to tag_ends_at,
// which tells whether that byte is the tag's ">". Starts as {}.
struct tag_end {
    bool after_equals;  // the last byte other than a blank was an unpaired "="
    int quoted;         // bytes still to come inside a quoted value
};
bool tag_ends_at(tag_end& tag, int ch, bool second);

// Copies input to output up to, not including, the ">" that ends the tag (tag_ends_at), or to the
// end of the input; skip_tag_rest consumes the same without writing it.
void copy_tag_rest();
void skip_tag_rest();

// True when ch, just after the letters SCRIPT of a tag name, ends the name of a script element.
constexpr bool ends_script_name(int ch) { return ch == '>' || ch == '/' || is_blank(ch); }

// Script text, in which no tag of the page is taken for markup: with the input just after the
// name of a script element's start tag, consumes everything through the next "</script" (letters
// in either case; a "<" that is the second byte of a pair is none), or to the end of the input;
// with copy, writes it out as well. False when the input ended first.
bool in_pass_script(bool copy);

// Consumes input without writing it up to, not including, the first of the six stops.
void skip_until(int s1, int s2, int s3, int s4, int s5, int s6);
