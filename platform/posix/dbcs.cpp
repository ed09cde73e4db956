// dbcs.cpp: POSIX implementation of the interface defined in dbcs.h. The lead bytes follow the
// codeset of the locale.
#include "platform/dbcs.h"

#include <langinfo.h>

#include <cstring>
#include <strings.h>

unsigned char lead_byte_table[256];

static int code_page_of_codeset(const char* codeset)
{
    static const struct {
        const char* name;
        int code_page;
    } known[] = {
        {"SHIFT_JIS", 932}, {"SHIFT-JIS", 932}, {"SJIS", 932},   {"CP932", 932},
        {"WINDOWS-31J", 932}, {"GBK", 936},     {"GB2312", 936}, {"CP936", 936},
        {"BIG5", 950},      {"BIG5-HKSCS", 950}, {"CP950", 950}, {"EUC-KR", 949},
        {"CP949", 949},
    };
    for (const auto& k : known)
        if (strcasecmp(codeset, k.name) == 0)
            return k.code_page;
    return 0;
}

void select_code_page(int code_page)
{
    for (int b = 0; b < 256; ++b) {
        bool lead = false;
        if (code_page == 932)
            lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        else if (code_page == 936 || code_page == 949 || code_page == 950)
            lead = b >= 0x81 && b <= 0xFE;
        lead_byte_table[b] = lead ? 1 : 0;
    }
}

int system_code_page()
{
    const char* codeset = nl_langinfo(CODESET);
    return codeset ? code_page_of_codeset(codeset) : 0;
}

void init_lead_bytes() { select_code_page(system_code_page()); }
