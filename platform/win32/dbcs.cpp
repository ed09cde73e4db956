// dbcs.cpp: Windows implementation of the interface defined in dbcs.h.
#include "platform/dbcs.h"

#include <windows.h>

unsigned char lead_byte_table[256];

void init_lead_bytes()
{
    for (int b = 0; b < 256; ++b)
        lead_byte_table[b] = IsDBCSLeadByte(static_cast<BYTE>(b)) ? 1 : 0;
}

void select_code_page(int code_page)
{
    // Only the double-byte code pages have lead bytes; 0 would mean the system's own code page to
    // IsDBCSLeadByteEx, so anything else gets an empty table.
    bool double_byte = code_page == 932 || code_page == 936 || code_page == 949 || code_page == 950;
    for (int b = 0; b < 256; ++b)
        lead_byte_table[b] =
            double_byte && IsDBCSLeadByteEx(static_cast<UINT>(code_page), static_cast<BYTE>(b)) ? 1 : 0;
}

int system_code_page() { return static_cast<int>(GetACP()); }
