// Fuzz target of the page restorer: test_inserted and restore_pass over any page.
// Property: the restorer only drops text, so its output is the page with bytes left out, save for
// the ">" that closes a BODY start tag which the page ends inside.
#include "remove/page_restorer.h"
#include "tests/fuzz/fuzz_support.h"
#include "textio/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    take_selector(data, size);
    static const std::string in_path = fuzz_folder() + "page.tmp";
    static const std::string out_path = fuzz_folder() + "page.html";
    put_file(in_path, data, size);

    int found = test_inserted(in_path.c_str());
    require(found == 0 || found == 1 || found == 123, "unexpected result of test_inserted");

    require(in_open(in_path.c_str()) == 0, "cannot open the input");
    require(out_open(out_path.c_str()) == 0, "cannot open the output");
    int result = restore_pass();
    require(result == 0 || result == -2, "unexpected result of restore_pass");
    require(out_close() == 0, "write failed");
    in_close();

    std::string page(reinterpret_cast<const char*>(data), size);
    std::string restored = get_file(out_path);
    if (!restored.empty() && restored.back() == '>' && !is_subsequence(restored, page))
        restored.pop_back();
    require(is_subsequence(restored, page), "the restorer wrote a byte that is not in the page");
    return 0;
}
