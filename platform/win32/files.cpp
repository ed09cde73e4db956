// files.cpp: Windows implementation of the interface defined in files.h.
#include "platform/files.h"

#include "platform/bounded_copy.h"

#include <windows.h>

#include <fcntl.h>
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
// stable storage, whose bytes are flushed before the handle goes. As CopyFileA does, the copy gets
// the source's time of last writing; a copy that this call created and that failed is removed
// again.
static int copy_in_blocks(const char* from, const char* to, int flags, const WIN32_FILE_ATTRIBUTE_DATA& source)
{
    bool replace = (flags & copy_replace) != 0;
    static char buffer[1 << 16];
    HANDLE in = CreateFileA(from, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                            nullptr);
    if (in == INVALID_HANDLE_VALUE)
        return -1;
    // Others may read it meanwhile: the programs' own locks on a page are handles that read it.
    HANDLE out = CreateFileA(to, GENERIC_WRITE, FILE_SHARE_READ, nullptr, replace ? CREATE_ALWAYS : CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
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
    // A new copy takes the source's attributes but read-only, which would keep the program from
    // deleting its own temporary copy (of a read-only page) again; a file copied over keeps its own.
    if (!replace)
        SetFileAttributesA(to, source.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                          FILE_ATTRIBUTE_ARCHIVE));
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

// The identity of an open file: its size, the times of its last writing and of the last change of
// its record, its volume and its index on the volume. False when the handle is no disk file.
static bool identity_of(file_identity* out, HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    auto value = [](DWORD high, DWORD low) { return static_cast<unsigned long long>(high) << 32 | low; };
    out->size = value(info.nFileSizeHigh, info.nFileSizeLow);
    out->written = value(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
    FILE_BASIC_INFO basic;
    if (GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic))
        out->changed = static_cast<unsigned long long>(basic.ChangeTime.QuadPart);
    else  // no time of the last change of its record: the time it was made stands for it
        out->changed = value(info.ftCreationTime.dwHighDateTime, info.ftCreationTime.dwLowDateTime);
    out->device = info.dwVolumeSerialNumber;
    out->serial = value(info.nFileIndexHigh, info.nFileIndexLow);
    return true;
}

int identify_file(file_identity* out, const char* path)
{
    *out = {};
    // Opened for no access at all, which no other program's sharing mode refuses.
    HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
                       error == ERROR_BAD_PATHNAME || error == ERROR_FILENAME_EXCED_RANGE
                   ? -1
                   : -2;
    }
    bool regular = identity_of(out, handle);
    CloseHandle(handle);
    if (!regular) {
        *out = {};
        return -2;
    }
    return 0;
}

FILE* open_for_rewrite(const char* path, const file_identity* expected, bool* changed)
{
    *changed = false;
    HANDLE handle = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    file_identity now = {};
    if (!identity_of(&now, handle)) {
        CloseHandle(handle);
        return nullptr;
    }
    if (!(now == *expected)) {
        *changed = true;
        CloseHandle(handle);
        return nullptr;
    }
    int fd = -1;
    if (SetEndOfFile(handle))
        fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    FILE* file = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
    if (!file) {
        if (fd >= 0)
            _close(fd);
        else
            CloseHandle(handle);
    }
    return file;
}

// Calls each with the name of every file (folders false) or every folder that is no reparse
// point (folders true) in folder.
static int list_entries(const char* folder, bool folders, bool (*each)(const char* name, void* context),
                        void* context)
{
    char pattern[MAX_PATH];
    int n = static_cast<int>(std::strlen(folder));
    if (n + 2 > MAX_PATH)
        return -1;
    std::memcpy(pattern, folder, static_cast<size_t>(n));
    copy_bounded(pattern + n, MAX_PATH - n, "*");
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : -1;
    do {
        DWORD attributes = entry.dwFileAttributes;
        bool wanted;
        if (folders)
            wanted = (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                     std::strcmp(entry.cFileName, ".") != 0 && std::strcmp(entry.cFileName, "..") != 0;
        else
            wanted = !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
        if (wanted && !each(entry.cFileName, context))
            break;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return 0;
}

int list_files(const char* folder, bool (*each)(const char* name, void* context), void* context)
{
    return list_entries(folder, false, each, context);
}

int list_folders(const char* folder, bool (*each)(const char* name, void* context), void* context)
{
    return list_entries(folder, true, each, context);
}

int executable_path(char*, int) { return -1; }

// A page opened for reading shares everything with other programs, its deletion and renaming
// included: reading a page never keeps another run from deleting its copy, nor an editor from
// saving over the page.
static FILE* open_stream(const char* path, const char* mode)
{
    if (mode[0] != 'r')
        return std::fopen(path, mode);
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    FILE* file = _fdopen(fd, "rb");
    if (!file)
        _close(fd);
    return file;
}
static int close_stream(FILE* file) { return std::fclose(file); }

file_operations file_ops = {
    .open = open_stream,
    .close = close_stream,
    .copy = copy_file,
    .remove = delete_file,
    .sync_stream = sync_stream,
    .sync_folder = sync_folder,
    .stored_name = find_stored_name,
    .equal = files_equal,
    .identify = identify_file,
    .rewrite = open_for_rewrite,
};
