// The page rewriter: the preload script and onLoad attribute at the BODY start tag, the applet
// element at the BODY end tag; every other byte is copied as it stands.
#include "insert/page_rewriter.h"

#include "console/messages.h"
#include "console/text_screen.h"
#include "insert/insert_blocks.h"
#include "insert/next_page.h"
#include "platform/files.h"
#include "scan/insertion_format.h"
#include "scan/page_pass.h"
#include "textio/page_locks.h"
#include "textio/paths.h"
#include "textio/streams.h"
#include "textio/temp_copy.h"

#include <cstdio>
#include <cstring>

static char program_directory[path_size];

void set_program_directory(const char* directory) { copy_text(program_directory, path_size, directory); }

// What one rewrite puts into the page: the next page, what it holds and the blocks of insert.ini.
struct insertion {
    const next_page_choice& next;
    const next_page_contents& contents;
    const insert_blocks& blocks;
};


// CR LF ahead of an insertion, unless the output already ends in an empty line.
static void line_break_rule()
{
    if (!(out_last4() == '\r' && out_last3() == '\n' && out_last2() == '\r' && out_last() == '\n'))
        out_puts("\r\n");
}

// Text gathered before it is written, so that the many short parts of the preload script cost one
// write for each few kilobytes instead of one each. Written in the order gathered, so the output
// is the same.
struct gathered_text {
    unsigned char bytes[4096];
    int length;
};

static void write_gathered(gathered_text& text)
{
    out_write(text.bytes, text.length);
    text.length = 0;
}

static void gather_in_pieces(gathered_text& text, const char* part, int length);

// Mostly the part fits: copied in place, which for a part of known length needs no call.
static inline void gather_bytes(gathered_text& text, const char* part, int length)
{
    if (length <= static_cast<int>(sizeof text.bytes) - text.length) {
        std::memcpy(text.bytes + text.length, part, static_cast<size_t>(length));
        text.length += length;
        return;
    }
    gather_in_pieces(text, part, length);
}

static void gather_in_pieces(gathered_text& text, const char* part, int length)
{
    for (;;) {
        int room = static_cast<int>(sizeof text.bytes) - text.length;
        int n = length < room ? length : room;
        std::memcpy(text.bytes + text.length, part, static_cast<size_t>(n));
        text.length += n;
        part += n;
        length -= n;
        if (length == 0)
            return;
        write_gathered(text);
    }
}

static void gather(gathered_text& text, const char* part) { gather_bytes(text, part, static_cast<int>(std::strlen(part))); }

// A part whose length is known when the program is built.
template <int size>
static void gather_literal(gathered_text& text, const char (&part)[size])
{
    gather_bytes(text, part, size - 1);
}

template <int length>
static void gather_literal(gathered_text& text, const fixed_text<length>& part)
{
    gather_bytes(text, part.bytes, length);
}

template <int length>
static void put_literal(const fixed_text<length>& part)
{
    out_write(reinterpret_cast<const unsigned char*>(part.bytes), length);
}

// An address of the next page, as the current page must name it: a relative one with the next
// page's directory before it; one from the server's root, another server or with a scheme
// ("http:", "data:") as it stands.
static void gather_address(gathered_text& text, const char* address, const next_page_choice& next)
{
    if (is_relative_address(address))
        gather(text, next.link_dir);
    gather(text, address);
}

static void put_address(const char* address, const next_page_choice& next)
{
    gathered_text text;
    text.length = 0;
    gather_address(text, address, next);
    write_gathered(text);
}

// Writes the rest of a tag up to its ">" and the ">" itself (also when the input has ended).
static void finish_tag(const char* attribute)
{
    copy_tag_rest();
    out_puts(attribute);
    in_next();
    out_put('>');
}

// Writes the decimal digits of a number from 0 to 999999999 into out (12 bytes).
static void format_number(char* out, int value)
{
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0 && n < 10);
    for (int i = 0; i < n; ++i)
        out[i] = digits[n - 1 - i];
    out[n] = '\0';
}

static void insert_at_start_tag(const char* tag, const insertion& what)
{
    line_break_rule();
    gathered_text text;
    text.length = 0;
    gather_literal(text, marker_line);
    gather_literal(text, script_opener);
    for (int i = 0; i < what.contents.image_count; ++i) {
        // The image's number without formatted output, which costs more than the rest of the line.
        char number[12];
        format_number(number, i + 1);
        gather_literal(text, image_line_start);
        gather(text, number);
        gather_literal(text, image_line_middle);
        gather(text, number);
        gather_literal(text, image_line_address);
        gather_address(text, what.contents.images[i], what.next);
        gather_literal(text, image_line_end);
        gather_literal(text, image_line_call);
    }
    gather_literal(text, script_closer);
    gather(text, tag);
    write_gathered(text);
    finish_tag(onload_attribute.c_str());
}

// The applet element with the next page and its streams, and what the insert blocks put around it.
// Blocks 3 and 4 begin with the applet start and end that are written here (the file set's check
// holds them to it), so their rest follows; an empty block 3 gives a bare size instead.
static void write_applet_element(const insertion& what)
{
    line_break_rule();
    out_puts(what.blocks.lead_in);
    const char* tag_block = what.blocks.applet_tag;
    int tag_block_length = static_cast<int>(std::strlen(tag_block));
    if (tag_block_length == 0) {
        put_literal(applet_start);
        out_puts(bare_applet_size);
    } else if (tag_block_length >= applet_start.length) {
        put_literal(applet_start);
        out_puts(tag_block + applet_start.length);
    } else {
        // Shorter than the start (which the file set's check refuses): the start less its blank.
        out_write(reinterpret_cast<const unsigned char*>(applet_start.bytes), applet_start.length - 1);
    }
    out_puts(next_parameter_start);
    out_puts(what.next.link);
    for (int i = 0; i < what.contents.stream_count; ++i) {
        out_put(stream_separator);
        put_address(what.contents.streams[i], what.next);
    }
    out_puts(next_parameter_end);
    put_literal(applet_end);
    if (std::strlen(what.blocks.applet_end) >= static_cast<size_t>(applet_end.length))
        out_puts(what.blocks.applet_end + applet_end.length);
}

static void insert_at_end_tag(const char* tag, const insertion& what)
{
    write_applet_element(what);
    out_puts(tag);
    finish_tag("");
}

// After "<", the rewriter looks for a comment, a BODY start tag, a BODY end tag and script text
// (where a BODY tag is no tag of the page).
static constexpr markup_starts rewriter_starts = make_markup_starts("BODY|/BODY|SCRIPT");

void rewrite_page(const next_page_choice& next, const next_page_contents& contents, const insert_blocks& blocks)
{
    const insertion what = {next, contents, blocks};
    bool script_written = false;  // at a BODY start tag
    bool applet_written = false;
    bool ends_in_text = true;  // the page does not end inside a comment or script text
    pass_page<input_reader, true>(rewriter_starts, [&] {
        char tag[16] = "<";
        int length = 1;
        int next = in_peek();
        if (next == '!') {
            if (open_comment<input_reader, true>()) {
                // A BODY tag inside a comment is copied as it stands.
                out_puts("<!--");
                byte_window<input_reader> w = comment_start<input_reader>();
                w.write();
                ends_in_text = finish_comment<input_reader, true>(w);
            }
        } else if (is_letter(next, 'B') || next == '/') {
            bool start = next != '/';
            if (!match_name<input_reader>(start ? "BODY" : "/BODY", tag, length)) {
                out_puts(tag);
            } else if (start) {
                insert_at_start_tag(tag, what);
                script_written = true;
            } else {
                insert_at_end_tag(tag, what);
                applet_written = true;
            }
        } else if (is_letter(next, 'S')) {
            bool script = match_name<input_reader>("SCRIPT", tag, length);
            out_puts(tag);
            if (script && ends_script_name(in_peek()))
                ends_in_text = in_pass_script(true);
        } else {
            out_put('<');
        }
        return true;
    });
    // A page without a BODY end tag gets the applet element at its end, so that its script never
    // calls an applet that is not there; not where it ends inside a comment or script text, which
    // would hold the element.
    if (script_written && !applet_written && ends_in_text)
        write_applet_element(what);
}

// Writes the page's line of the log: the counts of what the next page holds.
static void print_counts(const next_page_contents& contents)
{
    char counts[64];
    std::snprintf(counts, sizeof counts, "(%d imgs, %d strms)", contents.image_count, contents.stream_count);
    screen_print_text(counts);
}

// Puts the program's own nextpics.class beside the page when the page's directory has none.
static void provide_applet(const char* page_directory)
{
    char target[path_size];
    char source[path_size];
    if (!join_path(target, page_directory, applet_class) || !join_path(source, program_directory, applet_class))
        return;
    char found[path_size];
    if (find_actual_name(found, target) == 0 || dry_run())
        return;
    // The applet was not there a moment ago, so the copy makes a new file and never writes over
    // one; such a copy that fails leaves nothing behind. A half copy would stay broken for good,
    // since later runs copy the applet only where it is missing.
    file_ops.copy(source, target, 0);
}

// The next page of the page at work and what it holds, for the pass that rewrites it (which the
// copy's rewrite calls with no arguments). The contents are large, so they are kept here rather
// than on the stack.
static next_page_choice chosen;
static next_page_contents collected;

const next_page_choice& last_next_page_choice() { return chosen; }

static int rewrite_pass()
{
    rewrite_page(chosen, collected, loaded_insert_blocks());
    return 0;
}

static int collect_contents(const char* next_page)
{
    return collect_images_and_streams(next_page, collected.images, collected.image_count, collected.streams,
                                      collected.stream_count);
}

int insert_into_page(const char* path)
{
    // Any change to the page from here on is another program's.
    file_identity first_look;
    if (file_ops.identify(&first_look, path) != 0)
        first_look = {};
    choose_next_page(chosen, path);
    if (chosen.result != add_done)
        return chosen.result;

    // Not while another run rewrites the next page, which would be read half written.
    page_lock reading;
    if (take_lock(&reading, chosen.path, lock_read) != 0)
        return add_stopped;
    int read = collect_contents(chosen.path);
    give_back(&reading);
    if (read != 0)
        return add_next_unreadable;
    print_counts(collected);

    char page_directory[path_size];
    dir_part(page_directory, path);
    provide_applet(page_directory);

    int unused;
    switch (rewrite_through_copy(path, first_look, page_directory, "addnex", rewrite_pass, &unused)) {
    case rewrite_done:
        return add_done;
    case rewrite_copy_failed:
        return add_copy_failed;
    case rewrite_copy_unreadable:
        return add_copy_unreadable;
    case rewrite_changed:
        return add_changed;
    case rewrite_stopped:
        return add_stopped;
    default:
        return add_page_unwritable;
    }
}

// ---- what the program would have made of a copy, for the copies an earlier run left

static char replay_links[link_table_size + 1][value_size];
static int replay_link_count;

int count_rewrites(const char* copy)
{
    if (test_already_set(copy) != set_none)
        return 0;
    char rel_next[value_size];
    int n = collect_links(copy, replay_links, rel_next);
    if (n < 0)
        return 0;
    if (rel_next[0] != '\0')
        copy_text(replay_links[n++], value_size, rel_next);
    replay_link_count = n;
    return n;
}

bool replay_rewrite(const char* copy, int variant)
{
    if (variant >= replay_link_count)
        return false;
    take_link(chosen, copy, replay_links[variant]);
    if (chosen.result != add_done || collect_contents(chosen.path) != 0 || in_open(copy) != 0)
        return false;
    rewrite_page(chosen, collected, loaded_insert_blocks());
    in_close();
    return true;
}
