// The batch both programs run over their pages: its loop, its log lines and the closing wait.
#include "batch/page_batch.h"

#include "batch/kept_copies.h"
#include "console/messages.h"
#include "console/message_pump.h"
#include "console/text_screen.h"
#include "platform/clock.h"
#include "platform/dialog.h"
#include "platform/files.h"
#include "textio/command_line.h"
#include "textio/page_locks.h"
#include "textio/paths.h"
#include "textio/streams.h"
#include "textio/temp_copy.h"

#include <cstdio>
#include <cstring>

void* open_run_log(void* instance, int show_state, const console_look* look, const char* banner, int banner_limit)
{
    void* window = create_console_window(instance, look);
    if (!window)
        return nullptr;
    message_owner = window;
    stream_message = console_show_stream_message;
    for (int i = 0; i < console_logo_rows(); ++i)
        screen_print("\r\n", 2);
    screen_print(banner, banner_limit);
    show_console_window(window, show_state);
    return window;
}

// The header of a page's directory when it is another than the last page's (last_directory,
// updated). Writes the directory to directory (path_size bytes).
static void print_directory(char* directory, char* last_directory, const char* page, const char* separators)
{
    dir_part(directory, page, separators);
    if (std::strcmp(directory, last_directory) != 0) {
        copy_text(last_directory, path_size, directory);
        screen_print("\r\n", 2);
        screen_print_text(directory);
        screen_print(" : \r\n", 5);
    }
}

void print_page_start(char* last_directory, char* name, const char* page, const batch_rules& rules)
{
    char directory[path_size];
    print_directory(directory, last_directory, page, rules.separators);
    if (!dry_run())
        meet_kept_copies(directory, rules);
    if (find_actual_name(name, page) != 0)
        copy_text(name, path_size, name_in_path(page, rules.separators));
    screen_print("  ", 3);
    screen_print_text(name);
}

void print_page_end(int page_result)
{
    if (page_result != 0)
        screen_print(" (no convert)\r\n", 64);
    else
        screen_print(" : OK.\r\n", 64);
}

// A temporary copy that stays on disk is named in the log, so the user can find it.
static void name_kept_copy(const char* temp_path)
{
    screen_print(" [kept ", 16);
    screen_print_text(temp_path);
    screen_print("]", 2);
}

// A wait for another run at a page is said once in a run's log.
static bool wait_told;

static void tell_wait()
{
    if (!wait_told)
        screen_print(" [waiting for another run]", 64);
    wait_told = true;
}

static bool wait_turn()
{
    poll_messages_now();
    return !console_stop_requested();
}

// Why the batch leaves a page out before the program looks at it, or null: only a regular file is
// a page (a folder, a device or a pipe is never read), and neither its path nor a path made from
// it (its temporary copy, nextpics.class beside it) may be longer than the system takes.
static const char* refusal(const char* page, const char* separators)
{
    file_identity identity;
    if (file_ops.identify(&identity, page) == -2)
        return " : not a regular file";
    char directory[path_size];
    if (std::strlen(page) >= static_cast<size_t>(path_size))
        return " : path too long";
    dir_part(directory, page, separators);
    if (std::strlen(directory) + temp_name_room >= static_cast<size_t>(path_size))
        return " : path too long";
    return nullptr;
}

void begin_batch(run_end& outcome)
{
    copy_kept = name_kept_copy;
    lock_wait_begins = tell_wait;
    lock_wait_turn = wait_turn;
    wait_told = false;
    outcome = {};
    forget_kept_copies();
}

int run_page(const batch_rules& rules, const char* page, char* last_directory, run_end& outcome, bool in_walk)
{
    char name[path_size];
    const char* refused = refusal(page, rules.separators);
    if (refused) {
        // The name as given: nothing of the file is looked at. A directory too long for a path
        // buffer is shown cut short, as the log shows a long line.
        char directory[path_size];
        print_directory(directory, last_directory, page, rules.separators);
        copy_text(name, path_size, name_in_path(page, rules.separators));
        screen_print("  ", 3);
        screen_print_text(name);
        screen_print_text(refused);
        print_page_end(page_refused);
        outcome.page_failed = true;
        return page_refused;
    }
    print_page_start(last_directory, name, page, rules);
    // No other run of either program works on the page meanwhile.
    page_lock working;
    if (take_lock(&working, page, lock_work) != 0) {
        print_page_end(page_refused);
        outcome.stopped = true;
        return page_refused;
    }
    int result = rules.check(page);
    if (in_walk && rules.walk_check)
        result = rules.walk_check(page, result);
    if (result == check_work) {
        result = rules.work(page);
    } else if (result == check_ask) {
        result = page_skipped;
        int answer = show_message(*rules.done_already, name, nullptr, box_ok_cancel | box_icon_information | box_topmost);
        if (answer == answer_cancel) {
            give_back(&working);
            outcome.quit = true;
            return result;
        }
        outcome.stopped = answer == answer_none;
    }
    give_back(&working);
    signed char page_result = static_cast<signed char>(result & 0xFF);
    if (const char* reason = rules.reason ? rules.reason(result) : nullptr)
        screen_print_text(reason);
    print_page_end(page_result);
    if (rules.failed(result))
        outcome.page_failed = true;
    if (rules.stops_early && ends_batch(page_result))
        outcome.stopped = true;
    return result;
}

run_end run_batch(const batch_rules& rules, char* const* pages, int count, left_out_pages left_out)
{
    run_end outcome;
    begin_batch(outcome);
    char last_directory[path_size] = "";
    outcome.pages_left_out = left_out.count;
    if (left_out.count > 0) {
        char line[96];
        std::snprintf(line, sizeof line, "%d page%s left out: %s at most in one run\r\n", left_out.count,
                      left_out.count == 1 ? "" : "s", left_out.by_bytes ? "128 KB of page names" : "1023");
        screen_print_text(line);
    }
    // A page that an earlier run left cut is put back before any page is read, also as the next
    // page of another. How the program would have rewritten a copy depends on its next page, which
    // may lie in a folder met later: the folders are gone through again while that puts back more.
    // A dry run leaves them as they are.
    for (int round = 0, settled = 1; settled > 0 && round < 4 && !dry_run(); ++round) {
        settled = 0;
        for (int i = 0; i < count; ++i) {
            char directory[path_size];
            char copy[path_size];
            dir_part(directory, pages[i], rules.separators);
            if ((i > 0 && std::strcmp(directory, last_directory) == 0) || refusal(pages[i], rules.separators) ||
                find_temporary_copies(copy, path_size, 1, directory) == 0)
                continue;
            print_directory(directory, last_directory, pages[i], rules.separators);
            settled += settle_kept_copies(directory, rules);
        }
    }
    for (int i = 0; i < count && !outcome.stopped && !outcome.quit; ++i) {
        if (console_stop_requested())
            break;
        run_page(rules, pages[i], last_directory, outcome, false);
    }
    if (outcome.quit)
        return outcome;
    if (console_stop_requested())
        outcome.stopped = true;
    return outcome;
}

void close_run_log(void* window, const run_end& result)
{
    bool attended = console_is_attended();
    update_console_window(window);
    screen_print("\r\n", 64);
    if (attended)
        sleep_ms(700);
    screen_print(result.stopped ? "canceled.\r\n" : "done.\r\n", 64);
    if (!attended)
        return;
    for (int turn = 0; turn < 20 && !close_requested; ++turn) {
        if (poll_messages_now() != 0) {
            int key = take_key();
            if (key == 'I' || key == 'i')
                screen_invalidate();
            else if (key == 'T' || key == 't')
                screen_print("[T] pushed.\r\n", 16);
            else if (key == 'C' || key == 'c')
                screen_print("[C] pushed.\r\n", 16);
            else if (key == 'U' || key == 'u')
                paint_console(window);
            else if (key == 27)
                return;
        }
        sleep_ms(50);
    }
}

int run_command_line_batch(void* window, const batch_rules& rules, char* const* arguments, int count)
{
    // The options come before the pages: --dry-run, then --walk with the one page it starts from.
    int first = 1;
    if (first < count && std::strcmp(arguments[first], "--dry-run") == 0) {
        set_dry_run(true);
        ++first;
    }
    run_end result = {};
    if (first < count && std::strcmp(arguments[first], "--walk") == 0) {
        if (count - first != 2) {
            const char line[] = "--walk takes one page: the first page of the run.\r\n";
            screen_print_text(line);
            result.page_failed = true;
        } else {
            result = run_walk(rules, arguments[first + 1]);
        }
    } else {
        left_out_arguments left_out = arguments_left_out();
        result = run_batch(rules, arguments + first, count - first, {left_out.count, left_out.limit == limit_bytes});
    }
    if (!result.quit)
        close_run_log(window, result);
    return console_exit_status(result);
}
