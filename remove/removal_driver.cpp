// delNextpics: takes out of every page named on the command line what addNextpics put into it.
#include "console/logos.h"
#include "console/run_log.h"
#include "platform/process.h"
#include "remove/page_restorer.h"
#include "textio/command_line.h"

static const char usage[] =
    "Usage: delNextpics PAGE...\n"
    "Takes out of each HTML page named what addNextpics put into it: the marked script, the onLoad\n"
    "attribute of the BODY tag and the applet element. Each page is rewritten in place through a\n"
    "copy delnex<n>.tmp in its own folder.\n"
    "\n"
    "A page that holds nothing to take out is asked about on standard error; one line of standard\n"
    "input answers: o (OK, skip the page) or c (Cancel, quit). An empty line or the end of the\n"
    "input takes OK, the capital letter of the hint [O/c]. Ctrl+C stops the run once the page at\n"
    "work is done.\n"
    "\n"
    "Exit status: 0 every page restored, or left as it was by an answer; 1 canceled; 2 a page\n"
    "could not be opened, read, written or restored, or pages were left out past 1023; 128+N\n"
    "stopped by signal N (130: Ctrl+C).\n"
    "\n"
    "  -h, --help   show this help (as the only argument; a page of that name is ./--help)\n"
    "  --version    show the version\n";

static const console_look look = {"delNextpics V1.08", 384, 272, del_nextpics_logo, "delNextpics", usage};
static const char banner[] = "delNextpics V1.07  removes the preloading from pages \r\n";

int program_main(void* instance, int show_state)
{
    static char* arguments[1025];
    int count = 0;
    split_command_line(&count, arguments);
    if (console_answer_options(&look, count, arguments))
        return 0;

    void* window = open_run_log(instance, show_state, &look, banner, 64);
    if (!window)
        return 0;

    left_out_arguments left_out = arguments_left_out();
    batch_result result =
        run_batch(del_batch_rules, arguments + 1, count - 1, {left_out.count, left_out.limit == limit_bytes});
    if (!result.quit)
        close_run_log(window, result);
    return console_exit_status(result);
}
