// The page restorer.
#include "remove/page_restorer.h"

#include "console/messages.h"
#include "platform/path_syntax.h"
#include "scan/insertion_format.h"
#include "scan/page_pass.h"
#include "textio/paths.h"
#include "textio/streams.h"
#include "textio/temp_copy.h"

#include <cstring>

namespace {

// Set when going back to a remembered position failed: the pass can no longer copy faithfully.
bool position_lost;

void go_back(long long position)
{
    if (position < 0 || in_seek(position) != 0)
        position_lost = true;
}

// ---- test_inserted

// Right after the letters onLoad in a BODY start tag: true when the attribute's value is the call
// that addNextpics writes, onload_call, in double, single or no quotes. Any other value is the
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
    for (const char* c = onload_call; *c; ++c)
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

// The bytes of the marker that marker_or_comment tests in the comment's first window, before it
// reads on.
constexpr int marker_window_bytes = 3;

// With the input just after the marker's first bytes (in comment) and its next byte ahead: true
// when this comment is the insertion marker, that is, the comment is marker_comment exactly and is
// followed, after blanks, by a script element whose end tag holds the first script_end_tail after
// the comment. The input then stands after that tail. A comment of the page's own that merely
// begins the same way ("<!-- Next chapter -->"), with or without a script after it, gives false.
bool marker_and_script_follow()
{
    for (const char* rest = marker_body + marker_window_bytes; *rest; ++rest)
        if (in_next() != static_cast<unsigned char>(*rest))
            return false;
    while (is_restorer_blank(in_peek()))
        in_next();
    char consumed[16] = "";
    int length = 0;
    if (!match_name<input_reader>(script_name_pattern.c_str(), consumed, length))
        return false;
    if (in_peek() != '>' && !is_restorer_blank(in_peek()))
        return false;
    byte_window<input_reader> end = make_window<input_reader>(sizeof script_end_tag - 1);
    if (!consume_until(end, script_end_tail.c_str(), false))
        return false;
    return end.holds(script_end_tag);
}

// After "<!--": true when the comment is the insertion marker (as marker_and_script_follow tells),
// the input then past its script; else the comment is passed over (with copy, copied whole) and
// false. A comment of the page's own that merely begins the same way is the page's.
template <bool copy>
bool marker_or_comment()
{
    byte_window<input_reader> w = comment_start<input_reader>();
    static_assert(marker_window_bytes == 3);
    if (w.at(0) == marker_body[0] && w.at(1) == marker_body[1] && w.at(2) == marker_body[2] &&
        in_peek() == marker_body[marker_window_bytes]) {
        long long resume = in_tell();
        if (marker_and_script_follow())
            return true;
        go_back(resume);
    }
    if (copy) {
        out_puts("<!--");
        w.write();
    }
    finish_comment<input_reader, copy>(w);
    return false;
}

// After "<!--": drops the insertion marker and its script with the line ends after them, or copies
// any other comment whole.
void restore_comment()
{
    if (marker_or_comment<true>()) {
        drop_line_end();
        drop_line_end();
    }
}

// After "<" with "A" ahead: drops an applet element whose code names a class beginning with the
// first three letters of this program's class (in either case); anything else is written back as
// consumed. False when such an element never ends.
bool restore_applet()
{
    char consumed[32] = "<";
    int length = 1;
    bool quote = false;
    if (match_name<input_reader>("APPLET CODE=", consumed, length)) {
        int q = in_peek();
        if (q == '"' || q == '\'') {
            consumed[length++] = static_cast<char>(in_next());
            consumed[length] = '\0';
            quote = true;
        }
    }
    if (!quote || !match_name<input_reader>(applet_class_prefix.c_str(), consumed, length)) {
        out_puts(consumed);
        return true;
    }
    byte_window<input_reader> w = make_window<input_reader>(sizeof applet_end_tag - 1);
    if (!consume_through(w, applet_end_tag))
        return false;
    drop_line_end();
    return true;
}

// After "<" with "A" ahead: true when an applet start tag whose code is this program's class
// follows (it is consumed as far as it matches).
bool our_applet_follows()
{
    char consumed[40] = "<";
    int length = 1;
    if (!match_name<input_reader>("APPLET CODE=", consumed, length))
        return false;
    int quote = in_peek();
    if (quote != '"' && quote != '\'')
        return false;
    in_next();
    return match_name<input_reader>(applet_class_pattern.c_str(), consumed, length) && in_peek() == quote;
}

// After the onLoad name has been dropped: drops its value. A value in quotes goes through its
// closing quote; one that does not close before the next "<" (or within quote_reach bytes) is taken as
// unclosed and goes up to the tag's ">". Any other value goes up to the next ">" or blank.
void drop_onload_value()
{
    if (in_peek() == '=') {
        long long start = in_tell();
        in_next();
        int quote = in_peek();
        if (quote == '"' || quote == '\'') {
            in_next();
            for (int n = 0; n < quote_reach && in_peek() != -1 && in_peek() != '<'; ++n)
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
void restore_body()
{
    char consumed[8] = "<";
    int length = 1;
    if (!match_name<input_reader>("BODY", consumed, length)) {
        out_puts(consumed);
        return;
    }
    out_puts(consumed);
    constexpr int blank_and_name = sizeof onload_name;  // a blank, then the attribute's name
    byte_window<input_reader> w = make_window<input_reader>(blank_and_name);
    tag_end tag = {};
    for (;;) {
        if (w.n == blank_and_name && !w.second_at(0) && is_restorer_blank(w.at(0)) && w.ends_with(onload_name)) {
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
    w.write();
}

// After "<", both passes look for a comment, an applet element, a BODY start or end tag and script
// text.
constexpr markup_starts test_starts = make_markup_starts("APPLET CODE=|BODY|/BODY|SCRIPT");
constexpr markup_starts restore_starts = test_starts;

// After "<" with "/" ahead: a BODY end tag is passed over (with copy, copied) through its ">" as the
// rewriter reads it (a ">" in a quoted value ends nothing), so that what follows it is the same to
// both: a "<!--" in the tag begins no comment. Anything else is written back as consumed.
template <bool copy>
void pass_body_end_tag()
{
    char consumed[8] = "<";
    int length = 1;
    bool end_tag = match_name<input_reader>("/BODY", consumed, length);
    if (copy)
        out_puts(consumed);
    if (!end_tag)
        return;
    copy ? copy_tag_rest() : skip_tag_rest();
    if (in_peek() == '>' && copy)
        out_put(in_next());
}

}  // namespace

int test_inserted(const char* path)
{
    if (in_open(path) != 0)
        return inserted_unreadable;
    position_lost = false;
    bool marker_seen = false;
    bool applet_seen = false;
    int result = -100;  // none yet: decided at the first BODY tag with onLoad
    pass_page<input_reader, false>(test_starts, [&] {
        int next = in_peek();
        if (next == '!') {
            if (open_comment<input_reader, false>() && marker_or_comment<false>())
                marker_seen = true;
        } else if (is_letter(next, 'A')) {
            applet_seen = our_applet_follows() || applet_seen;
        } else if (is_letter(next, 'S')) {
            pass_script<false>();
        } else if (next == '/') {
            pass_body_end_tag<false>();
        } else if (is_letter(next, 'B') && match_name<input_reader>("BODY")) {
            while (in_peek() == ' ' || in_peek() == '\r' || in_peek() == '\n' || in_peek() == '\t')
                in_next();
            // The first BODY tag with onLoad decides: a page's own onLoad is never taken out.
            if (tag_has_onload()) {
                result = marker_seen ? inserted_marked : onload_value_is_ours() ? inserted_onload : inserted_none;
                return false;
            }
        }
        return true;
    });
    in_close();
    if (position_lost)
        return inserted_unreadable;  // the page could not be read on from a marker-like comment
    if (result != -100)
        return result;
    // A marker or an applet of ours on a page without onLoad: an insertion left partial, to be taken
    // out.
    return marker_seen || applet_seen ? inserted_marked : inserted_none;
}

int restore_pass()
{
    position_lost = false;
    bool applet_unended = false;
    pass_page<input_reader, true>(restore_starts, [&] {
        int next = in_peek();
        if (next == '!') {
            if (open_comment<input_reader, true>())
                restore_comment();
        } else if (is_letter(next, 'A')) {
            applet_unended = !restore_applet();
        } else if (is_letter(next, 'S')) {
            pass_script<true>();
        } else if (is_letter(next, 'B')) {
            restore_body();
        } else if (next == '/') {
            pass_body_end_tag<true>();
        } else {
            out_put('<');
        }
        return !applet_unended;
    });
    return position_lost || applet_unended ? del_applet_unended : del_done;
}

int restore_page(const char* path)
{
    char directory[path_size];
    dir_part(directory, path, own_separators);
    file_identity first_look;
    if (file_ops.identify(&first_look, path) != 0)
        first_look = {};
    int pass_result = 0;
    switch (rewrite_through_copy(path, first_look, directory, "delnex", restore_pass, &pass_result)) {
    case rewrite_done:
        return del_done;
    case rewrite_copy_failed:
        return del_copy_failed;
    case rewrite_copy_unreadable:
        return del_copy_unreadable;
    case rewrite_page_unwritable:
        return del_page_unwritable;
    case rewrite_pass_failed:
        return pass_result;
    case rewrite_changed:
        return del_changed;
    case rewrite_stopped:
        return del_stopped;
    default:
        return del_write_failed;
    }
}

int count_restores(const char* copy) { return test_inserted(copy) != inserted_none ? 1 : 0; }

bool replay_restore(const char* copy, int)
{
    if (in_open(copy) != 0)
        return false;
    restore_pass();
    in_close();
    return true;
}
