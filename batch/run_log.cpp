// The log lines and the closing wait shared by both programs.
#include "batch/run_log.h"

#include "console/messages.h"
#include "console/message_pump.h"
#include "console/text_screen.h"
#include "platform/clock.h"
#include "platform/dialog.h"
#include "platform/files.h"
#include "textio/command_line.h"
#include "textio/paths.h"
#include "textio/temp_copy.h"

#include <cstdio>
#include <cstring>

static int length(const char* text) { return static_cast<int>(std::strlen(text)); }

void* open_run_log(void* instance, int show_state, const console_look* look, const char* banner, int banner_limit)
{
    void* window = create_console_window(instance, look);
    if (!window)
        return nullptr;
    message_owner = window;
    for (int i = 0; i < console_logo_rows(); ++i)
        screen_print("\r\n", 2);
    screen_print(banner, banner_limit);
    show_console_window(window, show_state);
    return window;
}

// The folders whose temporary copies have been named in this run, so each is named once (the last
// 32 folders met; a run that goes back to an older one names its copies again).
static char named_folders[32][path_size];
static int folders_named;  // in all; the last 32 are kept

static void name_earlier_copies(const char* directory)
{
    for (int i = 0; i < folders_named && i < 32; ++i)
        if (std::strcmp(named_folders[i], directory) == 0)
            return;
    copy_text(named_folders[folders_named++ % 32], path_size, directory);
    constexpr int shown = 4;
    char names[shown][path_size];
    int found = find_temporary_copies(names[0], path_size, shown, directory);
    // In the order of their names, whatever order the folder keeps them in.
    int listed = found < shown ? found : shown;
    const char* order[shown];
    for (int i = 0; i < listed; ++i) {
        int at = i;
        for (; at > 0 && std::strcmp(order[at - 1], names[i]) > 0; --at)
            order[at] = order[at - 1];
        order[at] = names[i];
    }
    for (int i = 0; i < listed; ++i) {
        screen_print("  ", 3);
        screen_print(order[i], length(order[i]));
        screen_print(" kept from an earlier run\r\n", 32);
    }
    if (found > shown) {
        char more[80];
        std::snprintf(more, sizeof more, "  and %d more copies kept from an earlier run\r\n", found - shown);
        screen_print(more, length(more));
    }
}

void print_page_start(char* last_directory, char* name, const char* page, const char* separators)
{
    char directory[path_size];
    dir_part(directory, page, separators);
    if (std::strcmp(directory, last_directory) != 0) {
        copy_text(last_directory, path_size, directory);
        screen_print("\r\n", 2);
        screen_print(directory, length(directory));
        screen_print(" : \r\n", 5);
    }
    name_earlier_copies(directory);
    find_actual_name(name, page);
    screen_print("  ", 3);
    screen_print(name, length(name));
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
    screen_print(temp_path, length(temp_path));
    screen_print("]", 2);
}

run_end run_batch(const batch_rules& rules, char* const* pages, int count, left_out_pages left_out)
{
    copy_kept = name_kept_copy;
    run_end outcome = {};
    char last_directory[path_size] = "";
    folders_named = 0;
    outcome.pages_left_out = left_out.count;
    if (left_out.count > 0) {
        char line[96];
        std::snprintf(line, sizeof line, "%d page%s left out: %s at most in one run\r\n", left_out.count,
                      left_out.count == 1 ? "" : "s", left_out.by_bytes ? "128 KB of page names" : "1023");
        screen_print(line, length(line));
    }
    for (int i = 0; i < count && !outcome.stopped; ++i) {
        if (console_stop_requested())
            break;
        char name[path_size];
        print_page_start(last_directory, name, pages[i], rules.separators);
        int result = rules.check(pages[i]);
        if (result == check_work) {
            result = rules.work(pages[i]);
        } else if (result == check_ask) {
            result = page_skipped;
            int answer = show_message(*rules.done_already, name, nullptr,
                                      box_ok_cancel | box_icon_information | box_topmost);
            if (answer == answer_cancel) {
                outcome.quit = true;
                return outcome;
            }
            outcome.stopped = answer == answer_none;
        }
        signed char page_result = static_cast<signed char>(result & 0xFF);
        print_page_end(page_result);
        if (rules.failed(result))
            outcome.page_failed = true;
        if (rules.stops_early && ends_batch(page_result))
            outcome.stopped = true;
    }
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
    left_out_arguments left_out = arguments_left_out();
    run_end result = run_batch(rules, arguments + 1, count - 1, {left_out.count, left_out.limit == limit_bytes});
    if (!result.quit)
        close_run_log(window, result);
    return console_exit_status(result);
}
