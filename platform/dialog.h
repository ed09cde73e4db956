// Modal message boxes owned by the console window.
#pragma once

// Button and icon flags; the values are those of the Windows message box.
enum : unsigned {
    box_ok = 0x0,
    box_ok_cancel = 0x1,
    box_yes_no = 0x4,
    box_icon_warning = 0x30,
    box_icon_information = 0x40,
    box_topmost = 0x40000,
};

// Answers, again with the Windows values; answer_none is the native build's own.
enum : int {
    answer_none = -1,  // nothing was answered: an interrupt, or an answer that fits no button
    answer_ok = 1,
    answer_cancel = 2,
    answer_yes = 6,
    answer_no = 7,
};

// Shows text under caption with the buttons of flags, owned by owner (may be null), and returns
// the answer. On POSIX the box is written to standard error and answered by one line of standard
// input: y, n, o, c by first letter in either case; an empty line or the end of input is the first
// button. A line that fits no button is asked again on a terminal; from a pipe or a file it gives
// answer_none, and so does a stop signal (terminal.h) before or during the wait.
int message_box(void* owner, const char* text, const char* caption, unsigned flags);

// True when someone can answer a box: always on Windows; on POSIX while standard input is a
// terminal whose input has not ended.
bool answers_can_come();

// Converts a fixed text held as Shift-JIS bytes into the system's encoding for messages: unchanged
// on Windows, the locale's codeset on POSIX. Always NUL-terminates out (size > 0).
void text_from_shift_jis(char* out, int size, const char* text);
