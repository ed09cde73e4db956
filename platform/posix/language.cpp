// language.cpp: POSIX implementation of the interface defined in language.h. Japanese (1041) when
// the first of LC_ALL, LC_MESSAGES and LANG that is set begins with "ja" and the locale's codeset
// can carry Japanese; otherwise English, so that a terminal never gets bytes it cannot show.
#include "platform/language.h"

#include <iconv.h>
#include <langinfo.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

static int selected_id;

// True when the locale in force has a codeset that Japanese text converts into (UTF-8, EUC-JP,
// Shift-JIS), not one that is unknown or lacks it (ASCII, the C locale, Latin-1).
static bool codeset_carries_japanese()
{
    const char* codeset = nl_langinfo(CODESET);
    if (!codeset || !*codeset)
        return false;
    iconv_t convert = iconv_open(codeset, "CP932");
    if (convert == reinterpret_cast<iconv_t>(-1))
        return false;
    char sample[] = "\x93\xFA\x96\x7B\x8C\xEA";  // "日本語" in Shift-JIS
    char* in = sample;
    size_t in_left = std::strlen(sample);
    char out[32];
    char* to = out;
    size_t out_left = sizeof out;
    size_t r = iconv(convert, &in, &in_left, &to, &out_left);
    iconv_close(convert);
    return r != static_cast<size_t>(-1) && in_left == 0;
}

int user_language_id()
{
    if (selected_id)
        return selected_id;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return std::strncmp(value, "ja", 2) == 0 && codeset_carries_japanese() ? 1041 : 1033;
    }
    return 1033;
}

void select_language_id(int id) { selected_id = id; }
