// The console window on Windows: class, window procedure and painting in one place. The window
// shows 18 rows of the text screen and the program's logo, which scrolls away with the first rows.
#include "console/console_window.h"

#include "console/message_pump.h"
#include "console/text_screen.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

static const console_look* current_look;

constexpr int row_pitch = 13;
constexpr int bytes_drawn_per_row = 66;
constexpr int logo_x = 8;
constexpr int logo_y = 6;

static int32_t read_int32(const unsigned char* p)
{
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

// The colour of a palette entry; the palette has 16 entries, so larger indexes wrap.
static COLORREF palette_colour(const unsigned char* palette, int index)
{
    const unsigned char* rgb = palette + 3 * (index & 0x0F);
    return RGB(rgb[0], rgb[1], rgb[2]);
}

// Draws the logo record with its top left corner at (x, y - shift), one pixel at a time.
int draw_logo(HDC dc, int x, int y, int shift)
{
    const unsigned char* logo = current_look->logo;
    int width = read_int32(logo);
    int height = read_int32(logo + 4);
    bool four_bits = read_int32(logo + 8) == 16;
    const unsigned char* palette = logo + 12;
    const unsigned char* rows = logo + 60;
    if (height <= 0)
        return 0;
    int row_bytes = four_bits ? (width + 1) / 2 : width;
    for (int i = 0; i < height; ++i) {
        const unsigned char* row = rows + (height - 1 - i) * row_bytes;
        int py = y - shift + i;
        if (four_bits) {
            for (int j = 0; j < width; j += 2) {
                SetPixelV(dc, x + j, py, palette_colour(palette, row[j / 2] >> 4));
                SetPixelV(dc, x + j + 1, py, palette_colour(palette, row[j / 2] & 0x0F));
            }
        } else {
            for (int j = 0; j < width; ++j)
                SetPixelV(dc, x + j, py, palette_colour(palette, row[j]));
        }
    }
    return 0;
}

int paint_console(void* window)
{
    HWND hwnd = static_cast<HWND>(window);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    HFONT font = CreateFontA(row_pitch, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0, 0,
                             FIXED_PITCH, nullptr);
    HGDIOBJ previous = SelectObject(dc, font);
    for (int r = 0; r < screen_rows_shown; ++r)
        TextOutA(dc, 0, row_pitch * r, reinterpret_cast<const char*>(screen_row(r)), bytes_drawn_per_row);
    SelectObject(dc, previous);
    DeleteObject(font);

    int height = read_int32(current_look->logo + 4);
    int limit = scroll_count >= 18 ? logo_y + height : row_pitch * scroll_count;
    if (limit < logo_y + height) {
        int shift = limit - logo_y;
        draw_logo(dc, logo_x, logo_y, shift < 0 ? 0 : shift);
    }
    EndPaint(hwnd, &paint);
    if (repaint_pending)
        screen_invalidate();
    return 0;
}

static LRESULT CALLBACK console_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_PAINT:
        paint_console(window);
        return 0;
    case WM_CHAR:
        last_key = static_cast<int>(wparam);
        return 0;
    case WM_CLOSE:
        close_requested = -1;
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

static void invalidate_text(void* window)
{
    RECT text;
    SetRect(&text, 0, 0, 384, 262);
    InvalidateRect(static_cast<HWND>(window), &text, FALSE);
}

static void dispatch_window_messages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

static const screen_front_end window_front_end = {invalidate_text, nullptr};

void* create_console_window(void* instance, const console_look* look)
{
    current_look = look;
    HINSTANCE hinstance = static_cast<HINSTANCE>(instance);
    WNDCLASSA window_class;
    std::memset(&window_class, 0, sizeof window_class);
    window_class.lpfnWndProc = console_window_proc;
    window_class.hInstance = hinstance;
    window_class.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128));
    window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    window_class.lpszClassName = look->title;
    if (!RegisterClassA(&window_class))
        return nullptr;
    HWND window = CreateWindowExA(0, look->title, look->title, WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX,
                                  CW_USEDEFAULT, CW_USEDEFAULT, look->width, look->height, nullptr, nullptr,
                                  hinstance, nullptr);
    screen_init(window, &window_front_end);
    set_message_dispatcher(dispatch_window_messages);
    return window;
}

void show_console_window(void* window, int show_state)
{
    ShowWindow(static_cast<HWND>(window), show_state);
    UpdateWindow(static_cast<HWND>(window));
}

void update_console_window(void* window) { UpdateWindow(static_cast<HWND>(window)); }

bool console_is_attended() { return true; }

// Every argument is a page: a file dropped on the program may have any name.
bool console_answer_options(const console_look*, int, char* const*) { return false; }

int console_logo_rows() { return 5; }

bool console_stop_requested() { return false; }

void console_show_stream_message(const char* text)
{
    std::fputs(text, stdout);
    // The text screen takes CR LF line ends.
    for (const char* line = text; *line;) {
        const char* end = std::strchr(line, '\n');
        int length = end ? static_cast<int>(end - line) : static_cast<int>(std::strlen(line));
        if (length > 0)
            screen_print(line, length);
        if (!end)
            break;
        screen_print("\r\n", 2);
        line = end + 1;
    }
}

int console_exit_status(const run_end& result) { return result.quit ? 1 : 0; }
