// Path and file-name helpers.
#include "textio/paths.h"

#include "platform/dbcs.h"
#include "platform/files.h"

#include <cstring>


int copy_text(char* out, int size, const char* text)
{
    int n = 0;
    while (n < size - 1 && text[n] != '\0') {
        out[n] = text[n];
        ++n;
    }
    out[n] = '\0';
    return n;
}

void append_text(char* out, int size, const char* text)
{
    int n = static_cast<int>(std::strlen(out));
    copy_text(out + n, size - n, text);
}

bool join_path(char* out, const char* folder, const char* name)
{
    size_t a = std::strlen(folder);
    size_t b = std::strlen(name);
    if (a + b >= static_cast<size_t>(path_size)) {
        out[0] = '\0';
        return false;
    }
    std::memmove(out, folder, a);
    std::memcpy(out + a, name, b + 1);
    return true;
}

static int fold(int c) { return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c; }

int has_prefix_nocase(const char* text, const char* prefix)
{
    for (; *prefix; ++text, ++prefix)
        if (fold(static_cast<unsigned char>(*text)) != fold(static_cast<unsigned char>(*prefix)))
            return -1;
    return 0;
}

// Looking a name up can mean reading its whole directory (Wine does so for every lookup), and a
// batch asks for most pages three times: as the next page of the page before, then twice for the
// page itself. So the last few names found are remembered by the exact path asked for. A name not
// found is looked up again each time, so a file that appears during the batch (the applet copied
// in) is seen at once.
struct found_name {
    char path[path_size];
    char stored[path_size];
};
constexpr int names_remembered = 4;
static found_name found_names[names_remembered];
static int next_found_name;

void forget_actual_names()
{
    for (found_name& entry : found_names)
        entry.path[0] = '\0';
}

// The remembered entry of path, or null.
static found_name* remembered(const char* path)
{
    for (found_name& entry : found_names)
        if (entry.path[0] != '\0' && std::strcmp(entry.path, path) == 0)
            return &entry;
    return nullptr;
}

int find_actual_name(char* out, const char* path)
{
    if (const found_name* entry = remembered(path)) {
        copy_text(out, path_size, entry->stored);
        return 0;
    }
    return look_up_actual_name(out, path);
}

int look_up_actual_name(char* out, const char* path)
{
    int result = file_ops.stored_name(out, path_size, path);
    found_name* entry = remembered(path);
    if (result != 0) {
        if (entry)
            entry->path[0] = '\0';
        return result;
    }
    if (!entry) {
        if (std::strlen(path) >= static_cast<size_t>(path_size))
            return result;
        entry = &found_names[next_found_name];
        next_found_name = (next_found_name + 1) % names_remembered;
        copy_text(entry->path, path_size, path);
    }
    copy_text(entry->stored, path_size, out);
    return result;
}

// The index just behind the last separator of path (0 when there is none).
static int after_last_separator(const char* path, const char* separators)
{
    int after = 0;
    bool pair = false;
    for (int i = 0; path[i] != '\0'; ++i) {
        unsigned char b = static_cast<unsigned char>(path[i]);
        if (pair)
            pair = false;
        else if (is_lead_byte(b))
            pair = true;
        else if (std::strchr(separators, b))
            after = i + 1;
    }
    return after;
}

const char* name_in_path(const char* path, const char* separators) { return path + after_last_separator(path, separators); }

int dir_part(char* out, const char* path, const char* separators)
{
    int n = after_last_separator(path, separators);
    copy_text(out, n + 1 < path_size ? n + 1 : path_size, path);
    return 0;
}

int file_part(char* out, const char* path)
{
    copy_text(out, path_size, path + after_last_separator(path, any_separators));
    return 0;
}

static bool is_digit(char c) { return c >= '0' && c <= '9'; }

static int hex_value(char c)
{
    if (is_digit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

int link_target(char* out, const char* link)
{
    int n = 0;
    for (const char* p = link; *p && *p != '#' && *p != '?' && n < path_size - 1; ++p) {
        int high = *p == '%' ? hex_value(p[1]) : -1;
        int low = high >= 0 ? hex_value(p[2]) : -1;
        if (low >= 0 && (high | low) != 0) {
            out[n++] = static_cast<char>(high * 16 + low);
            p += 2;
        } else {
            out[n++] = *p;
        }
    }
    out[n] = '\0';
    return 0;
}

static bool is_ascii_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool path_of_link(char* out, const char* page, const char* link, const char* separators)
{
    char directory[path_size];
    char target[path_size];
    dir_part(directory, page, separators);
    link_target(target, link);
    if (link[0] != '\0')
        return join_path(out, directory, target);
    out[0] = '\0';
    return false;
}

bool is_relative_address(const char* address)
{
    if (address[0] == '/' || address[0] == '\\')
        return false;
    if (!is_ascii_letter(address[0]))
        return true;
    const char* p = address + 1;
    while (is_ascii_letter(*p) || is_digit(*p) || *p == '+' || *p == '-' || *p == '.')
        ++p;
    return *p != ':';
}

int trailing_number(const char* name)
{
    int n = static_cast<int>(std::strlen(name));
    if (n == 0 || !is_digit(name[n - 1]))
        return -1;
    int sum = 0;
    int place = 1;
    for (int i = n - 1, digits = 0; i >= 0 && is_digit(name[i]) && digits < 9; --i, ++digits) {
        sum += (name[i] - '0') * place;
        place *= 10;
    }
    return sum;
}

int file_part_less_number(char* out, const char* path)
{
    file_part(out, path);
    int n = static_cast<int>(std::strlen(out));
    while (n > 0 && is_digit(out[n - 1]))
        --n;
    out[n] = '\0';
    return 0;
}

// True when c is one of any_separators (never the NUL).
static bool is_any_separator(int c)
{
    for (const char* separator = any_separators; *separator; ++separator)
        if (c == *separator)
            return true;
    return false;
}

int normalize_path(char* out, const char* path)
{
    // Each step is copied; a "." step is left out, and a ".." step after a step that can be taken
    // back removes that step. starts[] marks where the steps written so far begin.
    constexpr int max_steps = longest_path / 2 + 1;
    static int starts[max_steps];
    int steps = 0;
    int length = 0;
    int i = 0;
    if (path[0] != '\0' && is_any_separator(path[0]))  // a root stays
        out[length++] = path[i++];
    int root = length;
    while (path[i] != '\0') {
        int begin = i;
        bool pair = false;
        while (path[i] != '\0') {
            unsigned char b = static_cast<unsigned char>(path[i]);
            if (pair)
                pair = false;
            else if (is_lead_byte(b))
                pair = true;
            else if (is_any_separator(b))
                break;
            ++i;
        }
        int size = i - begin;
        bool ended = path[i] != '\0';  // a separator follows
        if (ended)
            ++i;
        if (size == 0 || (size == 1 && path[begin] == '.'))
            continue;
        bool up = size == 2 && path[begin] == '.' && path[begin + 1] == '.';
        if (up && steps > 0) {
            int last = starts[steps - 1];
            bool last_up = out[last] == '.' && out[last + 1] == '.' &&
                           (last + 2 == length || is_any_separator(out[last + 2]));
            if (!last_up) {
                length = last;
                --steps;
                continue;
            }
        }
        if (up && steps == 0 && root > 0)  // above the root there is nothing
            continue;
        if (steps < max_steps)
            starts[steps++] = length;
        std::memcpy(out + length, path + begin, static_cast<size_t>(size + (ended ? 1 : 0)));
        length += size + (ended ? 1 : 0);
    }
    out[length] = '\0';
    return 0;
}

int stem_number(char* base, const char* name)
{
    file_part(base, name);
    char* dot = std::strrchr(base, '.');
    int stem = dot && dot != base ? static_cast<int>(dot - base) : static_cast<int>(std::strlen(base));
    base[stem] = '\0';
    int number = trailing_number(base);
    int n = stem;
    while (n > 0 && is_digit(base[n - 1]))
        --n;
    if (number >= 0)
        base[n] = '\0';
    return number;
}

// True when a ".." step begins at p.
static bool up_step(const char* p) { return p[0] == '.' && p[1] == '.' && (p[2] == '\0' || std::strchr(any_separators, p[2])); }

bool path_inside(const char* path, const char* root)
{
    if (root[0] == '\0')
        return is_relative_address(path) && !up_step(path);
    size_t n = std::strlen(root);
    if (file_names_ignore_case ? has_prefix_nocase(path, root) != 0 : std::strncmp(path, root, n) != 0)
        return false;
    return !up_step(path + n);
}
