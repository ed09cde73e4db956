// files.cpp: Windows implementation of the interface defined in files.h.
#include "platform/files.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

static void copy_bounded(char* out, int size, const char* text)
{
    int n = 0;
    while (n < size - 1 && text[n] != '\0') {
        out[n] = text[n];
        ++n;
    }
    out[n] = '\0';
}

int find_stored_name(char* out, int size, const char* path)
{
    out[0] = '\0';
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return -1;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (!FindNextFileA(search, &found)) {
            FindClose(search);
            return -1;
        }
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            FindClose(search);
            return -2;
        }
    }
    FindClose(search);
    copy_bounded(out, size, found.cFileName);
    return 0;
}

int copy_file(const char* from, const char* to, bool replace)
{
    if (CopyFileA(from, to, replace ? FALSE : TRUE))
        return 0;
    DWORD error = GetLastError();
    return (!replace && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)) ? -2 : -1;
}

int delete_file(const char* path) { return DeleteFileA(path) ? 0 : -1; }

bool files_equal(const char* a, const char* b)
{
    FILE* fa = std::fopen(a, "rb");
    FILE* fb = fa ? std::fopen(b, "rb") : nullptr;
    bool equal = fa && fb;
    static char buffer_a[4096];
    static char buffer_b[4096];
    while (equal) {
        size_t na = std::fread(buffer_a, 1, sizeof buffer_a, fa);
        size_t nb = std::fread(buffer_b, 1, sizeof buffer_b, fb);
        if (na != nb || std::memcmp(buffer_a, buffer_b, na) != 0 || std::ferror(fa) || std::ferror(fb))
            equal = false;
        else if (na == 0)
            break;
    }
    if (fa)
        std::fclose(fa);
    if (fb)
        std::fclose(fb);
    return equal;
}

int executable_path(char*, int) { return -1; }

static FILE* open_stream(const char* path, const char* mode) { return std::fopen(path, mode); }
static int close_stream(FILE* file) { return std::fclose(file); }

file_operations file_ops = {open_stream, close_stream, copy_file, delete_file};
