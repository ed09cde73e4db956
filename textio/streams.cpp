// Buffered character streams: the scan reader, the input stream and the output stream.
#include "textio/streams.h"

#include "platform/byte_io.h"
#include "platform/dbcs.h"
#include "platform/files.h"

#include <cstdio>
#include <cstdlib>

namespace {

struct reader {
    FILE* file;
    bool open;
    int look;
    bool failed;  // a read error, which ended the input early
};

}  // namespace

static reader scan = {nullptr, false, -1, false};
static reader input = {nullptr, false, -1, false};

static FILE* output;
static bool output_closed = true;
static bool output_failed;
static int history[4] = {-1, -1, -1, -1};  // most recent first

static char input_buffer[4096];
static char output_buffer[4096];

bool is_blank(int ch) { return ch == 9 || ch == 10 || ch == 13 || ch == 26 || ch == 32; }

bool is_separator(int ch) { return is_blank(ch) || ch == ',' || ch == ':' || ch == ';' || ch == '='; }

bool is_value_end(int ch) { return is_blank(ch) || ch == '"' || ch == ';'; }

static int reader_next(reader& r)
{
    if (r.look == -1)
        return -1;
    int result = r.look;
    r.look = byte_get(r.file);
    if (r.look == EOF) {
        r.look = -1;
        r.failed = std::ferror(r.file) != 0;
    }
    return result;
}

static void reader_close(reader& r)
{
    if (r.open) {
        file_ops.close(r.file);
        r.open = false;
    }
    r.look = -1;
}

// ---- scan reader

int scan_open(const char* path)
{
    static bool exit_handler;
    scan_close();
    scan.file = file_ops.open(path, "rb");
    if (!scan.file) {
        std::printf("\nCannot open source file (RD) : %s\n", path);
        return -1;
    }
    scan.open = true;
    scan.failed = false;
    if (!exit_handler) {
        exit_handler = true;
        std::atexit(scan_close);
    }
    scan.look = 0;
    reader_next(scan);
    return 0;
}

void scan_close() { reader_close(scan); }

int scan_next() { return reader_next(scan); }

int scan_peek() { return scan.look; }

void scan_skip_blanks()
{
    while (is_blank(scan.look))
        reader_next(scan);
}

void scan_skip_separators()
{
    while (is_separator(scan.look))
        reader_next(scan);
}

int scan_read_value(char* buffer, int size)
{
    scan_skip_separators();
    bool double_quoted = false;
    bool single_quoted = false;
    if (scan.look == '"') {
        reader_next(scan);
        double_quoted = true;
    }
    if (scan.look == '\'') {
        reader_next(scan);
        single_quoted = true;
    }
    int n = 0;
    bool second_byte = false;
    while (scan.look != -1) {
        int ch = reader_next(scan);
        if (second_byte) {
            second_byte = false;
        } else if (is_lead_byte(ch)) {
            second_byte = true;
        } else if (double_quoted ? ch == '"' : single_quoted ? ch == '\'' : is_value_end(ch)) {
            break;
        }
        if (n >= size - 1) {
            buffer[n] = '\0';
            return -1;
        }
        buffer[n++] = static_cast<char>(ch);
    }
    buffer[n] = '\0';
    return n + 1;
}

// ---- input stream

int in_open(const char* path)
{
    static bool exit_handler;
    in_close();
    input.file = file_ops.open(path, "rb");
    if (!input.file) {
        std::printf("\nCannot open RD file : %s\n", path);
        return -1;
    }
    if (std::setvbuf(input.file, input_buffer, _IOFBF, sizeof input_buffer) != 0)
        std::printf("Buffering failed.(RD) \n");
    input.open = true;
    input.failed = false;
    if (!exit_handler) {
        exit_handler = true;
        std::atexit(in_close);
    }
    input.look = 0;
    reader_next(input);
    return 0;
}

void in_close() { reader_close(input); }

int in_next() { return reader_next(input); }

int in_peek() { return input.look; }

bool in_failed() { return input.failed; }

long long in_tell()
{
    long long position = byte_tell(input.file);
    return input.look == -1 ? position : position - 1;
}

int in_seek(long long position)
{
    if (!input.open || byte_seek(input.file, position) != 0)
        return -1;
    input.look = byte_get(input.file);
    if (input.look == EOF) {
        input.look = -1;
        input.failed = std::ferror(input.file) != 0;
    }
    return input.failed ? -1 : 0;
}

// ---- output stream

int out_open(const char* path)
{
    output = file_ops.open(path, "wb");
    if (!output) {
        std::printf("Cannot open WR file : %s\n", path);
        return -1;
    }
    if (std::setvbuf(output, output_buffer, _IOFBF, sizeof output_buffer) != 0) {
        std::printf("Buffering failed.(WR)\n");
        file_ops.close(output);
        output = nullptr;
        return -1;
    }
    output_closed = false;
    output_failed = false;
    return 0;
}

int out_close()
{
    if (!output_closed) {
        output_closed = true;
        // A flush that fails here loses the end of the page just as a failed write would.
        if (file_ops.close(output) != 0 && !output_failed) {
            std::printf("File writing error.(or Disk full)\n");
            output_failed = true;
        }
        output = nullptr;
    }
    return output_failed ? -1 : 0;
}

int out_put(int ch)
{
    if (output_closed)
        return -1;
    if (byte_put(ch & 0xFF, output) == EOF) {
        std::printf("File writing error.(or Disk full)\n");
        output_failed = true;
        out_close();
        return -1;
    }
    history[3] = history[2];
    history[2] = history[1];
    history[1] = history[0];
    history[0] = ch;
    return 0;
}

void out_puts(const char* text)
{
    while (*text)
        out_put(static_cast<unsigned char>(*text++));
}

int out_last() { return history[0]; }
int out_last2() { return history[1]; }
int out_last3() { return history[2]; }
int out_last4() { return history[3]; }

// ---- copying

void copy_until(int stop)
{
    bool second_byte = false;
    for (;;) {
        int ch = input.look;
        if (ch == -1)
            return;
        if (second_byte)
            second_byte = false;
        else if (is_lead_byte(ch))
            second_byte = true;
        else if (ch == stop)
            return;
        out_put(reader_next(input));
    }
}

void skip_until(int s1, int s2, int s3, int s4, int s5, int s6)
{
    bool second_byte = false;
    for (;;) {
        int ch = input.look;
        if (ch == -1)
            return;
        if (second_byte)
            second_byte = false;
        else if (is_lead_byte(ch))
            second_byte = true;
        else if (ch == s1 || ch == s2 || ch == s3 || ch == s4 || ch == s5 || ch == s6)
            return;
        reader_next(input);
    }
}
