// The console window: the one window of each program, showing the text screen and a small logo.
// Implemented by console_window_win32.cpp (a real window) and console_window_posix.cpp (the
// terminal: completed rows go to standard output, keys and close signals are latched).
#pragma once

// What differs between the two programs' windows.
struct console_look {
    const char* title;            // window class name and title
    int width;                    // outer size in pixels
    int height;
    const unsigned char* logo;    // logo record: width, height, colour count, palette, rows
};

// Registers the window class, creates the hidden window and prepares the text screen for it.
// Returns the window, or null when the class cannot be registered.
void* create_console_window(void* instance, const console_look* look);

// Shows the window with the show state the program was started with, and updates it.
void show_console_window(void* window, int show_state);

// Paints anything that is invalid now.
void update_console_window(void* window);

// Paints the whole window at once. Returns 0.
int paint_console(void* window);

// True when someone can see the log and press keys: the closing pause and key loop run only then.
bool console_is_attended();
