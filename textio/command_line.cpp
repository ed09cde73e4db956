// Command-line splitting into a fixed store and table.
#include "textio/command_line.h"

#include "platform/dbcs.h"
#include "platform/process.h"

static char store[command_line_store_size];
static left_out_arguments left_out;

left_out_arguments arguments_left_out() { return left_out; }

int split_command_line_text(int* count, char** table, const char* text)
{
    int n = 1;
    int stored = 0;
    bool quoted = false;
    bool pair = false;
    // Once a limit is met the rest of the text is only counted: every argument in it with at least
    // one byte is left out, but for the rest of the one that the read limit cut, which is kept.
    bool counting = false;
    bool filled = false;  // the argument being counted has a byte
    bool cut = false;     // it is the rest of the argument that the read limit cut
    table[0] = store;
    left_out = {0, limit_none};
    for (int read = 0; text[read] != '\0'; ++read) {
        if (read == command_line_max_read && !counting) {
            counting = true;
            cut = true;
            left_out.limit = limit_bytes;
        }
        unsigned char b = static_cast<unsigned char>(text[read]);
        if (pair) {
            pair = false;
        } else if (is_lead_byte(b)) {
            pair = true;
        } else if (b == '"') {
            quoted = !quoted;
            continue;
        } else if (!quoted && b == ' ') {
            if (counting) {
                left_out.count += filled && !cut ? 1 : 0;
                filled = cut = false;
            } else if (n == max_arguments || stored >= argument_room) {
                counting = true;
                left_out.limit = n == max_arguments ? limit_count : limit_bytes;
            } else {
                store[stored++] = '\0';
                table[n++] = store + stored;
            }
            continue;
        }
        if (counting)
            filled = true;
        else
            store[stored++] = static_cast<char>(b);
    }
    left_out.count += counting && filled && !cut ? 1 : 0;
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
