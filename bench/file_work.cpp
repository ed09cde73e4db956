// The file work that the programs do for each page, without reading a byte of its markup: the
// page copied to a temporary copy whose bytes and name are synced, the page rewritten in place
// from that copy (here unchanged) and synced, the copy deleted. What addNextpics and delNextpics
// take beyond this row of bench/site_bench is the passes over the pages; this row is the floor
// that the way they keep a page safe sets, whatever the passes cost.
//
// usage: file_work PAGE...   (in the pages' folder; the copies are named file_work<n>.tmp)
#include "platform/files.h"

#include <cstdio>
#include <cstring>

namespace {

char bytes[1 << 16];

// The temporary copy of page beside it, under the first free name; 0, or -1.
int make_copy(char* copy, int size, const char* page)
{
    const char* slash = std::strrchr(page, '/');
    int folder_length = slash ? static_cast<int>(slash - page) + 1 : 0;
    char folder[512];
    std::snprintf(folder, sizeof folder, "%.*s", folder_length, page);
    for (int n = 0; n < 1000; ++n) {
        std::snprintf(copy, static_cast<size_t>(size), "%sfile_work%d.tmp", folder, n);
        int result = file_ops.copy(page, copy, copy_durable);
        if (result == -2)
            continue;
        return result == 0 && file_ops.sync_folder(folder) == 0 ? 0 : -1;
    }
    return -1;
}

// Writes the page anew from its copy, in blocks as the programs' output does; 0, or -1.
int rewrite_from(const char* page, const char* copy)
{
    FILE* in = file_ops.open(copy, "rb");
    if (!in)
        return -1;
    FILE* out = file_ops.open(page, "wb");
    if (!out) {
        file_ops.close(in);
        return -1;
    }
    bool ok = true;
    for (size_t n; (n = std::fread(bytes, 1, sizeof bytes, in)) > 0;)
        ok = ok && std::fwrite(bytes, 1, n, out) == n;
    ok = file_ops.sync_stream(out) == 0 && ok;
    ok = file_ops.close(out) == 0 && ok;
    file_ops.close(in);
    return ok ? 0 : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    int failed = 0;
    for (int i = 1; i < argc; ++i) {
        char copy[600];
        if (make_copy(copy, sizeof copy, argv[i]) != 0 || rewrite_from(argv[i], copy) != 0 || file_ops.remove(copy) != 0) {
            std::fprintf(stderr, "file_work: %s failed\n", argv[i]);
            ++failed;
        }
    }
    return failed == 0 ? 0 : 1;
}
