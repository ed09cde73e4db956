// The insertion driver: addNextpics' run over the pages named on its command line, and the rules
// of its batch.
#include "insert/insertion_driver.h"

#include "console/logos.h"
#include "console/text_screen.h"
#include "insert/insert_blocks.h"
#include "insert/next_page.h"
#include "insert/page_rewriter.h"
#include "platform/dialog.h"
#include "platform/files.h"
#include "platform/process.h"
#include "textio/command_line.h"
#include "textio/paths.h"

#include <cstring>

static const char usage[] =
    "Usage: addNextpics [--dry-run] PAGE...\n"
    "       addNextpics [--dry-run] --walk PAGE\n"
    "Prepares each HTML page named so that, once it has loaded in a browser, its next page and that\n"
    "page's images and streams are fetched in the background; delNextpics takes it out again. Each\n"
    "page is rewritten in place through a copy addnex<n>.tmp in its own folder.\n"
    "\n"
    "Questions go to standard error and take one line of standard input: y or n, o (OK) or c\n"
    "(Cancel). An empty line or the end of the input takes the capital letter of the hint, as in\n"
    "[Y/n] or [O/c]. Ctrl+C stops the run once the page at work is done.\n"
    "\n"
    "A walk (--walk PAGE) prepares PAGE, then the page it leads to, and so on, in reading order, as\n"
    "far as the folder of PAGE and its subfolders reach; it ends where the run loops back, where no\n"
    "next page is found, or where the next page lies outside. A page's next page is the link it names\n"
    "rel=\"next\"; else the one link whose text, title, aria-label, rel, class or id, or the alt or\n"
    "title of its picture, begins with next or forward (or a Japanese word for next) or is an arrow\n"
    "(>, >>, and their like), and says nothing of back, previous, up, index, home, contents or\n"
    "top; else the page's number plus one (on an index without a number, the first page of the\n"
    "numbered series it links). The first two are taken without a question; the number rule's link is\n"
    "asked about first. Other sites, folders and the page itself are never offered, links back last.\n"
    "With standard input no terminal, nothing is taken on a default: the number rule's link is\n"
    "taken, and a page without one is left as it is, where the walk ends. Pages prepared earlier are\n"
    "passed with the next page they name, so a walk over a run that grew prepares the new pages.\n"
    "\n"
    "insert.ini and nextpics.class are looked for beside the program, then in ../share/nextpics/\n"
    "from the program's folder.\n"
    "\n"
    "Exit status: 0 every page prepared, or left as it was by an answer or for want of links;\n"
    "1 canceled, or insert.ini broken; 2 a page could not be opened, read or written, or pages\n"
    "were left out past 1023; 128+N stopped by signal N (130: Ctrl+C).\n"
    "\n"
    "  --walk PAGE  walk the run that begins at PAGE (no limit on its pages)\n"
    "  --dry-run    decide and log everything as a run would, and write nothing (no page, no\n"
    "               copy, no nextpics.class)\n"
    "  -h, --help   show this help (as the only argument; a page of that name is ./--help)\n"
    "  --version    show the version\n";

static const console_look look = {"addNextpics V1.07", 480, 272, add_nextpics_logo, "addNextpics", usage};
static const char banner[] = "AddNextpics V1.07  preloads the next page of each page \r\n";

// The directory of the running program where the system tells it, else the directory part of the
// program's path on the command line; and share/nextpics/ beside the bin/ of an installed program.
static char beside_program[path_size];
static char installed[path_size];
static char program_directory[path_size];  // the one of the two that holds insert.ini

// Where insert.ini and nextpics.class are looked for: beside the program, else where an installed
// program keeps them, when insert.ini is there.
static void find_program_directory(const char* argument0)
{
    char executable[path_size];
    dir_part(beside_program, executable_path(executable, path_size) == 0 ? executable : argument0);
    if (!join_path(installed, beside_program, "../share/nextpics/"))
        installed[0] = '\0';
    copy_text(program_directory, path_size, beside_program);
    char probe[path_size];
    char found[path_size];
    if (join_path(probe, beside_program, "insert.ini") && find_actual_name(found, probe) == 0)
        return;
    if (installed[0] && join_path(probe, installed, "insert.ini") && find_actual_name(found, probe) == 0)
        copy_text(program_directory, path_size, installed);
}

// Without insert.ini the pages get a bare applet element, which today's browsers do nothing with:
// the log says so, and where the file was looked for.
static void print_insert_blocks_missing()
{
    const char* places[] = {"insert.ini not found in ", beside_program[0] ? beside_program : ".", " nor in ",
                            installed, ": the pages get a bare applet element.\r\n"};
    for (const char* text : places)
        screen_print(text, static_cast<int>(std::strlen(text)));
}

// Why a page was left as it is, where the log has not said it yet.
static const char* add_reason(int result)
{
    switch (result) {
    case add_next_unreadable:
        return " : the next page cannot be read";
    case add_changed:
        return " : changed by another program";
    case add_next_too_long:
        return " : the path of the next page is too long";
    case add_undecided:
        return " : no link says which page is next";
    case add_next_outside:
        return " : its next page lies outside the walk's folder";
    case page_prepared_before:
        return " : prepared already";
    default:
        return nullptr;
    }
}

// The walk's view of a page that is set already: one that this program prepared earlier is not
// asked about, the walk goes on to the page it names (held_next).
static char held_next[value_size];

static int add_walk_check(const char* page, int checked)
{
    return checked == check_ask && read_next_parameter(page, held_next) == 1 ? page_prepared_before : checked;
}

static int add_walk_next(char* next, const char* page, int result)
{
    static next_page_choice choice;
    switch (result) {
    case add_done:
        copy_text(next, path_size, last_next_page_choice().path);
        return walk_on;
    case page_prepared_before:
        return path_of_link(next, page, held_next) ? walk_on : walk_no_next;
    case page_skipped:
        // The user kept the page's own onLoad: the walk goes on to the page it would have named.
        screen_print("  ", 2);
        choose_next_page(choice, page);
        screen_print("\r\n", 2);
        if (choice.result != add_done)
            return walk_no_next;
        copy_text(next, path_size, choice.path);
        return walk_on;
    case add_next_outside:
        copy_text(next, path_size, last_next_page_choice().path);
        return walk_outside;
    case add_nothing_to_prepare:
    case add_skipped:
    case add_undecided:
        return walk_no_next;
    default:
        return walk_left;
    }
}

const batch_rules add_batch_rules = {
    .separators = any_separators,
    // A page that cannot be opened is worked on all the same: the work reports it.
    .check =
        [](const char* page) {
            int found = test_already_set(page);
            return found == set_found ? check_ask : found == set_no_body ? add_nothing_to_prepare : check_work;
        },
    .work = insert_into_page,
    .done_already = &text_already_set,
    .stops_early = true,
    // The page, its copy or its next page cannot be opened, made, read or written, or the page
    // changed. The other results leave it as it is by the user's answer or for want of a next page.
    .failed =
        [](int result) {
            return result == add_unreadable || (result <= add_copy_failed && result >= add_page_unwritable) ||
                   result == add_next_unreadable || result == add_changed || result == add_next_too_long;
        },
    .reason = add_reason,
    .copy_prefix = "addnex",
    .rewrite_variants = count_rewrites,
    .rewrite_variant = replay_rewrite,
    .begin_walk = [](const char* root) { use_walk_rules(answers_can_come, root); },
    .walk_check = add_walk_check,
    .walk_next = add_walk_next,
    .done_word = "prepared",
};

int run_insertion(void* instance, int show_state)
{
    static char* arguments[1025];
    int count = 0;
    split_command_line(&count, arguments);
    if (console_answer_options(&look, count, arguments))
        return 0;

    void* window = open_run_log(instance, show_state, &look, banner, static_cast<int>(std::strlen(banner)));
    if (!window)
        return 0;

    find_program_directory(arguments[0]);
    set_program_directory(program_directory);
    if (load_insert_blocks(program_directory) != 0)
        print_insert_blocks_missing();
    if (!check_file_set()) {
        run_end broken = {};
        broken.quit = true;
        return console_exit_status(broken);
    }

    reset_next_page_order();
    return run_command_line_batch(window, add_batch_rules, arguments, count);
}
