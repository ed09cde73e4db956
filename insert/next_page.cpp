// Next-page resolution.
#include "insert/next_page.h"

#include "console/messages.h"
#include "console/text_screen.h"
#include "platform/dialog.h"
#include "textio/paths.h"

#include <cstring>

// The links of the page at work.
static char link_table[link_table_size][value_size];

// The run's order of link positions: a permutation of 0..127, entry 0 asked first.
static int next_page_order[link_table_size];
static bool order_seeded;

void reset_next_page_order()
{
    for (int k = 0; k < link_table_size; ++k)
        next_page_order[k] = k;
    order_seeded = false;
}

bool next_page_order_seeded() { return order_seeded; }

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

// The links of the page that were answered No, as the files they name, so that none is offered
// twice (several links often lead to one page).
static char refused[link_table_size + 1][value_size];
static int refused_count;

static bool was_refused(const char* target)
{
    for (int i = 0; i < refused_count; ++i)
        if (std::strcmp(refused[i], target) == 0)
            return true;
    return false;
}

// True when a and b are the same file name (letters in either case where the system ignores it).
static bool same_name(const char* a, const char* b)
{
    if (!file_names_ignore_case)
        return std::strcmp(a, b) == 0;
    return std::strlen(a) == std::strlen(b) && has_prefix_nocase(a, b) == 0;
}


// The file a link names, as a name in the page's folder: the link less its query and fragment,
// escapes decoded, without leading "./" (so that "p2.html" and "./p2.html" are one file).
static void file_of_link(char* out, const char* link)
{
    char target[path_size];
    link_target(target, link);
    const char* name = target;
    while (name[0] == '.' && std::strchr(any_separators, name[1]) && name[1] != '\0')
        name += 2;
    copy_text(out, value_size, name);
}

// True when the links a and b name the same file.
static bool same_target(const char* a, const char* b)
{
    char file_a[path_size];
    char file_b[path_size];
    file_of_link(file_a, a);
    file_of_link(file_b, b);
    return std::strcmp(file_a, file_b) == 0;
}

// True when link can be the next page of the page current_name: it names a file
// (not the page itself, an empty address or an anchor alone) that was not refused on this page.
static bool may_offer(const char* link, const char* current_name)
{
    char name[path_size];
    file_of_link(name, link);
    if (name[0] == '\0' || was_refused(name))
        return false;
    return !same_name(name, current_name);
}

// Asks whether link is the next page and returns the answer; after No the file it names is refused
// for the page.
static int ask(const char* link, const char* current_name)
{
    print_text(" -> ");
    print_text(link);
    print_text(" ");
    int answer = show_message(text_select_question, current_name, link, box_yes_no | box_icon_information | box_topmost);
    if (answer == answer_no && refused_count < link_table_size + 1)
        file_of_link(refused[refused_count++], link);
    return answer;
}

void take_link(next_page_choice& choice, const char* path, const char* link)
{
    // The address written into the page stays as the link has it; the file is looked for as a
    // browser would read the address.
    copy_text(choice.link, path_size, link);
    char address[path_size];  // the link less its query and fragment, escapes kept
    copy_text(address, path_size, link);
    address[std::strcspn(address, "#?")] = '\0';
    dir_part(choice.link_dir, address);
    char target[path_size];
    link_target(target, link);
    char directory[path_size];
    dir_part(directory, path);
    char found[path_size];
    if (!join_path(choice.path, directory, target))
        choice.result = add_next_too_long;
    else  // asked anew: the page may have gone while a question was open
        choice.result = look_up_actual_name(found, choice.path) == 0 ? add_done : add_skipped;
    choice.rule = choice.result == add_done ? chosen_by_replay : chosen_by_none;
}

// The box after a link that names no file, or no link at all: OK leaves the page as it is,
// Cancel (or no answer) ends the run.
static int referring_error(const char* link, bool taken)
{
    int answer = show_message(taken ? text_not_found : text_no_next_page, link, nullptr,
                              box_ok_cancel | box_icon_warning | box_topmost);
    return answer == answer_cancel || answer == answer_none ? add_canceled : add_skipped;
}

void choose_next_page(next_page_choice& choice, const char* path)
{
    choice.rule = chosen_by_none;
    choice.link[0] = choice.link_dir[0] = choice.path[0] = '\0';
    char rel_next[value_size];
    int n = collect_links(path, link_table, rel_next);
    if (n < 0) {
        choice.result = add_unreadable;
        return;
    }

    char current_name[path_size];
    find_actual_name(current_name, path);
    refused_count = 0;
    bool hint = rel_next[0] != '\0' && may_offer(rel_next, current_name);
    int usable = 0;  // links that may be offered, counted up to two: none, one or more matter
    for (int i = 0; i < n && usable < 2; ++i)
        usable += may_offer(link_table[i], current_name) ? 1 : 0;
    if (usable == 0 && !hint) {
        choice.result = add_nothing_to_prepare;
        return;
    }
    apply_number_rule(n, current_name);
    order_seeded = true;

    // The link the page names as its next (rel="next") comes first; then, with one link to offer,
    // that link without a question, else the links in the run's order of positions.
    const char* taken = nullptr;
    choice_rule rule = chosen_by_none;
    if (hint && (usable != 1 || n != 1 || !same_target(rel_next, link_table[0]))) {
        int answer = ask(rel_next, current_name);
        if (answer == answer_none) {
            choice.result = add_canceled;
            return;
        }
        if (answer == answer_yes) {
            taken = rel_next;
            rule = chosen_by_rel_next;
        }
    }
    if (!taken && usable == 1 && n == 1 && may_offer(link_table[0], current_name)) {
        print_text(" -> ");
        print_text(link_table[0]);
        print_text(" ");
        taken = link_table[0];
        rule = chosen_as_only_link;
    }
    for (int entry = 0; !taken && n > 1 && entry < link_table_size; ++entry) {
        int position = next_page_order[entry];
        if (position >= n || !may_offer(link_table[position], current_name))
            continue;
        int answer = ask(link_table[position], current_name);
        if (answer == answer_none) {
            choice.result = add_canceled;  // no answer (native build): the run stops as after Cancel
            return;
        }
        if (answer == answer_yes) {
            taken = link_table[position];
            rule = chosen_by_answer;
            if (entry != 0)
                move_to_front(position);
        }
    }

    if (taken) {
        take_link(choice, path, taken);
        if (choice.result == add_done)
            choice.rule = rule;
        if (choice.result != add_skipped)
            return;
    }
    choice.result = referring_error(choice.link, taken != nullptr);
}
