// The file work that the programs do for each page, without reading a byte of its markup, through
// their own functions: the temporary copy whose bytes and name are synced (make_temp_copy), the
// page rewritten in place from that copy (here unchanged) through the streams and synced
// (out_commit), the copy deleted (drop_temp_copy). What addNextpics and delNextpics take beyond
// this row of bench/site_bench is the passes over the pages; this row is the floor that the way
// they keep a page safe sets, whatever the passes cost.
//
// usage: file_work PAGE...   (the copies are named filework<n>.tmp beside the pages)
#include "textio/paths.h"
#include "textio/streams.h"
#include "textio/temp_copy.h"

#include <cstdio>

namespace {

// Writes the page anew from its copy, a block at a time; 0, or -1.
int rewrite_from(const char* page, const char* copy)
{
    if (in_open(copy) != 0)
        return -1;
    if (out_open(page) != 0) {
        in_close();
        return -1;
    }
    const unsigned char* bytes;
    for (int n; (n = in_block(&bytes)) > 0;) {
        out_write(bytes, n);
        in_consume(n);
    }
    int written = out_commit();
    bool read_whole = !in_failed();
    in_close();
    return written == 0 && read_whole ? 0 : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    int failed = 0;
    for (int i = 1; i < argc; ++i) {
        char directory[path_size];
        char copy[path_size];
        dir_part(directory, argv[i]);
        bool done = make_temp_copy(copy, argv[i], directory, "filework") == 0;
        if (done && rewrite_from(argv[i], copy) != 0)
            done = false;
        if (done)
            drop_temp_copy(copy);
        if (!done) {
            std::fprintf(stderr, "file_work: %s failed\n", argv[i]);
            ++failed;
        }
    }
    return failed == 0 ? 0 : 1;
}
