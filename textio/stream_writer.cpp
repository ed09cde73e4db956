// The output stream, and what copies the input to it or passes over the input up to a stop: a
// byte, a tag's end, a script element's end. It promises its callers that the bytes put reach the
// file in order, a block at a time; that the first failure to write is reported once and closes
// the output, so that nothing is written after it; that out_commit returns 0 only when the bytes
// are on stable storage and out_reads_back tells whether the file holds exactly them; and that
// the copies and passes stop only at a byte that is neither byte of a double-byte pair, and at a
// tag's ">" only outside its quoted values.
#include "textio/streams.h"

#include "platform/byte_io.h"
#include "textio/streams_internal.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// ---- output stream

static FILE* output;
static void (*output_sink)(const unsigned char* bytes, int count);  // instead of output, when set
static bool output_closed = true;
static bool output_failed;
static int history[4] = {-1, -1, -1, -1};  // most recent first

static unsigned char output_data[output_block_size];
static unsigned char output_buffer[output_block_size];  // the output file's stdio buffer
static unsigned char* output_next = output_data;  // where the next byte written goes

static void remember(int ch)
{
    history[3] = history[2];
    history[2] = history[1];
    history[1] = history[0];
    history[0] = ch;
}

// What was written to the file since it was opened, so that it can be read back and compared: a
// file of one block is compared with the block itself, which stays in output_data; a longer one by
// a hash of its blocks, each of output_block_size bytes but the last.
static int full_blocks_written;
static int last_block_length;
static uint64_t written_hash;

static uint64_t hash_block(uint64_t h, const unsigned char* bytes, size_t n)
{
    constexpr uint64_t k = 0x9E3779B97F4A7C15ull;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, bytes + i, 8);
        h = (h ^ w) * k;
        h ^= h >> 29;
    }
    for (; i < n; ++i)
        h = (h ^ bytes[i]) * k;
    return (h ^ n) * k;
}

// Hands the gathered bytes to the file. False when the file reports a failure (with full
// buffering, when a full buffer cannot be written out).
static bool output_flush(bool last = true)
{
    size_t n = static_cast<size_t>(output_next - output_data);
    output_next = output_data;
    // An empty flush (the close after a commit) adds nothing to what was written.
    if (!output_sink && n > 0) {
        if (!last || full_blocks_written > 0)
            written_hash = hash_block(written_hash, output_data, n);
        full_blocks_written += last ? 0 : 1;
        last_block_length = static_cast<int>(n);
    }
    if (output_sink) {
        output_sink(output_data, static_cast<int>(n));
        return true;
    }
    // The library may take the bytes and fail only when it writes out its own buffer: that failure
    // shows in the stream's error flag alone.
    return std::fwrite(output_data, 1, n, output) == n && std::ferror(output) == 0;
}

static void output_failure()
{
    stream_message("File writing error.(or Disk full)\n");
    output_failed = true;
    out_close();
}

// At program exit the bytes still gathered go to the file, which the standard library then closes
// as it would have closed it with them in its own buffer.
static void output_flush_at_exit()
{
    if (!output_closed)
        output_flush();
}

// Gives a newly opened output file its buffering and makes the stream ready; false (the file
// closed again) when the buffering fails.
static bool output_opened(FILE* file)
{
    static bool exit_handler;
    output = file;
    output_sink = nullptr;
    // The library's buffer takes a whole block, so that each block goes to the file in one write
    // and a write that fails is the last: with a smaller buffer, the library went on writing the
    // rest of the block after a failed write, at that write's place (the page's start).
    if (std::setvbuf(output, reinterpret_cast<char*>(output_buffer), _IOFBF, sizeof output_buffer) != 0) {
        stream_message("Buffering failed.(WR)\n");
        file_ops.close(output);
        output = nullptr;
        return false;
    }
    if (!exit_handler) {
        exit_handler = true;
        std::atexit(output_flush_at_exit);
    }
    output_next = output_data;
    output_closed = false;
    output_failed = false;
    full_blocks_written = 0;
    last_block_length = 0;
    written_hash = 0;
    return true;
}

int out_open(const char* path)
{
    FILE* file = file_ops.open(path, "wb");
    if (!file) {
        stream_report("Cannot open WR file : %s\n", path);
        return -1;
    }
    return output_opened(file) ? 0 : -1;
}

int out_open_rewrite(const char* path, const file_identity* expected, bool* changed)
{
    FILE* file = file_ops.rewrite(path, expected, changed);
    if (!file) {
        if (!*changed)
            stream_report("Cannot open WR file : %s\n", path);
        return -1;
    }
    return output_opened(file) ? 0 : -1;
}

void out_open_sink(void (*sink)(const unsigned char* bytes, int count))
{
    output = nullptr;
    output_sink = sink;
    output_next = output_data;
    output_closed = false;
    output_failed = false;
}

int out_close()
{
    if (!output_closed) {
        output_closed = true;
        // A flush that fails here loses the end of the page just as a failed write would.
        bool flushed = output_flush();
        bool closed = output_sink || file_ops.close(output) == 0;
        if (!(flushed && closed) && !output_failed) {
            stream_message("File writing error.(or Disk full)\n");
            output_failed = true;
        }
        output = nullptr;
        output_sink = nullptr;
    }
    return output_failed ? -1 : 0;
}

int out_commit()
{
    if (!output_closed && !output_failed && !output_sink &&
        !(output_flush() && file_ops.sync_stream(output) == 0)) {
        stream_message("File writing error.(or Disk full)\n");
        output_failed = true;
    }
    return out_close();
}

bool out_reads_back(const char* path)
{
    static unsigned char back[output_block_size];
    FILE* file = file_ops.open(path, "rb");
    if (!file)
        return false;
    std::setvbuf(file, nullptr, _IONBF, 0);  // read straight into back, a block at a time
    bool same = true;
    uint64_t h = 0;
    int blocks = 0;
    for (;;) {
        size_t n = std::fread(back, 1, sizeof back, file);
        if (n < sizeof back && std::ferror(file)) {
            same = false;
            break;
        }
        bool last = n < sizeof back;
        if (full_blocks_written == 0) {
            // One block: the bytes written are still in output_data.
            unsigned char more;
            same = static_cast<int>(n) == last_block_length && std::memcmp(back, output_data, n) == 0 &&
                   std::fread(&more, 1, 1, file) == 0 && !std::ferror(file);
            break;
        }
        if (n > 0)
            h = hash_block(h, back, n);
        if (last)
            break;
        if (copy_pause)
            copy_pause();  // a large page: the window keeps answering
        // More than was written: not the same, whatever follows.
        if (++blocks > full_blocks_written + 1) {
            same = false;
            break;
        }
    }
    if (full_blocks_written > 0)
        same = same && h == written_hash;
    file_ops.close(file);
    return same;
}

int out_put(int ch)
{
    if (output_closed)
        return -1;
    if (output_next == output_data + output_block_size && !output_flush(false)) {
        output_failure();
        return -1;
    }
    *output_next++ = static_cast<unsigned char>(ch);
    remember(ch);
    return 0;
}

void output_write(const unsigned char* bytes, int n)
{
    if (output_closed)
        return;
    const unsigned char* written = bytes;  // the end of what has been written
    while (n > 0) {
        int room = static_cast<int>(output_data + output_block_size - output_next);
        if (room == 0) {
            if (!output_flush(false)) {
                output_failure();
                break;
            }
            room = output_block_size;
        }
        int k = n < room ? n : room;
        if (k == 1)
            *output_next = *written;  // the runs between tags are often a single byte
        else
            std::memcpy(output_next, written, static_cast<size_t>(k));
        output_next += k;
        written += k;
        n -= k;
    }
    // The history: the last four bytes written, most recent first.
    int count = static_cast<int>(written - bytes);
    if (count >= 4) {
        for (int i = 0; i < 4; ++i)
            history[i] = written[-1 - i];
    } else {
        for (const unsigned char* p = bytes; p < written; ++p)
            remember(*p);
    }
}

void out_write(const unsigned char* bytes, int count) { output_write(bytes, count); }

void out_puts(const char* text) { output_write(reinterpret_cast<const unsigned char*>(text), static_cast<int>(std::strlen(text))); }

int out_last() { return history[0]; }
int out_last2() { return history[1]; }
int out_last3() { return history[2]; }
int out_last4() { return history[3]; }

// ---- copying from the input stream

// Passes over the input up to, not including, the first byte that is neither byte of a pair and
// that is_stop takes; with copy, every byte passed goes to the output.
template <bool copy, class Stop>
static void pass_until(Stop is_stop)
{
    bool second_byte = false;
    for (;;) {
        int ch = input_stream.look;
        if (ch == -1)
            return;
        if (!pair_step(second_byte, input_stream.lead_bytes, static_cast<unsigned char>(ch)) && !second_byte &&
            is_stop(ch))
            return;
        int passed = reader_next(input_stream);
        if (copy)
            out_put(passed);
    }
}

void copy_until(int stop)
{
    pass_until<true>([stop](int ch) { return ch == stop; });
}

void skip_until(int s1, int s2, int s3, int s4, int s5, int s6)
{
    pass_until<false>([=](int ch) { return ch == s1 || ch == s2 || ch == s3 || ch == s4 || ch == s5 || ch == s6; });
}

// in_quoted_rest over bytes in memory from p: the count through the closing quote, 0 when the
// value is unclosed, -1 when end came first.
static int quoted_rest_in(const unsigned char* p, const unsigned char* end, int quote, bool lead_bytes)
{
    bool pair = false;
    for (int n = 1; n <= quote_reach; ++n, ++p) {
        if (p == end)
            return -1;
        int ch = *p;
        if (pair_step(pair, lead_bytes, *p) || pair)
            continue;
        if (ch == '<')
            return 0;
        if (ch == quote)
            return n;
    }
    return 0;
}

int in_quoted_rest(int quote)
{
    byte_reader& input = input_stream;
    if (input.look == -1)
        return 0;
    // Mostly the value ends within the block in hand; else the file is read on and read again.
    int n = quoted_rest_in(input.next - 1, input.end, quote, input.lead_bytes);
    if (n >= 0)
        return n;
    long long start = in_tell();
    unsigned char bytes[quote_reach];
    int count = 0;
    while (count < quote_reach && input.look != -1)
        bytes[count++] = static_cast<unsigned char>(reader_next(input));
    n = quoted_rest_in(bytes, bytes + count, quote, input.lead_bytes);
    if (start < 0 || in_seek(start) != 0)
        input.failed = true;  // the page can no longer be read faithfully
    return n < 0 ? 0 : n;
}

bool tag_ends_at(tag_end& tag, int ch, bool second)
{
    if (tag.quoted > 0) {
        --tag.quoted;
        return false;
    }
    if (second) {
        tag.after_equals = false;
        return false;
    }
    if (ch == '>')
        return true;
    if (ch == '=') {
        tag.after_equals = true;
        return false;
    }
    if (is_blank(ch))
        return false;
    if ((ch == '"' || ch == '\'') && tag.after_equals)
        tag.quoted = in_quoted_rest(ch);
    tag.after_equals = false;
    return false;
}

// copy_tag_rest, or with copy false the same without writing.
static void pass_tag_rest(bool copy)
{
    tag_end tag = {};
    bool pair = false;
    for (;;) {
        int ch = input_stream.look;
        if (ch == -1)
            return;
        bool second = pair_step(pair, input_stream.lead_bytes, static_cast<unsigned char>(ch));
        if (ch == '>' && !second && tag.quoted == 0)
            return;
        reader_next(input_stream);
        tag_ends_at(tag, ch, second);
        if (copy)
            out_put(ch);
    }
}

void copy_tag_rest() { pass_tag_rest(true); }

void skip_tag_rest() { pass_tag_rest(false); }

bool in_pass_script(bool copy)
{
    static const char end_tag[] = "/SCRIPT";
    byte_reader& input = input_stream;
    bool pair = false;
    for (;;) {
        // Where nothing pairs, the bytes before the next "<" go at once.
        if (!input.lead_bytes && text_runs_on && input.look != -1 && input.look != '<') {
            const unsigned char* begin = input.next - 1;  // the look-ahead
            int n = static_cast<int>(byte_find(begin, input.end, '<') - begin);
            if (copy)
                output_write(begin, n);
            reader_consume(input, n);
            continue;
        }
        int ch = input.look;
        if (ch == -1)
            return false;
        bool second = pair_step(pair, input.lead_bytes, static_cast<unsigned char>(ch));
        if (copy)
            out_put(ch);
        reader_next(input);
        if (second || ch != '<')
            continue;
        int k = 0;
        while (end_tag[k] != '\0' && input.look != -1 && keyword_byte(static_cast<unsigned char>(input.look), end_tag[k])) {
            if (copy)
                out_put(input.look);
            reader_next(input);
            ++k;
        }
        if (end_tag[k] == '\0')
            return true;
    }
}
