// Helpers of the unit tests.
#include "tests/test_support.h"

#include "platform/dbcs.h"
#include "textio/paths.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

std::string make_scratch(const char* name)
{
    // The names found in an earlier test's scratch folder of the same name are not this one's.
    forget_actual_names();
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "nextpics_tests" / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::string text = folder.string();
    return text + static_cast<char>(std::filesystem::path::preferred_separator);
}

void clear_scratch(const std::string& folder) { std::filesystem::remove_all(folder); }

void write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool file_exists(const std::string& path) { return std::filesystem::exists(path); }

void use_code_page_932()
{
    if (system_code_page() == 932)
        init_lead_bytes();
    else
        select_code_page(932);
}

void use_single_byte() { select_code_page(0); }
