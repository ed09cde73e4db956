// Times the four scanner passes over a generated set of pages (about 30 MB) and the message pump
// alone, and prints MB/s per pass. Builds for both toolchains, so the Windows build can be timed
// under Wine with the same pages.
#include "console/message_pump.h"
#include "platform/clock.h"
#include "platform/dbcs.h"
#include "scan/page_scanners.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

// A page of about size bytes: paragraphs with links and images, comments, a BODY tag.
std::string make_page(int number, size_t size)
{
    std::string page = "<html>\r\n<head><title>Page " + std::to_string(number) + "</title></head>\r\n";
    page += "<!-- generated page -->\r\n<body bgcolor=\"white\" text=\"black\">\r\n";
    for (int i = 0; page.size() < size; ++i) {
        page += "<p>Paragraph " + std::to_string(i) +
                " of a page that is read one after another, with some ordinary text in it.\r\n";
        page += "<a href=\"page" + std::to_string(number + 1) + ".html\">next</a> <img src=\"images/pic" +
                std::to_string(i % 50) + ".jpg\" alt=\"a picture\"></p>\r\n";
    }
    page += "</body>\r\n</html>\r\n";
    return page;
}

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

char table[image_table_size][value_size];

}  // namespace

int main(int argc, char** argv)
{
    size_t total_bytes = 30u << 20;
    int pages = argc > 1 ? std::atoi(argv[1]) : 100;
    init_lead_bytes();
    // A folder of this run's own: two runs on one machine never share pages.
    std::filesystem::path folder;
    std::random_device random;
    do
        folder = std::filesystem::temp_directory_path() / ("nextpics_scan_bench." + std::to_string(random()));
    while (!std::filesystem::create_directory(folder));
    std::vector<std::string> paths;
    size_t written = 0;
    for (int i = 0; i < pages; ++i) {
        std::string page = make_page(i, total_bytes / static_cast<size_t>(pages));
        std::string path = (folder / ("page" + std::to_string(i) + ".html")).string();
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(page.data(), 1, page.size(), f);
        std::fclose(f);
        written += page.size();
        paths.push_back(path);
    }
    double megabytes = static_cast<double>(written) / (1 << 20);
    std::printf("%d pages, %.1f MB\n", pages, megabytes);

    struct pass {
        const char* name;
        int (*run)(const char*);
    } passes[] = {
        {"test_already_set", [](const char* p) { return test_already_set(p); }},
        {"collect_links", [](const char* p) { return collect_links(p, table); }},
        {"collect_images", [](const char* p) { return collect_images(p, table); }},
        {"collect_streams", [](const char* p) { return collect_streams(p, table); }},
    };
    for (const pass& p : passes) {
        double best = 1e9;
        for (int round = 0; round < 3; ++round) {
            auto start = std::chrono::steady_clock::now();
            for (const std::string& path : paths)
                p.run(path.c_str());
            double s = seconds_since(start);
            best = s < best ? s : best;
        }
        std::printf("%-18s %8.1f MB/s\n", p.name, megabytes / best);
    }

    // The pump alone, once per byte of the page set, with a dispatcher installed as in the programs.
    set_message_dispatcher([] {});
    auto start = std::chrono::steady_clock::now();
    int sum = 0;
    for (size_t i = 0; i < written; ++i)
        sum += poll_messages();
    double pump = seconds_since(start);
    std::printf("%-18s %8.3f s for %zu calls (%.2f ns a call)%s\n", "poll_messages", pump, written,
                pump * 1e9 / static_cast<double>(written), sum ? "" : "");
    std::filesystem::remove_all(folder);
    return 0;
}
