// The program's start: the entry each program supplies, and what the system tells it at start.
#pragma once

// Each program defines this: its whole run. instance and show_state come from the system's entry
// (Windows); POSIX passes null and 0. The result is the exit status.
int program_main(void* instance, int show_state);

// The command line as the system hands it over: on Windows the one text of GetCommandLineA (and
// argc/argv null); on POSIX no text, and the argument vector.
struct command_line_source {
    const char* text;
    int argc;
    char** argv;
};
command_line_source get_command_line_source();
