// The failing file operations of the fault injection tests (POSIX, glibc).
#include "tests/faults/fault_files.h"

#include "platform/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

const char* const fault_kind_names[fault_kinds] = {"open", "read", "write", "seek", "close",
                                                   "copy", "remove", "sync", "look"};

static fault_kind armed_kind = fault_kinds;
static int armed_call;
static bool armed_persistent;
static int calls;
static bool struck;
static fault_kind follow_up_kind = fault_kinds;

void arm_fault(fault_kind kind, int n, bool persistent)
{
    armed_kind = kind;
    armed_call = n;
    armed_persistent = persistent;
    calls = 0;
    struck = false;
    follow_up_kind = fault_kinds;
}

void arm_follow_up_fault(fault_kind kind) { follow_up_kind = kind; }

void disarm_faults()
{
    armed_kind = fault_kinds;
    follow_up_kind = fault_kinds;
}

bool fault_struck() { return struck; }

static void (*watcher)(const file_event& event);

void watch_operations(void (*w)(const file_event& event)) { watcher = w; }

static void tell(fault_kind kind, const std::string& path, bool existed, bool durable = false)
{
    if (watcher)
        watcher(file_event{kind, path, existed, durable});
}

static bool exists(const char* path) { return access(path, F_OK) == 0; }

// Counts a call of kind and tells whether it fails.
static bool fails(fault_kind kind)
{
    if (struck && kind == follow_up_kind)
        return true;
    if (kind != armed_kind)
        return false;
    ++calls;
    if (calls == armed_call || (armed_persistent && calls > armed_call)) {
        struck = true;
        return true;
    }
    return false;
}

// ---- streams over a file descriptor

struct cookie {
    int fd;
    bool discard;  // the close failed: what is still buffered never reaches the disk
    off_t size;    // of a file opened for reading
    std::string path;
};

// Reads count (and fail) per block of the file, as a disk sees them: a read that starts a block of
// this size, or the read at the end of the file. An unbuffered stdio stream over a cookie calls the
// read function once per byte; a read into the middle of a block is then not counted again.
constexpr off_t read_block = 4096;

static std::map<FILE*, cookie*> cookies;

static ssize_t cookie_read(void* c, char* buffer, size_t size)
{
    cookie* k = static_cast<cookie*>(c);
    off_t at = lseek(k->fd, 0, SEEK_CUR);
    bool counted = at % read_block == 0 || at >= k->size;
    if (counted && fails(fault_read)) {
        errno = EIO;
        return -1;
    }
    ssize_t n = read(k->fd, buffer, size);
    if (counted)
        tell(fault_read, k->path, true);
    return n;
}

static ssize_t cookie_write(void* c, const char* buffer, size_t size)
{
    cookie* k = static_cast<cookie*>(c);
    if (k->discard)
        return static_cast<ssize_t>(size);
    if (fails(fault_write)) {
        errno = ENOSPC;
        return -1;
    }
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(k->fd, buffer + done, size - done);
        if (n < 0)
            return -1;
        done += static_cast<size_t>(n);
    }
    tell(fault_write, k->path, true);
    return static_cast<ssize_t>(size);
}

static int cookie_seek(void* c, off64_t* offset, int whence)
{
    if (fails(fault_seek)) {
        errno = EIO;
        return -1;
    }
    cookie* k = static_cast<cookie*>(c);
    off_t at = lseek(k->fd, static_cast<off_t>(*offset), whence);
    if (at < 0)
        return -1;
    *offset = at;
    tell(fault_seek, k->path, true);
    return 0;
}

static int cookie_close(void* c)
{
    cookie* k = static_cast<cookie*>(c);
    int result = close(k->fd);
    delete k;
    return result;
}

// A stream over fd whose reads, writes and seeks go through the counting above; null (fd closed)
// when it cannot be made.
static FILE* counting_stream(int fd, const char* mode, off_t size, const char* path, bool existed)
{
    cookie* k = new cookie{fd, false, size, path};
    FILE* file = fopencookie(k, mode, cookie_io_functions_t{cookie_read, cookie_write, cookie_seek, cookie_close});
    if (!file) {
        close(fd);
        delete k;
        return nullptr;
    }
    cookies[file] = k;
    tell(fault_open, path, existed);
    return file;
}

static FILE* failing_open(const char* path, const char* mode)
{
    if (fails(fault_open)) {
        errno = EACCES;
        return nullptr;
    }
    bool writing = mode[0] == 'w';
    bool existed = exists(path);
    int fd = writing ? open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    off_t size = writing ? 0 : lseek(fd, 0, SEEK_END);
    lseek(fd, 0, SEEK_SET);
    return counting_stream(fd, mode, size, path, existed);
}

static int failing_close(FILE* file)
{
    bool fail = fails(fault_close);
    auto found = cookies.find(file);
    std::string path;
    if (found != cookies.end()) {
        if (fail)
            found->second->discard = true;
        path = found->second->path;
        cookies.erase(found);
    }
    int result = std::fclose(file);
    tell(fault_close, path, true);
    return fail ? EOF : result;
}

static int failing_sync_stream(FILE* file)
{
    auto found = cookies.find(file);
    if (found == cookies.end())
        return -1;
    int result = -1;
    if (std::fflush(file) == 0 && !fails(fault_sync))
        result = fdatasync(found->second->fd);
    tell(fault_sync, found->second->path, true);
    return result;
}

static int failing_sync_folder(const char* folder)
{
    int result = fails(fault_sync) ? -1 : sync_folder(folder);
    tell(fault_sync, folder, true);
    return result;
}

static int failing_stored_name(char* out, int size, const char* path)
{
    int result = -1;
    out[0] = '\0';
    if (!fails(fault_look))
        result = find_stored_name(out, size, path);
    tell(fault_look, path, result == 0);
    return result;
}

static bool failing_equal(const char* a, const char* b)
{
    bool equal = !fails(fault_look) && files_equal(a, b);
    tell(fault_look, a, true);
    return equal;
}

static int failing_identify(file_identity* out, const char* path)
{
    int result = -1;
    *out = {};
    if (!fails(fault_look))
        result = identify_file(out, path);
    tell(fault_look, path, result == 0);
    return result;
}

// Opens for rewriting as the system's own operation does (the identity checked through the open
// file), as a counting stream.
static FILE* failing_rewrite(const char* path, const file_identity* expected, bool* changed)
{
    *changed = false;
    if (fails(fault_open)) {
        errno = EACCES;
        return nullptr;
    }
    int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    file_identity now = {};
    if (identify_file(&now, path) != 0 || !(now == *expected)) {
        *changed = true;
        close(fd);
        return nullptr;
    }
    if (ftruncate(fd, 0) != 0) {
        close(fd);
        return nullptr;
    }
    return counting_stream(fd, "wb", 0, path, true);
}

// A copy that fails: over an existing name, half of the source reaches the target before the
// error; a new target is left out, as the system's copy leaves no half copy of its own making.
static int half_copy(const char* from, const char* to, int flags)
{
    if (flags & copy_replace) {
        std::string bytes;
        if (FILE* in = std::fopen(from, "rb")) {
            char buffer[4096];
            for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
                bytes.append(buffer, n);
            std::fclose(in);
        }
        if (FILE* out = std::fopen(to, "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size() / 2, out);
            std::fclose(out);
        }
    }
    return -1;
}

static int failing_copy(const char* from, const char* to, int flags)
{
    bool existed = exists(to);
    int result = fails(fault_copy) ? half_copy(from, to, flags) : copy_file(from, to, flags);
    tell(fault_copy, to, existed, (flags & copy_durable) != 0);
    return result;
}

static int failing_remove(const char* path)
{
    bool existed = exists(path);
    int result = fails(fault_remove) ? -1 : delete_file(path);
    tell(fault_remove, path, existed);
    return result;
}

void install_fault_operations()
{
    file_ops = {
        .open = failing_open,
        .close = failing_close,
        .copy = failing_copy,
        .remove = failing_remove,
        .sync_stream = failing_sync_stream,
        .sync_folder = failing_sync_folder,
        .stored_name = failing_stored_name,
        .equal = failing_equal,
        .identify = failing_identify,
        .rewrite = failing_rewrite,
    };
}
