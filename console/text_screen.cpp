// The text screen: a fixed character buffer, a cursor and the ring scroll.
#include "console/text_screen.h"

#include "platform/dbcs.h"

#include <cstring>

unsigned char screen_buffer[screen_lines * screen_columns];
int top_line;
int cursor_row;
int cursor_column;
int scroll_count;
bool repaint_pending;

static void* console_window;
static const screen_front_end* front;
static void (*text_sink)(const char* text, int n);

void screen_set_text_sink(void (*sink)(const char* text, int n)) { text_sink = sink; }

int screen_init(void* window, const screen_front_end* front_end)
{
    console_window = window;
    front = front_end;
    std::memset(screen_buffer, ' ', sizeof screen_buffer);
    top_line = 0;
    cursor_row = 0;
    cursor_column = 0;
    scroll_count = 0;
    repaint_pending = true;
    return 0;
}

int screen_invalidate()
{
    if (front && front->invalidate)
        front->invalidate(console_window);
    repaint_pending = false;
    return 0;
}

int screen_scroll()
{
    ++scroll_count;
    ++top_line;
    if (top_line == screen_lines - screen_rows_shown) {
        std::memmove(screen_buffer, screen_buffer + screen_rows_shown * screen_columns,
                     screen_rows_shown * screen_columns);
        top_line = 0;
    }
    std::memset(screen_buffer + (top_line + cursor_row) * screen_columns, ' ', screen_columns);
    return 0;
}

const unsigned char* screen_row(int r) { return screen_buffer + (top_line + r) * screen_columns; }

static unsigned char* cursor_line() { return screen_buffer + (top_line + cursor_row) * screen_columns; }

static void line_feed()
{
    if (front && front->row_completed)
        front->row_completed(cursor_line());
    if (cursor_row < screen_rows_shown)
        ++cursor_row;
    else
        screen_scroll();
    repaint_pending = true;
    screen_invalidate();
}

// Stores count bytes (1, or 2 for a double-byte character) at the cursor; a character that would
// reach past column 67 goes to column 0 of the next row instead.
static void store(const unsigned char* bytes, int count)
{
    if (cursor_column + count > screen_columns) {
        line_feed();
        cursor_column = 0;
    }
    std::memcpy(cursor_line() + cursor_column, bytes, static_cast<size_t>(count));
    cursor_column += count;
}

int screen_print(const char* text, int n)
{
    bool pair = false;
    unsigned char pending[2] = {0, 0};
    int i = 0;
    for (; i < n && text[i] != '\0'; ++i) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        if (pair) {
            pair = false;
            pending[1] = b;
            store(pending, 2);
        } else if (is_lead_byte(b)) {
            pair = true;
            pending[0] = b;
        } else if (b == '\r') {
            cursor_column = 0;
            repaint_pending = true;
        } else if (b == '\n') {
            line_feed();
        } else {
            store(&b, 1);
        }
    }
    if (pair) {
        const unsigned char space = ' ';
        store(&space, 1);
    }
    if (text_sink) {
        text_sink(text, pair ? i - 1 : i);
        if (pair)
            text_sink(" ", 1);
    }
    return 0;
}

int screen_print_text(const char* text) { return screen_print(text, static_cast<int>(std::strlen(text))); }
