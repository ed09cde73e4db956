// language.cpp: POSIX implementation of the interface defined in language.h. Japanese (1041) when
// the first of LC_ALL, LC_MESSAGES and LANG that is set begins with "ja".
#include "platform/language.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

static int selected_id;

int user_language_id()
{
    if (selected_id)
        return selected_id;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return std::strncmp(value, "ja", 2) == 0 ? 1041 : 1033;
    }
    return 1033;
}

void select_language_id(int id) { selected_id = id; }
