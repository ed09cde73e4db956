// Scratch files, the selector byte and property checks of the fuzz targets.
#include "tests/fuzz/fuzz_support.h"

#include "platform/dbcs.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

static std::string folder;

static void remove_folder() { std::filesystem::remove_all(folder); }

const std::string& fuzz_folder()
{
    if (folder.empty()) {
        // A memory file system keeps the many small writes cheap; fall back on the temporary folder.
        std::string base = std::filesystem::is_directory("/dev/shm") ? std::string("/dev/shm")
                                                                      : std::filesystem::temp_directory_path().string();
        // A run that crashed could not remove its folder: remove those of processes that are gone.
        for (const auto& entry : std::filesystem::directory_iterator(base)) {
            std::string name = entry.path().filename().string();
            if (name.rfind("nextpics_fuzz_", 0) == 0 && !std::filesystem::exists("/proc/" + name.substr(14)))
                std::filesystem::remove_all(entry.path());
        }
        folder = base + "/nextpics_fuzz_" + std::to_string(getpid()) + "/";
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        std::atexit(remove_folder);
    }
    return folder;
}

void put_file(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    require(file != nullptr, "cannot write a scratch file");
    if (size > 0)
        std::fwrite(data, 1, size, file);
    std::fclose(file);
}

void put_file(const std::string& path, const std::string& bytes)
{
    put_file(path, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::string get_file(const std::string& path)
{
    std::string bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, n);
    std::fclose(file);
    return bytes;
}

unsigned take_selector(const uint8_t*& data, size_t& size)
{
    unsigned selector = 0;
    if (size > 0) {
        selector = data[0];
        ++data;
        --size;
    }
    select_code_page((selector & 1) != 0 ? 932 : 0);
    return selector;
}

bool is_subsequence(const std::string& small, const std::string& big)
{
    size_t i = 0;
    for (size_t j = 0; i < small.size() && j < big.size(); ++j)
        if (small[i] == big[j])
            ++i;
    return i == small.size();
}

void require(bool holds, const char* message)
{
    if (holds)
        return;
    std::fprintf(stderr, "property failed: %s\n", message);
    std::abort();
}
