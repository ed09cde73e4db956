// clock.cpp: Windows implementation of the interface defined in clock.h.
#include "platform/clock.h"

#include <windows.h>

uint64_t tick_ms() { return GetTickCount64(); }

void sleep_ms(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }
