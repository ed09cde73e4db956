// addNextpics: prepares every page named on the command line so that, once loaded, it fetches
// its next page and that page's images and streams in the background.
#include "console/logos.h"
#include "console/run_log.h"
#include "insert/insert_blocks.h"
#include "insert/next_page.h"
#include "insert/page_rewriter.h"
#include "platform/files.h"
#include "platform/process.h"
#include "textio/command_line.h"
#include "textio/paths.h"

#include <cstring>

static const console_look look = {"addNextpics V1.07", 480, 272, add_nextpics_logo};
static const char banner[] = "AddNextpics V1.07  preloads the next page of each page \r\n";

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

    reset_next_page_order();
    signed char page_result = 0;
    if (!run_batch(page_result, add_batch_rules, arguments + 1, count - 1))
        return 1;
    close_run_log(window, page_result < -3 ? "canceled.\r\n" : "done.\r\n");
    return 0;
}
