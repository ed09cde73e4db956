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
// The end of an attribute name that match_name matched: the name stops there.
bool name_ends(int ch) { return ch == '=' || ch == '>' || is_blank(ch); }

// A value read for a link's label: appended to label (label_size bytes) as a field of its own.
void append_field(char* label, const char* value)
{
    int length = static_cast<int>(std::strlen(label));
    int room = label_size - 2 - length;
    int i = 0;
    for (bool blank = false; value[i] != '\0' && room > 0; ++i) {
        unsigned char c = static_cast<unsigned char>(value[i]);
        bool now_blank = is_blank(c);
        if (now_blank && blank)
            continue;
        blank = now_blank;
        label[length++] = now_blank ? ' ' : static_cast<char>(c);
        --room;
    }
    label[length++] = '\n';
    label[length] = '\0';
}

tag_outcome link_attributes(bool element, char (*table)[value_size], int& count, int cap, char* rel_next,
                            bool& markup_inside, char* label = nullptr, char* rel_up = nullptr, bool careful = false,
                            char* rel_prev = nullptr)
{
    bool up = false;
    bool prev = false;
    char href[value_size];                 // the first HREF where no table entry keeps it
    char other[value_size];                // a LINK element's later HREF values
    const char* first_href = nullptr;     // the tag's first HREF value, where it stands
    bool marked = false;
    for (;;) {
        scan_skip_blanks();
        // A value read whole ends at its delimiter, which may have been the blank before the next
        // attribute. A list has always passed over that attribute as the rest of the value; read
        // with care (a walk) it is read, so that <a class=nav href=x.html> keeps its link.
        bool whole = false;
        auto read = [&](char* value) {
            whole = read_value_after_name(value);
            markup_inside = !whole || markup_inside;
        };
        if (match_name<scan_reader>("HREF")) {
            if (element) {
                read(first_href ? other : href);
                first_href = href;
            } else {
                read(table[count]);
                // The entry past the kept ones takes every later value: the first is copied then.
                bool kept = count + 1 < cap;
                if (!first_href)
                    first_href = kept ? table[count] : (copy_text(href, value_size, table[count]), href);
                if (kept)
                    ++count;
            }
        } else if (match_name<scan_reader>("REL")) {
            char rel[value_size];
            read(rel);
            marked = marked || has_word(rel, "next");
            up = up || (element && has_word(rel, "up"));
            prev = prev || (element && has_word(rel, "prev"));
            if (label)
                append_field(label, rel);
        } else if (label) {
            // What the link says of itself: a name of those, whole, and its value.
            int first = scan_peek();
            const char* name = is_letter(first, 'T')   ? "TITLE"
                               : is_letter(first, 'A') ? "ARIA-LABEL"
                               : is_letter(first, 'C') ? "CLASS"
                               : is_letter(first, 'I') ? "ID"
                                                       : nullptr;
            char value[value_size];
            if (name && match_name<scan_reader>(name) && name_ends(scan_peek())) {
                read(value);
                append_field(label, value);
            }
        }
        if (!whole || !careful)
            markup_inside = scan_skip_word() || markup_inside;
        if (scan_peek() == '>' || scan_peek() == -1)
            break;
    }
    if (marked && first_href && rel_next[0] == '\0')
        copy_text(rel_next, value_size, first_href);
    if (up && rel_up && first_href && rel_up[0] == '\0')
        copy_text(rel_up, value_size, first_href);
    if (prev && rel_prev && first_href && rel_prev[0] == '\0')
        copy_text(rel_prev, value_size, first_href);
    if (label && scan_peek() == '>') {
        // The element's content, looked at where it lies ahead without taking it: the pass goes
        // on over it as over any other bytes of the page.
        const unsigned char* bytes;
        int available = scan_window(&bytes, label_reach + 1);
        append_content_label(label, bytes + 1, (available < label_reach + 1 ? available : label_reach + 1) - 1);
    }
    return scan_peek() == -1 ? tag_end_of_input : tag_done;
}

// What the link collector gathers: the table and its count, the rel="next" link, and whether the
// BODY start tag has been passed (a LINK element after it counts for nothing).
struct link_state {
    char (*table)[value_size];
    int count;
    char* rel_next;
    bool in_body;
    char (*labels)[label_size];  // null where no labels are gathered
    char* rel_up;                // the HREF of the first LINK element marked rel="up"
    char* rel_prev;              // the same for rel="prev", where it is asked for (else null)
    // In passing (the pass over a next page): no labels are gathered once a rel="next" link came
    // and no rel="up" one, since then that link decides; partial is set when some were left out.
    bool in_passing;
    bool partial;
};

// Set while a walk asks for labels: links are then read with care (see link_attributes).
bool labels_kept;

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
    char* label = nullptr;
    if (links.labels && !element && links.count < link_table_size - 1) {
        label = links.labels[links.count];
        label[0] = '\0';
        if (links.in_passing && links.rel_next[0] != '\0' && links.rel_up[0] == '\0') {
            label = nullptr;
            links.partial = true;
        }
    }
    int before = links.count;
    tag_outcome outcome = link_attributes(element, links.table, links.count, link_table_size - 1, links.rel_next,
                                          markup_inside, label, links.rel_up, links.labels != nullptr || labels_kept,
                                          links.rel_prev);
    // Each HREF of the tag is a link of its own, and each says what the tag says.
    for (int i = before + 1; links.labels && i < links.count; ++i)
        copy_text(links.labels[i], label_size, label ? label : "");
    return outcome;
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
    char rel_up[value_size];
    char table[link_table_size][value_size];
    bool labeled;  // the labels were gathered too
    char labels[link_table_size][label_size];
};
kept_links kept;

// Fills links from the kept links when they are path's and the page has not changed since.
bool take_kept_links(link_state& links, const char* path)
{
    file_identity now;
    bool ok = kept.valid && std::strcmp(kept.path, path) == 0 && file_ops.identify(&now, path) == 0;
    if (!ok || !(now == kept.identity) || (links.labels && !kept.labeled))
        return false;
    for (int i = 0; i < kept.count; ++i)
        copy_text(links.table[i], value_size, kept.table[i]);
    for (int i = 0; links.labels && i < kept.count; ++i)
        copy_text(links.labels[i], label_size, kept.labels[i]);
    links.count = kept.count;
    copy_text(links.rel_next, value_size, kept.rel_next);
    copy_text(links.rel_up, value_size, kept.rel_up);
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
    return collect_links(path, table, rel_next, nullptr);
}

int collect_links(const char* path, char (*table)[value_size], char* rel_next, char (*labels)[label_size], char* rel_up)
{
    char unused[value_size] = "";
    char unused_up[value_size] = "";
    link_state links = {table, 0, rel_next ? rel_next : unused, false, labels, rel_up ? rel_up : unused_up,
                        nullptr, false, false};
    links.rel_next[0] = links.rel_up[0] = '\0';
    if (take_kept_links(links, path))
        return links.count;
    bool markup_inside = false;
    auto tag = [&]() { return link_tag(links, markup_inside); };
    static constexpr markup_starts starts = make_markup_starts("A|LINK|BODY");
    return run_collector(path, tag, starts) < 0 ? -1 : links.count;
}

int read_head_links(const char* path, head_links& links)
{
    links.next[0] = links.up[0] = links.prev[0] = '\0';
    char unused[1][value_size];  // the table of A elements, which this pass does not look at
    link_state state = {unused, 0, links.next, false, nullptr, links.up, links.prev, false, false};
    bool markup_inside = false;
    auto tag = [&]() {
        if (is_letter(scan_peek(), 'A'))  // no A element goes into the table of one
            return tag_done;
        tag_outcome outcome = link_tag(state, markup_inside);
        return state.in_body ? tag_end_of_input : outcome;  // the head ends at the BODY start tag
    };
    static constexpr markup_starts starts = make_markup_starts("LINK|BODY");
    return run_collector(path, tag, starts);
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
    link_state links = {kept.table, 0, kept.rel_next, false, labels_kept ? kept.labels : nullptr, kept.rel_up,
                        nullptr, true, false};
    links.rel_next[0] = links.rel_up[0] = '\0';
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
        kept.labeled = labels_kept && !links.partial;
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

void keep_link_labels(bool on) { labels_kept = on; }

namespace {

// bytes[at] is "<" and the letters of name (given in upper case) follow it, then a byte that ends
// a tag name (or the end).
bool tag_named(const unsigned char* bytes, int at, int count, const char* name)
{
    int i = at + 1;
    for (; *name; ++name, ++i)
        if (i >= count || !is_letter(bytes[i], *name))
            return false;
    return i >= count || bytes[i] == '>' || bytes[i] == '/' || is_blank(bytes[i]);
}

// The value of the attribute name (upper case) in the tag bytes[from .. to), into value
// (value_size bytes); false when the tag has none.
bool tag_attribute(char* value, const unsigned char* bytes, int from, int to, const char* name)
{
    int length = static_cast<int>(std::strlen(name));
    for (int i = from; i + length < to; ++i) {
        if (!is_blank(bytes[i - 1]))
            continue;
        int k = 0;
        while (k < length && is_letter(bytes[i + k], name[k]))
            ++k;
        if (k < length)
            continue;
        int j = i + length;
        while (j < to && is_blank(bytes[j]))
            ++j;
        if (j == to || bytes[j] != '=')
            continue;
        ++j;
        while (j < to && is_blank(bytes[j]))
            ++j;
        int quote = j < to && (bytes[j] == '"' || bytes[j] == '\'') ? bytes[j++] : 0;
        int n = 0;
        for (; j < to && n < value_size - 1; ++j) {
            if (quote ? bytes[j] == quote : (is_blank(bytes[j]) || bytes[j] == '>'))
                break;
            value[n++] = static_cast<char>(bytes[j]);
        }
        value[n] = '\0';
        return true;
    }
    return false;
}

}  // namespace

void append_content_label(char* label, const unsigned char* bytes, int count)
{
    char text[value_size];
    int length = 0;
    bool blank = true;  // leading blanks are dropped
    char value[value_size];
    char fields[label_size] = "";
    for (int i = 0; i < count;) {
        if (bytes[i] != '<') {
            bool now_blank = is_blank(bytes[i]);
            if (length < value_size - 1 && !(now_blank && blank))
                text[length++] = now_blank ? ' ' : static_cast<char>(bytes[i]);
            blank = now_blank;
            ++i;
            continue;
        }
        if (tag_named(bytes, i, count, "/A") || tag_named(bytes, i, count, "A"))
            break;
        bool comment = i + 3 < count && bytes[i + 1] == '!' && bytes[i + 2] == '-' && bytes[i + 3] == '-';
        int end = comment ? i + 4 : i + 1;
        while (end < count && (comment ? !(bytes[end] == '>' && bytes[end - 1] == '-' && bytes[end - 2] == '-')
                                       : bytes[end] != '>'))
            ++end;
        if (tag_named(bytes, i, count, "IMG")) {
            static const char* const names[] = {"ALT", "TITLE"};
            for (const char* name : names)
                if (tag_attribute(value, bytes, i + 4, end, name))
                    append_field(fields, value);
        }
        i = end + 1;
    }
    while (length > 0 && text[length - 1] == ' ')
        --length;
    text[length] = '\0';
    append_field(label, text);
    append_text(label, label_size, fields);
}

int read_next_parameter(const char* path, char* link)
{
    link[0] = '\0';
    if (scan_open(path) != 0)
        return -1;
    // The two texts as addNextpics writes them, looked for in the page's bytes.
    const char* wanted[2] = {marker_comment, next_parameter_start};
    bool found[2] = {false, false};
    int longest = static_cast<int>(sizeof next_parameter_start) + value_size;
    for (;;) {
        const unsigned char* bytes;
        int available = scan_window(&bytes, longest);
        if (available == 0)
            break;
        const unsigned char* lt = static_cast<const unsigned char*>(std::memchr(bytes, '<', static_cast<size_t>(available)));
        if (!lt) {
            scan_consume(available);
            continue;
        }
        int at = static_cast<int>(lt - bytes);
        int rest = available - at;
        for (int k = 0; k < 2; ++k) {
            int length = static_cast<int>(std::strlen(wanted[k]));
            if (found[k] || rest < length || std::memcmp(lt, wanted[k], static_cast<size_t>(length)) != 0)
                continue;
            found[k] = true;
            if (k == 1) {
                int n = 0;
                for (int i = length; i < rest && lt[i] != '"' && lt[i] != stream_separator && n < value_size - 1; ++i)
                    link[n++] = static_cast<char>(lt[i]);
                link[n] = '\0';
            }
        }
        if (found[0] && found[1])
            break;
        scan_consume(at + 1);
    }
    scan_close();
    if (scan_failed())
        return -1;
    if (!(found[0] && found[1]))
        link[0] = '\0';
    return found[0] && found[1] ? 1 : 0;
}
