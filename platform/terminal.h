// The controlling terminal of the native build: single keys while the programs work, whole lines
// while a message box waits for an answer, and the signals that ask the program to stop. POSIX only.
#pragma once

// True when standard input is a terminal.
bool terminal_is_interactive();

// True when standard output is a terminal.
bool terminal_shows_output();

// Puts the terminal into key mode (no echo, no line editing) when standard input is a terminal;
// the previous mode comes back at exit and on the signals that end the program.
void terminal_begin_keys();

// The next key typed, or -1 when none is waiting. Never waits.
int terminal_read_key();

// Switches between key mode and line mode (echo and line editing, for answers).
void terminal_line_mode(bool lines);

// Makes SIGINT, SIGTERM, SIGHUP and SIGPIPE note their number instead of ending the program, so
// that the page at work is finished first. A signal that the program was started with ignored
// (nohup, a background job of a script) stays ignored.
void terminal_catch_close_signals();

// The first of those signals that arrived (a terminal that was closed counts as SIGHUP), or 0.
int terminal_close_signal();

// What terminal_read_line found.
enum line_read {
    line_taken,        // a line, possibly empty
    line_end_of_input, // the input ended before anything was read
    line_interrupted,  // a stop signal came first (terminal_close_signal tells which)
};

// Reads one line of standard input for an answer, a byte at a time, so nothing typed after it is
// taken from later questions. Waits until the line is complete, the input ends or a stop signal
// arrives (also one that arrived before the call). line (size bytes) receives the line without its
// line feed, cut to fit.
line_read terminal_read_line(char* line, int size);
