// The walk through a run of pages: from its first page on to the next page each one names, with
// the batch's work and log line at every page.
#include "batch/page_batch.h"

#include "console/text_screen.h"
#include "platform/files.h"
#include "textio/paths.h"
#include "textio/temp_copy.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// ---- the pages taken: a set of 64-bit hashes of their normalized paths, open addressing

static std::uint64_t* taken_hashes;
static unsigned taken_room;  // a power of two, or 0
static unsigned taken_count;

// FNV-1a over the path, its letters in one case where the system ignores case.
static std::uint64_t path_hash(const char* path)
{
    std::uint64_t h = 14695981039346656037ull;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(path); *p; ++p) {
        unsigned c = *p;
        if (file_names_ignore_case && c >= 'a' && c <= 'z')
            c -= 32;
        h = (h ^ c) * 1099511628211ull;
    }
    return h == 0 ? 1 : h;  // 0 marks a free slot
}

static bool insert_hash(std::uint64_t* table, unsigned room, std::uint64_t h)
{
    for (unsigned at = static_cast<unsigned>(h) & (room - 1);; at = (at + 1) & (room - 1)) {
        if (table[at] == h)
            return false;
        if (table[at] == 0) {
            table[at] = h;
            return true;
        }
    }
}

// Notes path as taken: false when it was taken before (or no memory is left to note it, which
// ends the walk as a loop would).
static bool take_page(const char* path)
{
    if ((taken_count + 1) * 2 > taken_room) {
        unsigned room = taken_room ? taken_room * 2 : 1024;
        auto* table = static_cast<std::uint64_t*>(std::calloc(room, sizeof(std::uint64_t)));
        if (!table)
            return false;
        for (unsigned i = 0; i < taken_room; ++i)
            if (taken_hashes[i])
                insert_hash(table, room, taken_hashes[i]);
        std::free(taken_hashes);
        taken_hashes = table;
        taken_room = room;
    }
    if (!insert_hash(taken_hashes, taken_room, path_hash(path)))
        return false;
    ++taken_count;
    return true;
}

static void forget_taken_pages()
{
    std::free(taken_hashes);
    taken_hashes = nullptr;
    taken_room = taken_count = 0;
}

// ---- the folder tree

// True when name ends in .htm or .html, in either case.
static bool is_page_name(const char* name)
{
    const char* dot = std::strrchr(name, '.');
    return dot && (has_prefix_nocase(dot, ".htm") == 0) && (dot[4] == '\0' || ((dot[4] | 0x20) == 'l' && dot[5] == '\0'));
}

struct tree_count {
    char folder[path_size];
    int pages;
    int depth;
};

static bool count_page(const char* name, void* context)
{
    auto* count = static_cast<tree_count*>(context);
    count->pages += is_page_name(name) && !is_temporary_copy_name(name) ? 1 : 0;
    return true;
}

static bool count_folder(const char* name, void* context)
{
    auto* count = static_cast<tree_count*>(context);
    char folder[path_size];
    if (count->depth >= 64 || !join_path(folder, count->folder, name) || !join_path(folder, folder, own_separators))
        return true;
    tree_count inner;
    copy_text(inner.folder, path_size, folder);
    inner.pages = 0;
    inner.depth = count->depth + 1;
    list_files(inner.folder, count_page, &inner);
    list_folders(inner.folder, count_folder, &inner);
    count->pages += inner.pages;
    return true;
}

// The .htm and .html files in folder and its subfolders (links to folders not followed).
static int pages_in_tree(const char* folder)
{
    static tree_count count;
    copy_text(count.folder, path_size, folder);
    count.pages = 0;
    count.depth = 0;
    list_files(folder, count_page, &count);
    list_folders(folder, count_folder, &count);
    return count.pages;
}

// ---- the walk

run_end run_walk(const batch_rules& rules, const char* first)
{
    run_end outcome;
    begin_batch(outcome);
    forget_taken_pages();
    static char page[path_size];
    static char next[path_size];
    static char root[path_size];
    static char reason[2 * path_size + 96];
    static char last_directory[path_size];
    last_directory[0] = '\0';
    normalize_path(page, first);
    dir_part(root, page);
    if (rules.begin_walk)
        rules.begin_walk(root);
    int worked = 0;
    int reached = 0;  // of the .htm and .html files
    reason[0] = '\0';
    for (;;) {
        if (console_stop_requested()) {
            copy_text(reason, sizeof reason, "stopped");
            outcome.stopped = true;
            break;
        }
        if (!take_page(page)) {
            std::snprintf(reason, sizeof reason, "back at %s, which the walk has taken", page);
            break;
        }
        reached += is_page_name(page) ? 1 : 0;
        int result = run_page(rules, page, last_directory, outcome, true);
        if (outcome.quit) {
            forget_taken_pages();
            return outcome;
        }
        worked += result == 0 ? 1 : 0;
        if (outcome.stopped) {
            copy_text(reason, sizeof reason, "stopped");
            break;
        }
        int end = rules.walk_next(next, page, result);
        const char* name = name_in_path(page, rules.separators);
        if (end == walk_no_next) {
            std::snprintf(reason, sizeof reason, "no next page chosen for %s", name);
            break;
        }
        if (end == walk_no_insertion) {
            std::snprintf(reason, sizeof reason, "%s holds no insertion", name);
            break;
        }
        if (end != walk_on && end != walk_outside) {
            std::snprintf(reason, sizeof reason, "%s was left as it is", name);
            break;
        }
        char normal[path_size];
        normalize_path(normal, next);
        if (!path_inside(normal, root) || end == walk_outside) {
            std::snprintf(reason, sizeof reason, "the next page %s lies outside %s", normal, root[0] ? root : "this folder");
            break;
        }
        copy_text(page, path_size, normal);
    }
    int others = pages_in_tree(root) - reached;
    static char line[3 * path_size + 200];
    std::snprintf(line, sizeof line, "\r\nThe walk ended: %s.\r\n", reason);
    screen_print_text(line);
    std::snprintf(line, sizeof line, "%d page%s %s%s; %d other page%s in %s and its subfolders not reached.\r\n",
                  worked, worked == 1 ? "" : "s", dry_run() ? "to be " : "", rules.done_word, others < 0 ? 0 : others,
                  others == 1 ? "" : "s", root[0] ? root : "this folder");
    screen_print_text(line);
    forget_taken_pages();
    return outcome;
}
