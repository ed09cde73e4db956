// The log lines and the closing wait shared by both programs.
#include "console/run_log.h"

#include "console/messages.h"
#include "console/message_pump.h"
#include "console/text_screen.h"
#include "platform/clock.h"
#include "platform/dialog.h"
#include "textio/paths.h"

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

void print_page_start(char* last_directory, char* name, const char* page, const char* separators)
{
    char directory[260];
    dir_part(directory, page, separators);
    if (std::strcmp(directory, last_directory) != 0) {
        copy_text(last_directory, 260, directory);
        screen_print("\r\n", 2);
        screen_print(directory, length(directory));
        screen_print(" : \r\n", 5);
    }
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

batch_result run_batch(const batch_rules& rules, char* const* pages, int count)
{
    batch_result outcome = {};
    char last_directory[260] = "";
    for (int i = 0; i < count && !outcome.stopped; ++i) {
        if (console_stop_requested())
            break;
        char name[260];
        print_page_start(last_directory, name, pages[i], rules.separators);
        int result = 255;
        if (rules.needs_work(pages[i])) {
            result = rules.work(pages[i]);
        } else {
            int answer = show_message(*rules.done_already, name, nullptr, 0x40041);
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
        if (rules.stops_early && page_result < -3)
            outcome.stopped = true;
    }
    if (console_stop_requested())
        outcome.stopped = true;
    return outcome;
}

void close_run_log(void* window, const batch_result& result)
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
