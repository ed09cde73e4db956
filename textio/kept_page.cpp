// Opening and closing the readers' pages, and the page kept between read-only passes. It promises
// its callers that a read-only pass (scan_open, in_open_page) gets the bytes of a page that an
// earlier such pass read whole without reading the file again only while the file is the one that
// was read (its identity unchanged), and the file's own bytes otherwise; that the kept bytes are
// never replaced while a reader reads them; that positions (in_tell, in_seek) mean the same in the
// kept bytes as in the file; and that a page that cannot be opened is reported through
// stream_message and leaves its reader closed.
#include "textio/streams.h"

#include "platform/bounded_copy.h"
#include "platform/byte_io.h"
#include "textio/streams_internal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A page that a read-only pass has read whole, kept for the next read-only pass over the same page:
// the passes look at one page several times in a row (is it prepared, its links; as the next page
// of the page before it, its images and streams), and a page that has not changed since is not
// read again. Only a page that fits in one block is kept, and it is taken again only while the
// file's identity (its size and times, and its serial number where the system has one) is the one
// it had before it was read.
struct held_page {
    unsigned char* data;  // block_size bytes, taken over from the reader that read the page
    int size;
    bool valid;
    char path[path_size];
    file_identity identity;
    int readers;  // readers that read it now: it is not replaced while any does
};

}  // namespace

static unsigned char spare_data[block_size];
static held_page hold = {spare_data, 0, false, "", {}, 0};

static char input_buffer[4096];  // the input file's stdio buffer

// Starts reading the kept page at position (at most its size).
static void reader_start_held(byte_reader& r, long long position)
{
    r.data = hold.data;
    r.end = hold.data + hold.size;
    r.next = r.data + position + 1;
    r.look = position < hold.size ? hold.data[position] : -1;
    r.last_block = true;
    r.read_error = false;
}

// Marks r open, reading from the start. The first open registers close to run at exit, so no file
// stays open when the program ends early.
static void reader_opened(byte_reader& r, void (*close)())
{
    r.open = true;
    r.failed = false;
    if (!r.exit_handler) {
        r.exit_handler = true;
        std::atexit(close);
    }
}

// Opens path for reading by r, or reports open_failed (a format taking the path) and returns
// false.
static bool reader_open(byte_reader& r, const char* path, const char* open_failed, void (*close)())
{
    r.file = file_ops.open(path, "rb");
    if (!r.file) {
        stream_report(open_failed, path);
        return false;
    }
    reader_opened(r, close);
    return true;
}

// Opens path for a read-only pass and starts reading it, deciding whether it pairs: takes the
// kept page when it is path's and the file is as it was when it was read; else opens the file as
// reader_open does, gives it its buffering, and notes the file's identity so that the page can be
// kept after the pass.
static bool reader_open_page(byte_reader& r, const char* path, const char* open_failed, void (*close)(),
                             void (*buffering)(byte_reader&))
{
    file_identity identity;
    bool known = file_ops.identify(&identity, path) == 0;
    if (known && hold.valid && hold.identity == identity && std::strcmp(hold.path, path) == 0) {
        r.file = nullptr;
        reader_opened(r, close);
        r.from_hold = true;
        r.may_hold = false;
        ++hold.readers;
        reader_start_held(r, 0);
        r.lead_bytes = code_page_has_lead_bytes();
        reader_decide_pairs(r);
        return true;
    }
    if (!reader_open(r, path, open_failed, close))
        return false;
    r.may_hold = known && std::strlen(path) < sizeof r.path;
    if (r.may_hold) {
        r.identity = identity;
        copy_bounded(r.path, sizeof r.path, path);
    }
    buffering(r);
    r.whole = -2;  // the first fill tells whether it held all of the page
    reader_start_page(r);
    return true;
}

static void reader_close(byte_reader& r)
{
    if (r.open && r.from_hold) {
        --hold.readers;
        r.open = false;
    } else if (r.open) {
        // A page read whole, and read as big as it was before it was opened, is kept for the next
        // pass over it; not while a reader reads the page kept now.
        if (r.may_hold && r.whole > 0 && !r.failed && static_cast<unsigned long long>(r.whole) == r.identity.size &&
            hold.readers == 0) {
            // The reader's block becomes the kept page, and the block of the page kept before
            // becomes the reader's.
            unsigned char* block = hold.data;
            hold.data = r.own;
            r.own = block;
            hold.size = r.whole;
            hold.identity = r.identity;
            copy_bounded(hold.path, sizeof hold.path, r.path);
            hold.valid = true;
        }
        file_ops.close(r.file);
        r.open = false;
    }
    r.from_hold = false;
    r.may_hold = false;
    r.whole = -1;
    r.data = r.own;
    r.look = -1;
    r.next = r.end = r.data;
}

// ---- scan reader

// The scan reader takes whole blocks into its own buffer, which stdio then reads into directly: a
// buffer of stdio's own would never be used.
static void unbuffered(byte_reader& r) { std::setvbuf(r.file, nullptr, _IONBF, 0); }

int scan_open(const char* path)
{
    scan_close();
    bool opened = reader_open_page(scan_stream, path, "\nCannot open source file (RD) : %s\n", scan_close, unbuffered);
    return opened ? 0 : -1;
}

void scan_close() { reader_close(scan_stream); }

bool scan_identity(file_identity* out)
{
    if (!scan_stream.open || !(scan_stream.from_hold || scan_stream.may_hold))
        return false;
    *out = scan_stream.from_hold ? hold.identity : scan_stream.identity;
    return true;
}

// ---- input stream

// Sets the input file's buffer.
static void input_buffering(byte_reader& r)
{
    if (std::setvbuf(r.file, input_buffer, _IOFBF, sizeof input_buffer) != 0)
        stream_message("Buffering failed.(RD) \n");
}

int in_open(const char* path)
{
    in_close();
    if (!reader_open(input_stream, path, "\nCannot open RD file : %s\n", in_close))
        return -1;
    input_buffering(input_stream);
    reader_start_page(input_stream);
    return 0;
}

int in_open_page(const char* path)
{
    in_close();
    return reader_open_page(input_stream, path, "\nCannot open RD file : %s\n", in_close, input_buffering) ? 0 : -1;
}

void in_close() { reader_close(input_stream); }

long long in_tell()
{
    const byte_reader& input = input_stream;
    if (input.from_hold)
        return input.look == -1 ? hold.size : input.next - 1 - input.data;
    long long position = byte_tell(input.file);
    if (position < 0)
        return position;
    // The file stands after the block in hand: back over its unread bytes and the look-ahead.
    return position - (input.end - input.next) - (input.look == -1 ? 0 : 1);
}

int in_seek(long long position)
{
    byte_reader& input = input_stream;
    if (input.open && input.from_hold) {
        if (position < 0 || position > hold.size)
            return -1;
        reader_start_held(input, position);
        return 0;
    }
    if (!input.open || byte_seek(input.file, position) != 0)
        return -1;
    reader_start(input);
    return input.failed ? -1 : 0;
}
