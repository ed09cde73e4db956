// Comparing a page with its copy and with the copy's rewrite, piece by piece.
#include "textio/page_compare.h"

#include "platform/byte_io.h"
#include "platform/files.h"
#include "textio/streams.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int piece = 512;

struct opened_file {
    FILE* file;
    unsigned long long size;
    bool failed;  // a read gave less than the file holds: nothing can be told of it
};

bool open_file(opened_file& f, const char* path)
{
    file_identity identity;
    f.file = nullptr;
    f.failed = false;
    if (file_ops.identify(&identity, path) != 0)
        return false;
    f.size = identity.size;
    f.file = file_ops.open(path, "rb");
    return f.file != nullptr;
}

void close_file(opened_file& f)
{
    if (f.file)
        file_ops.close(f.file);
    f.file = nullptr;
}

// Reads the piece at offset (up to piece bytes, fewer at the end of the file). Returns the count;
// a read or seek that fails sets f.failed.
int read_piece(opened_file& f, unsigned long long offset, unsigned char* bytes)
{
    if (offset >= f.size)
        return 0;
    unsigned long long left = f.size - offset;
    size_t want = left < piece ? static_cast<size_t>(left) : piece;
    if (byte_seek(f.file, static_cast<int64_t>(offset)) != 0 || std::fread(bytes, 1, want, f.file) != want) {
        f.failed = true;
        return 0;
    }
    return static_cast<int>(want);
}

bool all_zero(const unsigned char* bytes, int n)
{
    for (int i = 0; i < n; ++i)
        if (bytes[i] != 0)
            return false;
    return true;
}

// True when the n bytes of a begin the m bytes of b.
bool begins(const unsigned char* a, int n, const unsigned char* b, int m)
{
    return n <= m && std::memcmp(a, b, static_cast<size_t>(n)) == 0;
}

// True when the n bytes of a are b's m bytes as far as they go, and zeros after them: a piece that
// kept what it held where the file was shorter before.
bool begins_or_zeros(const unsigned char* a, int n, const unsigned char* b, int m)
{
    return n <= m ? begins(a, n, b, m) : begins(a, m, b, m) && all_zero(a + m, n - m);
}

// The rewrite as it arrives at the sink, a piece at a time.
struct rewrite_check {
    opened_file page;
    opened_file copy;
    unsigned long long offset;  // of the piece in r
    unsigned char r[piece];
    int rn;
    rewrite_standing standing;
};
rewrite_check check;

void check_piece()
{
    unsigned char p[piece];
    unsigned char k[piece];
    int pn = read_piece(check.page, check.offset, p);
    int kn = read_piece(check.copy, check.offset, k);
    bool rewrite_s = begins(p, pn, check.r, check.rn);
    bool copy_s = begins_or_zeros(p, pn, k, kn);
    if (!(rewrite_s || copy_s || all_zero(p, pn)))
        check.standing.explained = false;
    if (!(pn == check.rn && rewrite_s))
        check.standing.same = false;
    if (copy_pause && check.offset % (1 << 20) == 0)
        copy_pause();  // a large page: the window keeps answering
    if (pn > 0 && rewrite_s && !copy_s && !all_zero(p, pn))
        check.standing.torn = true;
    check.offset += static_cast<unsigned long long>(check.rn);
    check.rn = 0;
}

void check_sink(const unsigned char* bytes, int count)
{
    while (count > 0) {
        int n = piece - check.rn < count ? piece - check.rn : count;
        std::memcpy(check.r + check.rn, bytes, static_cast<size_t>(n));
        check.rn += n;
        bytes += n;
        count -= n;
        if (check.rn == piece)
            check_piece();
    }
}

}  // namespace

int compare_with_copy(copy_standing* out, const char* page_path, const char* copy_path)
{
    opened_file page = {};
    opened_file copy = {};
    int result = -1;
    if (open_file(page, page_path) && open_file(copy, copy_path)) {
        copy_standing s = {page.size <= copy.size, copy.size <= page.size, true, page.size > copy.size};
        unsigned char p[piece];
        unsigned char k[piece];
        for (unsigned long long at = 0;
             (s.page_in_copy || s.copy_in_page || s.page_blank || s.zeros_beyond) && (at < page.size || at < copy.size);
             at += piece) {
            int pn = read_piece(page, at, p);
            int kn = read_piece(copy, at, k);
            if (copy_pause && at % (1 << 20) == 0)
                copy_pause();
            if (pn > 0 && !begins(p, pn, k, kn))
                s.page_in_copy = false;
            if (!all_zero(p, pn))
                s.page_blank = false;
            if (pn > kn && !all_zero(p + kn, pn - kn))
                s.zeros_beyond = false;
            if (kn > 0 && !begins(k, kn, p, pn) && !all_zero(k, kn))
                s.copy_in_page = false;
        }
        *out = s;
        result = page.failed || copy.failed ? -1 : 0;
    }
    close_file(page);
    close_file(copy);
    return result;
}

int compare_with_rewrite(rewrite_standing* out, const char* page_path, const char* copy_path,
                         bool (*rewrite)(void* context), void* context)
{
    check = {};
    check.standing = {true, true, false};
    int result = -1;
    if (open_file(check.page, page_path) && open_file(check.copy, copy_path)) {
        out_open_sink(check_sink);
        bool made = rewrite(context);
        out_close();
        if (check.rn > 0)
            check_piece();
        if (check.page.size > check.offset)
            check.standing.explained = check.standing.same = false;
        *out = check.standing;
        result = check.page.failed || check.copy.failed ? -1 : made ? 0 : 1;
    }
    close_file(check.page);
    close_file(check.copy);
    return result;
}
