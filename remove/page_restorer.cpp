// The page restorer.
#include "remove/page_restorer.h"

#include "console/message_pump.h"
#include "console/messages.h"
#include "platform/byte_io.h"
#include "platform/path_syntax.h"
#include "textio/paths.h"
#include "textio/streams.h"
#include "textio/temp_copy.h"

#include <cstring>

namespace {

// A short sliding window over consumed characters. Each carries a mark when it is the second byte
// of a double-byte pair (the byte before it an unmarked lead byte; the first character to enter
// is never marked), and a marked byte never matches a pattern character. The characters are kept
// in a ring, so that a character entering moves none of the others.
struct window {
    int ch[16];  // the character that entered k-th from last is at (count - k) % 16
    bool second[16];
    unsigned count;  // characters that entered so far
    int n;
    int size;  // at most 9
    int last;  // the character that entered last, which may have left already
    bool last_second;

    // The i-th character held, oldest first, and its mark.
    int at(int i) const { return ch[(count + static_cast<unsigned>(i - n)) & 15u]; }
    bool second_at(int i) const { return second[(count + static_cast<unsigned>(i - n)) & 15u]; }

    // Adds c; when the window was full the oldest character leaves and is returned, else -1.
    int push(int c)
    {
        bool mark = !last_second && in_lead_byte(last);
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

    // True when the newest k characters are pattern: letters in either case, the others exactly.
    // The newest is compared first, since most positions differ there.
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

    // push of each of length bytes, the leaving characters dropped. Bytes that would leave again
    // within the run only carry the pairing on.
    void push_run(const unsigned char* bytes, int length)
    {
        int passing = length - size;
        for (int i = 0; i < passing; ++i) {
            bool mark = !last_second && in_lead_byte(last);
            last = bytes[i];
            last_second = mark;
        }
        for (int i = passing < 0 ? 0 : passing; i < length; ++i)
            push(bytes[i]);
    }
};

window make_window(int size) { return window{{}, {}, 0, 0, size, -1, false}; }

// Set when going back to a remembered position failed: the pass can no longer copy faithfully.
bool position_lost;

void go_back(long long position)
{
    if (position < 0 || in_seek(position) != 0)
        position_lost = true;
}

bool is_letter(int ch, char upper) { return ch == upper || ch == upper + ('a' - 'A'); }

// Consumes the characters of name while they match the look-ahead (letters, given in upper case,
// in either case; the others exactly), appending each to consumed. True when all matched.
bool match_into(const char* name, char* consumed, int& length)
{
    for (; *name; ++name) {
        int c = in_peek();
        bool letter = *name >= 'A' && *name <= 'Z';
        if (letter ? !is_letter(c, *name) : c != *name)
            return false;
        consumed[length++] = static_cast<char>(in_next());
        consumed[length] = '\0';
    }
    return true;
}

// Consumes characters into w until its newest characters are pattern (with full, also until w is
// full); false when the input ends first. A pattern that ends in a character other than a letter
// can only be completed by that very byte, so the bytes before its next occurrence are taken a run
// at a time.
bool consume_until(window& w, const char* pattern, bool full)
{
    int k = static_cast<int>(std::strlen(pattern));
    int last_char = static_cast<unsigned char>(pattern[k - 1]);
    bool by_runs = !((last_char | 0x20) >= 'a' && (last_char | 0x20) <= 'z');
    while (!((!full || w.n == w.size) && w.ends_with(pattern, k))) {
        if (by_runs) {
            const unsigned char* bytes;
            int available = in_block(&bytes);
            int run = static_cast<int>(byte_find(bytes, bytes + available, static_cast<unsigned char>(last_char)) - bytes);
            if (run > 0) {
                w.push_run(bytes, run);
                in_consume(run);
                continue;
            }
        }
        int c = in_next();
        if (c == -1)
            return false;
        w.push(c);
    }
    return true;
}

// Consumes characters into w until it holds pattern; false when the input ends first.
bool consume_through(window& w, const char* pattern) { return consume_until(w, pattern, true); }

// ---- test_inserted

// After "<!--": reads the comment's first three characters and passes over the rest of it.
// Returns true when it begins like the insertion marker.
bool pass_comment()
{
    window w = make_window(3);
    for (int i = 0; i < 3; ++i)
        w.push(in_next());
    bool marker = w.at(0) == ' ' && w.at(1) == 'N' && w.at(2) == 'e' && in_peek() == 'x';
    consume_through(w, "-->");
    return marker;
}

// After "<BODY" and its blanks: true when the letters onLoad stand before the tag's ">".
bool tag_has_onload()
{
    window w = make_window(6);
    tag_end tag = {};
    for (int i = 0; i < 6; ++i) {
        int c = in_next();
        w.push(c);
        if (tag_ends_at(tag, c, w.last_second))
            return false;
    }
    for (;;) {
        if (w.holds("onLoad"))
            return true;
        int c = in_next();
        if (c == -1)
            return false;
        w.push(c);
        if (tag_ends_at(tag, c, w.last_second))  // a ">" that ends a double-byte character ends no tag
            return false;
    }
}

// Right after the letters onLoad in a BODY start tag: true when the attribute's value is the call
// that addNextpics writes, preloadImage(), in double, single or no quotes. Any other value is the
// page's own, and a page's own onLoad is never taken out.
bool onload_value_is_ours()
{
    if (in_next() != '=')
        return false;
    int quote = in_peek();
    if (quote == '"' || quote == '\'')
        in_next();
    else
        quote = -1;
    for (const char* c = "preloadImage()"; *c; ++c)
        if (in_next() != *c)
            return false;
    int end = in_next();
    return quote != -1 ? end == quote : (end == '>' || end == -1 || is_blank(end));
}

// ---- restore_pass

bool is_restorer_blank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 26; }

void drop_line_end()
{
    if (in_peek() == '\r')
        in_next();
    if (in_peek() == '\n')
        in_next();
}

void put_window(const window& w)
{
    for (int i = 0; i < w.n; ++i)
        if (w.at(i) != -1)
            out_put(w.at(i));
}

// With the input just after "<!-- Ne" (in comment) and an "x" ahead: true when this comment is
// the insertion marker, that is, it is followed, after blanks, by a script element whose
// "</script>" holds the first "pt>" after the comment. The input then stands after that "pt>".
// A comment of the page's own that merely begins the same way gives false.
bool marker_and_script_follow(window comment)
{
    if (!consume_through(comment, "-->"))
        return false;
    while (is_restorer_blank(in_peek()))
        in_next();
    char consumed[16] = "";
    int length = 0;
    if (!match_into("<SCRIPT", consumed, length))
        return false;
    if (in_peek() != '>' && !is_restorer_blank(in_peek()))
        return false;
    window end = make_window(9);
    if (!consume_until(end, "pt>", false))
        return false;
    return end.holds("</script>");
}

// After "<!--": drops the insertion marker and its script, or copies any other comment whole.
void restore_comment()
{
    window w = make_window(3);
    for (int i = 0; i < 3; ++i)
        w.push(in_next());
    if (w.at(0) == ' ' && w.at(1) == 'N' && w.at(2) == 'e' && in_peek() == 'x') {
        long long resume = in_tell();
        if (marker_and_script_follow(w)) {
            drop_line_end();
            drop_line_end();
            return;
        }
        go_back(resume);
    }
    out_puts("<!--");
    put_window(w);
    while (!w.holds("-->")) {
        // Only a ">" can complete the end: the bytes before the next one are copied a run at a time.
        const unsigned char* bytes;
        int available = in_block(&bytes);
        int run = static_cast<int>(byte_find(bytes, bytes + available, '>') - bytes);
        if (run > 0) {
            out_write(bytes, run);
            w.push_run(bytes, run);
            in_consume(run);
            continue;
        }
        int c = in_next();
        if (c == -1)
            return;
        out_put(c);
        w.push(c);
    }
}

// After "<" with "A" ahead: drops an applet element whose code names a class beginning with
// N, E, X; anything else is written back as consumed. False when such an element never ends.
bool restore_applet()
{
    char consumed[32] = "<";
    int length = 1;
    bool quote = false;
    if (match_into("APPLET CODE=", consumed, length)) {
        int q = in_peek();
        if (q == '"' || q == '\'') {
            consumed[length++] = static_cast<char>(in_next());
            consumed[length] = '\0';
            quote = true;
        }
    }
    if (!quote || !match_into("NEX", consumed, length)) {
        out_puts(consumed);
        return true;
    }
    window w = make_window(9);
    if (!consume_through(w, "</applet>"))
        return false;
    drop_line_end();
    return true;
}

// After "<" with "A" ahead: true when an applet start tag whose code is nextpics.class follows (it
// is consumed as far as it matches).
bool our_applet_follows()
{
    char consumed[40] = "<";
    int length = 1;
    if (!match_into("APPLET CODE=", consumed, length))
        return false;
    int quote = in_peek();
    if (quote != '"' && quote != '\'')
        return false;
    in_next();
    return match_into("NEXTPICS.CLASS", consumed, length) && in_peek() == quote;
}

// After "<" with "S" ahead: script text is passed over, or with copy copied, as it stands (a BODY
// tag or an applet in it belongs to the script); any other tag whose name begins with S is written
// back as consumed (with copy).
void pass_script(bool copy)
{
    char consumed[16] = "<";
    int length = 1;
    bool script = match_into("SCRIPT", consumed, length) && ends_script_name(in_peek());
    if (copy)
        out_puts(consumed);
    if (script)
        in_pass_script(copy);
}

// After the onLoad name has been dropped: drops its value. A value in quotes goes through its
// closing quote; one that does not close before the next "<" (or within 4096 bytes) is taken as
// unclosed and goes up to the tag's ">". Any other value goes up to the next ">" or blank.
void drop_onload_value()
{
    if (in_peek() == '=') {
        long long start = in_tell();
        in_next();
        int quote = in_peek();
        if (quote == '"' || quote == '\'') {
            in_next();
            for (int n = 0; n < 4096 && in_peek() != -1 && in_peek() != '<'; ++n)
                if (in_next() == quote)
                    return;
            go_back(start);
            skip_until('>', '>', '>', '>', '>', '>');
            return;
        }
        go_back(start);
    }
    skip_until('>', ' ', '\r', '\n', '\t', 26);
}

// After "<" with "B" ahead: a BODY start tag loses an onLoad attribute that follows a blank.
// After "<" with "B" ahead: a BODY start tag loses an onLoad attribute that follows a blank.
void restore_body()
{
    char consumed[8] = "<";
    int length = 1;
    if (!match_into("BODY", consumed, length)) {
        out_puts(consumed);
        return;
    }
    out_puts(consumed);
    window w = make_window(7);
    tag_end tag = {};
    for (;;) {
        if (w.n == 7 && !w.second_at(0) && is_restorer_blank(w.at(0)) && w.ends_with("onLoad")) {
            drop_onload_value();
            copy_tag_rest();
            in_next();
            out_put('>');
            return;
        }
        int c = in_next();
        if (c == -1)
            break;
        int leaving = w.push(c);
        if (leaving != -1)
            out_put(leaving);
        if (tag_ends_at(tag, c, w.last_second))
            break;
    }
    put_window(w);
}

// After "<", both passes look for a comment, an applet element, a BODY tag and script text.
constexpr markup_starts test_starts = make_markup_starts("APPLET CODE=|BODY|SCRIPT");
constexpr markup_starts restore_starts = test_starts;

}  // namespace

int test_inserted(const char* path)
{
    if (in_open(path) != 0)
        return inserted_unreadable;
    bool pair = false;
    bool marker_seen = false;
    bool applet_seen = false;
    while (in_peek() != -1) {
        // Runs of bytes that start nothing are passed over at once, with a pump call for each turn.
        int run = in_skip_text(pair, test_starts);
        if (run > 0) {
            poll_messages_for(run);
            continue;
        }
        poll_messages();
        int ch = in_next();
        bool second = pair;
        pair = !pair && in_lead_byte(ch);
        if (second || ch != '<')
            continue;
        if (in_peek() == '!') {
            if (in_read_comment_opener(false) && pass_comment())
                marker_seen = true;
        } else if (is_letter(in_peek(), 'A')) {
            applet_seen = our_applet_follows() || applet_seen;
        } else if (is_letter(in_peek(), 'S')) {
            pass_script(false);
        } else if (is_letter(in_peek(), 'B')) {
            char consumed[8] = "<";
            int length = 1;
            if (!match_into("BODY", consumed, length))
                continue;
            while (in_peek() == ' ' || in_peek() == '\r' || in_peek() == '\n' || in_peek() == '\t')
                in_next();
            // The first BODY tag with onLoad decides: a page's own onLoad is never taken out.
            if (tag_has_onload()) {
                int result = marker_seen ? inserted_marked : onload_value_is_ours() ? inserted_onload : inserted_none;
                in_close();
                return result;
            }
        }
    }
    in_close();
    // A marker or an applet of ours on a page without onLoad: an insertion left partial, to be taken
    // out.
    return marker_seen || applet_seen ? inserted_marked : inserted_none;
}

int restore_pass()
{
    position_lost = false;
    bool pair = false;
    while (in_peek() != -1) {
        // Runs of bytes that start nothing are copied at once, with a pump call for each turn.
        int run = in_copy_text(pair, restore_starts);
        if (run > 0) {
            poll_messages_for(run);
            continue;
        }
        poll_messages();
        int ch = in_peek();
        bool second = pair;
        pair = !pair && in_lead_byte(ch);
        if (second || ch != '<') {
            out_put(in_next());
            continue;
        }
        in_next();
        pair = false;
        int next = in_peek();
        if (next == '!') {
            if (in_read_comment_opener(true))
                restore_comment();
        } else if (is_letter(next, 'A')) {
            if (!restore_applet())
                return del_applet_unended;
        } else if (is_letter(next, 'S')) {
            pass_script(true);
        } else if (is_letter(next, 'B')) {
            restore_body();
        } else {
            out_put('<');
        }
    }
    return position_lost ? del_applet_unended : del_done;
}

int restore_page(const char* path)
{
    char directory[path_size];
    dir_part(directory, path, own_separators);
    char temp_path[path_size];
    if (make_temp_copy(temp_path, path, directory, "delnex") != 0)
        return del_copy_failed;
    if (in_open(temp_path) != 0) {
        recover_page(path, temp_path, false);
        return del_copy_unreadable;
    }
    if (out_open(path) != 0) {
        in_close();
        recover_page(path, temp_path, false);
        return del_page_unwritable;
    }
    int result = restore_pass();
    int written = out_commit();
    if (in_failed())
        written = -1;
    in_close();
    if (result != 0 || written != 0) {
        recover_page(path, temp_path, true);
        return written != 0 ? del_write_failed : result;
    }
    drop_temp_copy(temp_path);
    return del_done;
}
