// Read-only passes over a page: is it prepared already, and which links, images and streams does
// it hold. Each pass opens its stream, reads the page once and closes the stream on every return.
#pragma once

constexpr int path_size = 260;  // every path, name and table entry

constexpr int link_table_size = 128;
constexpr int image_table_size = 256;
constexpr int stream_table_size = 64;

// 123 when a BODY start tag (outside comments and script text) carries the letters onLoad; 0 when
// none does; -2 when the page has no BODY start tag at all, so that nothing could be prepared;
// -1 when the page cannot be opened or read. Uses the input stream.
int test_already_set(const char* path);

// Each returns the number of values kept, or -1 when the page cannot be opened or read. They use
// the scan reader, so they may run while the input stream is open.
int collect_links(const char* path, char (*table)[path_size]);    // HREF of A: at most 126
// The same, and rel_next (path_size bytes) gets the HREF of the first link marked rel="next" (the
// word next among the words of its REL value): a LINK element before the BODY start tag, or an A
// element. Empty when the page has none.
int collect_links(const char* path, char (*table)[path_size], char* rel_next);
int collect_images(const char* path, char (*table)[path_size]);   // SRC of IMG: at most 254
int collect_streams(const char* path, char (*table)[path_size]);  // SRC of EMBED, BGSOUND: at most 62
