// file_locks.cpp: Windows implementation of the interface defined in file_locks.h.
//
// Each lock is a byte-range lock of the page file, one byte each for the run's lock on the page
// and for the rewrite, far beyond the end of any page: a range lock keeps other handles from
// reading or writing the bytes it covers, and these cover none that a page holds.
#include "platform/file_locks.h"

#include <windows.h>

// Where the ranges lie: byte 2^62 of the file, and the one after it.
constexpr DWORD range_high = 0x40000000;

int try_lock_file(intptr_t* lock, const char* path, lock_kind kind)
{
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    OVERLAPPED at = {};
    at.Offset = kind == lock_work ? 0 : 1;
    at.OffsetHigh = range_high;
    DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (kind == lock_read ? 0 : LOCKFILE_EXCLUSIVE_LOCK);
    if (!LockFileEx(handle, flags, 0, 1, 0, &at)) {
        DWORD error = GetLastError();
        CloseHandle(handle);
        return error == ERROR_LOCK_VIOLATION || error == ERROR_SHARING_VIOLATION || error == ERROR_IO_PENDING ? 1 : -1;
    }
    *lock = reinterpret_cast<intptr_t>(handle);
    return 0;
}

void unlock_file(intptr_t lock)
{
    // Closing the handle gives its ranges back.
    CloseHandle(reinterpret_cast<HANDLE>(lock));
}
