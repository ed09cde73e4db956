// Buffered character streams: the scan reader, the input stream and the output stream.
#include "textio/streams.h"

#include "platform/bounded_copy.h"
#include "platform/byte_io.h"
#include "platform/dbcs.h"
#include "platform/files.h"
#include "textio/page_charset.h"
#include "textio/paths.h"

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The readers take the file in blocks of this size into a buffer of their own, so that a run of
// bytes can be looked at in one go; the output stream gathers its bytes in the same way, so that
// most pages are read in one call and written in one.
constexpr int block_size = 65536;
constexpr int output_block_size = block_size;

namespace {

struct reader {
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
    unsigned char* data;  // block_size bytes: own, or the held page's while the reader reads that
    bool exit_handler;    // the reader's close is registered to run at exit
    unsigned char* own;   // the reader's own block
    bool from_hold;       // reads the held page instead of a file
    bool may_hold;        // the page it reads may be held when it is closed: its identity is known
    int whole;            // the page's size when its first block held all of it, else -1
    file_identity identity;  // of the page, taken before it was opened
    char path[path_size];
};

// A page that a read-only pass has read whole, kept for the next read-only pass over the same page:
// the passes look at one page several times in a row (is it prepared, its links; as the next page
// of the page before it, its images and streams), and a page that has not changed since is not
// read again. Only a page that fits in one block is kept, and it is taken again only while the
// file's identity (its size and times, and its serial number where the system has one) is the one
// it had before it was read.
struct held_page {
    unsigned char* data;  // block_size bytes, taken over from the reader that read the page
    int size;
    bool valid;
    char path[path_size];
    file_identity identity;
    int readers;  // readers that read it now: it is not replaced while any does
};

}  // namespace

static unsigned char spare_data[block_size];
static held_page hold = {spare_data, 0, false, "", {}, 0};

static unsigned char scan_data[block_size];
static unsigned char input_data[block_size];

static void print_message(const char* text) { std::fputs(text, stdout); }
void (*stream_message)(const char* text) = print_message;

// A message of the streams with the path it names, cut to fit where it is longer than any path.
static void report(const char* format, const char* path)
{
    char text[path_size + 64];
    std::snprintf(text, sizeof text, format, path);
    stream_message(text);
}

// Off only in tests: then no run of bytes is taken at once, and the passes take every byte one
// turn at a time, as the reference that the runs must agree with.
static bool text_runs = true;

void set_text_runs(bool on) { text_runs = on; }

static reader scan = {nullptr, false, -1,        false,     false,     false, true, false, scan_data,
                      scan_data, scan_data, false, scan_data, false, false, -1,    {},   ""};
static reader input = {nullptr,    false,      -1,    false,      false, false, true, false, input_data,
                       input_data, input_data, false, input_data, false, false, -1,   {},    ""};

static FILE* output;
static void (*output_sink)(const unsigned char* bytes, int count);  // instead of output, when set
static bool output_closed = true;
static bool output_failed;
static int history[4] = {-1, -1, -1, -1};  // most recent first

static char input_buffer[4096];   // the input file's stdio buffer
static unsigned char output_data[output_block_size];
static unsigned char output_buffer[output_block_size];  // the output file's stdio buffer
static unsigned char* output_next = output_data;  // where the next byte written goes

// The classes by byte, for the loops that look at many bytes: blanks and ">" (the end of an
// attribute), and the value delimiters.
struct byte_classes {
    bool attribute_end[256];
    bool attribute_end_or_lt[256];  // and "<", which the rest of an attribute reports
    bool value_end[256];
    bool unquoted_value_end[256];  // the value delimiters and the tag's ">"
};

static constexpr byte_classes make_byte_classes()
{
    byte_classes classes = {};
    for (int b = 0; b < 256; ++b) {
        classes.attribute_end[b] = b == '>' || is_blank(b);
        classes.attribute_end_or_lt[b] = classes.attribute_end[b] || b == '<';
        classes.value_end[b] = is_value_end(b);
        classes.unquoted_value_end[b] = is_value_end(b) || b == '>';
    }
    return classes;
}

static constexpr byte_classes classes = make_byte_classes();

static bool any_lead_bytes()
{
    unsigned char any = 0;
    for (unsigned char lead : lead_byte_table)
        any |= lead;
    return any != 0;
}

// Reads the next block and returns its first byte, or -1 when the input has ended (at the end of
// the file or after a read error). Once it has returned -1 it reads nothing more.
static int reader_fill(reader& r)
{
    r.next = r.end = r.data;
    if (r.last_block) {
        r.failed = r.read_error;
        return -1;
    }
    size_t n = std::fread(r.data, 1, block_size, r.file);
    if (n < static_cast<size_t>(block_size)) {
        r.last_block = true;
        r.read_error = std::ferror(r.file) != 0;
    }
    // Only a page read whole in its first block may be held.
    r.whole = r.whole == -2 && r.last_block && !r.read_error && n > 0 ? static_cast<int>(n) : -1;
    if (n == 0) {
        r.failed = r.read_error;
        return -1;
    }
    r.lead_bytes = r.pairs && any_lead_bytes();
    r.end = r.data + n;
    r.next = r.data + 1;
    return r.data[0];
}

// Starts reading at the file's current position.
static void reader_start(reader& r)
{
    r.last_block = false;
    r.read_error = false;
    r.look = reader_fill(r);
}

// With r.lead_bytes telling whether the code page has lead bytes and the page's first block in
// hand: the page pairs unless it is UTF-8.
static void decide_pairs(reader& r)
{
    r.pairs = r.lead_bytes && !page_is_utf8(r.data, r.end);
    r.lead_bytes = r.pairs;
}

// Starts reading the held page at position (at most its size).
static void reader_start_held(reader& r, long long position)
{
    r.data = hold.data;
    r.end = hold.data + hold.size;
    r.next = r.data + position + 1;
    r.look = position < hold.size ? hold.data[position] : -1;
    r.last_block = true;
    r.read_error = false;
}

// Starts reading a page just opened, and decides from its first block whether its bytes pair: only
// where the code page has lead bytes, and only when the page is not UTF-8.
static void reader_start_page(reader& r)
{
    r.pairs = true;
    reader_start(r);
    decide_pairs(r);
}

// The pairing step that every reader path takes for each byte ch it looks at: pair tells whether
// ch is the second byte of a double-byte pair, and is set to whether ch opens one (only where
// lead_bytes: the page is read in pairs). Returns whether ch was a second byte. A byte that is
// neither (false returned, pair false afterwards) stands alone and may be markup.
static inline bool pair_step(bool& pair, bool lead_bytes, unsigned char ch)
{
    bool second = pair;
    pair = !second && lead_bytes && lead_byte_table[ch] != 0;
    return second;
}

static inline int reader_next(reader& r)
{
    if (r.look == -1)
        return -1;
    int result = r.look;
    r.look = r.next < r.end ? *r.next++ : reader_fill(r);
    return result;
}

// Marks r open, reading from the start. The first open registers close to run at exit, so no file
// stays open when the program ends early.
static void reader_opened(reader& r, void (*close)())
{
    r.open = true;
    r.failed = false;
    if (!r.exit_handler) {
        r.exit_handler = true;
        std::atexit(close);
    }
}

// Opens path for reading by r, or prints open_failed (a format taking the path) and returns
// false.
static bool reader_open(reader& r, const char* path, const char* open_failed, void (*close)())
{
    r.file = file_ops.open(path, "rb");
    if (!r.file) {
        report(open_failed, path);
        return false;
    }
    reader_opened(r, close);
    return true;
}

// Opens path for a read-only pass and starts reading it, deciding whether it pairs: takes the
// held page when it is path's and the file is as it was when it was read; else opens the file as
// reader_open does, gives it its buffering, and notes the file's identity so that the page can be
// held after the pass.
static bool reader_open_page(reader& r, const char* path, const char* open_failed, void (*close)(),
                             void (*buffering)(reader&))
{
    file_identity identity;
    bool known = file_ops.identify(&identity, path) == 0;
    if (known && hold.valid && hold.identity == identity && std::strcmp(hold.path, path) == 0) {
        r.file = nullptr;
        reader_opened(r, close);
        r.from_hold = true;
        r.may_hold = false;
        ++hold.readers;
        reader_start_held(r, 0);
        r.lead_bytes = any_lead_bytes();
        decide_pairs(r);
        return true;
    }
    if (!reader_open(r, path, open_failed, close))
        return false;
    r.may_hold = known && std::strlen(path) < sizeof r.path;
    if (r.may_hold) {
        r.identity = identity;
        copy_bounded(r.path, sizeof r.path, path);
    }
    buffering(r);
    r.whole = -2;  // the first fill tells whether it held all of the page
    reader_start_page(r);
    return true;
}

static void reader_close(reader& r)
{
    if (r.open && r.from_hold) {
        --hold.readers;
        r.open = false;
    } else if (r.open) {
        // A page read whole, and read as big as it was before it was opened, is kept for the next
        // pass over it; not while a reader reads the page held now.
        if (r.may_hold && r.whole > 0 && !r.failed && static_cast<unsigned long long>(r.whole) == r.identity.size &&
            hold.readers == 0) {
            // The reader's block becomes the held page, and the block of the page held before
            // becomes the reader's.
            unsigned char* block = hold.data;
            hold.data = r.own;
            r.own = block;
            hold.size = r.whole;
            hold.identity = r.identity;
            copy_bounded(hold.path, sizeof hold.path, r.path);
            hold.valid = true;
        }
        file_ops.close(r.file);
        r.open = false;
    }
    r.from_hold = false;
    r.may_hold = false;
    r.whole = -1;
    r.data = r.own;
    r.look = -1;
    r.next = r.end = r.data;
}

// A keyword byte k against a page byte c: letters (k in upper case) in either case, others exactly.
static inline bool keyword_byte(unsigned char c, char k)
{
    return c == static_cast<unsigned char>(k) || (k >= 'A' && k <= 'Z' && c == static_cast<unsigned char>(k + 32));
}

// At a "<" at p outside a pair: how many bytes after it the main loop takes in the same turn when
// the "<" starts nothing (the bytes that match a keyword, up to the first that does not), or -1
// when it may start something: a whole keyword follows, or its bytes run past end.
static inline int keyword_match(const unsigned char* p, const unsigned char* end, const markup_starts& starts)
{
    if (p + 1 == end)
        return -1;
    int at = starts.word_at[p[1]];
    if (at == 0)
        return 0;
    const char* word = starts.words + at - 1;
    int matched = 1;
    while (word[matched] != '\0' && p + 1 + matched < end && keyword_byte(p[1 + matched], word[matched]))
        ++matched;
    if (word[matched] == '\0' || p + 1 + matched == end)
        return -1;
    return matched;
}


// Passes over the bytes from begin that start nothing for a pass, as its main loop would one turn
// at a time: up to the first "<" outside a double-byte pair that begins a whole keyword of starts
// (or whose bytes run past end), or end. pair tells whether *begin is the second byte of a pair,
// and afterwards whether the byte returned is. turns gets the number of turns of the main loop
// passed over.
static const unsigned char* find_markup(const unsigned char* begin, const unsigned char* end, bool& pair,
                                        bool lead_bytes, const markup_starts& starts, int& turns)
{
    const unsigned char* p = begin;
    int merged = 0;  // bytes that a turn took together with its "<"
    bool lt_is_lead = lead_bytes && is_lead_byte('<');  // then every "<" is left to the main loop
    for (;;) {
        if (!lead_bytes && !pair) {
#if defined(__SSE2__)
            // Sixteen bytes at a time: each "<" among them is judged by the byte after it (the
            // seventeenth byte is readable), and only one that may begin a keyword is looked at
            // closer. The bytes a turn takes after a "<" hold no "<".
            const __m128i lt_vector = _mm_set1_epi8('<');
            while (end - p >= 17) {
                __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
                unsigned found = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, lt_vector)));
                for (; found != 0; found &= found - 1) {
                    const unsigned char* lt = p + std::countr_zero(found);
                    if (starts.word_at[lt[1]] == 0)
                        continue;
                    int matched = keyword_match(lt, end, starts);
                    if (matched < 0) {
                        turns = static_cast<int>(lt - begin) - merged;
                        return lt;
                    }
                    merged += matched;
                }
                p += 16;
            }
#endif
            p = byte_find(p, end, '<');
        } else {
            // A "<" that is no second byte stops the run before its own pairing step, which the
            // main loop takes.
            for (; p < end; ++p) {
                if (!pair && *p == '<')
                    break;
                pair_step(pair, true, *p);
            }
        }
        // p is a "<" outside a pair. The main loop consumes it and the bytes after it that match
        // the keyword they begin; at the first that does not, the "<" has started nothing and the
        // loop goes on at that byte in its next turn, with the pairing begun anew.
        if (p == end || lt_is_lead)
            break;
        int matched = keyword_match(p, end, starts);
        if (matched < 0)
            break;
        p += 1 + matched;
        merged += matched;
        pair = false;
    }
    turns = static_cast<int>(p - begin) - merged;
    return p;
}

static void output_write(const unsigned char* bytes, int n);

// Consumes the bytes that start nothing (find_markup), within the block in hand; with copy, they
// are written to the output stream too. Returns the turns of the main loop passed over.
template <bool copy>
static int reader_pass_text(reader& r, bool& pair, const markup_starts& starts)
{
    if (r.look == -1 || !text_runs)
        return 0;
    const unsigned char* begin = r.next - 1;  // the look-ahead
    int turns = 0;
    const unsigned char* stop = find_markup(begin, r.end, pair, r.lead_bytes, starts, turns);
    int n = static_cast<int>(stop - begin);
    if (n == 0)
        return 0;
    if (copy)
        output_write(begin, n);
    if (stop < r.end) {
        r.look = *stop;
        r.next = const_cast<unsigned char*>(stop) + 1;
    } else {
        r.look = reader_fill(r);
    }
    return turns;
}

// The bytes from the look-ahead to the end of the block in hand; 0 at the end of the input.
static int reader_block(const reader& r, const unsigned char** bytes)
{
    if (r.look == -1 || !text_runs) {
        *bytes = r.end;
        return 0;
    }
    *bytes = r.next - 1;  // the look-ahead
    return static_cast<int>(r.end - r.next) + 1;
}

// Consumes count of the bytes that reader_block gave.
static void reader_consume(reader& r, int count)
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

// ---- scan reader

// The scan reader takes whole blocks into its own buffer, which stdio then reads into directly: a
// buffer of stdio's own would never be used.
static void unbuffered(reader& r) { std::setvbuf(r.file, nullptr, _IONBF, 0); }

int scan_open(const char* path)
{
    scan_close();
    return reader_open_page(scan, path, "\nCannot open source file (RD) : %s\n", scan_close, unbuffered) ? 0 : -1;
}

void scan_close() { reader_close(scan); }

bool scan_identity(file_identity* out)
{
    if (!scan.open || !(scan.from_hold || scan.may_hold))
        return false;
    *out = scan.from_hold ? hold.identity : scan.identity;
    return true;
}

int scan_next() { return reader_next(scan); }

int scan_peek() { return scan.look; }

bool scan_lead_byte(int ch) { return scan.lead_bytes && is_lead_byte(ch); }

bool scan_pairs() { return scan.lead_bytes; }

int scan_skip_text(bool& pair, const markup_starts& starts) { return reader_pass_text<false>(scan, pair, starts); }

int scan_block(const unsigned char** bytes) { return reader_block(scan, bytes); }

void scan_consume(int count) { reader_consume(scan, count); }

bool scan_skip_word()
{
    bool lt = false;
    for (;;) {
        int ch = scan.look;
        if (ch == -1 || ch == '>' || is_blank(ch))
            return lt;
        lt = lt || ch == '<';
        // The bytes after the look-ahead in the block in hand, then the next block.
        unsigned char* p = scan.next;
        for (;;) {
            while (p < scan.end && !classes.attribute_end_or_lt[*p])
                ++p;
            if (p == scan.end || *p != '<')
                break;
            lt = true;
            ++p;
        }
        if (p < scan.end) {
            scan.look = *p;
            scan.next = p + 1;
            return lt;
        }
        scan.look = reader_fill(scan);
    }
}

bool scan_failed() { return scan.failed; }

void scan_skip_blanks()
{
    while (is_blank(scan.look))
        reader_next(scan);
}

void scan_skip_separators()
{
    while (is_separator(scan.look))
        reader_next(scan);
}

int scan_read_value(char* buffer, int size)
{
    scan_skip_separators();
    bool double_quoted = false;
    bool single_quoted = false;
    if (scan.look == '"') {
        reader_next(scan);
        double_quoted = true;
    }
    if (scan.look == '\'') {
        reader_next(scan);
        single_quoted = true;
    }
    int n = 0;
    bool second_byte = false;
    bool ended = false;
    bool full = false;
    // A block at a time: the bytes in hand from the look-ahead on; where nothing pairs, a run up to
    // the value's end at once, else one by one.
    while (scan.look != -1 && !ended && !full) {
        unsigned char* p = scan.next - 1;
        while (!scan.lead_bytes && p < scan.end) {
            unsigned char* run_end = p;
            if (double_quoted || single_quoted) {
                run_end = const_cast<unsigned char*>(byte_find(p, scan.end, double_quoted ? '"' : '\''));
            } else {
                while (run_end < scan.end && !classes.unquoted_value_end[*run_end])
                    ++run_end;
            }
            int run = static_cast<int>(run_end - p);
            int room = size - 1 - n;
            if (run > room) {
                // The first byte that does not fit is lost; the rest of the value stays unread.
                std::memcpy(buffer + n, p, static_cast<size_t>(room));
                n += room;
                p += room + 1;
                full = true;
                break;
            }
            std::memcpy(buffer + n, p, static_cast<size_t>(run));
            n += run;
            p = run_end;
            if (p < scan.end) {
                if (*p != '>' || double_quoted || single_quoted)
                    ++p;  // a closing quote or a delimiter is consumed; the tag's ">" stays for the tag
                ended = true;
                break;
            }
        }
        while (scan.lead_bytes && p < scan.end) {
            int ch = *p++;
            // Either byte of a pair is part of the value, whatever it is.
            if (!pair_step(second_byte, scan.lead_bytes, static_cast<unsigned char>(ch)) && !second_byte) {
                if (double_quoted ? ch == '"' : single_quoted ? ch == '\'' : classes.value_end[ch]) {
                    ended = true;
                    break;
                }
                if (ch == '>' && !double_quoted && !single_quoted) {
                    --p;  // the tag's end, which stays for the tag
                    ended = true;
                    break;
                }
            }
            if (n >= size - 1) {
                full = true;  // ch is lost; the rest of the value stays unread
                break;
            }
            buffer[n++] = static_cast<char>(ch);
        }
        if (p < scan.end) {
            scan.look = *p;
            scan.next = p + 1;
        } else {
            scan.look = reader_fill(scan);
        }
    }
    buffer[n] = '\0';
    return full ? -1 : n + 1;
}

// ---- input stream

// Sets the input file's buffer.
static void input_buffering(reader& r)
{
    if (std::setvbuf(r.file, input_buffer, _IOFBF, sizeof input_buffer) != 0)
        stream_message("Buffering failed.(RD) \n");
}

int in_open(const char* path)
{
    in_close();
    if (!reader_open(input, path, "\nCannot open RD file : %s\n", in_close))
        return -1;
    input_buffering(input);
    reader_start_page(input);
    return 0;
}

int in_open_page(const char* path)
{
    in_close();
    return reader_open_page(input, path, "\nCannot open RD file : %s\n", in_close, input_buffering) ? 0 : -1;
}

void in_close() { reader_close(input); }

int in_next() { return reader_next(input); }

int in_skip_text(bool& pair, const markup_starts& starts) { return reader_pass_text<false>(input, pair, starts); }

int in_block(const unsigned char** bytes) { return reader_block(input, bytes); }

void in_consume(int count) { reader_consume(input, count); }

int in_copy_text(bool& pair, const markup_starts& starts) { return reader_pass_text<true>(input, pair, starts); }

int in_peek() { return input.look; }

bool in_lead_byte(int ch) { return input.lead_bytes && is_lead_byte(ch); }

bool in_pairs() { return input.lead_bytes; }

bool in_failed() { return input.failed; }

long long in_tell()
{
    if (input.from_hold)
        return input.look == -1 ? hold.size : input.next - 1 - input.data;
    long long position = byte_tell(input.file);
    if (position < 0)
        return position;
    // The file stands after the block in hand: back over its unread bytes and the look-ahead.
    return position - (input.end - input.next) - (input.look == -1 ? 0 : 1);
}

int in_seek(long long position)
{
    if (input.open && input.from_hold) {
        if (position < 0 || position > hold.size)
            return -1;
        reader_start_held(input, position);
        return 0;
    }
    if (!input.open || byte_seek(input.file, position) != 0)
        return -1;
    reader_start(input);
    return input.failed ? -1 : 0;
}

// ---- output stream

static void remember(int ch)
{
    history[3] = history[2];
    history[2] = history[1];
    history[1] = history[0];
    history[0] = ch;
}

// Hands the gathered bytes to the file. False when the file reports a failure (with full
// buffering, when a full buffer cannot be written out).
// What was written to the file since it was opened, so that it can be read back and compared: a
// file of one block is compared with the block itself, which stays in output_data; a longer one by
// a hash of its blocks, each of output_block_size bytes but the last.
static int full_blocks_written;
static int last_block_length;
static uint64_t written_hash;

static uint64_t hash_block(uint64_t h, const unsigned char* bytes, size_t n)
{
    constexpr uint64_t k = 0x9E3779B97F4A7C15ull;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, bytes + i, 8);
        h = (h ^ w) * k;
        h ^= h >> 29;
    }
    for (; i < n; ++i)
        h = (h ^ bytes[i]) * k;
    return (h ^ n) * k;
}

static bool output_flush(bool last = true)
{
    size_t n = static_cast<size_t>(output_next - output_data);
    output_next = output_data;
    // An empty flush (the close after a commit) adds nothing to what was written.
    if (!output_sink && n > 0) {
        if (!last || full_blocks_written > 0)
            written_hash = hash_block(written_hash, output_data, n);
        full_blocks_written += last ? 0 : 1;
        last_block_length = static_cast<int>(n);
    }
    if (output_sink) {
        output_sink(output_data, static_cast<int>(n));
        return true;
    }
    // The library may take the bytes and fail only when it writes out its own buffer: that failure
    // shows in the stream's error flag alone.
    return std::fwrite(output_data, 1, n, output) == n && std::ferror(output) == 0;
}

static void output_failure()
{
    stream_message("File writing error.(or Disk full)\n");
    output_failed = true;
    out_close();
}

// At program exit the bytes still gathered go to the file, which the standard library then closes
// as it would have closed it with them in its own buffer.
static void output_flush_at_exit()
{
    if (!output_closed)
        output_flush();
}

// Gives a newly opened output file its buffering and makes the stream ready; false (the file
// closed again) when the buffering fails.
static bool output_opened(FILE* file)
{
    static bool exit_handler;
    output = file;
    output_sink = nullptr;
    // The library's buffer takes a whole block, so that each block goes to the file in one write
    // and a write that fails is the last: with a smaller buffer, the library went on writing the
    // rest of the block after a failed write, at that write's place (the page's start).
    if (std::setvbuf(output, reinterpret_cast<char*>(output_buffer), _IOFBF, sizeof output_buffer) != 0) {
        stream_message("Buffering failed.(WR)\n");
        file_ops.close(output);
        output = nullptr;
        return false;
    }
    if (!exit_handler) {
        exit_handler = true;
        std::atexit(output_flush_at_exit);
    }
    output_next = output_data;
    output_closed = false;
    output_failed = false;
    full_blocks_written = 0;
    last_block_length = 0;
    written_hash = 0;
    return true;
}

int out_open(const char* path)
{
    FILE* file = file_ops.open(path, "wb");
    if (!file) {
        report("Cannot open WR file : %s\n", path);
        return -1;
    }
    return output_opened(file) ? 0 : -1;
}

int out_open_rewrite(const char* path, const file_identity* expected, bool* changed)
{
    FILE* file = file_ops.rewrite(path, expected, changed);
    if (!file) {
        if (!*changed)
            report("Cannot open WR file : %s\n", path);
        return -1;
    }
    return output_opened(file) ? 0 : -1;
}

void out_open_sink(void (*sink)(const unsigned char* bytes, int count))
{
    output = nullptr;
    output_sink = sink;
    output_next = output_data;
    output_closed = false;
    output_failed = false;
}

int out_close()
{
    if (!output_closed) {
        output_closed = true;
        // A flush that fails here loses the end of the page just as a failed write would.
        bool flushed = output_flush();
        bool closed = output_sink || file_ops.close(output) == 0;
        if (!(flushed && closed) && !output_failed) {
            stream_message("File writing error.(or Disk full)\n");
            output_failed = true;
        }
        output = nullptr;
        output_sink = nullptr;
    }
    return output_failed ? -1 : 0;
}

int out_commit()
{
    if (!output_closed && !output_failed && !output_sink &&
        !(output_flush() && file_ops.sync_stream(output) == 0)) {
        stream_message("File writing error.(or Disk full)\n");
        output_failed = true;
    }
    return out_close();
}

bool out_reads_back(const char* path)
{
    static unsigned char back[output_block_size];
    FILE* file = file_ops.open(path, "rb");
    if (!file)
        return false;
    std::setvbuf(file, nullptr, _IONBF, 0);  // read straight into back, a block at a time
    bool same = true;
    uint64_t h = 0;
    int blocks = 0;
    for (;;) {
        size_t n = std::fread(back, 1, sizeof back, file);
        if (n < sizeof back && std::ferror(file)) {
            same = false;
            break;
        }
        bool last = n < sizeof back;
        if (full_blocks_written == 0) {
            // One block: the bytes written are still in output_data.
            unsigned char more;
            same = static_cast<int>(n) == last_block_length && std::memcmp(back, output_data, n) == 0 &&
                   std::fread(&more, 1, 1, file) == 0 && !std::ferror(file);
            break;
        }
        if (n > 0)
            h = hash_block(h, back, n);
        if (last)
            break;
        if (copy_pause)
            copy_pause();  // a large page: the window keeps answering
        // More than was written: not the same, whatever follows.
        if (++blocks > full_blocks_written + 1) {
            same = false;
            break;
        }
    }
    if (full_blocks_written > 0)
        same = same && h == written_hash;
    file_ops.close(file);
    return same;
}

int out_put(int ch)
{
    if (output_closed)
        return -1;
    if (output_next == output_data + output_block_size && !output_flush(false)) {
        output_failure();
        return -1;
    }
    *output_next++ = static_cast<unsigned char>(ch);
    remember(ch);
    return 0;
}

// out_put of each of n bytes, a block at a time.
static void output_write(const unsigned char* bytes, int n)
{
    if (output_closed)
        return;
    const unsigned char* written = bytes;  // the end of what has been written
    while (n > 0) {
        int room = static_cast<int>(output_data + output_block_size - output_next);
        if (room == 0) {
            if (!output_flush(false)) {
                output_failure();
                break;
            }
            room = output_block_size;
        }
        int k = n < room ? n : room;
        if (k == 1)
            *output_next = *written;  // the runs between tags are often a single byte
        else
            std::memcpy(output_next, written, static_cast<size_t>(k));
        output_next += k;
        written += k;
        n -= k;
    }
    // The history: the last four bytes written, most recent first.
    int count = static_cast<int>(written - bytes);
    if (count >= 4) {
        for (int i = 0; i < 4; ++i)
            history[i] = written[-1 - i];
    } else {
        for (const unsigned char* p = bytes; p < written; ++p)
            remember(*p);
    }
}

void out_write(const unsigned char* bytes, int count) { output_write(bytes, count); }

void out_puts(const char* text) { output_write(reinterpret_cast<const unsigned char*>(text), static_cast<int>(std::strlen(text))); }

int out_last() { return history[0]; }
int out_last2() { return history[1]; }
int out_last3() { return history[2]; }
int out_last4() { return history[3]; }

// ---- copying

void copy_until(int stop)
{
    bool second_byte = false;
    for (;;) {
        int ch = input.look;
        if (ch == -1)
            return;
        if (!pair_step(second_byte, input.lead_bytes, static_cast<unsigned char>(ch)) && !second_byte &&
            ch == stop)
            return;
        out_put(reader_next(input));
    }
}

// How far a quoted value may reach; a quote that does not close within it is taken as unclosed.
constexpr int quote_reach = 4096;

// in_quoted_rest over bytes in memory from p: the count through the closing quote, 0 when the
// value is unclosed, -1 when end came first.
static int quoted_rest_in(const unsigned char* p, const unsigned char* end, int quote, bool lead_bytes)
{
    bool pair = false;
    for (int n = 1; n <= quote_reach; ++n, ++p) {
        if (p == end)
            return -1;
        int ch = *p;
        if (pair_step(pair, lead_bytes, *p) || pair)
            continue;
        if (ch == '<')
            return 0;
        if (ch == quote)
            return n;
    }
    return 0;
}

int in_quoted_rest(int quote)
{
    if (input.look == -1)
        return 0;
    // Mostly the value ends within the block in hand; else the file is read on and read again.
    int n = quoted_rest_in(input.next - 1, input.end, quote, input.lead_bytes);
    if (n >= 0)
        return n;
    long long start = in_tell();
    unsigned char bytes[quote_reach];
    int count = 0;
    while (count < quote_reach && input.look != -1)
        bytes[count++] = static_cast<unsigned char>(reader_next(input));
    n = quoted_rest_in(bytes, bytes + count, quote, input.lead_bytes);
    if (start < 0 || in_seek(start) != 0)
        input.failed = true;  // the page can no longer be read faithfully
    return n < 0 ? 0 : n;
}

bool tag_ends_at(tag_end& tag, int ch, bool second)
{
    if (tag.quoted > 0) {
        --tag.quoted;
        return false;
    }
    if (second) {
        tag.after_equals = false;
        return false;
    }
    if (ch == '>')
        return true;
    if (ch == '=') {
        tag.after_equals = true;
        return false;
    }
    if (is_blank(ch))
        return false;
    if ((ch == '"' || ch == '\'') && tag.after_equals)
        tag.quoted = in_quoted_rest(ch);
    tag.after_equals = false;
    return false;
}

// copy_tag_rest, or with copy false the same without writing.
static void pass_tag_rest(bool copy)
{
    tag_end tag = {};
    bool pair = false;
    for (;;) {
        int ch = input.look;
        if (ch == -1)
            return;
        bool second = pair_step(pair, input.lead_bytes, static_cast<unsigned char>(ch));
        if (ch == '>' && !second && tag.quoted == 0)
            return;
        reader_next(input);
        tag_ends_at(tag, ch, second);
        if (copy)
            out_put(ch);
    }
}

void copy_tag_rest() { pass_tag_rest(true); }

void skip_tag_rest() { pass_tag_rest(false); }

bool in_pass_script(bool copy)
{
    static const char end_tag[] = "/SCRIPT";
    bool pair = false;
    for (;;) {
        // Where nothing pairs, the bytes before the next "<" go at once.
        if (!input.lead_bytes && text_runs && input.look != -1 && input.look != '<') {
            const unsigned char* begin = input.next - 1;  // the look-ahead
            int n = static_cast<int>(byte_find(begin, input.end, '<') - begin);
            if (copy)
                output_write(begin, n);
            reader_consume(input, n);
            continue;
        }
        int ch = input.look;
        if (ch == -1)
            return false;
        bool second = pair_step(pair, input.lead_bytes, static_cast<unsigned char>(ch));
        if (copy)
            out_put(ch);
        reader_next(input);
        if (second || ch != '<')
            continue;
        int k = 0;
        while (end_tag[k] != '\0' && input.look != -1 && keyword_byte(static_cast<unsigned char>(input.look), end_tag[k])) {
            if (copy)
                out_put(input.look);
            reader_next(input);
            ++k;
        }
        if (end_tag[k] == '\0')
            return true;
    }
}

void skip_until(int s1, int s2, int s3, int s4, int s5, int s6)
{
    bool second_byte = false;
    for (;;) {
        int ch = input.look;
        if (ch == -1)
            return;
        if (!pair_step(second_byte, input.lead_bytes, static_cast<unsigned char>(ch)) && !second_byte &&
            (ch == s1 || ch == s2 || ch == s3 || ch == s4 || ch == s5 || ch == s6))
            return;
        reader_next(input);
    }
}
