// entry.cpp: the Windows entry point; learns the code page's lead bytes and hands over to the
// program's own entry (process.h).
#include "platform/dbcs.h"
#include "platform/process.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_state)
{
    init_lead_bytes();
    return program_main(instance, show_state);
}
