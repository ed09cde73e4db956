// Telling from a link's words whether a reader would click it to go on.
#include "insert/link_words.h"

#include "scan/page_scanners.h"

#include <cstring>

namespace {

// One text a field may hold, as bytes of one encoding.
enum encoding { utf8, shift_jis, euc_jp, single_byte };

struct word_form {
    encoding in;
    const char* bytes;
};

// Words for next: each may begin a field (ASCII words compared without case and followed by no
// lower-case letter).
constexpr const char* next_words[] = {"next", "forward"};
constexpr word_form next_forms[] = {
    {utf8, "\xE6\xAC\xA1"},              {utf8, "\xE3\x81\xA4\xE3\x81\x8E"},  // 次, つぎ
    {shift_jis, "\x8E\x9F"},             {shift_jis, "\x82\xC2\x82\xAC"},
    {euc_jp, "\xBC\xA1"},                {euc_jp, "\xA4\xC4\xA4\xAE"},
};
// Arrows that point on: >, », ›, →, ▶.
constexpr word_form on_arrows[] = {
    {utf8, ">"},          {utf8, "\xC2\xBB"},     {utf8, "\xE2\x80\xBA"}, {utf8, "\xE2\x86\x92"},
    {utf8, "\xE2\x96\xB6"}, {shift_jis, "\x81\xA8"}, {euc_jp, "\xA2\xAA"}, {single_byte, "\xBB"},
    {single_byte, "\x9B"},
};
// Words and arrows of going back, anywhere in a field: <, «, ‹, ←, 前, 戻る.
constexpr const char* back_words[] = {"back", "prev", "previous", "up", "index", "home", "contents", "top"};
constexpr word_form back_forms[] = {
    {utf8, "<"},           {utf8, "\xC2\xAB"},     {utf8, "\xE2\x80\xB9"},     {utf8, "\xE2\x86\x90"},
    {utf8, "\xE5\x89\x8D"}, {utf8, "\xE6\x88\xBB\xE3\x82\x8B"},
    {shift_jis, "\x81\xA9"}, {shift_jis, "\x91\x4F"}, {shift_jis, "\x96\xDF\x82\xE9"},
    {euc_jp, "\xA2\xAB"},   {euc_jp, "\xC1\xB0"},   {euc_jp, "\xCC\xE1\xA4\xEB"},
    {single_byte, "\xAB"},  {single_byte, "\x8B"},
};

constexpr bool is_lower(int c) { return c >= 'a' && c <= 'z'; }
constexpr bool is_alpha(int c) { return is_lower(c) || (c >= 'A' && c <= 'Z'); }
constexpr int lower(int c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

// Writes code as UTF-8 at out; returns the bytes written (0 for no character).
int put_utf8(char* out, unsigned code)
{
    if (code == 0 || code > 0x10FFFF)
        return 0;
    if (code < 0x80) {
        out[0] = static_cast<char>(code);
        return 1;
    }
    if (code < 0x800) {
        out[0] = static_cast<char>(0xC0 | (code >> 6));
        out[1] = static_cast<char>(0x80 | (code & 0x3F));
        return 2;
    }
    if (code < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (code >> 12));
        out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (code & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (code >> 18));
    out[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (code & 0x3F));
    return 4;
}

struct named_entity {
    const char* name;
    unsigned code;
};
constexpr named_entity entities[] = {{"amp", '&'},     {"lt", '<'},       {"gt", '>'},       {"quot", '"'},
                                     {"apos", '\''},   {"nbsp", ' '},     {"raquo", 0xBB},   {"laquo", 0xAB},
                                     {"rsaquo", 0x203A}, {"lsaquo", 0x2039}, {"rarr", 0x2192}, {"larr", 0x2190}};

// The field from..to with its entities decoded (into UTF-8; a no-break space becomes a space),
// into out (label_size bytes).
void decode_field(char* out, const char* from, const char* to)
{
    int n = 0;
    while (from < to && n < label_size - 5) {
        if (*from == '&') {
            const char* end = from + 1;
            while (end < to && end - from < 12 && *end != ';')
                ++end;
            if (end < to && *end == ';') {
                unsigned code = 0;
                if (from[1] == '#') {
                    bool hex = from[2] == 'x' || from[2] == 'X';
                    for (const char* p = from + (hex ? 3 : 2); p < end; ++p) {
                        int d = *p >= '0' && *p <= '9' ? *p - '0'
                                : hex && lower(*p) >= 'a' && lower(*p) <= 'f' ? lower(*p) - 'a' + 10
                                                                             : -1;
                        code = d < 0 ? 0x110000 : code * (hex ? 16 : 10) + static_cast<unsigned>(d);
                        if (code > 0x10FFFF)
                            break;
                    }
                } else {
                    for (const named_entity& e : entities)
                        if (std::strlen(e.name) == static_cast<size_t>(end - from - 1) &&
                            std::memcmp(e.name, from + 1, static_cast<size_t>(end - from - 1)) == 0)
                            code = e.code;
                }
                if (code == 0xA0)
                    code = ' ';
                int written = put_utf8(out + n, code);
                if (written > 0) {
                    n += written;
                    from = end + 1;
                    continue;
                }
            }
        }
        out[n++] = *from++;
    }
    out[n] = '\0';
}

// True when text is UTF-8 throughout.
bool valid_utf8(const unsigned char* p)
{
    while (*p) {
        int more = *p < 0x80 ? 0 : (*p >> 5) == 6 ? 1 : (*p >> 4) == 14 ? 2 : (*p >> 3) == 30 ? 3 : -1;
        if (more < 0)
            return false;
        ++p;
        for (; more > 0; --more, ++p)
            if ((*p & 0xC0) != 0x80)
                return false;
    }
    return true;
}

// The length of the character at p in encoding in (at least 1).
int char_length(const unsigned char* p, encoding in)
{
    int c = p[0];
    int length = 1;
    if (in == utf8)
        length = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    else if (in == shift_jis)
        length = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC) ? 2 : 1;
    else if (in == euc_jp)
        length = c == 0x8F ? 3 : c >= 0x8E ? 2 : 1;
    for (int i = 1; i < length; ++i)
        if (p[i] == 0)
            return i;
    return length;
}

// The bytes of form at p, in the form's encoding; a single byte only between ASCII bytes.
bool form_at(const unsigned char* text, const unsigned char* p, const word_form& form)
{
    size_t length = std::strlen(form.bytes);
    if (std::strncmp(reinterpret_cast<const char*>(p), form.bytes, length) != 0)
        return false;
    return form.in != single_byte || ((p == text || p[-1] < 0x80) && p[1] < 0x80);
}

// The ASCII word (lower case) at p in either case, ended by no letter (by no lower-case letter
// where only its end is asked for).
bool ascii_word_at(const unsigned char* p, const char* word, bool whole)
{
    size_t i = 0;
    for (; word[i]; ++i)
        if (lower(p[i]) != word[i])
            return false;
    return whole ? !is_alpha(p[i]) : !is_lower(p[i]);
}

// The length of a form of forms (in the encodings of in, and single_byte where asked) at p, else 0.
template <int N>
int any_form_at(const unsigned char* text, const unsigned char* p, const word_form (&forms)[N], encoding in,
                bool single)
{
    for (const word_form& form : forms)
        if ((form.in == in || (single && form.in == single_byte)) && form_at(text, p, form))
            return static_cast<int>(std::strlen(form.bytes));
    return 0;
}

// True when a decoded field read in encoding in is or begins with a word for next, or is an arrow
// that points on (followed by nothing or by such a word).
bool field_begins_next(const unsigned char* text, encoding in, bool single)
{
    const unsigned char* p = text;
    while (*p == ' ' || *p == '[' || *p == '(' || *p == '|' || *p == ':')
        ++p;
    int arrows = 0;
    for (int length; (length = any_form_at(text, p, on_arrows, in, single)) > 0 ||
                     (in != utf8 && (length = any_form_at(text, p, on_arrows, utf8, false)) > 0);) {
        p += length;
        ++arrows;
        while (*p == ' ')
            ++p;
    }
    if (*p == '\0' || *p == ']' || *p == ')')
        return arrows > 0;
    for (const char* word : next_words)
        if (ascii_word_at(p, word, false))
            return true;
    return any_form_at(text, p, next_forms, in, false) || any_form_at(text, p, next_forms, utf8, false);
}

// True when a decoded field read in encoding in speaks of going back anywhere.
bool field_says_back(const unsigned char* text, encoding in, bool single)
{
    // Back anywhere: an ASCII word at the start of a word, or a form at a character's start.
    for (const unsigned char* p = text; *p; p += char_length(p, in)) {
        if (is_alpha(*p) && (p == text || !is_alpha(p[-1])))
            for (const char* word : back_words)
                if (ascii_word_at(p, word, true))
                    return true;
        // Every form of going back begins with "<" or a byte above ASCII.
        if ((*p >= 0x80 || *p == '<') && (any_form_at(text, p, back_forms, in, single) ||
                                          (in != utf8 && any_form_at(text, p, back_forms, utf8, false))))
            return true;
    }
    return false;
}

// Calls each with every field of label, decoded, in each encoding it may be read in, until each
// returns false.
template <class Each>
void each_field(const char* label, Each each)
{
    for (const char* from = label; *from;) {
        const char* to = std::strchr(from, '\n');
        if (!to)
            to = from + std::strlen(from);
        char field[label_size];
        decode_field(field, from, to);
        from = *to ? to + 1 : to;
        const unsigned char* text = reinterpret_cast<const unsigned char*>(field);
        // A field that is not UTF-8 is read as each of the other encodings in turn.
        bool utf = valid_utf8(text);
        const encoding tried[] = {utf8, shift_jis, euc_jp};
        for (encoding in : tried) {
            if (in != utf8 && utf)
                break;
            if (!each(text, in, !utf))
                return;
        }
    }
}

}  // namespace

link_says what_link_says(const char* label, bool back_too)
{
    // Most links say nothing of going on, which their fields' starts tell at once.
    bool next = false;
    each_field(label, [&](const unsigned char* text, encoding in, bool single) {
        next = next || field_begins_next(text, in, single);
        return !next;
    });
    link_says says = next ? says_next : says_nothing;
    if (!next && !back_too)
        return says;
    each_field(label, [&](const unsigned char* text, encoding in, bool single) {
        if (field_says_back(text, in, single))
            says = says_back;
        return says != says_back;
    });
    return says;
}
