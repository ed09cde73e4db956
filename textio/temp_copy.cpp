// Temporary copies of pages, and rewriting a page in place through one.
#include "textio/temp_copy.h"

#include "platform/files.h"
#include "textio/page_compare.h"
#include "textio/page_locks.h"
#include "textio/paths.h"
#include "textio/streams.h"

#include <cstdio>
#include <cstring>

int temp_counter;
void (*copy_kept)(const char* temp_path);

// How many names are tried before giving up: every one of them exists.
constexpr int names_to_try = 1000;

bool is_temporary_copy_name(const char* name)
{
    auto is = [](char c, char lower) { return c == lower || c == lower - ('a' - 'A'); };
    bool add = is(name[0], 'a') && is(name[1], 'd') && is(name[2], 'd');
    bool del = is(name[0], 'd') && is(name[1], 'e') && is(name[2], 'l');
    if (!(add || del) || !is(name[3], 'n') || !is(name[4], 'e') || !is(name[5], 'x'))
        return false;
    const char* p = name + 6;
    if (*p < '0' || *p > '9')
        return false;
    while (*p >= '0' && *p <= '9')
        ++p;
    return p[0] == '.' && is(p[1], 't') && is(p[2], 'm') && is(p[3], 'p') && p[4] == '\0';
}

namespace {
struct found_copies {
    char* names;
    int size;
    int max;
    int found;
};
}  // namespace

int find_temporary_copies(char* names, int size, int max, const char* folder)
{
    found_copies copies = {names, size, max, 0};
    list_files(
        folder,
        [](const char* name, void* context) {
            auto& c = *static_cast<found_copies*>(context);
            if (is_temporary_copy_name(name)) {
                if (c.found < c.max)
                    copy_text(c.names + c.found * c.size, c.size, name);
                ++c.found;
            }
            return true;
        },
        &copies);
    return copies.found;
}

// A temporary copy that stays on disk is reported, so that the user can find it.
static void name_kept_copy(const char* temp_path)
{
    if (copy_kept)
        copy_kept(temp_path);
}

static void delete_or_name(const char* temp_path)
{
    if (file_ops.remove(temp_path) != 0)
        name_kept_copy(temp_path);
}

int make_temp_copy(char* temp_path, const char* page, const char* directory, const char* prefix)
{
    for (int tries = 0; tries < names_to_try; ++tries) {
        char name[64];
        std::snprintf(name, sizeof name, "%s%d.tmp", prefix, temp_counter);
        ++temp_counter;
        if (!join_path(temp_path, directory, name))
            return -1;
        int result = file_ops.copy(page, temp_path, copy_durable);
        if (result == -2)
            continue;
        if (result != 0)
            return -1;
        // The copy's name must be on stable storage too before the page may be cut.
        if (file_ops.sync_folder(directory) != 0) {
            delete_or_name(temp_path);
            return -1;
        }
        return 0;
    }
    return -1;
}

void drop_temp_copy(const char* temp_path)
{
    delete_or_name(temp_path);
    if (temp_counter > 0)
        --temp_counter;
}

int recover_page(const char* page, const char* temp_path, bool written)
{
    // The copy goes only once the page it holds is whole on stable storage again.
    if ((written || !file_ops.equal(page, temp_path)) &&
        (file_ops.copy(temp_path, page, copy_replace | copy_durable) != 0 || !file_ops.equal(page, temp_path))) {
        name_kept_copy(temp_path);
        return -1;
    }
    delete_or_name(temp_path);
    return 0;
}

// The pass once more from the copy, for comparing the page with what it writes.
struct pass_call {
    int (*pass)();
    const char* copy;
};

static bool replay_pass(void* context)
{
    auto& call = *static_cast<pass_call*>(context);
    if (in_open(call.copy) != 0)
        return false;
    call.pass();
    in_close();
    return true;
}

static bool dry;

void set_dry_run(bool on) { dry = on; }

bool dry_run() { return dry; }

int rewrite_through_copy(const char* page, const file_identity& first_look, const char* directory, const char* prefix,
                         int (*pass)(), int* pass_result)
{
    *pass_result = 0;
    file_identity before;
    char temp_path[path_size];
    if (file_ops.identify(&before, page) != 0)
        return rewrite_copy_failed;
    if (!(before == first_look))
        return rewrite_changed;
    if (dry_run()) {
        if (in_open(page) != 0)
            return rewrite_copy_unreadable;
        out_open_sink([](const unsigned char*, int) {});
        *pass_result = pass();
        out_close();
        bool read_whole = !in_failed();
        in_close();
        return !read_whole ? rewrite_failed : *pass_result != 0 ? rewrite_pass_failed : rewrite_done;
    }
    if (make_temp_copy(temp_path, page, directory, prefix) != 0)
        return rewrite_copy_failed;
    // The copy must be the page that before describes. An editor saving in place meanwhile (it
    // cuts the page, then writes it anew) can leave the copy short of the page while nothing in
    // the page's identity tells, the system keeping its change time only to a tick of its clock:
    // the copy's size tells. (A change after the copy shows when the page is opened to be cut.)
    file_identity copied;
    if (file_ops.identify(&copied, temp_path) != 0) {
        drop_temp_copy(temp_path);
        return rewrite_copy_failed;
    }
    if (copied.size != before.size) {
        drop_temp_copy(temp_path);
        return rewrite_changed;
    }
    if (in_open(temp_path) != 0) {
        recover_page(page, temp_path, false);
        return rewrite_copy_unreadable;
    }
    page_lock rewriting;
    if (take_lock(&rewriting, page, lock_rewrite) != 0) {
        in_close();
        drop_temp_copy(temp_path);
        return rewrite_stopped;
    }
    bool changed = false;
    if (out_open_rewrite(page, &before, &changed) != 0) {
        in_close();
        give_back(&rewriting);
        if (changed) {
            // The page is as the other program left it, and newer than the copy.
            drop_temp_copy(temp_path);
            return rewrite_changed;
        }
        recover_page(page, temp_path, false);
        return rewrite_page_unwritable;
    }
    *pass_result = pass();
    int committed = out_commit();
    bool read_whole = !in_failed();
    in_close();
    int result = rewrite_done;
    if (*pass_result != 0 || committed != 0 || !read_whole) {
        result = committed != 0 || !read_whole ? rewrite_failed : rewrite_pass_failed;
        // Copied back only over what this run wrote: another file at the name is the other
        // program's, and the copy stays for the user.
        file_identity now;
        if (file_ops.identify(&now, page) == 0 && (now.serial != before.serial || now.device != before.device)) {
            name_kept_copy(temp_path);
            result = rewrite_changed;
        } else {
            recover_page(page, temp_path, true);
        }
    } else if (!out_reads_back(page)) {
        // Another program wrote the page while this one did, or replaced it since. Where bytes of
        // this run's rewrite are still in it, the two writes are torn into each other and nothing
        // can tell what the other program meant to leave: the page goes back to what it was.
        // Else it is the other program's, and stays.
        // Where the page cannot even be read back, the copy stays, named, for the user.
        rewrite_standing standing = {};
        pass_call call = {pass, temp_path};
        int compared = compare_with_rewrite(&standing, page, temp_path, replay_pass, &call);
        if (compared != 0)
            name_kept_copy(temp_path);
        else if (standing.torn)
            recover_page(page, temp_path, true);
        else
            drop_temp_copy(temp_path);
        result = rewrite_changed;
    } else {
        // Written as this run wrote it; a change after that is the other program's own.
        drop_temp_copy(temp_path);
    }
    give_back(&rewriting);
    return result;
}
