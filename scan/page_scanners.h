// Read-only passes over a page: is it prepared already, and which links, images and streams does
// it hold. Each pass opens its stream, reads the page once and closes the stream on every return.
#pragma once

#include "textio/paths.h"


constexpr int link_table_size = 128;
constexpr int image_table_size = 256;
constexpr int stream_table_size = 64;

// What test_already_set finds.
enum already_set_result : int {
    set_found = 123,   // a BODY start tag (outside comments and script text) carries onLoad
    set_none = 0,      // none does
    set_unreadable = -1,
    set_no_body = -2,  // the page has no BODY start tag at all, so nothing could be prepared
};

// An already_set_result. Uses the input stream.
int test_already_set(const char* path);

// Each returns the number of values kept, or -1 when the page cannot be opened or read. They use
// the scan reader, so they may run while the input stream is open.
int collect_links(const char* path, char (*table)[value_size]);    // HREF of A: at most 126
// The same, and rel_next (path_size bytes) gets the HREF of the first link marked rel="next" (the
// word next among the words of its REL value): a LINK element before the BODY start tag, or an A
// element. Empty when the page has none.
int collect_links(const char* path, char (*table)[value_size], char* rel_next);
// The same, and each link's label (labels[i] for table[i]): what the link says of itself, for
// telling the link a reader would click on. Its fields, each ended by a line feed, as the page
// writes them (entities and the page's encoding kept, runs of blanks one space): the text of the
// element (up to its end tag, the next A start tag or label_reach bytes), the values of its TITLE,
// ARIA-LABEL, REL, CLASS and ID attributes, and the ALT and TITLE values of images inside it; cut
// at label_size - 1 bytes. rel_up (value_size bytes, may be null) gets the HREF of the first LINK
// element before the BODY start tag marked rel="up", as rel_next gets the one marked next.
constexpr int label_size = 512;
constexpr int label_reach = 2048;
int collect_links(const char* path, char (*table)[value_size], char* rel_next, char (*labels)[label_size],
                  char* rel_up = nullptr);
// Whether collect_images_and_streams also keeps the labels of the links it gathers in passing
// (off at start: only a walk asks for them); it leaves them out after a rel="next" link where no
// rel="up" one came before, as that link decides. Where they were left out, collect_links with
// labels reads the page anew. While on, links are read with care, also without labels: an
// attribute after an unquoted value is read (a list has always passed over it).
void keep_link_labels(bool on);
// The label of the element content at bytes (count of them, the first just after the start tag's
// ">") appended to label (label_size bytes): its text, then the ALT and TITLE values of its images.
void append_content_label(char* label, const unsigned char* bytes, int count);

// What a prepared page names as its next page: 1 when the page holds the insertion marker and an
// applet next parameter, whose address (up to its first stream separator) is written to link
// (value_size bytes); 0 when it holds no such pair; -1 when it cannot be read. Uses the scan reader.
int read_next_parameter(const char* path, char* link);

// The HREF values (value_size bytes each, empty where there is none) of the first LINK elements
// before the BODY start tag whose REL names next, up and prev: where a page stands in a tree of
// nodes. 0; -1 when the page cannot be read. The pass ends at the BODY start tag.
struct head_links {
    char next[value_size];
    char up[value_size];
    char prev[value_size];
};
int read_head_links(const char* path, head_links& links);

int collect_images(const char* path, char (*table)[value_size]);   // SRC of IMG: at most 254
int collect_streams(const char* path, char (*table)[value_size]);  // SRC of EMBED, BGSOUND: at most 62

// collect_images and collect_streams of one page, in one pass where that gives what the two give
// (as it does unless markup stands inside one of those tags). 0, with the counts set; -1 when the
// page cannot be opened or read, both counts -1 then.
int collect_images_and_streams(const char* path, char (*images)[value_size], int& image_count,
                               char (*streams)[value_size], int& stream_count);
