// Comparing a page with its temporary copy, and with what a pass makes of that copy, 512 bytes at a
// time at the same offsets: a disk writes such a piece whole, so that a page that lost power while
// it was written may hold some pieces of what was written and others as they were, or zeros.
#pragma once

// How a page and its copy stand to each other.
struct copy_standing {
    bool page_in_copy;  // every piece of the page is the copy's: the page is the copy, maybe cut short
    bool copy_in_page;  // every piece of the copy is the page's or zeros: it holds nothing the page lacks
    bool page_blank;    // the page is empty or all zeros, which fits every copy
    bool zeros_beyond;  // the page is longer than the copy by zeros alone: writes lost past the copy's end
};

// Fills out for the files at page and copy. 0, or -1 when either cannot be read.
int compare_with_copy(copy_standing* out, const char* page, const char* copy);

// How a page stands to the rewrite of its copy (R).
struct rewrite_standing {
    bool explained;  // every piece of the page is R's, the copy's or zeros, and it is no longer than R
    bool same;       // the page is R, whole
    bool torn;       // some piece of the page is R's where the copy's differs: R's bytes are in it
};

// Opens the output stream on a sink, calls rewrite(context), which writes R to it from the copy,
// and fills out by what arrived. 0; 1 when rewrite returned false (it has no such rewrite); -1 when
// page or copy cannot be read.
int compare_with_rewrite(rewrite_standing* out, const char* page, const char* copy, bool (*rewrite)(void* context),
                         void* context);
