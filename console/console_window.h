// The console window: the one window of each program, showing the text screen and a small logo.
// Implemented by console_window_win32.cpp (a real window) and console_window_posix.cpp (the
// terminal: the log goes to standard output line by line, keys and stop signals are latched).
// Where the native build behaves as a Unix command should (its options, exit statuses and
// interrupts), the difference lives in these front ends.
#pragma once

// What differs between the two programs' windows.
struct console_look {
    const char* title;            // window class name and title
    int width;                    // outer size in pixels
    int height;
    const unsigned char* logo;    // logo record: width, height, colour count, palette, rows
    const char* name;             // the program's name, for --version (native build)
    const char* usage;            // what --help prints (native build)
};

// Answers a command line that asks about the program instead of naming pages: in the native build
// a lone --help or -h prints look's usage and a lone --version the program's name and the project
// version, on standard output; true then, and the program ends with status 0. The Windows programs
// take every argument for a page: false. arguments[0] is the program, count includes it.
bool console_answer_options(const console_look* look, int count, char* const* arguments);

// Registers the window class, creates the hidden window and prepares the text screen for it.
// Returns the window, or null when the class cannot be registered.
void* create_console_window(void* instance, const console_look* look);

// Empty rows printed ahead of the banner to make room for the logo: 5 in the window, none on a
// terminal, which shows no logo.
int console_logo_rows();

// Shows the window with the show state from the program's entry, and updates it.
void show_console_window(void* window, int show_state);

// Paints anything that is invalid now.
void update_console_window(void* window);

// Paints the whole window at once. Returns 0.
int paint_console(void* window);

// True when someone can see the log and press keys: the closing pause and key loop run only then
// (the native build: standard input and standard output are both terminals).
bool console_is_attended();

// Shows a message of the character streams ("Cannot open RD file : page.html"): on standard
// output, where the native log is too, as it has always been; the Windows programs, which have no
// standard output that anyone sees, also print it on the text screen.
void console_show_stream_message(const char* text);

// True once the user asked the native program to stop (an interrupt, or its terminal closed): the
// batch then stops after the page at work. Closing the Windows window never stops a run: false.
bool console_stop_requested();

// How a run ended, which the front end turns into the program's exit status.
struct run_end {
    bool quit;           // Cancel at the done-already question: the program ends at once
    bool stopped;        // left before its end: by the user's answer, a failure, or an interrupt
    bool page_failed;    // a page could not be opened, read or written
    int pages_left_out;  // pages past the limit of one run, which were not handled
};

// The exit status of a run that ended as result says. Windows: 1 when the user quit at once
// (result.quit), else 0. Native build: 128 + the signal number after an interrupt; else 2 when a
// page could not be opened, read or written or pages were left out; else 1 when the user canceled
// or quit; else 0.
int console_exit_status(const run_end& result);
