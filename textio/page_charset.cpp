// Telling a UTF-8 page from one in the system's code page.
#include "textio/page_charset.h"

#include <cstring>

namespace {

// word (lower-case letters and other bytes) begins at p, letters in either case.
bool begins_with(const unsigned char* p, const unsigned char* end, const char* word)
{
    for (; *word; ++word, ++p) {
        if (p == end)
            return false;
        unsigned char c = *p;
        unsigned char w = static_cast<unsigned char>(*word);
        if (c != w && !(w >= 'a' && w <= 'z' && c == w - ('a' - 'A')))
            return false;
    }
    return true;
}

bool is_space(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

const unsigned char* find(const unsigned char* p, const unsigned char* end, unsigned char c)
{
    const void* found = std::memchr(p, c, static_cast<size_t>(end - p));
    return found ? static_cast<const unsigned char*>(found) : end;
}

enum declared { declares_nothing, declares_utf8, declares_other };

// What the bytes of one meta element declare: "charset", blanks, "=", blanks, an optional quote and
// the name (http-equiv content="text/html; charset=..." as well as charset="...").
declared meta_charset(const unsigned char* p, const unsigned char* end)
{
    for (; p < end; ++p) {
        if (!begins_with(p, end, "charset"))
            continue;
        const unsigned char* v = p + 7;
        while (v < end && is_space(*v))
            ++v;
        if (v == end || *v != '=')
            continue;
        ++v;
        while (v < end && is_space(*v))
            ++v;
        if (v < end && (*v == '"' || *v == '\''))
            ++v;
        if (begins_with(v, end, "utf-8") || begins_with(v, end, "utf8"))
            return declares_utf8;
        if (v < end && *v != '"' && *v != '\'' && *v != '>' && !is_space(*v))
            return declares_other;
    }
    return declares_nothing;
}

// The charset that a meta element before the BODY start tag declares, comments passed over.
declared declared_charset(const unsigned char* p, const unsigned char* end)
{
    while ((p = find(p, end, '<')) < end) {
        if (begins_with(p, end, "<!--")) {
            for (p += 4; p < end && !begins_with(p, end, "-->");)
                p = find(p + 1, end, '-');
            continue;
        }
        if (begins_with(p, end, "<body"))
            return declares_nothing;
        if (begins_with(p, end, "<meta") && p + 5 < end && (is_space(p[5]) || p[5] == '/')) {
            const unsigned char* tag_end = find(p, end, '>');
            declared found = meta_charset(p + 5, tag_end);
            if (found != declares_nothing)
                return found;
            p = tag_end;
            continue;
        }
        ++p;
    }
    return declares_nothing;
}

// Valid UTF-8 holding at least one character of two bytes or more; a character cut by end counts.
bool valid_utf8_with_multibyte(const unsigned char* p, const unsigned char* end)
{
    bool multibyte = false;
    while (p < end) {
        // Eight bytes of ASCII at a time.
        while (end - p >= 8) {
            unsigned long long word;
            std::memcpy(&word, p, sizeof word);
            if (word & 0x8080808080808080ull)
                break;
            p += 8;
        }
        if (p == end)
            break;
        unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more;
        unsigned char low = 0x80, high = 0xBF;  // the range of the byte after c
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            low = c == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
            high = c == 0xED ? 0x9F : 0xBF;  // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        for (int i = 1; i <= more; ++i) {
            if (p + i == end)
                return true;
            unsigned char b = p[i];
            if (i == 1 ? (b < low || b > high) : (b & 0xC0) != 0x80)
                return false;
        }
        multibyte = true;
        p += 1 + more;
    }
    return multibyte;
}

}  // namespace

bool page_is_utf8(const unsigned char* begin, const unsigned char* end)
{
    if (end - begin > charset_window)
        end = begin + charset_window;
    if (begins_with(begin, end, "\xEF\xBB\xBF"))
        return true;
    switch (declared_charset(begin, end)) {
    case declares_utf8:
        return true;
    case declares_other:
        return false;
    case declares_nothing:
        break;
    }
    return valid_utf8_with_multibyte(begin, end);
}
