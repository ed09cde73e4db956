// Fuzz target of the insert blocks reader: any insert.ini through load_insert_blocks and the
// file-set check; a file set that passes is then used for a page with a BODY end tag, so the
// rewriter's use of the blocks (from their fixed starts on) is exercised too.
#include "insert/insert_blocks.h"
#include "insert/next_page.h"
#include "insert/page_rewriter.h"
#include "tests/fuzz/fuzz_support.h"
#include "textio/paths.h"
#include "textio/streams.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    take_selector(data, size);
    const std::string& folder = fuzz_folder();
    put_file(folder + "insert.ini", data, size);
    require(load_insert_blocks(folder.c_str()) == 0, "cannot read insert.ini");
    const insert_blocks& blocks = loaded_insert_blocks();
    for (const char* block : {blocks.header, blocks.lead_in, blocks.applet_tag, blocks.applet_end})
        require(std::memchr(block, '\0', insert_block_size) != nullptr, "block not terminated");
    if (!file_set_intact(blocks))
        return 0;

    static next_page_choice next;
    copy_text(next.link, path_size, "next.htm");
    static next_page_contents contents;  // no images, no streams
    static const std::string in_path = folder + "page.tmp";
    static const std::string out_path = folder + "page.html";
    put_file(in_path, std::string("<body>text</body>"));
    require(in_open(in_path.c_str()) == 0, "cannot open the input");
    require(out_open(out_path.c_str()) == 0, "cannot open the output");
    rewrite_page(next, contents, blocks);
    require(out_close() == 0, "write failed");
    in_close();
    return 0;
}
