// entry.cpp: the Windows entry point; hands over to the program's own entry (process.h).
#include "platform/process.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_state)
{
    return program_main(instance, show_state);
}
