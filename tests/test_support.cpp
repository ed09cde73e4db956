// Helpers of the unit tests.
#include "tests/test_support.h"

#include "platform/dbcs.h"
#include "textio/paths.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

static std::filesystem::path process_root;

static void remove_process_root() { std::filesystem::remove_all(process_root); }

// A folder of this test process's own under the system's temporary folder, made on first use with
// a random name that no other process holds (creating it is what claims the name), and removed
// when the process exits. Two test programs, or two runs of the suite, never share a file.
static const std::filesystem::path& scratch_root()
{
    if (!process_root.empty())
        return process_root;
    // Some C++ libraries give the same sequence in every process: the clock tells processes apart.
    std::random_device random;
    unsigned salt = static_cast<unsigned>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int tries = 0; tries < 100; ++tries) {
        char name[40];
        std::snprintf(name, sizeof name, "nextpics_tests.%08x", static_cast<unsigned>(random()) ^ salt);
        salt = salt * 69069u + 1u;
        std::error_code error;
        if (std::filesystem::create_directory(base / name, error)) {
            process_root = base / name;
            std::atexit(remove_process_root);
            return process_root;
        }
    }
    std::fprintf(stderr, "cannot make a scratch folder under %s\n", base.string().c_str());
    std::abort();
}

std::string make_scratch(const char* name)
{
    // The names found in an earlier test's scratch folder of the same name are not this one's.
    forget_actual_names();
    std::filesystem::path folder = scratch_root() / name;
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
    out.close();
    if (!out)
        ADD_FAILURE() << "cannot write " << path;
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
