// The page rewriter: the preload script and onLoad attribute at the BODY start tag, the applet
// element at the BODY end tag; every other byte is copied as it stands.
#include "insert/page_rewriter.h"

#include "console/message_pump.h"
#include "console/text_screen.h"
#include "insert/insert_blocks.h"
#include "insert/next_page.h"
#include "platform/dbcs.h"
#include "platform/files.h"
#include "textio/paths.h"
#include "textio/streams.h"
#include "textio/temp_copy.h"

#include <cstdio>
#include <cstring>

char image_table[image_table_size][path_size];
char stream_table[stream_table_size][path_size];
int image_count;
int stream_count;
char program_directory[path_size];

static void print_text(const char* text) { screen_print(text, static_cast<int>(std::strlen(text))); }

// CR LF ahead of an insertion, unless the output already ends in an empty line.
static void line_break_rule()
{
    if (!(out_last4() == '\r' && out_last3() == '\n' && out_last2() == '\r' && out_last() == '\n'))
        out_puts("\r\n");
}

// An address relative to the current page: the next page's directory goes before it.
static void put_address(const char* address)
{
    if (has_prefix_nocase(address, "http://") != 0)
        out_puts(next_link_dir);
    out_puts(address);
}

// Writes the rest of a tag up to its ">" and the ">" itself (also when the input has ended).
static void finish_tag(const char* attribute)
{
    copy_until('>');
    out_puts(attribute);
    in_next();
    out_put('>');
}

static void insert_at_start_tag(const char* tag)
{
    line_break_rule();
    out_puts("<!-- Nextpics insert -->\r\n");
    out_puts("<script language=\"Javascript\">\r\n");
    out_puts("<!-- \r\n");
    out_puts("function preloadImage()  {\r\n");
    for (int i = 0; i < image_count; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "  nextImg%d= new Image;  nextImg%d.src=\"", i + 1, i + 1);
        out_puts(line);
        put_address(image_table[i]);
        out_puts("\";\r\n");
        out_puts("  document.preload.next();\r\n");
    }
    out_puts("}\r\n");
    out_puts("// --></script>\r\n");
    out_puts("\r\n");
    out_puts(tag);
    finish_tag(" onLoad=\"preloadImage()\"");
}

static void insert_at_end_tag(const char* tag)
{
    line_break_rule();
    out_puts(lead_in_block);
    out_puts("<applet code=\"nextpics.class\" name=\"preload\"");
    int tag_block_length = static_cast<int>(std::strlen(applet_tag_block));
    if (tag_block_length == 0) {
        out_puts(" width=0 height=0>\r\n");
    } else if (tag_block_length >= 45) {
        out_put(' ');
        out_puts(applet_tag_block + 45);
    }
    out_puts("<param name=\"next\" value=\"");
    out_puts(next_link);
    for (int i = 0; i < stream_count; ++i) {
        out_put(';');
        put_address(stream_table[i]);
    }
    out_puts("\">\r\n");
    out_puts("</applet>\r\n");
    if (std::strlen(applet_end_block) >= 11)
        out_puts(applet_end_block + 11);
    out_puts(tag);
    finish_tag("");
}

// Copies a comment whose "<!--" has been written, through its "-->". A byte is a second byte when
// the byte before it is an unmarked lead byte; a marked byte is never part of "-->".
static void copy_comment()
{
    int w[3];
    bool second[3];
    for (int i = 0; i < 3; ++i) {
        w[i] = in_next();
        second[i] = i > 0 && !second[i - 1] && is_lead_byte(w[i - 1]);
        if (w[i] != -1)
            out_put(w[i]);
    }
    while (!(w[0] == '-' && w[1] == '-' && w[2] == '>' && !second[0] && !second[1] && !second[2])) {
        int b = in_next();
        if (b == -1)
            return;
        out_put(b);
        bool mark = !second[2] && is_lead_byte(w[2]);
        w[0] = w[1], second[0] = second[1];
        w[1] = w[2], second[1] = second[2];
        w[2] = b, second[2] = mark;
    }
}

static bool is_letter(int ch, char upper) { return ch == upper || ch == upper + ('a' - 'A'); }

// After "<" (or "</"): consumes the letters of BODY as they match into tag. True when all four
// did; otherwise what was consumed is written and the mismatching byte stays in the input.
static bool read_body_name(char* tag, int length)
{
    for (const char* letter = "BODY"; *letter; ++letter) {
        if (!is_letter(in_peek(), *letter)) {
            tag[length] = '\0';
            out_puts(tag);
            return false;
        }
        tag[length++] = static_cast<char>(in_next());
    }
    tag[length] = '\0';
    return true;
}

void rewrite_page()
{
    bool pair = false;
    while (in_peek() != -1) {
        poll_messages();
        int ch = in_peek();
        bool second = pair;
        pair = !pair && is_lead_byte(ch);
        if (ch != '<' || second) {
            out_put(in_next());
            continue;
        }
        in_next();
        pair = false;
        char tag[8] = "<";
        int next = in_peek();
        if (next == '!') {
            in_next();
            if (in_peek() != '-') {
                out_puts("<!");
            } else {
                in_next();
                if (in_peek() != '-') {
                    out_puts("<!-");
                } else {
                    in_next();
                    out_puts("<!--");
                    copy_comment();
                }
            }
        } else if (is_letter(next, 'B')) {
            if (read_body_name(tag, 1))
                insert_at_start_tag(tag);
        } else if (next == '/') {
            tag[1] = static_cast<char>(in_next());
            if (read_body_name(tag, 2))
                insert_at_end_tag(tag);
        } else {
            out_put('<');
        }
    }
}

// Writes the page's line of the log: the counts of what the next page holds.
static void print_counts()
{
    char counts[64];
    std::snprintf(counts, sizeof counts, "(%d imgs, %d strms)", image_count, stream_count);
    print_text(counts);
}

// Puts the program's own nextpics.class beside the page when the page's directory has none.
static void provide_applet(const char* page_directory)
{
    char target[path_size];
    copy_text(target, path_size, page_directory);
    append_text(target, path_size, "nextpics.class");
    char found[path_size];
    if (find_actual_name(found, target) == 0)
        return;
    char source[path_size];
    copy_text(source, path_size, program_directory);
    append_text(source, path_size, "nextpics.class");
    file_ops.copy(source, target, true);
}

int insert_into_page(const char* path)
{
    int chosen = choose_next_page(path);
    if (chosen < 0)
        return chosen;

    image_count = collect_images(next_page_path, image_table);
    stream_count = collect_streams(next_page_path, stream_table);
    print_counts();

    char page_directory[path_size];
    dir_part(page_directory, path);
    provide_applet(page_directory);

    char temp_path[path_size];
    if (make_temp_copy(temp_path, path, page_directory, "addnex") != 0)
        return -5;
    if (in_open(temp_path) != 0) {
        recover_page(path, temp_path);
        return -6;
    }
    if (out_open(path) != 0) {
        in_close();
        recover_page(path, temp_path);
        return -7;
    }
    rewrite_page();
    int written = out_close();
    bool read_whole = !in_failed();
    in_close();
    if (written != 0 || !read_whole) {
        recover_page(path, temp_path);
        return -7;
    }
    drop_temp_copy(temp_path);
    return 0;
}
