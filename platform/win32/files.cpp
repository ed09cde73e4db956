// files.cpp: Windows implementation of the interface defined in files.h.
#include "platform/files.h"

#include "platform/bounded_copy.h"

#include <windows.h>

#include <io.h>

#include <cstdio>
#include <cstring>

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

void (*copy_pause)();

// Files up to this size are copied by CopyFileA in one call, which is over in a few milliseconds.
constexpr LONGLONG large_copy = 8 << 20;

static int copy_failure(bool replace, DWORD error)
{
    return (!replace && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)) ? -2 : -1;
}

// A larger file is copied in blocks with copy_pause between them, so that the window keeps
// answering (CopyFileA would hold the thread for the whole copy); so is a copy that must reach
// stable storage, whose bytes are flushed before the handle goes (a read-only copy could not be
// opened again to flush it). As CopyFileA does, the copy gets the source's attributes and time of
// last writing; a copy that this call created and that failed is removed again.
static int copy_in_blocks(const char* from, const char* to, int flags, const WIN32_FILE_ATTRIBUTE_DATA& source)
{
    bool replace = (flags & copy_replace) != 0;
    static char buffer[1 << 16];
    HANDLE in = CreateFileA(from, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                            nullptr);
    if (in == INVALID_HANDLE_VALUE)
        return -1;
    HANDLE out = CreateFileA(to, GENERIC_WRITE, 0, nullptr, replace ? CREATE_ALWAYS : CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        CloseHandle(in);
        return copy_failure(replace, error);
    }
    bool ok = true;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(in, buffer, sizeof buffer, &read, nullptr)) {
            ok = false;
            break;
        }
        if (read == 0)
            break;
        DWORD written = 0;
        if (!WriteFile(out, buffer, read, &written, nullptr) || written != read) {
            ok = false;
            break;
        }
        if (copy_pause)
            copy_pause();
    }
    if (ok && (flags & copy_durable) && !FlushFileBuffers(out))
        ok = false;
    FILETIME last_write = source.ftLastWriteTime;
    if (ok)
        SetFileTime(out, nullptr, nullptr, &last_write);
    if (!CloseHandle(out))
        ok = false;
    CloseHandle(in);
    if (!ok) {
        if (!replace)
            DeleteFileA(to);
        return -1;
    }
    SetFileAttributesA(to, source.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    return 0;
}

int copy_file(const char* from, const char* to, int flags)
{
    bool replace = (flags & copy_replace) != 0;
    WIN32_FILE_ATTRIBUTE_DATA source;
    if ((copy_pause || (flags & copy_durable)) && GetFileAttributesExA(from, GetFileExInfoStandard, &source) &&
        !(source.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        ((flags & copy_durable) || (static_cast<LONGLONG>(source.nFileSizeHigh) << 32 | source.nFileSizeLow) > large_copy))
        return copy_in_blocks(from, to, flags, source);
    if (CopyFileA(from, to, replace ? FALSE : TRUE))
        return 0;
    int result = copy_failure(replace, GetLastError());
    // The target did not exist, so whatever CopyFileA left of it is this call's own half copy.
    if (result == -1 && !replace)
        DeleteFileA(to);
    return result;
}

int delete_file(const char* path) { return DeleteFileA(path) ? 0 : -1; }

int sync_stream(FILE* file)
{
    if (std::fflush(file) != 0)
        return -1;
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle) ? 0 : -1;
}

// Windows offers programs no call that flushes a folder. Its file systems journal their names, and
// flushing a new file's bytes (copy_durable) commits the journal as far as that file's creation.
int sync_folder(const char*) { return 0; }

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

int identify_file(file_identity* out, const char* path)
{
    *out = {};
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return -1;
    auto value = [](DWORD high, DWORD low) { return static_cast<unsigned long long>(high) << 32 | low; };
    out->size = value(data.nFileSizeHigh, data.nFileSizeLow);
    out->written = value(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
    // No time of the last change of its record: the time it was made stands for it.
    out->changed = value(data.ftCreationTime.dwHighDateTime, data.ftCreationTime.dwLowDateTime);
    return 0;
}

int find_temporary_copies(char* names, int size, int max, const char* folder)
{
    char pattern[MAX_PATH];
    int n = static_cast<int>(std::strlen(folder));
    if (n + 6 > MAX_PATH)
        return 0;
    std::memcpy(pattern, folder, static_cast<size_t>(n));
    copy_bounded(pattern + n, MAX_PATH - n, "*.tmp");
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int found = 0;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !is_temporary_copy_name(entry.cFileName))
            continue;
        if (found < max)
            copy_bounded(names + found * size, size, entry.cFileName);
        ++found;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return found;
}

int executable_path(char*, int) { return -1; }

static FILE* open_stream(const char* path, const char* mode) { return std::fopen(path, mode); }
static int close_stream(FILE* file) { return std::fclose(file); }

file_operations file_ops = {open_stream, close_stream,     copy_file,   delete_file,  sync_stream,
                            sync_folder, find_stored_name, files_equal, identify_file};
