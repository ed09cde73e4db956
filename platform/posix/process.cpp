// process.cpp: POSIX implementation of the interface defined in process.h.
#include "platform/process.h"

static int saved_argc;
static char** saved_argv;

void remember_arguments(int argc, char** argv)
{
    saved_argc = argc;
    saved_argv = argv;
}

command_line_source get_command_line_source() { return {nullptr, saved_argc, saved_argv}; }
