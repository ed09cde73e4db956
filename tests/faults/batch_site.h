// The site that the whole-batch tests (fault injection, power cuts) run both programs over: four
// pages in two folders, one of them long, a next page in another folder, the program's
// nextpics.class, and files of the user's that bear our names.
#pragma once

#include <map>
#include <string>
#include <vector>

using page_set = std::map<std::string, std::string>;  // path -> bytes

extern std::string folder;  // the scratch folder: prog/ and site/
extern std::string site;
extern std::vector<std::string> pages;

// The user's own files with our names, and the program's applet.
extern const std::string users_add_temp;
extern const std::string users_del_temp;
extern const std::string users_applet;
extern const std::string programs_applet;

// text with every LF preceded by CR.
std::string crlf(const std::string& text);

// Lays out the site afresh in a new scratch folder.
void lay_out_site();

page_set read_pages();
void write_pages(const page_set& set);

// addNextpics' and delNextpics' batch over the pages, as their entries run them: every question
// answered with its first button (Yes, OK), the log on a fresh text screen.
void add_batch();
void del_batch();

// The pages as they were, as addNextpics prepares them and as delNextpics then restores them, each
// batch run without faults over a site laid out afresh through the failing file layer (installed,
// no fault armed).
struct site_states {
    page_set originals;
    page_set prepared;
    page_set restored;
};
site_states prepare_and_restore();

// The log names path as a kept copy (rows may break anywhere in it).
bool log_names(const std::string& path);

// Our temporary copies in the site, less the user's own files of those names.
std::vector<std::string> our_temporary_files();
