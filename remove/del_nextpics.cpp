// delNextpics: takes out of every page named on the command line what addNextpics put into it.
#include "platform/process.h"
#include "remove/removal_driver.h"

int program_main(void* instance, int show_state) { return run_removal(instance, show_state); }
