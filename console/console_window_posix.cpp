// The terminal console of the native build: each completed row of the text screen is written to
// standard output as the window would show it; keys typed in the terminal are latched and SIGINT,
// SIGTERM and SIGHUP stand for the close box.
#include "console/console_window.h"

#include "console/message_pump.h"
#include "console/text_screen.h"
#include "platform/terminal.h"

#include <cstdio>
#include <cstdlib>

static void write_row(const unsigned char* row)
{
    int n = screen_columns;
    while (n > 0 && row[n - 1] == ' ')
        --n;
    std::fwrite(row, 1, static_cast<size_t>(n), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

static void dispatch_terminal()
{
    for (int key = terminal_read_key(); key != -1; key = terminal_read_key())
        last_key = key;
    if (terminal_close_signalled())
        close_requested = -1;
}

// At exit the row the cursor stands in has not been written yet: write it unless it is blank, so
// the log also shows the page that a Cancel ended the run on.
static void write_unfinished_row()
{
    const unsigned char* row = screen_buffer + (top_line + cursor_row) * screen_columns;
    for (int i = 0; i < screen_columns; ++i)
        if (row[i] != ' ') {
            write_row(row);
            return;
        }
}

static const screen_front_end terminal_front_end = {nullptr, write_row};
static int terminal_window;

void* create_console_window(void*, const console_look*)
{
    terminal_catch_close_signals();
    terminal_begin_keys();
    screen_init(&terminal_window, &terminal_front_end);
    set_message_dispatcher(dispatch_terminal);
    std::atexit(write_unfinished_row);
    return &terminal_window;
}

void show_console_window(void*, int) {}

void update_console_window(void*) {}

int paint_console(void*) { return 0; }

bool console_is_attended() { return terminal_is_interactive(); }
