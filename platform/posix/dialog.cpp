// dialog.cpp: POSIX implementation of the interface defined in dialog.h. A message box is written
// to standard error and answered by one line of standard input.
#include "platform/dialog.h"

#include "platform/terminal.h"

#include <iconv.h>
#include <langinfo.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <initializer_list>

// Appends text to the box being composed, bounded by its size. The texts use CR LF as their line
// break; a terminal wants LF alone.
static void append_text(char* box, int size, int& used, const char* text)
{
    for (const char* p = text; *p && used < size - 1; ++p)
        if (*p != '\r')
            box[used++] = *p;
    box[used] = '\0';
}

// Reads one line of standard input without stdio buffering, so nothing typed after it is taken
// away from later questions. Returns false at the end of the input with nothing read.
static bool read_answer_line(char* line, int size)
{
    int n = 0;
    bool any = false;
    for (;;) {
        char c;
        ssize_t r = read(STDIN_FILENO, &c, 1);
        if (r <= 0)
            break;
        any = true;
        if (c == '\n')
            break;
        if (n < size - 1)
            line[n++] = c;
    }
    line[n] = '\0';
    return any;
}

int message_box(void*, const char* text, const char* caption, unsigned flags)
{
    bool yes_no = (flags & 0xF) == box_yes_no;
    bool ok_cancel = (flags & 0xF) == box_ok_cancel;
    const char* hint = yes_no ? "[Y]es / [N]o" : ok_cancel ? "[O]K / [C]ancel" : "[O]K";
    int first = yes_no ? answer_yes : answer_ok;

    std::fflush(stdout);
    terminal_line_mode(true);
    int answer = 0;
    while (answer == 0) {
        // The whole box goes out in one write: standard error has no buffer, and a batch may ask
        // a question for every page.
        static char box[8192];
        int used = 0;
        for (const char* part : {"\n[", caption, "]\n", text, "\n", hint, " ? "})
            append_text(box, sizeof box, used, part);
        std::fwrite(box, 1, static_cast<size_t>(used), stderr);
        std::fflush(stderr);

        char line[256];
        if (!read_answer_line(line, sizeof line)) {
            std::fputc('\n', stderr);
            answer = first;
            break;
        }
        char* p = line;
        while (*p == ' ' || *p == '\t' || *p == '\r')
            ++p;
        int c = std::tolower(static_cast<unsigned char>(*p));
        if (c == '\0')
            answer = first;
        else if (yes_no && c == 'y')
            answer = answer_yes;
        else if (yes_no && c == 'n')
            answer = answer_no;
        else if (!yes_no && c == 'o')
            answer = answer_ok;
        else if (ok_cancel && c == 'c')
            answer = answer_cancel;
    }
    terminal_line_mode(false);
    return answer;
}

void text_from_shift_jis(char* out, int size, const char* text)
{
    out[0] = '\0';
    const char* codeset = nl_langinfo(CODESET);
    iconv_t convert = codeset ? iconv_open(codeset, "CP932") : reinterpret_cast<iconv_t>(-1);
    if (convert != reinterpret_cast<iconv_t>(-1)) {
        char* in = const_cast<char*>(text);
        size_t in_left = std::strlen(text);
        char* to = out;
        size_t out_left = static_cast<size_t>(size - 1);
        size_t r = iconv(convert, &in, &in_left, &to, &out_left);
        iconv_close(convert);
        if (r != static_cast<size_t>(-1) && in_left == 0) {
            *to = '\0';
            return;
        }
    }
    // No converter, or the text does not fit: keep the bytes as they are.
    int n = 0;
    while (n < size - 1 && text[n] != '\0') {
        out[n] = text[n];
        ++n;
    }
    out[n] = '\0';
}
