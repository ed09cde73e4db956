// Double-byte character sets: which bytes open a two-byte character in the system's ANSI code page.
#pragma once

// One entry per byte value, non-zero for a lead byte. Filled by init_lead_bytes; all zero before,
// which is the behaviour of a single-byte code page.
extern unsigned char lead_byte_table[256];

// Fills the table from the system's code page (Windows: IsDBCSLeadByte; POSIX: the codeset of the
// locale that setlocale(LC_ALL, "") selects).
void init_lead_bytes();

// The system's ANSI code page (POSIX: 932, 936, 949 or 950 for the codesets that have lead bytes,
// else 0).
int system_code_page();

// Selects a code page for tests: 932 (Shift-JIS), 936/949/950 (0x81-0xFE), anything else none.
void select_code_page(int code_page);

// True when b (a character code 0-255; -1 never) opens a double-byte character.
inline bool is_lead_byte(int b) { return b >= 0 && lead_byte_table[b & 255] != 0; }
