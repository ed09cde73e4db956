// box_driver: plays the user's part against a program under test. It runs a script of steps that
// wait for windows and message boxes, press buttons, type keys and read pixels, one line per result.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

constexpr int default_timeout_ms = 15000;
constexpr int poll_interval_ms = 20;
constexpr int max_tokens = 8;
constexpr int token_size = 512;

// Exit statuses: every step passed, a usage or script error, a step that did not see what it waited
// for, a message box where none was expected.
constexpr int exit_passed = 0;
constexpr int exit_usage = 1;
constexpr int exit_timeout = 2;
constexpr int exit_unexpected_box = 3;

struct step_line {
    int count;
    char tokens[max_tokens][token_size];
};

// What the script learnt about the program under test: its process, once its window was found.
static DWORD target_pid;
static DWORD target_thread_id;
static HANDLE target_process;
static HANDLE frozen_thread;
static ULONGLONG start_tick;
static char snap_dir[MAX_PATH];

static long elapsed_ms() { return static_cast<long>(GetTickCount64() - start_tick); }

static void copy_bounded(char* out, size_t size, const char* text)
{
    if (size == 0)
        return;
    size_t n = std::strlen(text);
    if (n >= size)
        n = size - 1;
    std::memcpy(out, text, n);
    out[n] = '\0';
}

static void append_bounded(char* out, size_t size, const char* text)
{
    size_t used = std::strlen(out);
    if (used + 1 >= size)
        return;
    copy_bounded(out + used, size - used, text);
}

// Writes text between brackets as it is, bytes of the upper half included, with control bytes
// escaped so that one observation stays on one line; then the same bytes in hex.
static void print_field(const char* name, const char* text)
{
    std::printf(" %s=[", name);
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p < 0x20 || *p == 0x7F)
            std::printf("\\x%02x", *p);
        else
            std::putchar(*p);
    }
    std::printf("] %s_hex=", name);
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
        std::printf("%02x", *p);
}

static void end_line()
{
    std::printf(" t_ms=%ld\n", elapsed_ms());
    std::fflush(stdout);
}

static int fail(int step, const char* reason, int status)
{
    std::printf("fail step=%d reason=%s", step, reason);
    end_line();
    return status;
}

// Splits one script line into words; double quotes group words with blanks, "#" starts a comment.
static void split_step(step_line* out, const char* line)
{
    out->count = 0;
    const char* p = line;
    while (*p && out->count < max_tokens) {
        while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
            ++p;
        if (!*p || *p == '#')
            break;
        char* token = out->tokens[out->count++];
        size_t used = 0;
        bool quoted = false;
        while (*p && (quoted || (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n'))) {
            if (*p == '"')
                quoted = !quoted;
            else if (used + 1 < token_size)
                token[used++] = *p;
            ++p;
        }
        token[used] = '\0';
    }
}

static int number_or(const step_line* step, int index, int fallback)
{
    return index < step->count ? std::atoi(step->tokens[index]) : fallback;
}

static const char* button_name(int id)
{
    switch (id) {
    case IDOK: return "ok";
    case IDCANCEL: return "cancel";
    case IDABORT: return "abort";
    case IDRETRY: return "retry";
    case IDIGNORE: return "ignore";
    case IDYES: return "yes";
    case IDNO: return "no";
    default: return "other";
    }
}

static int button_id(const char* name)
{
    const int ids[] = {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO};
    for (int id : ids)
        if (std::strcmp(name, button_name(id)) == 0)
            return id;
    return 0;
}

static bool belongs_to_target(HWND window)
{
    if (target_pid == 0)
        return true;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid == target_pid;
}

static bool target_has_exited()
{
    return target_process && WaitForSingleObject(target_process, 0) == WAIT_OBJECT_0;
}

static HWND visible_box()
{
    HWND box = nullptr;
    while ((box = FindWindowExA(nullptr, box, "#32770", nullptr)) != nullptr)
        if (IsWindowVisible(box) && belongs_to_target(box))
            return box;
    return nullptr;
}

static HWND wait_for_box(int timeout_ms)
{
    ULONGLONG deadline = GetTickCount64() + timeout_ms;
    for (;;) {
        HWND box = visible_box();
        if (box || GetTickCount64() >= deadline || target_has_exited())
            return box;
        Sleep(poll_interval_ms);
    }
}

static void window_text(char* out, int size, HWND window)
{
    out[0] = '\0';
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, size, reinterpret_cast<LPARAM>(out), SMTO_ABORTIFHUNG, 2000,
                             &copied))
        GetWindowTextA(window, out, size);
    out[size - 1] = '\0';
}

struct box_parts {
    HWND text_control;
    char buttons[64];
};

static BOOL CALLBACK collect_box_part(HWND child, LPARAM data)
{
    box_parts* parts = reinterpret_cast<box_parts*>(data);
    char class_name[32];
    GetClassNameA(child, class_name, sizeof class_name);
    int id = GetDlgCtrlID(child) & 0xFFFF;
    if (lstrcmpiA(class_name, "Button") == 0) {
        if (parts->buttons[0])
            append_bounded(parts->buttons, sizeof parts->buttons, ",");
        append_bounded(parts->buttons, sizeof parts->buttons, button_name(id));
    } else if (lstrcmpiA(class_name, "Static") == 0 && id == 0xFFFF && !parts->text_control) {
        parts->text_control = child;
    }
    return TRUE;
}

// Records a message box: caption, text (the static control with id 0xFFFF), owner, buttons and
// whether it stays on top.
static void print_box(const char* kind, HWND box, box_parts* parts)
{
    std::memset(parts, 0, sizeof *parts);
    EnumChildWindows(box, collect_box_part, reinterpret_cast<LPARAM>(parts));
    char caption[1024];
    char text[1024] = "";
    char owner[256] = "";
    window_text(caption, sizeof caption, box);
    if (parts->text_control)
        window_text(text, sizeof text, parts->text_control);
    HWND owner_window = GetWindow(box, GW_OWNER);
    if (owner_window)
        GetWindowTextA(owner_window, owner, sizeof owner);
    LONG ex_style = GetWindowLongA(box, GWL_EXSTYLE);
    std::printf("%s", kind);
    print_field("caption", caption);
    print_field("text", text);
    print_field("owner", owner);
    std::printf(" buttons=%s topmost=%d exstyle=%08lx", parts->buttons, (ex_style & WS_EX_TOPMOST) ? 1 : 0,
                static_cast<unsigned long>(ex_style));
}

static bool wait_until_gone(HWND window, int timeout_ms)
{
    ULONGLONG deadline = GetTickCount64() + timeout_ms;
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(poll_interval_ms);
    }
    return true;
}

static bool press_button(HWND box, int id)
{
    HWND button = GetDlgItem(box, id);
    if (!button)
        return false;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return true;
}

static int step_expect_box(int index, const step_line* step)
{
    if (step->count < 2)
        return fail(index, "usage:expect-box_button_[ms]", exit_usage);
    int id = button_id(step->tokens[1]);
    if (id == 0)
        return fail(index, "unknown-button", exit_usage);
    HWND box = wait_for_box(number_or(step, 2, default_timeout_ms));
    if (!box)
        return fail(index, "no-box", exit_timeout);
    box_parts parts;
    print_box("box", box, &parts);
    if (!press_button(box, id)) {
        std::printf(" pressed=none");
        end_line();
        return fail(index, "button-missing", exit_timeout);
    }
    std::printf(" pressed=%s", button_name(id));
    end_line();
    if (!wait_until_gone(box, default_timeout_ms))
        return fail(index, "box-stays", exit_timeout);
    return exit_passed;
}

// Watches for the given time; a box that shows up is recorded and answered with Cancel (or OK)
// so that the program does not hang on it.
static int step_expect_no_box(int index, const step_line* step)
{
    HWND box = wait_for_box(number_or(step, 1, 2000));
    if (!box) {
        std::printf("no-box");
        end_line();
        return exit_passed;
    }
    box_parts parts;
    print_box("unexpected-box", box, &parts);
    bool pressed = press_button(box, IDCANCEL) || press_button(box, IDOK);
    std::printf(" pressed=%s", pressed ? "dismissed" : "none");
    end_line();
    return fail(index, "unexpected-box", exit_unexpected_box);
}

static HWND find_titled(const char* title) { return FindWindowA(nullptr, title); }

// Waits until the window with this title is visible and remembers its process, so that later
// steps look only at that program's boxes and can wait for its exit.
static int step_wait_window(int index, const step_line* step)
{
    if (step->count < 2)
        return fail(index, "usage:wait-window_title_[ms]", exit_usage);
    ULONGLONG deadline = GetTickCount64() + number_or(step, 2, default_timeout_ms);
    HWND window;
    while (!(window = find_titled(step->tokens[1])) || !IsWindowVisible(window)) {
        if (GetTickCount64() >= deadline)
            return fail(index, "no-window", exit_timeout);
        Sleep(poll_interval_ms);
    }
    target_thread_id = GetWindowThreadProcessId(window, &target_pid);
    if (target_process)
        CloseHandle(target_process);
    target_process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, target_pid);
    std::printf("window");
    print_field("title", step->tokens[1]);
    std::printf(" found=1");
    end_line();
    return exit_passed;
}

static int step_window_info(int index, const step_line* step)
{
    HWND window = step->count >= 2 ? find_titled(step->tokens[1]) : nullptr;
    if (!window)
        return fail(index, "no-window", exit_timeout);
    RECT outer;
    RECT client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    LONG style = GetWindowLongA(window, GWL_STYLE);
    char class_name[256] = "";
    GetClassNameA(window, class_name, sizeof class_name);
    std::printf("info");
    print_field("title", step->tokens[1]);
    print_field("class", class_name);
    std::printf(" width=%ld height=%ld client_width=%ld client_height=%ld client_x=%ld client_y=%ld",
                outer.right - outer.left, outer.bottom - outer.top, client.right, client.bottom, origin.x,
                origin.y);
    std::printf(" caption=%d sysmenu=%d thickframe=%d minimizebox=%d maximizebox=%d visible=%d menu=%d",
                (style & WS_CAPTION) == WS_CAPTION, (style & WS_SYSMENU) != 0, (style & WS_THICKFRAME) != 0,
                (style & WS_MINIMIZEBOX) != 0, (style & WS_MAXIMIZEBOX) != 0, IsWindowVisible(window) != 0,
                GetMenu(window) != nullptr);
    end_line();
    return exit_passed;
}

struct colour {
    int red;
    int green;
    int blue;
};

static bool is_white(colour c) { return c.red == 255 && c.green == 255 && c.blue == 255; }

// Copies a client rectangle of the window (right and bottom edges excluded) into 32-bit pixels in
// one go; where the window's own device context gives nothing, the same place is read from the
// screen. Returns false when neither can be read.
static bool read_rect(unsigned* out, HWND window, int x0, int y0, int width, int height)
{
    HDC window_dc = GetDC(window);
    HDC memory_dc = CreateCompatibleDC(window_dc);
    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool read = false;
    if (bitmap && bits) {
        HGDIOBJ previous = SelectObject(memory_dc, bitmap);
        read = BitBlt(memory_dc, 0, 0, width, height, window_dc, x0, y0, SRCCOPY) != 0;
        if (!read) {
            POINT at = {x0, y0};
            ClientToScreen(window, &at);
            HDC screen_dc = GetDC(nullptr);
            read = BitBlt(memory_dc, 0, 0, width, height, screen_dc, at.x, at.y, SRCCOPY) != 0;
            ReleaseDC(nullptr, screen_dc);
        }
        GdiFlush();
        if (read)
            std::memcpy(out, bits, sizeof(unsigned) * width * height);
        SelectObject(memory_dc, previous);
    }
    if (bitmap)
        DeleteObject(bitmap);
    DeleteDC(memory_dc);
    ReleaseDC(window, window_dc);
    return read;
}

static colour colour_of(unsigned pixel) { return {int(pixel >> 16 & 0xFF), int(pixel >> 8 & 0xFF), int(pixel & 0xFF)}; }

static int step_pixel(int index, const step_line* step)
{
    HWND window = step->count >= 4 ? find_titled(step->tokens[1]) : nullptr;
    if (!window)
        return fail(index, "no-window", exit_timeout);
    int x = std::atoi(step->tokens[2]);
    int y = std::atoi(step->tokens[3]);
    unsigned pixel = 0;
    colour c = read_rect(&pixel, window, x, y, 1, 1) ? colour_of(pixel) : colour{-1, -1, -1};
    std::printf("pixel");
    print_field("title", step->tokens[1]);
    std::printf(" x=%d y=%d rgb=%d,%d,%d", x, y, c.red, c.green, c.blue);
    end_line();
    return exit_passed;
}

struct pixel_counts {
    int white, violet, red, other;
    int left, top, right, bottom;
};

// Counts the colours in a client rectangle and the box around every pixel that is not white:
// violet means blue above green, red means red well above both. Returns false when unreadable.
static bool count_pixels(pixel_counts* counts, HWND window, int x0, int y0, int x1, int y1)
{
    static unsigned pixels[1024 * 1024];
    std::memset(counts, 0, sizeof *counts);
    int width = x1 - x0;
    int height = y1 - y0;
    if (width <= 0 || height <= 0 || width * height > 1024 * 1024 || !read_rect(pixels, window, x0, y0, width, height))
        return false;
    counts->left = x1;
    counts->top = y1;
    counts->right = x0;
    counts->bottom = y0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            colour c = colour_of(pixels[y * width + x]);
            if (is_white(c)) {
                ++counts->white;
                continue;
            }
            if (c.red > c.green + 60 && c.red > c.blue + 40)
                ++counts->red;
            else if (c.blue > c.green)
                ++counts->violet;
            else
                ++counts->other;
            counts->left = x0 + x < counts->left ? x0 + x : counts->left;
            counts->top = y0 + y < counts->top ? y0 + y : counts->top;
            counts->right = x0 + x + 1 > counts->right ? x0 + x + 1 : counts->right;
            counts->bottom = y0 + y + 1 > counts->bottom ? y0 + y + 1 : counts->bottom;
        }
    }
    return true;
}

static bool rect_arguments(const step_line* step, HWND* window, int* x0, int* y0, int* x1, int* y1)
{
    *window = step->count >= 6 ? find_titled(step->tokens[1]) : nullptr;
    if (!*window)
        return false;
    *x0 = std::atoi(step->tokens[2]);
    *y0 = std::atoi(step->tokens[3]);
    *x1 = std::atoi(step->tokens[4]);
    *y1 = std::atoi(step->tokens[5]);
    return true;
}

static int step_pixels(int index, const step_line* step)
{
    HWND window;
    int x0, y0, x1, y1;
    if (!rect_arguments(step, &window, &x0, &y0, &x1, &y1))
        return fail(index, "no-window", exit_timeout);
    pixel_counts counts;
    if (!count_pixels(&counts, window, x0, y0, x1, y1))
        return fail(index, "unreadable", exit_timeout);
    std::printf("pixels");
    print_field("title", step->tokens[1]);
    std::printf(" rect=%d,%d,%d,%d white=%d violet=%d red=%d other=%d", x0, y0, x1, y1, counts.white,
                counts.violet, counts.red, counts.other);
    if (counts.right > counts.left)
        std::printf(" marked=%d,%d,%d,%d", counts.left, counts.top, counts.right, counts.bottom);
    else
        std::printf(" marked=none");
    end_line();
    return exit_passed;
}

// Waits until something other than white shows in a client rectangle: the window has been painted.
static int step_wait_marked(int index, const step_line* step)
{
    HWND window;
    int x0, y0, x1, y1;
    if (!rect_arguments(step, &window, &x0, &y0, &x1, &y1))
        return fail(index, "no-window", exit_timeout);
    ULONGLONG deadline = GetTickCount64() + number_or(step, 6, default_timeout_ms);
    pixel_counts counts;
    while (!count_pixels(&counts, window, x0, y0, x1, y1) || counts.right <= counts.left) {
        if (GetTickCount64() >= deadline)
            return fail(index, "nothing-drawn", exit_timeout);
        Sleep(poll_interval_ms);
    }
    std::printf("marked");
    print_field("title", step->tokens[1]);
    end_line();
    return exit_passed;
}

// Stops the program's window thread, so that its window stays as it is while it is looked at, and
// lets it go on again.
static int step_freeze(int index, bool freeze)
{
    if (freeze) {
        if (frozen_thread || !target_thread_id)
            return fail(index, "cannot-freeze", exit_usage);
        frozen_thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, target_thread_id);
        if (!frozen_thread || SuspendThread(frozen_thread) == static_cast<DWORD>(-1))
            return fail(index, "cannot-freeze", exit_timeout);
    } else if (frozen_thread) {
        ResumeThread(frozen_thread);
        CloseHandle(frozen_thread);
        frozen_thread = nullptr;
    }
    std::printf("%s", freeze ? "freeze" : "thaw");
    end_line();
    return exit_passed;
}

// A single character stands for itself, "esc" for 27, anything else is a decimal character code.
static int key_code(const char* text)
{
    if (text[0] && !text[1])
        return static_cast<unsigned char>(text[0]);
    if (lstrcmpiA(text, "esc") == 0)
        return 27;
    return std::atoi(text);
}

static int step_post(int index, const step_line* step, bool is_key)
{
    HWND window = step->count >= (is_key ? 3 : 2) ? find_titled(step->tokens[1]) : nullptr;
    if (!window)
        return fail(index, "no-window", exit_timeout);
    std::printf("%s", is_key ? "key" : "close");
    print_field("title", step->tokens[1]);
    if (is_key) {
        int code = key_code(step->tokens[2]);
        PostMessageA(window, WM_CHAR, code, 1);
        std::printf(" code=%d", code);
    } else {
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    end_line();
    return exit_passed;
}

static int step_wait_exit(int index, const step_line* step)
{
    if (!target_process)
        return fail(index, "no-process-known", exit_usage);
    if (WaitForSingleObject(target_process, number_or(step, 1, default_timeout_ms)) != WAIT_OBJECT_0)
        return fail(index, "still-running", exit_timeout);
    DWORD code = 0;
    GetExitCodeProcess(target_process, &code);
    std::printf("exit code=%lu", static_cast<unsigned long>(code));
    end_line();
    return exit_passed;
}

// Asks the script that runs this driver to take a screenshot: announces the name, then waits until
// a file of that name with ".done" appears in the snapshot folder.
static int step_snap(int index, const step_line* step)
{
    if (step->count < 2 || !snap_dir[0])
        return fail(index, "usage:snap_name_needs_--snap-dir", exit_usage);
    char done[MAX_PATH];
    copy_bounded(done, sizeof done, snap_dir);
    append_bounded(done, sizeof done, "\\");
    append_bounded(done, sizeof done, step->tokens[1]);
    append_bounded(done, sizeof done, ".done");
    std::printf("snap name=%s", step->tokens[1]);
    end_line();
    ULONGLONG deadline = GetTickCount64() + number_or(step, 2, 5000);
    while (GetFileAttributesA(done) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount64() >= deadline)
            return fail(index, "snap-not-taken", exit_timeout);
        Sleep(poll_interval_ms);
    }
    return exit_passed;
}

#pragma pack(push, 2)
struct icon_group_header {
    WORD reserved;
    WORD type;
    WORD count;
};
struct icon_group_entry {
    BYTE width;
    BYTE height;
    BYTE colour_count;
    BYTE reserved;
    WORD planes;
    WORD bit_count;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

// Loads a program as data and reports its icon group 128: how many images it holds, and for each
// the size and depth from the group entry and from the image's own bitmap header.
static int step_icon(int index, const step_line* step)
{
    if (step->count < 2)
        return fail(index, "usage:icon_program", exit_usage);
    HMODULE module = LoadLibraryExA(step->tokens[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return fail(index, "cannot-load", exit_timeout);
    std::printf("icon");
    HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(128), RT_GROUP_ICON);
    const void* group_data = group ? LockResource(LoadResource(module, group)) : nullptr;
    DWORD group_size = group ? SizeofResource(module, group) : 0;
    if (!group_data || group_size < sizeof(icon_group_header)) {
        std::printf(" group=none");
        end_line();
        FreeLibrary(module);
        return exit_passed;
    }
    icon_group_header header;
    std::memcpy(&header, group_data, sizeof header);
    std::printf(" group=128 type=%u images=%u", header.type, header.count);
    for (unsigned i = 0; i < header.count; ++i) {
        size_t offset = sizeof header + i * sizeof(icon_group_entry);
        if (offset + sizeof(icon_group_entry) > group_size)
            break;
        icon_group_entry entry;
        std::memcpy(&entry, static_cast<const char*>(group_data) + offset, sizeof entry);
        std::printf(" image%u=%ux%u,%ubit", i, entry.width ? entry.width : 256u, entry.height ? entry.height : 256u,
                    entry.bit_count);
        HRSRC image = FindResourceA(module, MAKEINTRESOURCEA(entry.id), RT_ICON);
        const void* image_data = image ? LockResource(LoadResource(module, image)) : nullptr;
        if (image_data && SizeofResource(module, image) >= sizeof(BITMAPINFOHEADER)) {
            BITMAPINFOHEADER bitmap;
            std::memcpy(&bitmap, image_data, sizeof bitmap);
            std::printf(" bitmap%u=%ldx%ld,%ubit", i, bitmap.biWidth, bitmap.biHeight / 2, bitmap.biBitCount);
        } else {
            std::printf(" bitmap%u=none", i);
        }
    }
    end_line();
    FreeLibrary(module);
    return exit_passed;
}

// answer-all MS: for MS milliseconds, every message box of any program gets its first button (OK
// or Yes) pressed, as a user who always takes the default would; prints how many were answered.
static int step_answer_all(int index, const step_line* step)
{
    ULONGLONG deadline = GetTickCount64() + number_or(step, 1, default_timeout_ms);
    int answered = 0;
    while (GetTickCount64() < deadline) {
        HWND box = nullptr;
        while ((box = FindWindowExA(nullptr, box, "#32770", nullptr)) != nullptr)
            if (IsWindowVisible(box) && (press_button(box, IDOK) || press_button(box, IDYES)))
                ++answered;
        Sleep(poll_interval_ms);
    }
    std::printf("%d answered %d\n", index, answered);
    return exit_passed;
}

static int run_step(int index, const char* line)
{
    step_line step;
    split_step(&step, line);
    if (step.count == 0)
        return exit_passed;
    const char* verb = step.tokens[0];
    if (std::strcmp(verb, "expect-box") == 0)
        return step_expect_box(index, &step);
    if (std::strcmp(verb, "expect-no-box") == 0)
        return step_expect_no_box(index, &step);
    if (std::strcmp(verb, "wait-window") == 0)
        return step_wait_window(index, &step);
    if (std::strcmp(verb, "window-info") == 0)
        return step_window_info(index, &step);
    if (std::strcmp(verb, "pixel") == 0)
        return step_pixel(index, &step);
    if (std::strcmp(verb, "pixels") == 0)
        return step_pixels(index, &step);
    if (std::strcmp(verb, "wait-marked") == 0)
        return step_wait_marked(index, &step);
    if (std::strcmp(verb, "freeze") == 0)
        return step_freeze(index, true);
    if (std::strcmp(verb, "thaw") == 0)
        return step_freeze(index, false);
    if (std::strcmp(verb, "key") == 0)
        return step_post(index, &step, true);
    if (std::strcmp(verb, "close") == 0)
        return step_post(index, &step, false);
    if (std::strcmp(verb, "wait-exit") == 0)
        return step_wait_exit(index, &step);
    if (std::strcmp(verb, "snap") == 0)
        return step_snap(index, &step);
    if (std::strcmp(verb, "icon") == 0)
        return step_icon(index, &step);
    if (std::strcmp(verb, "answer-all") == 0)
        return step_answer_all(index, &step);
    if (std::strcmp(verb, "sleep") == 0) {
        Sleep(number_or(&step, 1, 0));
        return exit_passed;
    }
    return fail(index, "unknown-step", exit_usage);
}

static int run_script_file(const char* path, int* index)
{
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return fail(*index, "cannot-open-script", exit_usage);
    char line[2048];
    int status = exit_passed;
    while (status == exit_passed && std::fgets(line, sizeof line, file))
        status = run_step((*index)++, line);
    std::fclose(file);
    return status;
}

static void usage()
{
    std::fputs("usage: box_driver [--snap-dir DIR] (STEP | -f SCRIPT)...\n"
               "steps: wait-window TITLE [MS] | window-info TITLE | pixel TITLE X Y |\n"
               "       pixels TITLE X0 Y0 X1 Y1 | wait-marked TITLE X0 Y0 X1 Y1 [MS] | freeze | thaw |\n"
               "       key TITLE CHAR|esc|CODE | close TITLE |\n"
               "       expect-box ok|cancel|yes|no|... [MS] | expect-no-box MS | wait-exit [MS] |\n"
               "       snap NAME [MS] | icon PROGRAM | sleep MS\n",
               stderr);
}

int main(int argc, char** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    start_tick = GetTickCount64();
    if (argc < 2) {
        usage();
        return exit_usage;
    }
    int index = 1;
    int status = exit_passed;
    for (int i = 1; i < argc && status == exit_passed; ++i) {
        if (std::strcmp(argv[i], "--snap-dir") == 0 && i + 1 < argc)
            copy_bounded(snap_dir, sizeof snap_dir, argv[++i]);
        else if (std::strcmp(argv[i], "-f") == 0 && i + 1 < argc)
            status = run_script_file(argv[++i], &index);
        else
            status = run_step(index++, argv[i]);
    }
    if (frozen_thread)
        ResumeThread(frozen_thread);
    if (target_process)
        CloseHandle(target_process);
    return status;
}
