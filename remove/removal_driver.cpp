// The removal driver: delNextpics' run over the pages named on its command line, and the rules of
// its batch.
#include "remove/removal_driver.h"

#include "console/logos.h"
#include "platform/path_syntax.h"
#include "remove/page_restorer.h"
#include "scan/page_scanners.h"
#include "textio/paths.h"
#include "textio/command_line.h"

static const char usage[] =
    "Usage: delNextpics [--dry-run] PAGE...\n"
    "       delNextpics [--dry-run] --walk PAGE\n"
    "Takes out of each HTML page named what addNextpics put into it: the marked script, the onLoad\n"
    "attribute of the BODY tag and the applet element. Each page is rewritten in place through a\n"
    "copy delnex<n>.tmp in its own folder.\n"
    "\n"
    "A page that holds nothing to take out is asked about on standard error; one line of standard\n"
    "input answers: o (OK, skip the page) or c (Cancel, quit). An empty line or the end of the\n"
    "input takes OK, the capital letter of the hint [O/c]. Ctrl+C stops the run once the page at\n"
    "work is done.\n"
    "\n"
    "A walk (--walk PAGE) restores PAGE, then the next page it named, and so on, until a page the\n"
    "walk has taken, a page that holds no insertion, or a page outside the folder of PAGE and its\n"
    "subfolders.\n"
    "\n"
    "Exit status: 0 every page restored, or left as it was by an answer; 1 canceled; 2 a page\n"
    "could not be opened, read, written or restored, or pages were left out past 1023; 128+N\n"
    "stopped by signal N (130: Ctrl+C).\n"
    "\n"
    "  --walk PAGE  walk the run that begins at PAGE (no limit on its pages)\n"
    "  --dry-run    decide and log everything as a run would, and write nothing\n"
    "  -h, --help   show this help (as the only argument; a page of that name is ./--help)\n"
    "  --version    show the version\n";

static const console_look look = {"delNextpics V1.08", 384, 272, del_nextpics_logo, "delNextpics", usage};
static const char banner[] = "delNextpics V1.07  removes the preloading from pages \r\n";

// In a walk, the next page a prepared page names, read before the page is restored.
static char held_next[value_size];

static int del_walk_check(const char* page, int checked)
{
    if (checked == check_ask)
        return page_not_inserted;
    if (read_next_parameter(page, held_next) != 1)
        held_next[0] = '\0';
    return checked;
}

static int del_walk_next(char* next, const char* page, int result)
{
    if (result == page_not_inserted)
        return walk_no_insertion;
    if (result != del_done)
        return walk_left;
    return path_of_link(next, page, held_next, own_separators) ? walk_on : walk_no_next;
}

const batch_rules del_batch_rules = {
    .separators = own_separators,
    .check = [](const char* page) { return test_inserted(page) != inserted_none ? check_work : check_ask; },
    .work = restore_page,
    .done_already = &text_already_removed,
    .stops_early = false,
    // Every result but a restored page, one the user skipped and a stop: the page cannot be opened,
    // copied, read, written, or restored (an applet element without an end), or it changed.
    .failed =
        [](int result) {
            return result != del_done && result != page_skipped && result != del_stopped && result != page_not_inserted;
        },
    .reason =
        [](int result) {
            return result == del_changed         ? " : changed by another program"
                   : result == page_not_inserted ? " : no insertion"
                                                 : nullptr;
        },
    .copy_prefix = "delnex",
    .rewrite_variants = count_restores,
    .rewrite_variant = replay_restore,
    .begin_walk = nullptr,
    .walk_check = del_walk_check,
    .walk_next = del_walk_next,
    .done_word = "restored",
};

int run_removal(void* instance, int show_state)
{
    static char* arguments[1025];
    int count = 0;
    split_command_line(&count, arguments);
    if (console_answer_options(&look, count, arguments))
        return 0;

    void* window = open_run_log(instance, show_state, &look, banner, 64);
    if (!window)
        return 0;

    return run_command_line_batch(window, del_batch_rules, arguments, count);
}
