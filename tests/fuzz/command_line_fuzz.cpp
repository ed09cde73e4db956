// Fuzz target of the command-line splitter: any text (up to its first NUL). Every argument must
// lie inside the store, the count must stay within 1..1024, the entry after the last argument
// must be an empty string, and no argument may hold more bytes than the text had.
#include "tests/fuzz/fuzz_support.h"
#include "textio/command_line.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    take_selector(data, size);
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();  // up to the first NUL, as the system hands it over

    static char* table[max_arguments + 1];
    int count = 0;
    require(split_command_line_text(&count, table, text.c_str()) == 0, "splitter failed");
    require(count >= 1 && count <= max_arguments, "count out of range");
    size_t stored = 0;
    for (int i = 0; i < count; ++i) {
        require(table[i] >= table[0] && table[i] < table[0] + command_line_store_size, "argument outside the store");
        stored += std::strlen(table[i]);
        if (i > 0)
            require(table[i] == table[i - 1] + std::strlen(table[i - 1]) + 1, "arguments not packed in order");
    }
    require(stored <= text.size(), "more argument bytes than the text had");
    require(table[count] > table[0] && table[count] < table[0] + command_line_store_size && table[count][0] == '\0',
            "no empty entry after the last argument");
    return 0;
}
