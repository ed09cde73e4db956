// The one bounded string copy of the platform files, which include no core header.
#pragma once

// Copies text into out (size bytes including the NUL, size > 0), cut to fit.
inline void copy_bounded(char* out, int size, const char* text)
{
    int n = 0;
    while (n < size - 1 && text[n] != '\0') {
        out[n] = text[n];
        ++n;
    }
    out[n] = '\0';
}
