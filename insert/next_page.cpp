// Next-page resolution.
#include "insert/next_page.h"

#include "console/messages.h"
#include "insert/link_words.h"
#include "console/text_screen.h"
#include "platform/dialog.h"
#include "textio/paths.h"

#include <cstring>

// The links of the page at work.
static char link_table[link_table_size][value_size];

// The run's order of link positions: a permutation of 0..127, entry 0 asked first.
static int next_page_order[link_table_size];
static bool order_seeded;

// Whether choose_next_page follows the walk's rules (use_walk_rules).
static bool walk_rules;

void reset_next_page_order()
{
    walk_rules = false;
    keep_link_labels(false);
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
    screen_print_text(" -> ");
    screen_print_text(link);
    screen_print_text(" ");
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

// ---- the walk's rules

static bool (*walk_attended)();
static char walk_root[path_size];
static char link_labels[link_table_size][label_size];

void use_walk_rules(bool (*attended)(), const char* root)
{
    copy_text(walk_root, path_size, root);
    walk_rules = true;
    walk_attended = attended;
    keep_link_labels(true);
}

// What the walk knows of a link of the page at work, each part worked out when first asked for:
// on most pages of a manual rel="next" decides, and the other links are never looked at; where
// the words decide, only the links that say next are looked up.
struct walk_link {
    bool page_known, says_known, number_known;
    bool page;        // it may be a page of the run: relative, a file, not the page itself
    link_says says;   // what its words say
    int number;       // the number that ends its file's stem, or -1
};
static walk_link walk_links[link_table_size];

// True when a and b are one path (letters in either case where the system ignores it).
static bool same_path(const char* a, const char* b) { return same_name(a, b); }

// The path of the file a link of the page in directory names, normalized; false when it does not fit.
static bool link_path(char* out, const char* directory, const char* link)
{
    char target[path_size];
    char joined[path_size];
    link_target(target, link);
    if (!join_path(joined, directory, target))
        return false;
    normalize_path(out, joined);
    return true;
}

// True when link may be a page of the run the page at page_path (normalized) belongs to: an
// address without a scheme or a host, naming a file (not a folder), not the page itself.
static bool may_be_page(const char* link, const char* directory, const char* page_path)
{
    if (!is_relative_address(link))
        return false;
    char target[path_size];
    link_target(target, link);
    const char* name = name_in_path(target);
    if (name[0] == '\0' || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        return false;
    char path[path_size];
    return link_path(path, directory, link) && !same_path(path, page_path);
}

// The directory and the normalized path of the page at work, for the parts of walk_link.
static char work_directory[path_size];
static char work_page_path[path_size];

static bool link_is_page(int i)
{
    walk_link& link = walk_links[i];
    if (!link.page_known)
        link.page = may_be_page(link_table[i], work_directory, work_page_path);
    link.page_known = true;
    return link.page;
}

// What a link says of where it leads; says_nothing for a link that cannot be a page of the run.
static link_says link_words_of(int i)
{
    walk_link& link = walk_links[i];
    if (!link.says_known)
        link.says = what_link_says(link_labels[i]);
    link.says_known = true;
    return link_is_page(i) ? link.says : says_nothing;
}

// True when a link says it leads on (and nothing of going back).
static bool link_leads_on(int i)
{
    walk_link& link = walk_links[i];
    if (link.says_known)
        return link.says == says_next && link_is_page(i);
    link_says says = what_link_says(link_labels[i], false);
    if (says != says_nothing) {  // the whole answer
        link.says = says;
        link.says_known = true;
    }
    return says == says_next && link_is_page(i);
}

// The number that ends the stem of the file a link names; -1 for none, or a link that cannot be a
// page of the run.
static int link_number(int i)
{
    walk_link& link = walk_links[i];
    if (!link.number_known) {
        char target[path_size];
        char base[path_size];
        link_target(target, link_table[i]);
        link.number = stem_number(base, target);
    }
    link.number_known = true;
    return link.number >= 0 && link_is_page(i) ? link.number : -1;
}

// True when the file link names (in directory) exists.
static bool names_a_file(const char* link, const char* directory)
{
    char path[path_size];
    char found[path_size];
    return link_path(path, directory, link) && find_actual_name(found, path) == 0;
}

// The links among the first n (at most max, their positions into out) that match and name
// different files that exist: how many there are.
template <class Match>
static int distinct_files(int* out, int max, int n, const char* directory, Match match)
{
    int count = 0;
    for (int i = 0; i < n; ++i) {
        if (!match(i) || !link_is_page(i))
            continue;
        bool seen = false;
        for (int k = 0; k < count && !seen; ++k)
            seen = same_target(link_table[out[k]], link_table[i]);
        if (seen || !names_a_file(link_table[i], directory))
            continue;
        if (count < max)
            out[count] = i;
        ++count;
    }
    return count;
}

// The number rule in a walk: the link to the page numbered one more than the page (first with
// the page's stem less its number, then with any), or on a page without a number the first page
// of the numbered series its links form (the one with most numbers; none when two have as many).
// Its position, or -1.
static int number_rule_link(int n, const char* page_name, const char* directory)
{
    char base[path_size];
    int number = stem_number(base, page_name);
    int found[2];
    if (number >= 0) {
        for (int pass = 0; pass < 2; ++pass) {
            int count = distinct_files(found, 2, n, directory, [&](int i) {
                if (link_number(i) != number + 1)
                    return false;
                char other[path_size];
                char target[path_size];
                link_target(target, link_table[i]);
                stem_number(other, target);
                return pass == 1 || same_name(other, base);
            });
            if (count == 1)
                return found[0];
            if (count > 1)
                return -1;
        }
        return -1;
    }
    // The series: links whose targets are one path but for the number of their stems.
    static char keys[link_table_size][path_size];
    for (int i = 0; i < n; ++i) {
        keys[i][0] = '\0';
        if (link_number(i) < 0)
            continue;
        char target[path_size];
        link_target(target, link_table[i]);
        char stem_base[path_size];
        stem_number(stem_base, target);
        const char* name = name_in_path(target);
        const char* dot = std::strrchr(name, '.');
        dir_part(keys[i], target);
        append_text(keys[i], path_size, stem_base);
        append_text(keys[i], path_size, "#");
        append_text(keys[i], path_size, dot && dot != name ? dot : "");
    }
    int best = -1;
    int best_size = 1;
    bool tie = false;
    for (int i = 0; i < n; ++i) {
        if (keys[i][0] == '\0')
            continue;
        bool first_of_key = true;
        for (int k = 0; k < i && first_of_key; ++k)
            first_of_key = std::strcmp(keys[k], keys[i]) != 0;
        if (!first_of_key)
            continue;
        int size = 0;
        int lowest = -1;
        for (int k = i; k < n; ++k) {
            if (std::strcmp(keys[k], keys[i]) != 0)
                continue;
            bool repeated = false;
            for (int j = i; j < k && !repeated; ++j)
                repeated = std::strcmp(keys[j], keys[i]) == 0 && link_number(j) == link_number(k);
            if (repeated)
                continue;
            ++size;
            if (lowest < 0 || link_number(k) < link_number(lowest))
                lowest = k;
        }
        if (size > best_size) {
            best = lowest;
            best_size = size;
            tie = false;
        } else if (size == best_size && best >= 0) {
            tie = true;
        }
    }
    if (best < 0 || tie || !names_a_file(link_table[best], directory))
        return -1;
    return best;
}

// A link taken without a question: the log line names it and the rule.
static void print_taken(const char* link, choice_rule rule)
{
    screen_print_text(" -> ");
    screen_print_text(link);
    screen_print_text(rule == chosen_by_rel_next    ? " [rel=next] "
               : rule == chosen_by_words     ? " [says next] "
               : rule == chosen_in_node_tree ? " [node tree] "
                                             : " [number] ");
}

// ---- a tree of nodes: pages whose heads name the node above them (rel="up") and their next and
// previous siblings, as manuals split into a page per node are made

// The page that href, read in the page at page_path, names (normalized); false for none.
static bool href_path(char* out, const char* page_path, const char* href)
{
    char joined[path_size];
    if (!is_relative_address(href) || !path_of_link(joined, page_path, href))
        return false;
    normalize_path(out, joined);
    return true;
}

// The head of the page at path, where it exists and can be read.
static bool node_of(head_links& links, const char* path)
{
    char found[path_size];
    return find_actual_name(found, path) == 0 && read_head_links(path, links) == 0;
}

// The first section of the node at page_path: its first link that is no link back and names
// another page than next_link, when that page names it as its up, and as its prev it or nothing.
// The link's position, or -1.
static int first_section(int n, const char* directory, const char* page_path, const char* next_link)
{
    for (int i = 0; i < n; ++i) {
        if (!link_is_page(i) || link_words_of(i) == says_back || same_target(link_table[i], next_link))
            continue;
        char path[path_size];
        char up[path_size];
        char prev[path_size];
        static head_links section;
        if (!link_path(path, directory, link_table[i]) || !node_of(section, path) ||
            !href_path(up, path, section.up) || !same_path(up, page_path))
            return -1;
        if (section.prev[0] != '\0' && (!href_path(prev, path, section.prev) || !same_path(prev, page_path)))
            return -1;
        return i;
    }
    return -1;
}

// After the last section of a node (the page at page_path, whose up is up_href): the next node of
// the nearest node above that has one, a sibling of that node (its up is theirs). Its path into
// out; false when there is none.
static bool next_above(char* out, const char* page_path, const char* up_href)
{
    static head_links node;
    static head_links following;
    char at[path_size];
    if (!href_path(at, page_path, up_href))
        return false;
    for (int depth = 0; depth < 32; ++depth) {
        if (!node_of(node, at))
            return false;
        if (node.next[0] != '\0') {
            char up_of_node[path_size] = "";
            char up_of_next[path_size] = "";
            if (!href_path(out, at, node.next) || !node_of(following, out))
                return false;
            bool node_up = href_path(up_of_node, at, node.up);
            bool next_up = href_path(up_of_next, out, following.up);
            return node_up == next_up && (!node_up || same_path(up_of_node, up_of_next)) && !same_path(out, page_path);
        }
        char above[path_size];
        if (!href_path(above, at, node.up) || same_path(above, at))
            return false;
        copy_text(at, path_size, above);
    }
    return false;
}

// The address of the page at path from a page in directory, where it lies in that directory: its
// name, with the bytes that would end or change an address escaped. False elsewhere.
static bool address_in(char* out, const char* directory, const char* path)
{
    char own[path_size];
    dir_part(own, path);
    if (!same_path(own, directory))
        return false;
    int n = 0;
    for (const char* p = name_in_path(path); *p; ++p) {
        bool escaped = *p == ' ' || *p == '%' || *p == '#' || *p == '?' || *p == '"';
        if (n + (escaped ? 3 : 1) >= value_size)
            return false;
        if (escaped) {
            static const char hex[] = "0123456789ABCDEF";
            out[n++] = '%';
            out[n++] = hex[(*p >> 4) & 15];
            out[n++] = hex[*p & 15];
        } else {
            out[n++] = *p;
        }
    }
    out[n] = '\0';
    return true;
}

static void choose_in_walk(next_page_choice& choice, const char* path)
{
    choice.rule = chosen_by_none;
    choice.link[0] = choice.link_dir[0] = choice.path[0] = '\0';
    char rel_next[value_size];
    char rel_up[value_size];
    // Mostly rel="next" decides, and no label is looked at: they are read only where needed.
    int n = collect_links(path, link_table, rel_next, nullptr, rel_up);
    bool labeled = false;
    auto need_labels = [&] {
        if (!labeled)
            n = collect_links(path, link_table, rel_next, link_labels, rel_up);
        labeled = true;
        return n >= 0;
    };
    if (n < 0) {
        choice.result = add_unreadable;
        return;
    }
    char current_name[path_size];
    find_actual_name(current_name, path);
    const char* directory = work_directory;
    const char* page_path = work_page_path;
    dir_part(work_directory, path);
    normalize_path(work_page_path, path);
    refused_count = 0;
    for (int i = 0; i < n; ++i)
        walk_links[i].page_known = walk_links[i].says_known = walk_links[i].number_known = false;
    bool hint = rel_next[0] != '\0' && may_be_page(rel_next, directory, page_path);
    bool rel_next_found = hint && names_a_file(rel_next, directory);
    if (!(rel_next_found && rel_up[0] == '\0') && !need_labels()) {
        choice.result = add_unreadable;
        return;
    }
    bool usable = hint;
    for (int i = 0; i < n && !usable; ++i)
        usable = link_is_page(i);
    if (!usable) {
        choice.result = add_nothing_to_prepare;
        return;
    }

    const char* taken = nullptr;
    choice_rule rule = chosen_by_none;
    int leading[link_table_size];
    int leading_count = 0;
    static char above[value_size];  // the address of the next node above, in a tree of nodes
    if (rel_next_found) {
        int section = rel_up[0] != '\0' ? first_section(n, directory, page_path, rel_next) : -1;
        taken = section >= 0 ? link_table[section] : rel_next;
        rule = section >= 0 ? chosen_in_node_tree : chosen_by_rel_next;
    } else {
        leading_count = distinct_files(leading, link_table_size, n, directory,
                                       [](int i) { return link_leads_on(i); });
        char next_path[path_size];
        if (leading_count == 1) {
            taken = link_table[leading[0]];
            rule = chosen_by_words;
        } else if (leading_count == 0 && rel_up[0] != '\0' && next_above(next_path, page_path, rel_up) &&
                   address_in(above, directory, next_path)) {
            taken = above;
            rule = chosen_in_node_tree;
        }
    }
    int numbered = taken ? -1 : number_rule_link(n, current_name, directory);
    bool unanswered = !taken && !walk_attended();
    if (!taken && !unanswered) {
        // The questions: the links that say they lead on, the number rule's link, then the others
        // in the run's order of positions, those that say they lead back last.
        int first[link_table_size + 1];
        int firsts = 0;
        for (int k = 0; k < leading_count && k < link_table_size; ++k)
            first[firsts++] = leading[k];
        if (numbered >= 0)
            first[firsts++] = numbered;
        for (int round = 0; !taken && round < 3; ++round) {
            for (int entry = 0; !taken && entry < (round == 0 ? firsts : link_table_size); ++entry) {
                int position = round == 0 ? first[entry] : next_page_order[entry];
                if (position >= n || !link_is_page(position) ||
                    (round > 0 && (link_words_of(position) == says_back) != (round == 2)) ||
                    !may_offer(link_table[position], current_name))
                    continue;
                int answer = ask(link_table[position], current_name);
                if (!walk_attended()) {  // the input ended: that answer was no one's
                    unanswered = true;
                    break;
                }
                if (answer == answer_none) {
                    choice.result = add_canceled;
                    return;
                }
                if (answer == answer_yes) {
                    taken = link_table[position];
                    rule = chosen_by_answer;
                    move_to_front(position);
                }
            }
            if (unanswered)
                break;
        }
    }
    if (unanswered) {
        if (numbered < 0) {
            choice.result = add_undecided;
            return;
        }
        taken = link_table[numbered];
        rule = chosen_by_number;
    }
    if (taken && rule != chosen_by_answer)
        print_taken(taken, rule);
    if (taken) {
        take_link(choice, path, taken);
        char normal[path_size];
        normalize_path(normal, choice.path);
        if (choice.result == add_done && !path_inside(normal, walk_root)) {
            choice.result = add_next_outside;
            choice.rule = chosen_by_none;
        }
        if (choice.result == add_done)
            choice.rule = rule;
        if (choice.result != add_skipped)
            return;
    }
    choice.result = referring_error(choice.link, taken != nullptr);
}

void choose_next_page(next_page_choice& choice, const char* path)
{
    if (walk_rules) {
        choose_in_walk(choice, path);
        return;
    }
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
        screen_print_text(" -> ");
        screen_print_text(link_table[0]);
        screen_print_text(" ");
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
