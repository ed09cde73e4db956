// The readers' core: the scan reader and the input stream, each a look-ahead over blocks of its
// page read into a buffer of its own (or the kept page's, kept_page.cpp), and the streams'
// messages. It promises its callers one byte at a time with one byte of look-ahead; runs of bytes
// that start no markup taken (or copied to the output) at once with the same result as taken one
// turn at a time; double-byte characters kept together wherever a stop byte is looked for; a
// read error that ends the input like its end; and every message of the streams, in the order it
// arises, handed to stream_message alone.
#include "textio/streams.h"

#include "platform/byte_io.h"
#include "textio/page_charset.h"
#include "textio/streams_internal.h"

#include <bit>
#include <cstdio>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

static unsigned char scan_data[block_size];
static unsigned char input_data[block_size];

byte_reader scan_stream = {nullptr,   false,     -1,    false,     false, false, true, false, scan_data,
                           scan_data, scan_data, false, scan_data, false, false, -1,   {},    ""};
byte_reader input_stream = {nullptr,    false,      -1,    false,      false, false, true, false, input_data,
                            input_data, input_data, false, input_data, false, false, -1,   {},    ""};

// Off only in tests: then no run of bytes is taken at once, and the passes take every byte one
// turn at a time, as the reference that the runs must agree with.
bool text_runs_on = true;

void set_text_runs(bool on) { text_runs_on = on; }

// The streams' messages: every one goes to stream_message.
static void print_message(const char* text) { std::fputs(text, stdout); }
void (*stream_message)(const char* text) = print_message;

void stream_report(const char* format, const char* path)
{
    char text[path_size + 64];
    std::snprintf(text, sizeof text, format, path);
    stream_message(text);
}

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

bool code_page_has_lead_bytes()
{
    unsigned char any = 0;
    for (unsigned char lead : lead_byte_table)
        any |= lead;
    return any != 0;
}

int reader_fill(byte_reader& r)
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
    // Only a page read whole in its first block may be kept.
    r.whole = r.whole == -2 && r.last_block && !r.read_error && n > 0 ? static_cast<int>(n) : -1;
    if (n == 0) {
        r.failed = r.read_error;
        return -1;
    }
    r.lead_bytes = r.pairs && code_page_has_lead_bytes();
    r.end = r.data + n;
    r.next = r.data + 1;
    return r.data[0];
}

void reader_start(byte_reader& r)
{
    r.last_block = false;
    r.read_error = false;
    r.look = reader_fill(r);
}

void reader_decide_pairs(byte_reader& r)
{
    r.pairs = r.lead_bytes && !page_is_utf8(r.data, r.end);
    r.lead_bytes = r.pairs;
}

// Only where the code page has lead bytes, and only when the page is not UTF-8.
void reader_start_page(byte_reader& r)
{
    r.pairs = true;
    reader_start(r);
    reader_decide_pairs(r);
}

// The bytes from the look-ahead to the end of the block in hand; 0 at the end of the input.
static int reader_block(const byte_reader& r, const unsigned char** bytes)
{
    if (r.look == -1 || !text_runs_on) {
        *bytes = r.end;
        return 0;
    }
    *bytes = r.next - 1;  // the look-ahead
    return static_cast<int>(r.end - r.next) + 1;
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

// Consumes the bytes that start nothing (find_markup), within the block in hand; with copy, they
// are written to the output stream too. Returns the turns of the main loop passed over.
template <bool copy>
static int reader_pass_text(byte_reader& r, bool& pair, const markup_starts& starts)
{
    if (r.look == -1 || !text_runs_on)
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

// ---- scan reader

int scan_next() { return reader_next(scan_stream); }

int scan_peek() { return scan_stream.look; }

bool scan_lead_byte(int ch) { return scan_stream.lead_bytes && is_lead_byte(ch); }

bool scan_pairs() { return scan_stream.lead_bytes; }

int scan_skip_text(bool& pair, const markup_starts& starts) { return reader_pass_text<false>(scan_stream, pair, starts); }

int scan_block(const unsigned char** bytes) { return reader_block(scan_stream, bytes); }

void scan_consume(int count) { reader_consume(scan_stream, count); }

int scan_window(const unsigned char** bytes, int want)
{
    byte_reader& r = scan_stream;
    if (r.look == -1) {
        *bytes = r.end;
        return 0;
    }
    unsigned char* at = r.next - 1;  // the look-ahead
    int have = static_cast<int>(r.end - at);
    if (have < want && !r.last_block && !r.from_hold && want <= block_size / 2) {
        std::memmove(r.data, at, static_cast<size_t>(have));
        size_t n = std::fread(r.data + have, 1, static_cast<size_t>(block_size - have), r.file);
        if (n < static_cast<size_t>(block_size - have)) {
            r.last_block = true;
            r.read_error = std::ferror(r.file) != 0;
        }
        r.lead_bytes = r.pairs && code_page_has_lead_bytes();
        at = r.data;
        r.next = r.data + 1;
        r.end = r.data + have + n;
        have += static_cast<int>(n);
    }
    *bytes = at;
    return have;
}

bool scan_skip_word()
{
    byte_reader& scan = scan_stream;
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

bool scan_failed() { return scan_stream.failed; }

void scan_skip_blanks()
{
    while (is_blank(scan_stream.look))
        reader_next(scan_stream);
}

void scan_skip_separators()
{
    while (is_separator(scan_stream.look))
        reader_next(scan_stream);
}

int scan_read_value(char* buffer, int size)
{
    byte_reader& scan = scan_stream;
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
            // Either byte of a pair belongs to the value, whatever it is.
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

int in_next() { return reader_next(input_stream); }

int in_skip_text(bool& pair, const markup_starts& starts) { return reader_pass_text<false>(input_stream, pair, starts); }

int in_copy_text(bool& pair, const markup_starts& starts) { return reader_pass_text<true>(input_stream, pair, starts); }

int in_block(const unsigned char** bytes) { return reader_block(input_stream, bytes); }

void in_consume(int count) { reader_consume(input_stream, count); }

int in_peek() { return input_stream.look; }

bool in_lead_byte(int ch) { return input_stream.lead_bytes && is_lead_byte(ch); }

bool in_pairs() { return input_stream.lead_bytes; }

bool in_failed() { return input_stream.failed; }
