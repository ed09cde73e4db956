// The terminal console of the native build: the log goes to standard output a whole line at a
// time, however long (not cut at the window's 68 columns); keys typed in the terminal are latched,
// and SIGINT, SIGTERM, SIGHUP and SIGPIPE ask the run to stop after the page at work. Here also
// live the native programs' options and exit statuses.
#include "console/console_window.h"

#include "console/message_pump.h"
#include "console/text_screen.h"
#include "platform/terminal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef NEXTPICS_VERSION
#error "NEXTPICS_VERSION (the project version) must be defined by the build"
#endif

bool console_answer_options(const console_look* look, int count, char* const* arguments)
{
    if (count != 2)
        return false;
    const char* option = arguments[1];
    if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0)
        std::fputs(look->usage, stdout);
    else if (std::strcmp(option, "--version") == 0)
        std::printf("%s (nextpics) %s\n", look->name, NEXTPICS_VERSION);
    else
        return false;
    std::fflush(stdout);
    return true;
}

// The log line being printed. A line is written when its line feed comes, so a question never
// splits it on the terminal; one longer than the buffer (over 120 links declined on one page)
// goes out in parts, still without a line break.
static char line[65536];
static int line_length;

// Writes the held part of the line: without its trailing blanks when the line ends there, as the
// window shows nothing after the last character either.
static void write_held(bool line_ends)
{
    int n = line_length;
    if (line_ends)
        while (n > 0 && line[n - 1] == ' ')
            --n;
    std::fwrite(line, 1, static_cast<size_t>(n), stdout);
    if (line_ends)
        std::fputc('\n', stdout);
    std::fflush(stdout);
    line_length = 0;
}

// The texts end their lines in CR LF; the CR, which returns the window's cursor to column 0, has no
// use on a terminal and is dropped.
static void take_text(const char* text, int n)
{
    for (int i = 0; i < n; ++i) {
        if (text[i] == '\r')
            continue;
        if (text[i] == '\n') {
            write_held(true);
            continue;
        }
        if (line_length == static_cast<int>(sizeof line))
            write_held(false);
        line[line_length++] = text[i];
    }
}

// At exit the line begun last has not been written yet: write it unless it is blank, so the log
// also shows the page that a Cancel ended the run on.
static void write_unfinished_line()
{
    for (int i = 0; i < line_length; ++i)
        if (line[i] != ' ') {
            write_held(true);
            return;
        }
}

static void dispatch_terminal()
{
    for (int key = terminal_read_key(); key != -1; key = terminal_read_key())
        last_key = key;
    if (terminal_close_signal() != 0)
        close_requested = -1;
}

static const screen_front_end terminal_front_end = {nullptr, nullptr};
static int terminal_window;

void* create_console_window(void*, const console_look*)
{
    terminal_catch_close_signals();
    terminal_begin_keys();
    screen_init(&terminal_window, &terminal_front_end);
    screen_set_text_sink(take_text);
    set_message_dispatcher(dispatch_terminal);
    std::atexit(write_unfinished_line);
    return &terminal_window;
}

int console_logo_rows() { return 0; }

void show_console_window(void*, int) {}

void update_console_window(void*) {}

int paint_console(void*) { return 0; }

bool console_is_attended() { return terminal_is_interactive() && terminal_shows_output(); }

bool console_stop_requested() { return terminal_close_signal() != 0; }

void console_show_stream_message(const char* text) { std::fputs(text, stdout); }

int console_exit_status(const run_end& result)
{
    int signal = terminal_close_signal();
    if (signal != 0)
        return 128 + signal;
    if (result.page_failed || result.pages_left_out > 0)
        return 2;
    if (result.quit || result.stopped)
        return 1;
    return 0;
}
