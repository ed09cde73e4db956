// Tests of the path functions: prefixes, directory and file parts, trailing numbers and the name a
// file is stored under.
#include "textio/paths.h"

#include "platform/dbcs.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

TEST(paths, HasPrefixNocaseFoldsOnlyAsciiLetters)
{
    EXPECT_EQ(has_prefix_nocase("HTTP://host/a.html", "http://"), 0);
    EXPECT_EQ(has_prefix_nocase("Page12", "pAGE"), 0);
    EXPECT_EQ(has_prefix_nocase("abc", ""), 0);
    EXPECT_EQ(has_prefix_nocase("htt", "http://"), -1);
    EXPECT_EQ(has_prefix_nocase("[x", "{x"), -1);  // neither is a letter
    EXPECT_EQ(has_prefix_nocase("@", "`"), -1);
    EXPECT_EQ(has_prefix_nocase("\xC1", "\xE1"), -1);
}

// Runs one path function into a path buffer guarded by canaries, and returns its text.
template <class Operation>
std::string run(Operation operation)
{
    char out[path_size + 40];
    std::memset(out, '#', sizeof out);
    operation(out);
    EXPECT_LE(std::strlen(out), static_cast<size_t>(path_size - 1));
    EXPECT_EQ(out[path_size], '#');  // nothing written past the path buffer
    return out;
}

std::string dir_of(const std::string& path, const char* separators = any_separators)
{
    return run([&](char* out) { dir_part(out, path.c_str(), separators); });
}
std::string file_of(const std::string& path) { return run([&](char* out) { file_part(out, path.c_str()); }); }
std::string stem_of(const std::string& path)
{
    return run([&](char* out) { file_part_less_number(out, path.c_str()); });
}

TEST(paths, DirectoryAndFileParts)
{
    EXPECT_EQ(dir_of("page.html"), "");
    EXPECT_EQ(dir_of("pages/x.html"), "pages/");
    EXPECT_EQ(file_of("a/b/c.html"), "c.html");
    EXPECT_EQ(file_of("a/b/"), "");
    EXPECT_EQ(dir_of("C:\\a\\b.html", "\\"), "C:\\a\\");
#ifdef _WIN32
    EXPECT_EQ(dir_of("C:\\a/b\\c.html"), "C:\\a/b\\");
    EXPECT_EQ(dir_of("pages/x.html", own_separators), "");
    EXPECT_EQ(file_of("C:\\a\\"), "");
#endif
    // Parts longer than a path buffer are cut to fit it; join_path never cuts, it refuses.
    const size_t room = path_size - 1;
    std::string long_path = std::string(room + 30, 'd') + "/" + std::string(room + 40, 'f');
    EXPECT_EQ(dir_of(long_path), std::string(room, 'd'));
    EXPECT_EQ(file_of(long_path), std::string(room, 'f'));
    char joined[path_size];
    EXPECT_TRUE(join_path(joined, std::string(room - 6, 'd').c_str(), "p.html"));
    EXPECT_EQ(std::strlen(joined), room);
    EXPECT_FALSE(join_path(joined, std::string(room - 5, 'd').c_str(), "p.html"));
    EXPECT_STREQ(joined, "");
}

TEST(paths, SecondBytesAreNeverSeparators)
{
    use_code_page_932();
    EXPECT_EQ(dir_of("top\\\x95\\name\\x.html", "\\/"), "top\\\x95\\name\\");
    EXPECT_EQ(dir_of("top\\\x95\\name", "\\/"), "top\\");
    EXPECT_EQ(file_of("top/\x95/name"), "\x95/name");
#ifdef _WIN32
    EXPECT_EQ(file_of("top\\\x95\\name"), "\x95\\name");
#endif
    std::memset(lead_byte_table, 0, sizeof lead_byte_table);  // no lead bytes, whatever the system's code page
    EXPECT_EQ(dir_of("top\\\x95\\name", "\\/"), "top\\\x95\\");
    use_single_byte();
}

TEST(paths, TrailingNumberAndTheNameWithoutIt)
{
    struct {
        const char* name;
        int number;
        const char* stem;
    } cases[] = {
        {"page12", 12, "page"},        {"p007", 7, "p"},     {"12", 12, ""},        {"page", -1, "page"},
        {"page12.html", -1, "page12.html"}, {"", -1, ""},    {"a1b2", 2, "a1b"},
        {"x1234567890", 234567890, "x"},  // only the last nine digits count
        {"99999999999", 999999999, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(trailing_number(c.name), c.number) << c.name;
        EXPECT_EQ(stem_of(c.name), c.stem) << c.name;
    }
    EXPECT_EQ(stem_of("dir9/0012"), "");
}

TEST(paths, FindActualNameTellsFilesFromDirectories)
{
    std::string folder = make_scratch("paths_find");
    write_file(folder + "Page12.html", "x");
    char out[path_size] = "stale";
    EXPECT_EQ(find_actual_name(out, (folder + "Page12.html").c_str()), 0);
    EXPECT_STREQ(out, "Page12.html");
#ifdef _WIN32
    EXPECT_EQ(find_actual_name(out, (folder + "PAGE12.HTML").c_str()), 0);
    EXPECT_STREQ(out, "Page12.html");  // the letters as stored
#endif
    EXPECT_EQ(find_actual_name(out, (folder + "missing.html").c_str()), -1);
    EXPECT_STREQ(out, "");
    std::snprintf(out, sizeof out, "stale");
    EXPECT_EQ(find_actual_name(out, folder.substr(0, folder.size() - 1).c_str()), -1);
    EXPECT_STREQ(out, "");
    clear_scratch(folder);
}

// Names found are remembered, names not found are not: a file that appears later in the batch
// (the applet copied in) must be seen at once.
TEST(paths, FindActualNameSeesFilesThatAppear)
{
    std::string folder = make_scratch("paths_appear");
    std::string path = folder + "nextpics.class";
    char out[path_size];
    EXPECT_EQ(find_actual_name(out, path.c_str()), -1);
    write_file(path, "x");
    EXPECT_EQ(find_actual_name(out, path.c_str()), 0);
    EXPECT_STREQ(out, "nextpics.class");
    // A name found is answered from memory until a fresh look-up finds it gone.
    std::remove(path.c_str());
    EXPECT_EQ(find_actual_name(out, path.c_str()), 0);
    EXPECT_EQ(look_up_actual_name(out, path.c_str()), -1);
    EXPECT_EQ(find_actual_name(out, path.c_str()), -1);
    clear_scratch(folder);
}

}  // namespace

namespace {

TEST(paths, NormalizePathTakesDotStepsBackAsABrowserReadsAnAddress)
{
    struct row {
        const char* path;
        const char* normal;
    };
    const row rows[] = {
        {"a/./b/../c.html", "a/c.html"},   {"./p1.html", "p1.html"},          {"sub/../../x.html", "../x.html"},
        {"../../a/b.html", "../../a/b.html"}, {"/site/a/../b.html", "/site/b.html"}, {"/../a.html", "/a.html"},
        {"a//b.html", "a/b.html"},          {"a/b/", "a/b/"},                   {"..", ".."},
    };
    for (const row& r : rows)
        EXPECT_EQ(run([&](char* out) { normalize_path(out, r.path); }), r.normal) << r.path;
}

TEST(paths, StemNumberIsTheNumberBeforeTheExtension)
{
    struct row {
        const char* name;
        int number;
        const char* base;
    };
    const row rows[] = {
        {"slide_07.html", 7, "slide_"}, {"dir/10.html", 10, ""},  {"10_info.html", -1, "10_info"},
        {"page", -1, "page"},           {"page12", 12, "page"},   {".htm", -1, ".htm"},
        {"a.b3.html", 3, "a.b"},
    };
    for (const row& r : rows) {
        char base[path_size];
        EXPECT_EQ(stem_number(base, r.name), r.number) << r.name;
        EXPECT_STREQ(base, r.base) << r.name;
    }
}

}  // namespace
