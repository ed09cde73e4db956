// Command-line splitting into a fixed store and table.
#include "textio/command_line.h"

#include "platform/dbcs.h"
#include "platform/process.h"

static char store[command_line_store_size];

int split_command_line_text(int* count, char** table, const char* text)
{
    int n = 1;
    int stored = 0;
    bool quoted = false;
    bool pair = false;
    table[0] = store;
    for (int read = 0; read < command_line_max_read && text[read] != '\0'; ++read) {
        unsigned char b = static_cast<unsigned char>(text[read]);
        if (pair) {
            pair = false;
        } else if (is_lead_byte(b)) {
            pair = true;
        } else if (b == '"') {
            quoted = !quoted;
            continue;
        } else if (!quoted && b == ' ') {
            if (n == max_arguments || stored >= argument_room)
                break;
            store[stored++] = '\0';
            table[n++] = store + stored;
            continue;
        }
        store[stored++] = static_cast<char>(b);
    }
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
    for (int a = 0; a < argc && a < max_arguments; ++a) {
        if (a > 0) {
            if (stored >= argument_room || read >= command_line_max_read)
                break;
            ++read;  // the separator between two arguments
        }
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
