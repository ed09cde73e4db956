// dialog.cpp: Windows implementation of the interface defined in dialog.h.
#include "platform/dialog.h"

#include <windows.h>

int message_box(void* owner, const char* text, const char* caption, unsigned flags)
{
    return MessageBoxA(static_cast<HWND>(owner), text, caption, flags);
}

void text_from_shift_jis(char* out, int size, const char* text)
{
    int n = 0;
    while (n < size - 1 && text[n] != '\0') {
        out[n] = text[n];
        ++n;
    }
    out[n] = '\0';
}
