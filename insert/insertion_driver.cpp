// addNextpics: prepares every page named on the command line so that, once loaded, it fetches
// its next page and that page's images and streams in the background.
#include "console/logos.h"
#include "console/messages.h"
#include "console/run_log.h"
#include "insert/insert_blocks.h"
#include "insert/next_page.h"
#include "insert/page_rewriter.h"
#include "platform/dialog.h"
#include "platform/files.h"
#include "platform/process.h"
#include "scan/page_scanners.h"
#include "textio/command_line.h"
#include "textio/paths.h"

#include <cstring>

static const console_look look = {"addNextpics V1.07", 480, 272, add_nextpics_logo};
static const char banner[] = "AddNextpics V1.07  preloads the next page of each page \r\n";

// The page result as the driver keeps it: the low byte of the result, as a signed byte.
static signed char low_byte(int result) { return static_cast<signed char>(result & 0xFF); }

// Where insert.ini and nextpics.class are looked for: the directory of the running program where
// the system tells it, else the directory part of the program's path on the command line. An
// installed program (bin/) finds them in share/nextpics/ beside its bin/ when they are not beside
// the program itself.
static void find_program_directory(const char* argument0)
{
    char executable[path_size];
    dir_part(program_directory, executable_path(executable, path_size) == 0 ? executable : argument0);
    char probe[path_size];
    char found[path_size];
    copy_text(probe, path_size, program_directory);
    append_text(probe, path_size, "insert.ini");
    if (find_actual_name(found, probe) == 0)
        return;
    char installed[path_size];
    copy_text(installed, path_size, program_directory);
    append_text(installed, path_size, "../share/nextpics/");
    copy_text(probe, path_size, installed);
    append_text(probe, path_size, "insert.ini");
    if (find_actual_name(found, probe) == 0)
        copy_text(program_directory, path_size, installed);
}

int program_main(void* instance, int show_state)
{
    reset_next_page_order();
    static char* arguments[1025];
    int count = 0;
    split_command_line(&count, arguments);

    void* window = open_run_log(instance, show_state, &look, banner, static_cast<int>(std::strlen(banner)));
    if (!window)
        return 0;

    find_program_directory(arguments[0]);
    load_insert_blocks(program_directory);
    if (!check_file_set())
        return 1;

    char last_directory[path_size] = "";
    signed char page_result = 0;
    for (int i = 1; i < count; ++i) {
        const char* page = arguments[i];
        char name[path_size];
        print_page_start(last_directory, name, page, any_separators);
        if (test_already_set(page) >= 1) {
            if (show_message(text_already_set, name, nullptr, 0x40041) == answer_cancel)
                return 1;
            page_result = low_byte(255);
        } else {
            page_result = low_byte(insert_into_page(page));
        }
        print_page_end(page_result);
        if (page_result < -3)
            break;
    }

    close_run_log(window, page_result < -3 ? "canceled.\r\n" : "done.\r\n");
    return 0;
}
