// Next-page resolution.
#include "insert/next_page.h"

#include "console/messages.h"
#include "console/text_screen.h"
#include "platform/dialog.h"
#include "textio/paths.h"

#include <cstring>

char link_table[link_table_size][path_size];
int next_page_order[link_table_size];
bool order_seeded;

char next_link[path_size];
char next_link_dir[path_size];
char next_page_path[path_size];

void reset_next_page_order()
{
    for (int k = 0; k < link_table_size; ++k)
        next_page_order[k] = k;
    order_seeded = false;
}

// Moves the entry holding position to the front of the order, the entries before it one place on.
static void move_to_front(int position)
{
    int at = 0;
    while (at < link_table_size && next_page_order[at] != position)
        ++at;
    if (at == link_table_size)
        return;
    for (; at > 0; --at)
        next_page_order[at] = next_page_order[at - 1];
    next_page_order[0] = position;
}

static void print_text(const char* text) { screen_print(text, static_cast<int>(std::strlen(text))); }

// The number rule: the one link whose name ends in the page's number plus one (first with a base
// that begins the page's base, then with any base) goes first, on the first page that has links.
static void apply_number_rule(int n, const char* current_name)
{
    char current_base[path_size];
    file_part_less_number(current_base, current_name);
    int number = trailing_number(current_name);
    if (n < 2 || number < 0)
        return;
    int target = number + 1;
    int found = 0;
    int last = -1;
    for (int pass = 0; pass < 2 && found == 0; ++pass) {
        for (int i = 0; i < n; ++i) {
            char name[path_size];
            file_part(name, link_table[i]);
            if (trailing_number(name) != target)
                continue;
            char base[path_size];
            file_part_less_number(base, link_table[i]);
            if (pass == 0 && has_prefix_nocase(current_base, base) != 0)
                continue;
            ++found;
            last = i;
        }
    }
    if (found == 1 && !order_seeded && next_page_order[0] != last)
        move_to_front(last);
}

int choose_next_page(const char* path)
{
    int n = collect_links(path, link_table);
    if (n < 0)
        return -1;
    if (n == 0)
        return -2;

    char current_name[path_size];
    find_actual_name(current_name, path);
    apply_number_rule(n, current_name);
    order_seeded = true;

    int taken = -1;
    if (n == 1) {
        print_text(" -> ");
        print_text(link_table[0]);
        print_text(" ");
        taken = 0;
    } else {
        for (int entry = 0; entry < link_table_size; ++entry) {
            int position = next_page_order[entry];
            if (position >= n)
                continue;
            print_text(" -> ");
            print_text(link_table[position]);
            print_text(" ");
            int answer = show_message(text_select_question, current_name, link_table[position],
                                      box_yes_no | box_icon_information | box_topmost);
            if (answer == answer_yes) {
                taken = position;
                if (entry != 0)
                    move_to_front(position);
                break;
            }
            if (answer == answer_none)
                return -4;  // no answer (native build): the run stops as after Cancel
        }
    }

    if (taken >= 0) {
        copy_text(next_link, path_size, link_table[taken]);
        dir_part(next_link_dir, next_link);
        dir_part(next_page_path, path);
        append_text(next_page_path, path_size, next_link);
        char found[path_size];
        // Asked anew: the page may have gone while the question was open.
        if (look_up_actual_name(found, next_page_path) == 0)
            return 0;
    }
    int answer = show_message(taken >= 0 ? text_not_found : text_no_next_page, next_link, nullptr,
                              box_ok_cancel | box_icon_warning | box_topmost);
    return answer == answer_cancel || answer == answer_none ? -4 : -3;
}
