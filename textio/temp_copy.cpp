// Temporary copies of pages.
#include "textio/temp_copy.h"

#include "platform/files.h"
#include "textio/paths.h"

#include <cstdio>
#include <cstring>

int temp_counter;
void (*copy_kept)(const char* temp_path);

// How many names are tried before giving up: every one of them exists.
constexpr int names_to_try = 1000;

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
        copy_text(temp_path, path_size, directory);
        append_text(temp_path, path_size, name);
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
