// addNextpics: prepares every page named on the command line so that, once loaded, it fetches
// its next page and that page's images and streams in the background.
#include "insert/insertion_driver.h"
#include "platform/process.h"

int program_main(void* instance, int show_state) { return run_insertion(instance, show_state); }
