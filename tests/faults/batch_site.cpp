// The site and the batches of the whole-batch tests.
#include "tests/faults/batch_site.h"

#include "insert/insertion_driver.h"
#include "remove/removal_driver.h"
#include "insert/next_page.h"
#include "insert/page_rewriter.h"
#include "remove/page_restorer.h"
#include "tests/faults/fault_files.h"
#include "tests/page_fixture.h"
#include "tests/test_support.h"
#include "textio/paths.h"
#include "textio/temp_copy.h"

#include <filesystem>
#include <regex>

std::string crlf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

std::string folder;
std::string site;
std::vector<std::string> pages;

const std::string users_add_temp = "my own notes, not a copy of a page\n";
const std::string users_del_temp = "also mine\n";
const std::string users_applet = "the site's own nextpics.class\n";
const std::string programs_applet = "the program's applet\n";

static std::string long_page()
{
    std::string text = "<html>\n<head><title>Photo 1</title></head>\n"
                        "<!-- Next: photo 2, then the sub folder -->\n"
                        "<body bgcolor=\"white\" text=black>\n<h1>Photo 1</h1>\n<img src=\"p1.jpg\">\n"
                        "<a href=\"photo2.html\">next</a> <a href=\"index.html\">index</a>\n";
    // Longer than three stream buffers, so reads and writes also fail in the middle of the page.
    for (int i = 1; i <= 250; ++i)
        text += "<p>Paragraph " + std::to_string(i) + " of the caption, long enough to fill buffers.</p>\n";
    return crlf(text + "</body>\n</html>\n");
}

// Lays out the site afresh: four pages (one in a sub-folder), the program's nextpics.class, and
// files of the user's that bear our names.
void lay_out_site()
{
    folder = make_scratch("faults");
    site = folder + "site/";
    std::filesystem::create_directories(site + "sub");
    std::filesystem::create_directories(folder + "prog");
    write_file(folder + "prog/nextpics.class", programs_applet);
    set_program_directory((folder + "prog/").c_str());

    write_file(site + "photo1.html", long_page());
    write_file(site + "photo2.html",
               crlf("<html>\n<body>\n<img src=\"p2.jpg\"><img src=\"http://example.org/b.gif\">\n"
                    "<bgsound src=\"s.mid\">\n<a href=\"sub/photo3.html\">next</a> <a href=\"index.html\">index</a>\n"
                    "</body>\n</html>\n"));
    write_file(site + "sub/photo3.html",
               "<html><body><img src=\"p3.jpg\"><embed src=\"movie.mpg\"><a href=\"../index.html\">index</a>"
               "</body></html>");
    write_file(site + "index.html", crlf("<html>\n<body>\n<img src=\"cover.jpg\">\n<bgsound src=\"theme.mid\">\n"
                                         "<a href=\"photo1.html\">start</a>\n</body>\n</html>\n"));
    write_file(site + "addnex0.tmp", users_add_temp);
    write_file(site + "delnex0.tmp", users_del_temp);
    write_file(site + "nextpics.class", users_applet);
    pages = {site + "photo1.html", site + "photo2.html", site + "sub/photo3.html", site + "index.html"};
}

page_set read_pages()
{
    page_set set;
    for (const std::string& page : pages)
        set[page] = read_file(page);
    return set;
}

void write_pages(const page_set& set)
{
    for (const auto& [page, bytes] : set)
        write_file(page, bytes);
}

static void start_batch()
{
    temp_counter = 0;
    script_answers({});  // every question answered with its first button: Yes, OK
    screen_text_reset();
}

// The pages as a command line hands them to the batches.
static std::vector<char*> page_arguments()
{
    std::vector<char*> arguments;
    for (std::string& page : pages)
        arguments.push_back(page.data());
    return arguments;
}

void add_batch()
{
    start_batch();
    reset_next_page_order();
    std::vector<char*> arguments = page_arguments();
    run_batch(add_batch_rules, arguments.data(), static_cast<int>(arguments.size()));
}

void del_batch()
{
    start_batch();
    std::vector<char*> arguments = page_arguments();
    run_batch(del_batch_rules, arguments.data(), static_cast<int>(arguments.size()));
}

static std::string without_blanks(const std::string& text)
{
    std::string out;
    for (char c : text)
        if (c != ' ' && c != '\n')
            out += c;
    return out;
}

bool log_names(const std::string& path)
{
    return without_blanks(screen_text()).find(without_blanks("[kept " + path + "]")) != std::string::npos;
}

std::vector<std::string> our_temporary_files()
{
    static const std::regex ours("(addnex|delnex)[0-9]+\\.tmp");
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(site)) {
        std::string path = entry.path().string();
        if (!std::regex_match(entry.path().filename().string(), ours))
            continue;
        if (path == site + "addnex0.tmp" || path == site + "delnex0.tmp")
            continue;
        found.push_back(path);
    }
    return found;
}


site_states prepare_and_restore()
{
    install_fault_operations();
    disarm_faults();
    lay_out_site();
    site_states states;
    states.originals = read_pages();
    add_batch();
    states.prepared = read_pages();
    del_batch();
    states.restored = read_pages();
    return states;
}
