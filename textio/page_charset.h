// Whether a page is UTF-8, which decides whether its bytes pair as double-byte characters of the
// system's code page: on a double-byte system a UTF-8 page read in pairs loses the "<" that follows
// many of its characters.
#pragma once

// How many bytes from the start of a page the decision looks at.
constexpr int charset_window = 65536;

// True when the page whose first bytes are begin .. end (at most charset_window of them) is UTF-8:
// it starts with the UTF-8 byte-order mark; or a meta element before its BODY start tag declares
// charset=utf-8 (or utf8, any case); or, declaring no charset, its bytes are valid UTF-8 holding
// at least one character of more than one byte (a character cut at end counts as valid).
bool page_is_utf8(const unsigned char* begin, const unsigned char* end);
