// What every pass over a page shares: the main loop, which keeps double-byte characters together,
// takes runs of bytes that start nothing at once and calls the message pump once per byte; the
// matching of tag names; and the sliding window in which comment ends and other patterns are found
// with the second bytes of pairs marked. The scanners, the rewriter and the restorer each supply
// only what they do at a "<".
#pragma once

#include "console/message_pump.h"
#include "platform/byte_io.h"
#include "platform/dbcs.h"
#include "scan/insertion_format.h"
#include "textio/streams.h"

#include <cstring>

// The two look-ahead readers, as types, so that a pass is instantiated for the reader it reads.
struct scan_reader {
    static int peek() { return scan_peek(); }
    static int next() { return scan_next(); }
    static bool lead(int ch) { return scan_lead_byte(ch); }
    static bool pairs() { return scan_pairs(); }
    static int skip_text(bool& pair, const markup_starts& starts) { return scan_skip_text(pair, starts); }
    static int block(const unsigned char** bytes) { return scan_block(bytes); }
    static void consume(int count) { scan_consume(count); }
};

struct input_reader {
    static int peek() { return in_peek(); }
    static int next() { return in_next(); }
    static bool lead(int ch) { return in_lead_byte(ch); }
    static bool pairs() { return in_pairs(); }
    static int skip_text(bool& pair, const markup_starts& starts) { return in_skip_text(pair, starts); }
    static int block(const unsigned char** bytes) { return in_block(bytes); }
    static void consume(int count) { in_consume(count); }
};

// ch is the letter upper (given in upper case) in either case.
constexpr bool is_letter(int ch, char upper) { return ch == upper || ch == upper + ('a' - 'A'); }

// Consumes the bytes of name while they match the look-ahead (letters, given in upper case, in
// either case; other bytes exactly), appending each to consumed (ended by a NUL; the caller sizes
// it for length plus name). True when all matched; at the first mismatch the look-ahead stays.
template <class R>
bool match_whole_name(const char* name, char* consumed, int& length);

template <class R>
inline bool match_name(const char* name, char* consumed, int& length)
{
    // Mostly the first byte differs already, which is told here without a call.
    if (*name && (*name >= 'A' && *name <= 'Z' ? !is_letter(R::peek(), *name) : R::peek() != *name))
        return false;
    return match_whole_name<R>(name, consumed, length);
}

// match_name past its first byte's test: mostly the block in hand holds the whole name and the
// byte after it, so it is compared there and the bytes that matched are consumed at once.
template <class R>
bool match_whole_name(const char* name, char* consumed, int& length)
{
    const unsigned char* bytes;
    int available = R::block(&bytes);
    int k = 0;
    while (k < available - 1 && name[k]) {
        bool letter = name[k] >= 'A' && name[k] <= 'Z';
        if (letter ? !is_letter(bytes[k], name[k]) : bytes[k] != static_cast<unsigned char>(name[k]))
            break;
        consumed[length++] = static_cast<char>(bytes[k]);
        ++k;
    }
    if (k > 0) {
        consumed[length] = '\0';
        R::consume(k);
        name += k;
        if (k < available - 1 || !*name)
            return !*name;
    }
    for (; *name; ++name) {
        int c = R::peek();
        bool letter = *name >= 'A' && *name <= 'Z';
        if (letter ? !is_letter(c, *name) : c != *name)
            return false;
        consumed[length++] = static_cast<char>(R::next());
        consumed[length] = '\0';
    }
    return true;
}

template <class R>
inline bool match_name(const char* name)
{
    char consumed[32];
    int length = 0;
    return match_name<R>(name, consumed, length);
}

// A short sliding window over consumed bytes. Each carries a mark when it is the second byte of a
// double-byte pair (the byte before it an unmarked lead byte of the page R reads; the first byte
// to enter is never marked), and a marked byte never matches a pattern byte. The bytes are kept in
// a ring, so that a byte entering moves none of the others.
template <class R>
struct byte_window {
    int ch[16];  // the byte that entered k-th from last is at (count - k) % 16
    bool second[16];
    unsigned count;  // bytes that entered so far
    int n;
    int size;  // at most 9
    int last;  // the byte that entered last, which may have left already
    bool last_second;

    // The i-th byte held, oldest first, and its mark.
    int at(int i) const { return ch[(count + static_cast<unsigned>(i - n)) & 15u]; }
    bool second_at(int i) const { return second[(count + static_cast<unsigned>(i - n)) & 15u]; }

    // Adds c; when the window was full the oldest byte leaves and is returned, else -1.
    int push(int c)
    {
        bool mark = !last_second && R::lead(last);
        int leaving = -1;
        if (n == size) {
            leaving = at(0);
            --n;
        }
        ch[count & 15u] = c;
        second[count & 15u] = mark;
        ++count;
        ++n;
        last = c;
        last_second = mark;
        return leaving;
    }

    // True when the newest k bytes are pattern: letters in either case, the others exactly. The
    // newest is compared first, since most positions differ there.
    bool ends_with(const char* pattern, int k) const
    {
        if (k > n)
            return false;
        for (int i = k - 1; i >= 0; --i) {
            int p = static_cast<unsigned char>(pattern[i]);
            int c = at(n - k + i);
            bool letter = (p | 0x20) >= 'a' && (p | 0x20) <= 'z';
            if (second_at(n - k + i) || (letter ? (c | 0x20) != (p | 0x20) || c < 'A' || c > 'z' : c != p))
                return false;
        }
        return true;
    }

    bool ends_with(const char* pattern) const { return ends_with(pattern, static_cast<int>(std::strlen(pattern))); }

    bool holds(const char* pattern) const { return n == size && ends_with(pattern); }

    // push of each of length bytes, the leaving bytes dropped. Bytes that would leave again within
    // the run only carry the pairing on.
    void push_run(const unsigned char* bytes, int length)
    {
        int passing = length - size;
        if (!R::pairs()) {
            if (passing > 0) {
                last = bytes[passing - 1];  // where nothing pairs, nothing is marked
                last_second = false;
            }
        } else {
            for (int i = 0; i < passing; ++i) {
                bool mark = !last_second && R::lead(last);
                last = bytes[i];
                last_second = mark;
            }
        }
        for (int i = passing < 0 ? 0 : passing; i < length; ++i)
            push(bytes[i]);
    }

    // Writes the bytes held, oldest first (the end of the input, -1, is no byte).
    void write() const
    {
        for (int i = 0; i < n; ++i)
            if (at(i) != -1)
                out_put(at(i));
    }
};

template <class R>
byte_window<R> make_window(int size)
{
    return byte_window<R>{{}, {}, 0, 0, size, -1, false};
}

// Consumes bytes into w until its newest bytes are pattern (with full, also until w is full); with
// copy, each byte consumed is written too. False when the input ends first. A pattern that ends in
// a byte other than a letter can only be completed by that very byte, so the bytes before its next
// occurrence are taken a run at a time.
template <class R, bool copy = false>
bool consume_until(byte_window<R>& w, const char* pattern, bool full)
{
    int k = static_cast<int>(std::strlen(pattern));
    int last_byte = static_cast<unsigned char>(pattern[k - 1]);
    bool by_runs = !((last_byte | 0x20) >= 'a' && (last_byte | 0x20) <= 'z');
    while (!((!full || w.n == w.size) && w.ends_with(pattern, k))) {
        if (by_runs) {
            const unsigned char* bytes;
            int available = R::block(&bytes);
            int run = static_cast<int>(byte_find(bytes, bytes + available, static_cast<unsigned char>(last_byte)) - bytes);
            if (run > 0) {
                if (copy)
                    out_write(bytes, run);
                w.push_run(bytes, run);
                R::consume(run);
                continue;
            }
        }
        int c = R::next();
        if (c == -1)
            return false;
        if (copy)
            out_put(c);
        w.push(c);
    }
    return true;
}

// Consumes bytes into w until it holds pattern; false when the input ends first.
template <class R, bool copy = false>
bool consume_through(byte_window<R>& w, const char* pattern)
{
    return consume_until<R, copy>(w, pattern, true);
}

// Comments. After a "<" with "!" ahead: consumes "!--" as far as it matches. True when a comment
// has begun; otherwise, with copy, the "<" and what was consumed are written, and the look-ahead
// (the first byte that did not match) stays for the main loop.
template <class R, bool copy>
bool open_comment()
{
    char consumed[8] = "<";
    int length = 1;
    if (match_name<R>("!--", consumed, length))
        return true;
    if (copy)
        out_puts(consumed);
    return false;
}

// After "<!--": the comment's first three bytes in a window of three (the first is never a second
// byte), as the search for the comment's end starts with them.
template <class R>
byte_window<R> comment_start()
{
    byte_window<R> w = make_window<R>(3);
    for (int i = 0; i < 3; ++i)
        w.push(R::next());
    return w;
}

// Passes over (with copy, copies) the rest of a comment whose first bytes are in w, through its
// "-->"; false when the input ends inside it.
template <class R, bool copy>
bool finish_comment(byte_window<R>& w)
{
    return consume_through<R, copy>(w, "-->");
}

// After a "<" with "S" ahead: script text, in which no tag of the page is taken for markup, is
// passed over (with copy, copied) through its "</script"; any other tag whose name begins with S
// is left with what matched consumed (with copy, written back). False when the input ended inside
// script text.
template <bool copy>
bool pass_script()
{
    char consumed[16] = "<";
    int length = 1;
    bool script = match_name<input_reader>("SCRIPT", consumed, length) && ends_script_name(in_peek());
    if (copy)
        out_puts(consumed);
    return !script || in_pass_script(copy);
}

// After the name of a BODY start tag and the blanks after it: reads the tag up to its end (as
// tag_ends_at tells); true as soon as the letters onLoad (in either case, none a second byte) stand
// in it, anywhere, the input then just after them.
inline bool tag_has_onload()
{
    constexpr int name_length = sizeof onload_name - 1;
    byte_window<input_reader> w = make_window<input_reader>(name_length);
    tag_end tag = {};
    for (int i = 0; i < name_length; ++i) {
        int c = in_next();
        w.push(c);
        if (tag_ends_at(tag, c, w.last_second))
            return false;
    }
    for (;;) {
        if (w.holds(onload_name))
            return true;
        int c = in_next();
        if (c == -1)
            return false;
        w.push(c);
        if (tag_ends_at(tag, c, w.last_second))  // a ">" that ends a double-byte character ends no tag
            return false;
    }
}

// The main loop of a pass. Runs of bytes that start nothing (no "<" that begins a keyword of
// starts) are passed over at once (with copy, written), with the pump called for each byte; every
// other byte is one turn with one pump call. A "<" that is no second byte of a pair is consumed
// (and not written) and at_markup is called with the look-ahead after it; the loop goes on at the
// look-ahead at_markup leaves, with the pairing begun anew, unless at_markup returns false, which
// ends the pass. So at_markup must consume the bytes of a keyword of starts as far as they match.
template <class R, bool copy, class AtMarkup>
void pass_page(const markup_starts& starts, AtMarkup at_markup)
{
    bool pair = false;
    while (R::peek() != -1) {
        // A run ends at a "<" that may start something, at the end of the block in hand or at the
        // end of the input; the byte it ends at is the next turn's, so it is taken here at once.
        int run = copy ? in_copy_text(pair, starts) : R::skip_text(pair, starts);
        if (run > 0) {
            poll_messages_for(run);
            if (R::peek() == -1)
                return;
        }
        poll_messages();
        int ch = R::peek();
        bool second = pair;
        pair = !pair && R::lead(ch);
        R::next();
        if (ch != '<' || second) {
            if (copy)
                out_put(ch);
            continue;
        }
        pair = false;
        if (!at_markup())
            return;
    }
}
