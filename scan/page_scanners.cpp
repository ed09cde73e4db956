// Page scanners: the read-only passes over a page, behind five entries (test_already_set,
// collect_links with or without the rel="next" link, collect_images, collect_streams, and
// collect_images_and_streams, which does the last two in one pass where it can). All share one
// skeleton, the main loop of page_pass.h: it keeps double-byte characters together, takes runs of
// bytes that start nothing at once (calling the message pump once per byte all the same) and
// passes over comments; a pass supplies only the test it runs at the start of a tag.
#include "scan/page_scanners.h"

#include "platform/files.h"
#include "scan/page_pass.h"
#include "textio/paths.h"
#include "textio/streams.h"

#include <cstring>

namespace {

enum tag_outcome { tag_done, tag_found, tag_end_of_input };

// The skeleton of the four passes: comments are passed over, and tag_test is called with the
// look-ahead just after any other "<"; it returns what it found. starts holds the tag names that
// tag_test looks for (the "<" of any other tag starts nothing for the pass).
template <class R, class TagTest>
int scan_page(TagTest tag_test, const markup_starts& starts)
{
    int result = set_none;
    pass_page<R, false>(starts, [&] {
        if (R::peek() == '!') {
            if (!open_comment<R, false>())
                return true;
            byte_window<R> w = comment_start<R>();
            return finish_comment<R, false>(w);
        }
        tag_outcome outcome = tag_test();
        if (outcome == tag_found)
            result = set_found;
        return outcome == tag_done;
    });
    return result;
}

// Set by the tag test of test_already_set when it meets a BODY start tag.
bool body_seen;

// The tag test of test_already_set: a BODY tag with the letters onLoad anywhere between the tag
// name and the tag's ">"; script text is passed over, since a BODY tag in it is no tag of the page.
tag_outcome body_has_onload()
{
    if (is_letter(in_peek(), 'S'))
        return pass_script<false>() ? tag_done : tag_end_of_input;
    if (!match_name<input_reader>("BODY"))
        return tag_done;
    body_seen = true;
    while (in_peek() == ' ' || in_peek() == '\r' || in_peek() == '\n' || in_peek() == '\t')
        in_next();
    return tag_has_onload() ? tag_found : tag_done;
}

// The attribute value after a matched attribute name: blanks, an optional "=", blanks, the value.
// False when the value was cut or holds a "<" (also after a NUL byte): markup that a pass looking
// at other tags would see.
bool read_value_after_name(char* value)
{
    scan_skip_blanks();
    if (scan_peek() == '=')
        scan_next();
    scan_skip_blanks();
    int stored = scan_read_value(value, value_size - 2);
    return stored > 0 && !std::memchr(value, '<', static_cast<size_t>(stored - 1));
}

// The attribute loop of the collectors, after a recognised tag name: every attribute whose name
// begins with attribute has its value read into the table.
// With markup_inside, notes whether a "<" was among the bytes the loop took (it is markup that a
// pass looking at other tags would see).
tag_outcome collect_attribute(const char* attribute, char (*table)[value_size], int& count, int cap,
                              bool* markup_inside = nullptr)
{
    for (;;) {
        scan_skip_blanks();
        if (match_name<scan_reader>(attribute)) {
            if (!read_value_after_name(table[count]) && markup_inside)
                *markup_inside = true;
            if (count + 1 < cap)
                ++count;
        }
        if (scan_skip_word() && markup_inside)
            *markup_inside = true;
        if (scan_peek() == '>')
            return tag_done;
        if (scan_peek() == -1)
            return tag_end_of_input;
    }
}


// True when word (lower case) is one of the blank-separated words of text, letters in either case.
bool has_word(const char* text, const char* word)
{
    int length = 0;
    while (word[length])
        ++length;
    for (const char* p = text; *p;) {
        while (is_blank(static_cast<unsigned char>(*p)))
            ++p;
        int n = 0;
        while (p[n] && !is_blank(static_cast<unsigned char>(p[n])))
            ++n;
        bool same = n == length;
        for (int i = 0; same && i < n; ++i)
            same = (p[i] | 0x20) == word[i];
        if (same && n > 0)
            return true;
        p += n;
    }
    return false;
}

// The attribute loop of a link tag (A, or LINK when element is): each HREF value goes into the
// table (A only; the first is also kept in href), and a REL value that holds the word next marks
// the tag, whose first HREF then becomes rel_next unless an earlier tag was marked. markup_inside
// as in collect_attribute.
tag_outcome link_attributes(bool element, char (*table)[value_size], int& count, int cap, char* rel_next,
                            bool& markup_inside)
{
    char href[value_size];                 // the first HREF where no table entry keeps it
    char other[value_size];                // a LINK element's later HREF values
    const char* first_href = nullptr;     // the tag's first HREF value, where it stands
    bool marked = false;
    for (;;) {
        scan_skip_blanks();
        if (match_name<scan_reader>("HREF")) {
            if (element) {
                markup_inside = !read_value_after_name(first_href ? other : href) || markup_inside;
                first_href = href;
            } else {
                markup_inside = !read_value_after_name(table[count]) || markup_inside;
                // The entry past the kept ones takes every later value: the first is copied then.
                bool kept = count + 1 < cap;
                if (!first_href)
                    first_href = kept ? table[count] : (copy_text(href, value_size, table[count]), href);
                if (kept)
                    ++count;
            }
        } else if (match_name<scan_reader>("REL")) {
            char rel[value_size];
            markup_inside = !read_value_after_name(rel) || markup_inside;
            marked = marked || has_word(rel, "next");
        }
        markup_inside = scan_skip_word() || markup_inside;
        if (scan_peek() == '>' || scan_peek() == -1)
            break;
    }
    if (marked && first_href && rel_next[0] == '\0')
        copy_text(rel_next, value_size, first_href);
    return scan_peek() == -1 ? tag_end_of_input : tag_done;
}

// What the link collector gathers: the table and its count, the rel="next" link, and whether the
// BODY start tag has been passed (a LINK element after it counts for nothing).
struct link_state {
    char (*table)[value_size];
    int count;
    char* rel_next;
    bool in_body;
};

// The link collector's test at a tag whose name begins with A, L or B.
tag_outcome link_tag(link_state& links, bool& markup_inside)
{
    int first = scan_peek();
    if (is_letter(first, 'B')) {
        links.in_body = match_name<scan_reader>("BODY") || links.in_body;
        return tag_done;
    }
    bool element = is_letter(first, 'L');
    if (!match_name<scan_reader>(element ? "LINK" : "A") || !is_blank(scan_peek()) || (element && links.in_body))
        return tag_done;
    return link_attributes(element, links.table, links.count, link_table_size - 1, links.rel_next, markup_inside);
}

// The links of the page whose images and streams were collected last, gathered in the same pass:
// mostly that page is the one the run takes next, and its links are then taken from here while the
// page is as it was when it was read.
struct kept_links {
    bool valid;
    char path[path_size];
    file_identity identity;
    int count;
    char rel_next[value_size];
    char table[link_table_size][value_size];
};
kept_links kept;

// Fills links from the kept links when they are path's and the page has not changed since.
bool take_kept_links(link_state& links, const char* path)
{
    file_identity now;
    bool ok = kept.valid && std::strcmp(kept.path, path) == 0 && file_ops.identify(&now, path) == 0;
    if (!ok || !(now == kept.identity))
        return false;
    for (int i = 0; i < kept.count; ++i)
        copy_text(links.table[i], value_size, kept.table[i]);
    links.count = kept.count;
    copy_text(links.rel_next, value_size, kept.rel_next);
    return true;
}

template <class TagTest>
int run_collector(const char* path, TagTest tag_test, const markup_starts& starts)
{
    if (scan_open(path) != 0)
        return -1;
    scan_page<scan_reader>(tag_test, starts);
    scan_close();
    // A read error ends the page early: what was collected is not the page's, so none of it counts.
    return scan_failed() ? -1 : 0;
}

}  // namespace

int test_already_set(const char* path)
{
    if (in_open_page(path) != 0)
        return set_unreadable;
    static constexpr markup_starts body_starts = make_markup_starts("BODY|SCRIPT");
    body_seen = false;
    int result = scan_page<input_reader>(body_has_onload, body_starts);
    in_close();
    if (result == set_none && in_failed())
        return set_unreadable;
    return result == set_none && !body_seen ? set_no_body : result;
}

int collect_links(const char* path, char (*table)[value_size]) { return collect_links(path, table, nullptr); }

int collect_links(const char* path, char (*table)[value_size], char* rel_next)
{
    char unused[value_size] = "";
    link_state links = {table, 0, rel_next ? rel_next : unused, false};
    links.rel_next[0] = '\0';
    if (take_kept_links(links, path))
        return links.count;
    bool markup_inside = false;
    auto tag = [&]() { return link_tag(links, markup_inside); };
    static constexpr markup_starts starts = make_markup_starts("A|LINK|BODY");
    return run_collector(path, tag, starts) < 0 ? -1 : links.count;
}

int collect_images(const char* path, char (*table)[value_size])
{
    int count = 0;
    auto tag = [&]() {
        if (!match_name<scan_reader>("IMG"))
            return tag_done;
        return collect_attribute("SRC", table, count, image_table_size - 1);
    };
    static constexpr markup_starts starts = make_markup_starts("IMG");
    return run_collector(path, tag, starts) < 0 ? -1 : count;
}

int collect_images_and_streams(const char* path, char (*images)[value_size], int& image_count,
                               char (*streams)[value_size], int& stream_count)
{
    image_count = stream_count = 0;
    kept.valid = false;
    link_state links = {kept.table, 0, kept.rel_next, false};
    links.rel_next[0] = '\0';
    bool markup_inside = false;
    // A tag that begins with B is BODY (for the links) or BGSOUND; the other names are apart.
    auto tag = [&]() {
        int first = scan_peek();
        if (is_letter(first, 'A') || is_letter(first, 'L'))
            return link_tag(links, markup_inside);
        if (is_letter(first, 'B')) {
            char consumed[8];
            int length = 0;
            if (match_name<scan_reader>("BODY", consumed, length)) {
                links.in_body = true;
                return tag_done;
            }
            if (length != 1 || !match_name<scan_reader>("GSOUND"))
                return tag_done;
            return collect_attribute("SRC", streams, stream_count, stream_table_size - 1, &markup_inside);
        }
        const char* name = is_letter(first, 'I') ? "IMG" : is_letter(first, 'E') ? "EMBED" : nullptr;
        if (!name || !match_name<scan_reader>(name))
            return tag_done;
        if (name[0] == 'I')
            return collect_attribute("SRC", images, image_count, image_table_size - 1, &markup_inside);
        return collect_attribute("SRC", streams, stream_count, stream_table_size - 1, &markup_inside);
    };
    static constexpr markup_starts starts = make_markup_starts("A|LINK|B|IMG|EMBED");
    if (scan_open(path) != 0) {
        image_count = stream_count = -1;
        return -1;
    }
    file_identity identity;
    bool known = scan_identity(&identity);
    scan_page<scan_reader>(tag, starts);
    scan_close();
    if (scan_failed()) {
        image_count = stream_count = -1;
        return -1;
    }
    // Markup inside one of the tags, which the one pass took for the tag's but each pass on its own
    // would have looked at: the passes on their own decide, and no links are kept.
    if (markup_inside) {
        image_count = collect_images(path, images);
        stream_count = collect_streams(path, streams);
        if (image_count < 0 || stream_count < 0) {
            image_count = stream_count = -1;
            return -1;
        }
        return 0;
    }
    if (known && std::strlen(path) < sizeof kept.path) {
        copy_text(kept.path, path_size, path);
        kept.identity = identity;
        kept.count = links.count;
        kept.valid = true;
    }
    return 0;
}

int collect_streams(const char* path, char (*table)[value_size])
{
    int count = 0;
    auto tag = [&]() {
        int first = scan_peek();
        const char* name = is_letter(first, 'E') ? "EMBED" : is_letter(first, 'B') ? "BGSOUND" : nullptr;
        if (!name || !match_name<scan_reader>(name))
            return tag_done;
        return collect_attribute("SRC", table, count, stream_table_size - 1);
    };
    static constexpr markup_starts starts = make_markup_starts("EMBED|BGSOUND");
    return run_collector(path, tag, starts) < 0 ? -1 : count;
}
