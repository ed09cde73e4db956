// file_locks.cpp: POSIX implementation of the interface defined in file_locks.h.
//
// A run's lock on its page is a flock() on the page file. The locks around a rewrite are flock()s
// on the page's folder: exclusive while a page of that folder is rewritten, shared while a page of
// it is read as a next page. flock() locks belong to the open file itself, so the program's other
// opens and closes of the page leave them alone, and a page opened read-only (one the user may not
// write) can be locked too.
#include "platform/file_locks.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

// The folder of path, as a path that open() takes: "." when path has no folder part.
static void folder_of(char* out, int size, const char* path)
{
    const char* slash = std::strrchr(path, '/');
    if (!slash) {
        std::strcpy(out, ".");
        return;
    }
    int n = static_cast<int>(slash - path) + 1;
    if (n >= size)
        n = size - 1;
    std::memcpy(out, path, static_cast<size_t>(n));
    out[n] = '\0';
}

int try_lock_file(intptr_t* lock, const char* path, lock_kind kind)
{
    int fd;
    if (kind == lock_work) {
        fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        struct stat info;
        if (fd >= 0 && (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
            close(fd);
            return -1;
        }
    } else {
        char folder[4096];
        folder_of(folder, sizeof folder, path);
        fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    if (fd < 0)
        return -1;
    int operation = (kind == lock_read ? LOCK_SH : LOCK_EX) | LOCK_NB;
    while (flock(fd, operation) != 0) {
        if (errno == EINTR)
            continue;
        int error = errno;
        close(fd);
        return error == EWOULDBLOCK ? 1 : -1;
    }
    *lock = fd;
    return 0;
}

void unlock_file(intptr_t lock)
{
    // Closing the last descriptor of the open file gives its lock back.
    close(static_cast<int>(lock));
}
