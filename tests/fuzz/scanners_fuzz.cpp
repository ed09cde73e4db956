// Fuzz target of the page scanners: the already-set test and the link, image and stream
// collectors over any page. The tables are heap blocks of their exact size, so a write past the
// last entry is caught; every kept value must be a string that fits its 260-byte entry.
#include "scan/page_scanners.h"
#include "tests/fuzz/fuzz_support.h"

#include <cstring>

static void check_table(char (*table)[path_size], int count, int kept_at_most)
{
    require(count >= 0 && count <= kept_at_most, "count out of range");
    for (int i = 0; i < count; ++i)
        require(std::memchr(table[i], '\0', 258) != nullptr, "value longer than 257 bytes");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    take_selector(data, size);
    static const std::string page = fuzz_folder() + "page.html";
    put_file(page, data, size);

    int set = test_already_set(page.c_str());
    require(set == 0 || set == 123 || set == -2, "already-set test gave neither 0, 123 nor -2");

    auto* links = new char[link_table_size][path_size];
    auto* images = new char[image_table_size][path_size];
    auto* streams = new char[stream_table_size][path_size];
    char rel_next[path_size];
    check_table(links, collect_links(page.c_str(), links, rel_next), link_table_size - 2);
    require(std::memchr(rel_next, '\0', 258) != nullptr, "rel=next link longer than 257 bytes");
    check_table(images, collect_images(page.c_str(), images), image_table_size - 2);
    check_table(streams, collect_streams(page.c_str(), streams), stream_table_size - 2);
    delete[] links;
    delete[] images;
    delete[] streams;
    return 0;
}
