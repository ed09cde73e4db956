// Command-line splitting into a fixed store and table.
#include "textio/command_line.h"

#include "platform/dbcs.h"
#include "platform/process.h"

static char store[command_line_store_size];
static left_out_arguments left_out;

left_out_arguments arguments_left_out() { return left_out; }

// Counts the arguments with at least one byte in the text that a split left unread, from the
// byte at which it stopped: a separating space (the next argument begins after it) or, within an
// argument, the read limit (the rest of that argument is not counted).
static int count_left_out(const char* text, bool within_argument, bool quoted)
{
    int count = 0;
    bool filled = false;
    bool pair = false;
    for (; *text; ++text) {
        unsigned char b = static_cast<unsigned char>(*text);
        if (pair) {
            pair = false;
        } else if (is_lead_byte(b)) {
            pair = true;
        } else if (b == '"') {
            quoted = !quoted;
            continue;
        } else if (!quoted && b == ' ') {
            count += filled && !within_argument ? 1 : 0;
            filled = false;
            within_argument = false;
            continue;
        }
        filled = true;
    }
    return count + (filled && !within_argument ? 1 : 0);
}

int split_command_line_text(int* count, char** table, const char* text)
{
    int n = 1;
    int stored = 0;
    bool quoted = false;
    bool pair = false;
    table[0] = store;
    left_out = {0, limit_none};
    int read = 0;
    for (; read < command_line_max_read && text[read] != '\0'; ++read) {
        unsigned char b = static_cast<unsigned char>(text[read]);
        if (pair) {
            pair = false;
        } else if (is_lead_byte(b)) {
            pair = true;
        } else if (b == '"') {
            quoted = !quoted;
            continue;
        } else if (!quoted && b == ' ') {
            if (n == max_arguments || stored >= argument_room) {
                left_out = {count_left_out(text + read, false, quoted), n == max_arguments ? limit_count : limit_bytes};
                break;
            }
            store[stored++] = '\0';
            table[n++] = store + stored;
            continue;
        }
        store[stored++] = static_cast<char>(b);
    }
    if (read == command_line_max_read && text[read] != '\0')
        left_out = {count_left_out(text + read, true, quoted), limit_bytes};
    store[stored++] = '\0';
    table[n] = store + stored;
    store[stored] = '\0';
    *count = n;
    return 0;
}

int store_argument_vector(int* count, char** table, int argc, char** argv)
{
    int n = 0;
    int stored = 0;
    int read = 0;  // command-line bytes, the separating spaces included
    table[0] = store;
    left_out = {0, limit_none};
    for (int a = 0; a < argc; ++a) {
        bool full = a > 0 && (stored >= argument_room || read >= command_line_max_read);
        if (a == max_arguments || full) {
            for (int rest = a; rest < argc; ++rest)
                left_out.count += argv[rest][0] != '\0' ? 1 : 0;
            left_out.limit = full ? limit_bytes : limit_count;
            break;
        }
        if (a > 0)
            ++read;  // the separator between two arguments
        table[n++] = store + stored;
        for (const char* p = argv[a]; *p && read < command_line_max_read; ++p, ++read)
            store[stored++] = *p;
        store[stored++] = '\0';
    }
    if (n == 0) {
        store[stored++] = '\0';
        n = 1;
    }
    table[n] = store + stored;
    store[stored] = '\0';
    *count = n;
    return 0;
}

int split_command_line(int* count, char** table)
{
    command_line_source source = get_command_line_source();
    if (source.text)
        return split_command_line_text(count, table, source.text);
    return store_argument_vector(count, table, source.argc, source.argv);
}
