// dialog.cpp: Windows implementation of the interface defined in dialog.h.
#include "platform/dialog.h"

#include "platform/bounded_copy.h"

#include <windows.h>

bool answers_can_come() { return true; }

int message_box(void* owner, const char* text, const char* caption, unsigned flags)
{
    return MessageBoxA(static_cast<HWND>(owner), text, caption, flags);
}

void text_from_shift_jis(char* out, int size, const char* text)
{
    copy_bounded(out, size, text);
}
