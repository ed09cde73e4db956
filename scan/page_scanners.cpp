// Page scanners. All four passes share one skeleton: a byte loop that keeps double-byte
// characters together, passes over comments and calls the message pump once per byte; a pass
// supplies only the test it runs at the start of a tag.
#include "scan/page_scanners.h"

#include "console/message_pump.h"
#include "platform/dbcs.h"
#include "textio/streams.h"

namespace {

// The two look-ahead readers the passes use, as types so the skeleton is instantiated per reader.
struct scan_reader {
    static int peek() { return scan_peek(); }
    static int next() { return scan_next(); }
    static void close() { scan_close(); }
};

struct input_reader {
    static int peek() { return in_peek(); }
    static int next() { return in_next(); }
    static void close() { in_close(); }
};

// A byte of a sliding window with its second-byte mark.
struct marked {
    int ch;
    bool second;
};

// Marks b as the second byte of a pair when the byte before it is an unmarked lead byte.
inline marked mark_after(const marked& before, int b) { return {b, !before.second && is_lead_byte(before.ch)}; }

inline bool is_letter(int ch, char upper) { return ch == upper || ch == upper + ('a' - 'A'); }

// Consumes the letters of name (upper case) that match the look-ahead in either case. True when
// all matched; at the first mismatch the look-ahead stays unconsumed.
template <class R>
bool match_letters(const char* name)
{
    for (; *name; ++name) {
        if (!is_letter(R::peek(), *name))
            return false;
        R::next();
    }
    return true;
}

// Called with the "!" of "<!" as the look-ahead. Passes over a comment when "<!--" opens one.
// Returns false when the input ended inside the comment.
template <class R>
bool skip_comment()
{
    R::next();
    if (R::peek() != '-')
        return true;
    R::next();
    if (R::peek() != '-')
        return true;
    R::next();
    marked w0 = {R::next(), false};
    marked w1 = mark_after(w0, R::next());
    marked w2 = mark_after(w1, R::next());
    for (;;) {
        if (w0.ch == '-' && w1.ch == '-' && w2.ch == '>' && !w0.second && !w1.second && !w2.second)
            return true;
        int b = R::next();
        if (b == -1)
            return false;
        w0 = w1;
        w1 = w2;
        w2 = mark_after(w1, b);
    }
}

enum tag_outcome { tag_done, tag_found, tag_end_of_input };

// The skeleton. tag_test is called with the look-ahead just after a "<" that is not a comment
// opener; it returns what it found.
template <class R, class TagTest>
int scan_page(TagTest tag_test)
{
    bool pair = false;
    while (R::peek() != -1) {
        poll_messages();
        int ch = R::peek();
        bool second = pair;
        pair = !pair && is_lead_byte(ch);
        R::next();
        if (ch != '<' || second)
            continue;
        if (R::peek() == '!') {
            if (!skip_comment<R>())
                break;
        } else {
            tag_outcome outcome = tag_test();
            if (outcome == tag_found)
                return 123;
            if (outcome == tag_end_of_input)
                break;
        }
        pair = false;
    }
    return 0;
}

// The BODY tag test of test_already_set: the letters onLoad anywhere between the tag name and
// the tag's ">".
tag_outcome body_has_onload()
{
    if (!match_letters<input_reader>("BODY"))
        return tag_done;
    while (in_peek() == ' ' || in_peek() == '\r' || in_peek() == '\n' || in_peek() == '\t')
        in_next();
    marked w[6];
    for (int i = 0; i < 6; ++i) {
        w[i] = i == 0 ? marked{in_next(), false} : mark_after(w[i - 1], in_next());
        if (w[i].ch == '>' && !w[i].second)
            return tag_done;
    }
    static const char onload[] = "ONLOAD";
    for (;;) {
        bool match = true;
        for (int i = 0; i < 6 && match; ++i)
            match = !w[i].second && is_letter(w[i].ch, onload[i]);
        if (match)
            return tag_found;
        int b = in_next();
        if (b == -1)
            return tag_end_of_input;
        for (int i = 0; i < 5; ++i)
            w[i] = w[i + 1];
        w[5] = mark_after(w[4], b);
        if (b == '>' && !w[5].second)
            return tag_done;
    }
}

// The attribute loop of the collectors, after a recognised tag name: every attribute whose name
// begins with attribute has its value read into the table.
tag_outcome collect_attribute(const char* attribute, char (*table)[path_size], int& count, int cap)
{
    for (;;) {
        scan_skip_blanks();
        if (match_letters<scan_reader>(attribute)) {
            scan_skip_blanks();
            if (scan_peek() == '=')
                scan_next();
            scan_skip_blanks();
            scan_read_value(table[count], path_size - 2);
            if (count + 1 < cap)
                ++count;
        }
        while (scan_peek() != -1 && scan_peek() != '>' && !is_blank(scan_peek()))
            scan_next();
        if (scan_peek() == '>')
            return tag_done;
        if (scan_peek() == -1)
            return tag_end_of_input;
    }
}

template <class TagTest>
int run_collector(const char* path, TagTest tag_test)
{
    if (scan_open(path) != 0)
        return -1;
    scan_page<scan_reader>(tag_test);
    scan_close();
    return 0;
}

}  // namespace

int test_already_set(const char* path)
{
    if (in_open(path) != 0)
        return -1;
    int result = scan_page<input_reader>(body_has_onload);
    in_close();
    return result;
}

int collect_links(const char* path, char (*table)[path_size])
{
    int count = 0;
    auto tag = [&]() {
        if (!match_letters<scan_reader>("A"))
            return tag_done;
        if (!is_blank(scan_peek()))
            return tag_done;
        return collect_attribute("HREF", table, count, link_table_size - 1);
    };
    return run_collector(path, tag) < 0 ? -1 : count;
}

int collect_images(const char* path, char (*table)[path_size])
{
    int count = 0;
    auto tag = [&]() {
        if (!match_letters<scan_reader>("IMG"))
            return tag_done;
        return collect_attribute("SRC", table, count, image_table_size - 1);
    };
    return run_collector(path, tag) < 0 ? -1 : count;
}

int collect_streams(const char* path, char (*table)[path_size])
{
    int count = 0;
    auto tag = [&]() {
        int first = scan_peek();
        const char* name = is_letter(first, 'E') ? "EMBED" : is_letter(first, 'B') ? "BGSOUND" : nullptr;
        if (!name || !match_letters<scan_reader>(name))
            return tag_done;
        return collect_attribute("SRC", table, count, stream_table_size - 1);
    };
    return run_collector(path, tag) < 0 ? -1 : count;
}
