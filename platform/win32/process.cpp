// process.cpp: Windows implementation of the interface defined in process.h.
#include "platform/process.h"

#include <windows.h>

command_line_source get_command_line_source() { return {GetCommandLineA(), 0, nullptr}; }
