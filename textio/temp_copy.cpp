// Temporary copies of pages.
#include "textio/temp_copy.h"

#include "console/text_screen.h"
#include "platform/files.h"
#include "textio/paths.h"

#include <cstdio>
#include <cstring>

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
        int result = file_ops.copy(page, temp_path, false);
        if (result == 0)
            return 0;
        if (result != -2)
            return -1;
    }
    return -1;
}

// A temporary copy that stays on disk is named in the log, so the user can find it.
static void name_kept_copy(const char* temp_path)
{
    screen_print(" [kept ", 16);
    screen_print(temp_path, static_cast<int>(std::strlen(temp_path)));
    screen_print("]", 2);
}

static void delete_or_name(const char* temp_path)
{
    if (file_ops.remove(temp_path) != 0)
        name_kept_copy(temp_path);
}

void drop_temp_copy(const char* temp_path)
{
    delete_or_name(temp_path);
    if (temp_counter > 0)
        --temp_counter;
}

int recover_page(const char* page, const char* temp_path)
{
    if (!files_equal(page, temp_path) &&
        (file_ops.copy(temp_path, page, true) != 0 || !files_equal(page, temp_path))) {
        name_kept_copy(temp_path);
        return -1;
    }
    delete_or_name(temp_path);
    return 0;
}
