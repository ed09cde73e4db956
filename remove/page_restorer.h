// Recognising a prepared page and taking out what addNextpics put into it.
#pragma once

// What test_inserted finds.
enum inserted_result : int {
    inserted_marked = 123,  // the marker stood before the onLoad, or an insertion left partial
    inserted_onload = 1,    // addNextpics' own onLoad without the marker
    inserted_none = 0,      // nothing of addNextpics', or the page's own onLoad
    inserted_unreadable = -1,
};

// What became of one page in delNextpics: the results of restore_page.
enum del_result : int {
    del_done = 0,
    del_copy_failed = -1,      // the temporary copy cannot be made
    del_applet_unended = -2,   // an applet element of ours has no end: the page stays as it was
    del_copy_unreadable = -5,  // the copy cannot be opened for reading
    del_page_unwritable = -6,  // the page cannot be opened for writing
    del_write_failed = -7,     // a write or a read of the copy failed
    del_changed = 1,           // another program changed the page while it was restored
    del_stopped = 2,           // the run was stopped while it waited for another run
};

// The first BODY start tag that carries onLoad decides: inserted_marked when an insertion marker
// stood before it; inserted_onload when its value is addNextpics' own onLoad call;
// inserted_none when it is the page's own. Without such a tag: inserted_marked when the page holds
// the insertion marker or an applet element whose code is nextpics.class (an insertion left
// partial), else inserted_none. inserted_unreadable: the page cannot be opened. Script text is
// passed over. The page is only read.
int test_inserted(const char* path);

// Restores the page at path through a temporary copy "delnex<n>.tmp" in its directory: drops the
// insertion marker with the preload script, the onLoad attribute of BODY start tags and the applet
// element; script text and every other byte are written unchanged and in order. Returns a
// del_result (after del_write_failed the page is brought back whole from the copy, or the log
// names the copy that holds it).
int restore_page(const char* path);

// For a copy of a page that an earlier run left: 1 when this program would have restored such a
// page, else 0; and that restoring pass from the copy to the output stream, which the caller
// opened (false when the copy cannot be read).
int count_restores(const char* copy);
bool replay_restore(const char* copy, int variant);

// The restoring pass from the input stream to the output stream, both open. Returns del_done, or
// del_applet_unended when an applet element whose end never comes was met (or the input could not
// be re-read).
int restore_pass();
