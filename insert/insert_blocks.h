// The insert blocks file insert.ini beside the program: four text blocks separated by "---".
#pragma once

constexpr int insert_block_size = 8192;  // at most 8191 bytes and a NUL

struct insert_blocks {
    char header[insert_block_size];      // block 1: kept, not used
    char lead_in[insert_block_size];     // block 2: written before the applet element
    char applet_tag[insert_block_size];  // block 3: the applet start tag
    char applet_end[insert_block_size];  // block 4: the applet end tag and what follows
    // Set when a block written into pages (2-4) was longer than a block holds: its end would be
    // cut off in every page (a stand-in script cut short is a script error there).
    bool written_block_cut;
};

// Reads insert.ini from directory (which ends in its separator, or is empty for the current
// directory) into the run's blocks. All four blocks are emptied first. Returns 0, or -1 when the
// file cannot be opened.
int load_insert_blocks(const char* directory);

// The run's blocks, as load_insert_blocks left them (all empty before).
const insert_blocks& loaded_insert_blocks();

// True when the applet blocks begin with the bytes the page rewriter writes in their place (the
// whole applet start of block 3, whose rest closes the tag, and the end tag and line break of
// block 4; an empty block is not tested) and no block written into pages (2-4) was longer than a
// block holds.
bool file_set_intact(const insert_blocks& blocks);

// Tests the run's blocks; when they are broken shows the "File Set Broken" box, waits 200 ms and
// returns false (the program then ends with status 1). Returns true when they pass.
bool check_file_set();
