// files.cpp: POSIX implementation of the interface defined in files.h.
#include "platform/files.h"

#include "platform/bounded_copy.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

int find_stored_name(char* out, int size, const char* path)
{
    out[0] = '\0';
    struct stat info;
    if (stat(path, &info) != 0 || S_ISDIR(info.st_mode))
        return -1;
    const char* name = std::strrchr(path, '/');
    copy_bounded(out, size, name ? name + 1 : path);
    return 0;
}

static bool write_all(int fd, const char* data, ssize_t n)
{
    while (n > 0) {
        ssize_t written = write(fd, data, static_cast<size_t>(n));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        n -= written;
    }
    return true;
}

void (*copy_pause)();

// The most that one call copies before copy_pause gets a turn.
constexpr size_t copy_block = 4 << 20;

// fdatasync, retried when a signal interrupts it. A descriptor that cannot be synchronised (a pipe,
// a device) has nothing that a power cut could take.
static int sync_descriptor(int fd)
{
    while (fdatasync(fd) != 0) {
        if (errno == EINTR)
            continue;
        return errno == EINVAL ? 0 : -1;
    }
    return 0;
}

int copy_file(const char* from, const char* to, int flags)
{
    bool replace = (flags & copy_replace) != 0;
    // Without blocking: a pipe without a writer would hold the open for ever; it is no file to copy.
    int in = open(from, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (in < 0)
        return -1;
    struct stat info;
    if (fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(in);
        return -1;
    }
    int out = open(to, O_WRONLY | O_CREAT | O_CLOEXEC | (replace ? O_TRUNC : O_EXCL), info.st_mode & 0777);
    if (out < 0) {
        int error = errno;
        close(in);
        return (!replace && error == EEXIST) ? -2 : -1;
    }
    static char buffer[65536];
    bool ok = true;
    bool copied = false;  // everything is in the target already
#ifdef __linux__
    // The kernel copies without taking the bytes through this process. A file system that cannot
    // (or an older kernel) leaves the rest to the loop below, which goes on from where it stopped;
    // so do files that copy nothing this way (some of /proc).
    for (off_t total = 0;;) {
        ssize_t n = copy_file_range(in, nullptr, out, nullptr, copy_block, 0);
        if (n > 0) {
            total += n;
            if (copy_pause)
                copy_pause();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP &&
            errno != EBADF && errno != EPERM)
            ok = false;
        copied = n == 0 && total > 0;
        break;
    }
#endif
    while (ok && !copied) {
        ssize_t n = read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (!write_all(out, buffer, n)) {
            ok = false;
            break;
        }
        if (copy_pause)
            copy_pause();
    }
    close(in);
    if (ok && (flags & copy_durable) && sync_descriptor(out) != 0)
        ok = false;
    if (close(out) != 0)
        ok = false;
    if (!ok && !replace)
        unlink(to);  // a partial copy that we created ourselves is worth nothing
    return ok ? 0 : -1;
}

int delete_file(const char* path) { return unlink(path) == 0 ? 0 : -1; }

int sync_stream(FILE* file)
{
    if (std::fflush(file) != 0)
        return -1;
    return sync_descriptor(fileno(file));
}

int sync_folder(const char* folder)
{
    int fd = open(folder[0] ? folder : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder that may be written but not read (permissions -wx) cannot be opened to be asked.
    if (fd < 0)
        return errno == EACCES ? 0 : -1;
    int result = 0;
    while (fsync(fd) != 0) {
        if (errno == EINTR)
            continue;
        // File systems that keep no folder entries of their own to write out say so.
        result = (errno == EINVAL || errno == ENOTSUP || errno == EBADF) ? 0 : -1;
        break;
    }
    close(fd);
    return result;
}

bool files_equal(const char* a, const char* b)
{
    int fa = open(a, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    int fb = fa >= 0 ? open(b, O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
    bool equal = fa >= 0 && fb >= 0;
    static char buffer_a[65536];
    static char buffer_b[65536];
    while (equal) {
        ssize_t na = read(fa, buffer_a, sizeof buffer_a);
        ssize_t nb = na > 0 ? 0 : na;
        // Fill the second buffer to the same length (reads may return less than asked).
        while (na > 0 && nb < na) {
            ssize_t r = read(fb, buffer_b + nb, static_cast<size_t>(na - nb));
            if (r <= 0)
                break;
            nb += r;
        }
        if (na < 0 || nb != na || std::memcmp(buffer_a, buffer_b, static_cast<size_t>(na)) != 0) {
            equal = false;
        } else if (na == 0) {
            char extra;
            equal = read(fb, &extra, 1) == 0;
            break;
        }
    }
    if (fa >= 0)
        close(fa);
    if (fb >= 0)
        close(fb);
    return equal;
}

static unsigned long long nanoseconds(const timespec& t)
{
    return static_cast<unsigned long long>(t.tv_sec) * 1000000000ull + static_cast<unsigned long long>(t.tv_nsec);
}

static void fill_identity(file_identity* out, const struct stat& info)
{
    out->size = static_cast<unsigned long long>(info.st_size);
    out->written = nanoseconds(info.st_mtim);
    out->changed = nanoseconds(info.st_ctim);
    out->device = static_cast<unsigned long long>(info.st_dev);
    out->serial = static_cast<unsigned long long>(info.st_ino);
}

int identify_file(file_identity* out, const char* path)
{
    *out = {};
    struct stat info;
    if (stat(path, &info) != 0)
        return -1;
    if (!S_ISREG(info.st_mode))
        return -2;
    fill_identity(out, info);
    return 0;
}

FILE* open_for_rewrite(const char* path, const file_identity* expected, bool* changed)
{
    *changed = false;
    int fd = open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    // A write of another program that is under way when the file is looked at shows a file part
    // written, whose size and times are those the run expected when the write began before its
    // copy was made; the cut would then wait for the write and take the whole new file. Seeking
    // to data waits for such a write on file systems that hold the file for the time of a write
    // and for the seek (tmpfs and ext4 among them), so that what is looked at below is the file as
    // written; elsewhere it costs a call and waits for nothing.
    if (lseek(fd, 0, SEEK_DATA) > 0)
        lseek(fd, 0, SEEK_SET);  // a page that begins with a hole: its rewrite starts at 0
    struct stat info;
    file_identity now = {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return nullptr;
    }
    fill_identity(&now, info);
    if (!(now == *expected)) {
        *changed = true;
        close(fd);
        return nullptr;
    }
    FILE* file = ftruncate(fd, 0) == 0 ? fdopen(fd, "wb") : nullptr;
    if (!file)
        close(fd);
    return file;
}

// Calls each with the name of every regular file (folders false) or every folder that is no link
// (folders true) in folder.
static int list_entries(const char* folder, bool folders, bool (*each)(const char* name, void* context),
                        void* context)
{
    int fd = open(folder[0] ? folder : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!dir) {
        if (fd >= 0)
            close(fd);
        return -1;
    }
    while (const dirent* entry = readdir(dir)) {
        struct stat info;
        bool wanted;
        if (folders)
            wanted = (entry->d_type == DT_DIR ||
                      (entry->d_type == DT_UNKNOWN && fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                       S_ISDIR(info.st_mode))) &&
                     std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0;
        else
            wanted = entry->d_type == DT_REG ||
                     ((entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) &&
                      fstatat(fd, entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode));
        if (wanted && !each(entry->d_name, context))
            break;
    }
    closedir(dir);
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

int executable_path(char* out, int size)
{
    ssize_t n = readlink("/proc/self/exe", out, static_cast<size_t>(size - 1));
    if (n <= 0) {
        out[0] = '\0';
        return -1;
    }
    out[n] = '\0';
    return 0;
}

// Only a regular file opens as a page stream. The open does not block, so that a pipe without a
// writer is refused at once instead of holding the program; a directory (which opens for reading on
// POSIX but cannot be read), a device or a pipe is no page, as on Windows.
static FILE* open_stream(const char* path, const char* mode)
{
    bool writing = mode[0] == 'w';
    int fd = open(path, (writing ? O_WRONLY | O_CREAT | O_TRUNC : O_RDONLY) | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        errno = EISDIR;
        return nullptr;
    }
    // The flag stays: reads and writes of a regular file never block anyway.
    FILE* file = fdopen(fd, writing ? "wb" : "rb");
    if (!file)
        close(fd);
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
