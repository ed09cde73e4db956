// The insert blocks file insert.ini beside the program: four text blocks separated by "---".
#pragma once

constexpr int insert_block_size = 8192;  // at most 8191 bytes and a NUL

extern char header_block[insert_block_size];      // block 1: kept, not used
extern char lead_in_block[insert_block_size];     // block 2: written before the applet element
extern char applet_tag_block[insert_block_size];  // block 3: the applet start tag
extern char applet_end_block[insert_block_size];  // block 4: the applet end tag and what follows

// Reads insert.ini from directory (which ends in its separator, or is empty for the current
// directory). All four blocks are emptied first. Returns 0, or -1 when the file cannot be opened.
int load_insert_blocks(const char* directory);

// True when the applet blocks hold their fixed bytes where the page rewriter expects them (an
// empty block is not tested) and no block written into pages (2-4) was longer than a block
// holds, as load_insert_blocks found it.
bool file_set_intact();

// Tests the blocks; when they are broken shows the "File Set Broken" box, waits 200 ms and returns
// false (the program then ends with status 1). Returns true when they pass.
bool check_file_set();
