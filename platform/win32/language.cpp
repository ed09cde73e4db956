// language.cpp: Windows implementation of the interface defined in language.h.
#include "platform/language.h"

#include <windows.h>

static int selected_id;

int user_language_id() { return selected_id ? selected_id : GetUserDefaultLangID(); }

void select_language_id(int id) { selected_id = id; }
