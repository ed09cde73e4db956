// The controlling terminal of the native build: single keys while the programs work, whole lines
// while a message box waits for an answer. POSIX only.
#pragma once

// True when standard input is a terminal.
bool terminal_is_interactive();

// Puts the terminal into key mode (no echo, no line editing) when standard input is a terminal;
// the previous mode comes back at exit and on the signals that end the program.
void terminal_begin_keys();

// The next key typed, or -1 when none is waiting. Never waits.
int terminal_read_key();

// Switches between key mode and line mode (echo and line editing, for answers).
void terminal_line_mode(bool lines);

// Makes SIGINT, SIGTERM and SIGHUP set a flag instead of ending the program.
void terminal_catch_close_signals();

// True once one of those signals has arrived.
bool terminal_close_signalled();
