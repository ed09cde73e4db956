// delNextpics: takes out of every page named on the command line what addNextpics put into it.
#include "console/logos.h"
#include "console/run_log.h"
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

    signed char page_result = 0;
    left_out_arguments left_out = arguments_left_out();
    if (!run_batch(page_result, del_batch_rules, arguments + 1, count - 1,
                   {left_out.count, left_out.limit == limit_bytes}))
        return 1;
    close_run_log(window, "done.\r\n");
    return 0;
}
