// What a run does with the temporary copies an earlier run left behind.
#include "batch/kept_copies.h"

#include "batch/page_batch.h"
#include "console/text_screen.h"
#include "platform/files.h"
#include "textio/page_compare.h"
#include "textio/page_locks.h"
#include "textio/paths.h"
#include "textio/temp_copy.h"

#include <cstdio>
#include <cstring>

namespace {

void print(const char* text) { screen_print(text, static_cast<int>(std::strlen(text))); }

// What a page is to a copy.
enum match_kind { no_match, copy_redundant, page_cut, page_finished };

struct variant_call {
    const batch_rules* rules;
    const char* copy;
    int variant;
};

bool call_variant(void* context)
{
    auto& call = *static_cast<variant_call*>(context);
    return call.rules->rewrite_variant(call.copy, call.variant);
}

match_kind match(const char* page, const char* copy, int variants, const batch_rules& rules, bool* blank)
{
    copy_standing s;
    *blank = false;
    if (compare_with_copy(&s, page, copy) != 0)
        return no_match;
    *blank = s.page_blank;
    // What holds pieces of the program's rewrite is a page cut while it was rewritten, even where
    // it also holds all of the copy (a power cut may keep the page's first pieces as they were).
    for (int v = 0; v < variants; ++v) {
        rewrite_standing r;
        variant_call call = {&rules, copy, v};
        if (compare_with_rewrite(&r, page, copy, call_variant, &call) == 0 && r.explained && (r.torn || r.same))
            return r.same ? page_finished : page_cut;
    }
    // The page as it was (the copy may be cut short, or hold zeros where its writing was lost);
    // but a page that is the copy cut short, or the copy with zeros after it, was cut itself.
    bool same = s.page_in_copy && s.copy_in_page;
    if (variants > 0 && !same && (s.page_in_copy || (s.copy_in_page && s.zeros_beyond)))
        return page_cut;
    if (s.copy_in_page)
        return copy_redundant;
    return no_match;
}

// ---- the copies of a folder

constexpr int matches_kept = 8;

struct copy_look {
    const char* folder;
    const char* copy;  // its path
    int variants;
    const batch_rules* rules;
    int count;  // matches, also beyond those kept
    char names[matches_kept][path_size];
    match_kind kinds[matches_kept];
    bool blank[matches_kept];  // empty or all zeros: a page cut to nothing, or any other such file
};

bool has_page_suffix(const char* name)
{
    const char* dot = std::strrchr(name, '.');
    return dot && (has_prefix_nocase(dot, ".htm") == 0) && (dot[4] == '\0' || ((dot[4] == 'l' || dot[4] == 'L') && dot[5] == '\0'));
}

bool look_at_page(const char* name, void* context)
{
    copy_look& look = *static_cast<copy_look*>(context);
    char path[path_size];
    if (is_temporary_copy_name(name) || !join_path(path, look.folder, name))
        return true;
    bool blank;
    match_kind kind = match(path, look.copy, look.variants, *look.rules, &blank);
    if (kind == no_match)
        return true;
    if (look.count < matches_kept) {
        copy_text(look.names[look.count], path_size, name);
        look.kinds[look.count] = kind;
        look.blank[look.count] = blank;
    }
    ++look.count;
    return true;
}

// True when no other run works on a file of the folder now (but for the one this run holds).
bool folder_is_quiet(const char* folder, const char* held)
{
    struct quiet {
        const char* folder;
        const char* held;
        bool busy;
    } q = {folder, held, false};
    list_files(
        folder,
        [](const char* name, void* context) {
            quiet& q = *static_cast<quiet*>(context);
            char path[path_size];
            if (std::strcmp(name, q.held) == 0 || !join_path(path, q.folder, name))
                return true;
            page_lock lock;
            if (take_lock_now(&lock, path, lock_work) != 0)
                q.busy = true;
            give_back(&lock);
            return !q.busy;
        },
        &q);
    return !q.busy;
}

// The one match that the copy is taken to belong to, or -1: the one page that is not blank and
// that the copy shows cut (or finished) by the earlier run; else a page that holds all of the copy
// (the copy can go, whichever page it was of); else, among blank pages (cut to nothing, which every
// copy fits), the one that bears a page's name.
int chosen(const copy_look& look)
{
    if (look.count > matches_kept)
        return -1;
    int found = -1;
    int candidates = 0;
    for (int i = 0; i < look.count; ++i)
        if (look.kinds[i] != copy_redundant && !look.blank[i]) {
            found = i;
            ++candidates;
        }
    if (candidates > 1)
        return -1;
    if (candidates == 1)
        return found;
    for (int i = 0; i < look.count; ++i)
        if (look.kinds[i] == copy_redundant)
            return i;
    for (int i = 0; i < look.count; ++i)
        if (has_page_suffix(look.names[i])) {
            found = i;
            ++candidates;
        }
    return candidates == 1 ? found : -1;
}

enum copy_outcome { copy_named, copy_dealt_with, copy_in_use };

copy_outcome deal_with(const char* folder, const char* copy_name, const batch_rules& rules)
{
    char copy[path_size];
    if (!join_path(copy, folder, copy_name) || has_prefix_nocase(copy_name, rules.copy_prefix) != 0 ||
        !rules.rewrite_variants)
        return copy_named;
    // While another run works on a page of the folder, its copies are not even opened: the copy
    // may be that run's own.
    file_identity before;
    if (!folder_is_quiet(folder, ""))
        return copy_in_use;
    if (file_ops.identify(&before, copy) != 0)
        return copy_named;
    // A page is put back only from a copy of a page that the program would rewrite; a copy that
    // holds nothing a page lacks may go whatever it holds.
    int variants = rules.rewrite_variants(copy);
    static copy_look look;
    look = {folder, copy, variants, &rules, 0, {}, {}, {}};
    list_files(folder, look_at_page, &look);
    int at = chosen(look);
    if (at < 0)
        return copy_named;
    const char* name = look.names[at];
    char page[path_size];
    join_path(page, folder, name);
    page_lock working;
    file_identity now;
    if (take_lock_now(&working, page, lock_work) != 0)
        return copy_in_use;
    // A copy that a run at work made would have that run's page held: only once no page of the
    // folder is held, and the copy is the file it was when it was looked at, is it an earlier run's.
    if (!folder_is_quiet(folder, name) || file_ops.identify(&now, copy) != 0 || !(now == before)) {
        give_back(&working);
        return copy_in_use;
    }
    if (look.kinds[at] == page_cut) {
        page_lock rewriting;
        take_lock(&rewriting, page, lock_rewrite);
        bool back = recover_page(page, copy, true) == 0;
        give_back(&rewriting);
        print("  ");
        print(name);
        print(back ? " put back from " : " could not be put back from ");
        print(copy_name);
        print(back ? ", left cut by an earlier run\r\n" : "\r\n");
    } else {
        bool deleted = file_ops.remove(copy) == 0;
        print("  ");
        print(copy_name);
        print(deleted ? " deleted: " : " could not be deleted, though ");
        print(name);
        print(" is whole\r\n");
    }
    give_back(&working);
    return copy_dealt_with;
}

char met_folders[32][path_size];
int folders_met;  // in all; the last 32 are kept

}  // namespace

void forget_kept_copies() { folders_met = 0; }

bool kept_copies_met(const char* folder)
{
    for (int i = 0; i < folders_met && i < 32; ++i)
        if (std::strcmp(met_folders[i], folder) == 0)
            return true;
    return false;
}

// Deals with the copies in folder, in the order of their names (whatever order the folder keeps
// them in), and names those not dealt with when naming says so. Returns how many were dealt with.
static int go_through_copies(const char* folder, const batch_rules& rules, bool naming)
{
    constexpr int most = 64;  // copies looked at; the rest are counted
    static char names[most][path_size];
    int found = find_temporary_copies(names[0], path_size, most, folder);
    int listed = found < most ? found : most;
    const char* order[most];
    for (int i = 0; i < listed; ++i) {
        int at = i;
        for (; at > 0 && std::strcmp(order[at - 1], names[i]) > 0; --at)
            order[at] = order[at - 1];
        order[at] = names[i];
    }
    constexpr int shown = 4;
    int named = 0;
    int dealt_with = 0;
    for (int i = 0; i < listed; ++i) {
        copy_outcome outcome = deal_with(folder, order[i], rules);
        dealt_with += outcome == copy_dealt_with ? 1 : 0;
        if (outcome != copy_named || !naming || ++named > shown)
            continue;
        print("  ");
        print(order[i]);
        print(" kept from an earlier run\r\n");
    }
    named += found - listed;
    if (naming && named > shown) {
        char more[80];
        std::snprintf(more, sizeof more, "  and %d more copies kept from an earlier run\r\n", named - shown);
        print(more);
    }
    return dealt_with;
}

int settle_kept_copies(const char* folder, const batch_rules& rules) { return go_through_copies(folder, rules, false); }

void meet_kept_copies(const char* folder, const batch_rules& rules)
{
    if (kept_copies_met(folder))
        return;
    copy_text(met_folders[folders_met++ % 32], path_size, folder);
    go_through_copies(folder, rules, true);
}
