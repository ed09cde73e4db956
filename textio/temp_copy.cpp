// Temporary copies of pages.
#include "textio/temp_copy.h"

#include "platform/files.h"
#include "textio/paths.h"

#include <cstdio>

int temp_counter;

// How many names are tried before giving up: every one of them exists.
constexpr int names_to_try = 1000;

int make_temp_copy(char* temp_path, const char* page, const char* directory, const char* prefix)
{
    for (int tries = 0; tries < names_to_try; ++tries) {
        char name[64];
        std::snprintf(name, sizeof name, "%s%d.tmp", prefix, temp_counter);
        ++temp_counter;
        copy_text(temp_path, 260, directory);
        append_text(temp_path, 260, name);
        int result = copy_file(page, temp_path, false);
        if (result == 0)
            return 0;
        if (result != -2)
            return -1;
    }
    return -1;
}

void drop_temp_copy(const char* temp_path)
{
    delete_file(temp_path);
    if (temp_counter > 0)
        --temp_counter;
}

int recover_page(const char* page, const char* temp_path)
{
    if (!files_equal(page, temp_path)) {
        if (copy_file(temp_path, page, true) != 0 || !files_equal(page, temp_path))
            return -1;
    }
    delete_file(temp_path);
    return 0;
}
