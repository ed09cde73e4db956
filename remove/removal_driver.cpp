// delNextpics: takes out of every page named on the command line what addNextpics put into it.
#include "console/logos.h"
#include "console/messages.h"
#include "console/run_log.h"
#include "platform/dialog.h"
#include "platform/path_syntax.h"
#include "platform/process.h"
#include "remove/page_restorer.h"
#include "textio/command_line.h"

static const console_look look = {"delNextpics V1.08", 384, 272, del_nextpics_logo};
static const char banner[] = "delNextpics V1.07  removes the preloading from pages \r\n";

int program_main(void* instance, int show_state)
{
    static char* arguments[1025];
    int count = 0;
    split_command_line(&count, arguments);

    void* window = open_run_log(instance, show_state, &look, banner, 64);
    if (!window)
        return 0;

    char last_directory[260] = "";
    for (int i = 1; i < count; ++i) {
        const char* page = arguments[i];
        char name[260];
        print_page_start(last_directory, name, page, own_separators);
        int page_result;
        if (test_inserted(page) != 0) {
            page_result = restore_page(page) & 0xFF;
        } else {
            if (show_message(text_already_removed, name, nullptr, 0x40041) == answer_cancel)
                return 1;
            page_result = 255;
        }
        print_page_end(page_result);
    }

    close_run_log(window, "done.\r\n");
    return 0;
}
