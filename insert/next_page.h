// Choosing the next page of a page: its links, the number rule, the run-wide order of link
// positions, the user's answers and a check that the chosen file exists.
#pragma once

#include "scan/page_scanners.h"

extern char link_table[link_table_size][path_size];
extern int next_page_order[link_table_size];  // a permutation of 0..127; entry 0 is asked first
extern bool order_seeded;

extern char next_link[path_size];       // the chosen link as written in the page
extern char next_link_dir[path_size];   // its directory part, possibly empty
extern char next_page_path[path_size];  // the page's directory followed by next_link

// Sets the order to 0, 1, ..., 127 and clears order_seeded (once, when the program starts).
void reset_next_page_order();

// Chooses the next page of the page at path. 0 when one was chosen and exists; -1 when the page
// cannot be opened; -2 when it has no links; -3 / -4 when there is no usable next page and the
// user answered OK / Cancel in the referring-error box; -4 also when a question got no answer.
int choose_next_page(const char* path);
