// Fuzz target of the page rewriter: rewrite_page over any page, for a fixed next page. Selector
// bit 1 fills the insert blocks (else they are empty), bit 2 empties the image and stream tables.
// Property: the rewriter only adds text, so every byte of the page is in the output, in order.
#include "insert/insert_blocks.h"
#include "insert/next_page.h"
#include "insert/page_rewriter.h"
#include "tests/fuzz/fuzz_support.h"
#include "textio/paths.h"
#include "textio/streams.h"

// The rewrite's inputs.
static next_page_choice next;
static next_page_contents contents;
static insert_blocks blocks;

static void set_next_page(unsigned selector)
{
    copy_text(next.link, path_size, "p2/next.htm");
    copy_text(next.link_dir, path_size, "p2/");
    copy_text(next.path, path_size, "p2/next.htm");
    const bool full_blocks = (selector & 2) != 0;
    copy_text(blocks.header, insert_block_size, full_blocks ? "header\r\n" : "");
    copy_text(blocks.lead_in, insert_block_size, full_blocks ? "<!-- lead in -->\r\n" : "");
    copy_text(blocks.applet_tag, insert_block_size,
              full_blocks ? "<applet code=\"nextpics.class\" name=\"preload\" width=0 height=0 mayscript>\r\n" : "");
    copy_text(blocks.applet_end, insert_block_size, full_blocks ? "</applet>\r\n<!-- tail -->\r\n" : "");
    const bool empty_tables = (selector & 4) != 0;
    contents.image_count = empty_tables ? 0 : 3;
    contents.stream_count = empty_tables ? 0 : 2;
    copy_text(contents.images[0], value_size, "a.gif");
    copy_text(contents.images[1], value_size, "http://host/b.gif");
    copy_text(contents.images[2], value_size, "img/\x82\xa0.jpg");
    copy_text(contents.streams[0], value_size, "s.mid");
    copy_text(contents.streams[1], value_size, "HTTP://host/t.wav");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    unsigned selector = take_selector(data, size);
    set_next_page(selector);
    static const std::string in_path = fuzz_folder() + "page.tmp";
    static const std::string out_path = fuzz_folder() + "page.html";
    put_file(in_path, data, size);
    require(in_open(in_path.c_str()) == 0, "cannot open the input");
    require(out_open(out_path.c_str()) == 0, "cannot open the output");
    rewrite_page(next, contents, blocks);
    require(out_close() == 0, "write failed");
    in_close();
    std::string page(reinterpret_cast<const char*>(data), size);
    require(is_subsequence(page, get_file(out_path)), "a byte of the page is missing from the output");
    return 0;
}
