// The text screen: the progress log of both programs, 36 buffer lines of 68 bytes used as a ring
// of two halves, of which 18 rows are shown.
#pragma once

constexpr int screen_lines = 36;
constexpr int screen_columns = 68;
constexpr int screen_rows_shown = 18;

extern unsigned char screen_buffer[screen_lines * screen_columns];
extern int top_line;       // buffer line shown in row 0 (0-17)
extern int cursor_row;     // cursor row counted from top_line (0-18)
extern int cursor_column;  // byte column of the cursor (0-68; 68 only until the next byte wraps)
extern int scroll_count;   // scroll steps since screen_init
extern bool repaint_pending;

// What the text screen asks of the front end that shows it. Either may be null.
struct screen_front_end {
    // Repaint the text rectangle (0, 0)-(384, 262) of window without erasing the background.
    void (*invalidate)(void* window);
    // A row was completed by a line feed or by the wrap at column 68: its 68 bytes.
    void (*row_completed)(const unsigned char* row);
};

// Remembers the window and its front end, blanks all lines and resets the cursor and counters.
int screen_init(void* window, const screen_front_end* front_end);

// For a front end that shows the log as running text rather than as rows of 68 columns (the
// terminal): sink receives every text that screen_print takes, as bytes up to n or the NUL, with a
// lead byte whose second byte is cut off given as one space. Null (the start) sends nothing.
void screen_set_text_sink(void (*sink)(const char* text, int n));

// Prints the bytes of text up to its NUL, at most n of them. CR returns to column 0, LF moves one
// row down (keeping the column) and scrolls in the last row; a double-byte character is stored
// whole and never split by the wrap at column 68; a lead byte whose second byte is cut off prints
// as one space.
int screen_print(const char* text, int n);

// The same over the whole text.
int screen_print_text(const char* text);

// Asks the front end to repaint the text rectangle; clears repaint_pending.
int screen_invalidate();

// One scroll step (called while cursor_row is 18).
int screen_scroll();

// The buffer line shown in row r (0-17).
const unsigned char* screen_row(int r);
