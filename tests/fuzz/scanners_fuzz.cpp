// Fuzz target of the page scanners: the already-set test and the link, image and stream
// collectors over any page. The tables are heap blocks of their exact size, so a write past the
// last entry is caught; every kept value must be a string that fits its entry of path_size bytes. The one
// pass over a next page must give what the three collectors give on their own, also where a walk
// gathers the links' labels; the walk's readers of a page (its next parameter, its head's links)
// keep to their buffers.
#include "insert/link_words.h"
#include "scan/page_scanners.h"
#include "tests/fuzz/fuzz_support.h"

#include <cstring>

static void check_table(char (*table)[value_size], int count, int kept_at_most)
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

    auto* links = new char[link_table_size][value_size];
    auto* images = new char[image_table_size][value_size];
    auto* streams = new char[stream_table_size][value_size];
    char rel_next[value_size];
    int link_count = collect_links(page.c_str(), links, rel_next);
    check_table(links, link_count, link_table_size - 2);
    require(std::memchr(rel_next, '\0', 258) != nullptr, "rel=next link longer than 257 bytes");
    int image_count = collect_images(page.c_str(), images);
    int stream_count = collect_streams(page.c_str(), streams);
    check_table(images, image_count, image_table_size - 2);
    check_table(streams, stream_count, stream_table_size - 2);

    auto* links2 = new char[link_table_size][value_size];
    auto* images2 = new char[image_table_size][value_size];
    auto* streams2 = new char[stream_table_size][value_size];
    char rel_next2[value_size];
    int image_count2 = 0, stream_count2 = 0;
    collect_images_and_streams(page.c_str(), images2, image_count2, streams2, stream_count2);
    int link_count2 = collect_links(page.c_str(), links2, rel_next2);  // the kept links, mostly
    require(image_count2 == image_count && stream_count2 == stream_count && link_count2 == link_count,
            "the one pass over a next page counts otherwise than the collectors");
    for (int i = 0; i < image_count; ++i)
        require(std::strcmp(images[i], images2[i]) == 0, "the one pass gives another image");
    for (int i = 0; i < stream_count; ++i)
        require(std::strcmp(streams[i], streams2[i]) == 0, "the one pass gives another stream");
    for (int i = 0; i < link_count; ++i)
        require(std::strcmp(links[i], links2[i]) == 0, "the one pass gives another link");
    require(std::strcmp(rel_next, rel_next2) == 0, "the one pass gives another rel=next link");

    // A walk's view: the labels, then the same by way of the one pass over a next page.
    auto* labels = new char[link_table_size][label_size];
    auto* labels2 = new char[link_table_size][label_size];
    char rel_up[value_size];
    char rel_up2[value_size];
    int labeled = collect_links(page.c_str(), links, rel_next, labels, rel_up);
    require(labeled >= 0 && labeled <= link_table_size - 2, "labeled count out of range");
    for (int i = 0; i < labeled; ++i) {
        require(std::memchr(labels[i], '\0', label_size) != nullptr, "label longer than its buffer");
        link_says says = what_link_says(labels[i]);
        require(says == says_nothing || says == says_next || says == says_back, "a label says something else");
    }
    keep_link_labels(true);
    collect_images_and_streams(page.c_str(), images2, image_count2, streams2, stream_count2);
    int labeled2 = collect_links(page.c_str(), links2, rel_next2, labels2, rel_up2);
    keep_link_labels(false);
    require(labeled2 == labeled && std::strcmp(rel_up, rel_up2) == 0, "the one pass labels otherwise");
    for (int i = 0; i < labeled; ++i)
        require(std::strcmp(labels[i], labels2[i]) == 0 && std::strcmp(links[i], links2[i]) == 0,
                "the one pass gives another label");
    char next_link[value_size];
    require(read_next_parameter(page.c_str(), next_link) >= 0 && std::memchr(next_link, '\0', value_size),
            "next parameter unread or too long");
    head_links head;
    require(read_head_links(page.c_str(), head) == 0, "head links unread");
    delete[] labels;
    delete[] labels2;
    delete[] links;
    delete[] images;
    delete[] streams;
    delete[] links2;
    delete[] images2;
    delete[] streams2;
    return 0;
}
