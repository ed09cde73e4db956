// Turns a picture source from console/pictures/ into a build input: a logo record as a C++ array,
// a 256-colour icon file together with the resource script that names it, or a PNG picture of a
// square source at another size, for the desktop icons of the Linux install.
//
//   picture_tool logo <picture.txt> <array name> <out.cpp>
//   picture_tool icon <picture.txt> <out.ico> <out.rc>
//   picture_tool png <picture.txt> <size> <out.png>
//
// A picture source holds "#" comment lines, a "palette N" line followed by N lines "index R G B"
// (indices in order from 0), and a "pixels W H" line followed by H rows, top row first, of W
// palette indices in hexadecimal: one digit each when the palette has at most 16 entries, two
// digits each otherwise. Anything else is an error, reported with its line number, and then no
// output file is written.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct rgb {
    unsigned char r;
    unsigned char g;
    unsigned char b;
};

struct picture {
    std::vector<rgb> palette;
    int width;
    int height;
    std::vector<unsigned char> pixels;  // palette indices, top row first
};

struct source_reader {
    const char* path;
    FILE* file;
    int line_number;
    char line[1024];
};

constexpr int max_side = 512;
constexpr int logo_colours = 16;

__attribute__((format(printf, 2, 3))) bool fail(const source_reader* in, const char* format, ...)
{
    std::fprintf(stderr, "picture_tool: %s:%d: ", in->path, in->line_number);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    return false;
}

// Reads the next line that is neither blank nor a comment into in->line, without its line end or
// trailing blanks. Sets *at_end at the end of the file. Fails on a line longer than the buffer.
bool next_line(source_reader* in, bool* at_end)
{
    *at_end = false;
    for (;;) {
        if (!std::fgets(in->line, sizeof in->line, in->file)) {
            *at_end = true;
            return !std::ferror(in->file) || fail(in, "read error");
        }
        ++in->line_number;
        size_t length = std::strlen(in->line);
        if (length == sizeof in->line - 1 && in->line[length - 1] != '\n' && !std::feof(in->file))
            return fail(in, "line longer than %zu characters", sizeof in->line - 2);
        while (length > 0 && (in->line[length - 1] == '\n' || in->line[length - 1] == '\r' ||
                              in->line[length - 1] == ' ' || in->line[length - 1] == '\t'))
            in->line[--length] = '\0';
        if (length > 0 && in->line[0] != '#')
            return true;
    }
}

// Reads an unsigned decimal number after optional blanks and moves *p past it.
bool read_number(const char** p, int* value)
{
    const char* s = *p;
    while (*s == ' ' || *s == '\t')
        ++s;
    if (*s < '0' || *s > '9')
        return false;
    long n = 0;
    while (*s >= '0' && *s <= '9') {
        n = n * 10 + (*s - '0');
        if (n > 1000000)
            return false;
        ++s;
    }
    *p = s;
    *value = static_cast<int>(n);
    return true;
}

// Reads a keyword line such as "palette 16" or "pixels 80 50" with `count` numbers after it.
bool read_header(source_reader* in, const char* keyword, int count, int* numbers)
{
    bool at_end = false;
    if (!next_line(in, &at_end))
        return false;
    if (at_end)
        return fail(in, "file ends before the \"%s\" line", keyword);
    size_t keyword_length = std::strlen(keyword);
    const char* p = in->line;
    if (std::strncmp(p, keyword, keyword_length) != 0 || (p[keyword_length] != ' ' && p[keyword_length] != '\t'))
        return fail(in, "expected \"%s\", found \"%s\"", keyword, in->line);
    p += keyword_length;
    for (int i = 0; i < count; ++i)
        if (!read_number(&p, &numbers[i]))
            return fail(in, "\"%s\" needs %d number(s)", keyword, count);
    if (*p != '\0')
        return fail(in, "unexpected text after \"%s\" line: \"%s\"", keyword, p);
    return true;
}

int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool read_palette(source_reader* in, picture* pic)
{
    int count = 0;
    if (!read_header(in, "palette", 1, &count))
        return false;
    if (count < 1 || count > 256)
        return fail(in, "palette must have 1 to 256 entries, not %d", count);
    for (int i = 0; i < count; ++i) {
        bool at_end = false;
        if (!next_line(in, &at_end))
            return false;
        if (at_end)
            return fail(in, "file ends after %d of %d palette entries", i, count);
        const char* p = in->line;
        int index = 0;
        int c[3] = {};
        if (!read_number(&p, &index) || !read_number(&p, &c[0]) || !read_number(&p, &c[1]) ||
            !read_number(&p, &c[2]) || *p != '\0')
            return fail(in, "palette entry %d must be \"index R G B\", found \"%s\"", i, in->line);
        if (index != i)
            return fail(in, "palette entry %d is numbered %d (only %d of %d entries given?)", i, index, i, count);
        for (int k = 0; k < 3; ++k)
            if (c[k] > 255)
                return fail(in, "palette entry %d has a component above 255", i);
        pic->palette.push_back(rgb{static_cast<unsigned char>(c[0]), static_cast<unsigned char>(c[1]),
                                   static_cast<unsigned char>(c[2])});
    }
    return true;
}

bool read_pixels(source_reader* in, picture* pic)
{
    int size[2] = {};
    if (!read_header(in, "pixels", 2, size))
        return false;
    pic->width = size[0];
    pic->height = size[1];
    if (pic->width < 1 || pic->width > max_side || pic->height < 1 || pic->height > max_side)
        return fail(in, "picture size %d x %d is outside 1 to %d", pic->width, pic->height, max_side);
    int digits = pic->palette.size() > 16 ? 2 : 1;
    size_t row_length = static_cast<size_t>(pic->width) * digits;
    if (row_length > sizeof in->line - 2)
        return fail(in, "rows of %zu digits do not fit a line of this tool", row_length);
    pic->pixels.reserve(static_cast<size_t>(pic->width) * pic->height);
    for (int y = 0; y < pic->height; ++y) {
        bool at_end = false;
        if (!next_line(in, &at_end))
            return false;
        if (at_end)
            return fail(in, "file ends after %d of %d pixel rows", y, pic->height);
        if (std::strlen(in->line) != row_length)
            return fail(in, "pixel row %d has %zu digits, expected %zu", y, std::strlen(in->line), row_length);
        for (int x = 0; x < pic->width; ++x) {
            int index = 0;
            for (int d = 0; d < digits; ++d) {
                int v = hex_value(in->line[x * digits + d]);
                if (v < 0)
                    return fail(in, "pixel row %d, column %d: '%c' is not a hexadecimal digit", y, x,
                                in->line[x * digits + d]);
                index = index * 16 + v;
            }
            if (index >= static_cast<int>(pic->palette.size()))
                return fail(in, "pixel row %d, column %d: colour %d is not in the palette of %zu", y, x, index,
                            pic->palette.size());
            pic->pixels.push_back(static_cast<unsigned char>(index));
        }
    }
    bool at_end = false;
    if (!next_line(in, &at_end))
        return false;
    if (!at_end)
        return fail(in, "more than %d pixel rows", pic->height);
    return true;
}

bool read_picture(const char* path, picture* pic)
{
    source_reader in{};
    in.path = path;
    in.file = std::fopen(path, "rb");
    if (!in.file) {
        std::fprintf(stderr, "picture_tool: cannot open %s\n", path);
        return false;
    }
    bool ok = read_palette(&in, pic) && read_pixels(&in, pic);
    std::fclose(in.file);
    return ok;
}

void put_u16(std::vector<unsigned char>* out, unsigned v)
{
    out->push_back(static_cast<unsigned char>(v & 0xFF));
    out->push_back(static_cast<unsigned char>(v >> 8 & 0xFF));
}

void put_u32(std::vector<unsigned char>* out, unsigned v)
{
    put_u16(out, v & 0xFFFF);
    put_u16(out, v >> 16);
}

// The logo record: width, height and colour count as little-endian 32-bit numbers, 16 RGB palette
// entries, then the rows bottom first at 4 bits per pixel, the left pixel of a pair in the high nibble.
std::vector<unsigned char> logo_record(const picture& pic)
{
    std::vector<unsigned char> out;
    put_u32(&out, static_cast<unsigned>(pic.width));
    put_u32(&out, static_cast<unsigned>(pic.height));
    put_u32(&out, logo_colours);
    for (const rgb& c : pic.palette) {
        out.push_back(c.r);
        out.push_back(c.g);
        out.push_back(c.b);
    }
    int row_bytes = (pic.width + 1) / 2;
    for (int y = pic.height - 1; y >= 0; --y) {
        const unsigned char* row = pic.pixels.data() + static_cast<size_t>(y) * pic.width;
        for (int i = 0; i < row_bytes; ++i) {
            int left = row[2 * i];
            int right = 2 * i + 1 < pic.width ? row[2 * i + 1] : 0;
            out.push_back(static_cast<unsigned char>(left << 4 | right));
        }
    }
    return out;
}

// One icon image at 8 bits per pixel: the bitmap header (height doubled for the colour rows and
// the mask), a 256-entry BGRA palette, the colour rows bottom up, and an all-clear AND mask.
std::vector<unsigned char> icon_file(const picture& pic)
{
    unsigned colour_stride = (static_cast<unsigned>(pic.width) + 3) & ~3u;
    unsigned mask_stride = ((static_cast<unsigned>(pic.width) + 31) / 32) * 4;
    unsigned pixel_bytes = (colour_stride + mask_stride) * static_cast<unsigned>(pic.height);
    unsigned image_bytes = 40 + 256 * 4 + pixel_bytes;

    std::vector<unsigned char> out;
    put_u16(&out, 0);  // reserved
    put_u16(&out, 1);  // an icon
    put_u16(&out, 1);  // one image
    out.push_back(static_cast<unsigned char>(pic.width & 0xFF));  // 256 is written as 0
    out.push_back(static_cast<unsigned char>(pic.height & 0xFF));
    out.push_back(0);  // 0 colours in the entry means 256 or more
    out.push_back(0);
    put_u16(&out, 1);  // planes
    put_u16(&out, 8);  // bits per pixel
    put_u32(&out, image_bytes);
    put_u32(&out, 6 + 16);  // the image follows the directory

    put_u32(&out, 40);
    put_u32(&out, static_cast<unsigned>(pic.width));
    put_u32(&out, static_cast<unsigned>(pic.height) * 2);
    put_u16(&out, 1);
    put_u16(&out, 8);
    put_u32(&out, 0);  // uncompressed
    put_u32(&out, pixel_bytes);
    put_u32(&out, 0);
    put_u32(&out, 0);
    put_u32(&out, 0);  // all 256 colours
    put_u32(&out, 0);
    for (int i = 0; i < 256; ++i) {
        rgb c = i < static_cast<int>(pic.palette.size()) ? pic.palette[i] : rgb{0, 0, 0};
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    for (int y = pic.height - 1; y >= 0; --y) {
        const unsigned char* row = pic.pixels.data() + static_cast<size_t>(y) * pic.width;
        out.insert(out.end(), row, row + pic.width);
        out.insert(out.end(), colour_stride - static_cast<unsigned>(pic.width), 0);
    }
    out.insert(out.end(), static_cast<size_t>(mask_stride) * pic.height, 0);
    return out;
}

// The colour of the picture at size x size pixels: each pixel is the average of the source area it
// covers, weighted by the part of each source pixel inside it. At a whole multiple of the source
// size every pixel lies inside one source pixel and keeps its colour exactly.
std::vector<rgb> scaled(const picture& pic, int size)
{
    std::vector<rgb> out;
    // In units of 1 / size source pixels, output pixel X covers [X * width, (X + 1) * width) and
    // source pixel i covers [i * size, (i + 1) * size); likewise down the rows.
    auto overlap = [](long a0, long a1, long b0, long b1) {
        long low = a0 > b0 ? a0 : b0;
        long high = a1 < b1 ? a1 : b1;
        return high > low ? high - low : 0;
    };
    long w = pic.width;
    long h = pic.height;
    for (long y = 0; y < size; ++y) {
        for (long x = 0; x < size; ++x) {
            long sum[3] = {0, 0, 0};
            long area = 0;
            for (long sy = y * h / size; sy < h && sy * size < (y + 1) * h; ++sy) {
                long wy = overlap(y * h, (y + 1) * h, sy * size, (sy + 1) * size);
                for (long sx = x * w / size; sx < w && sx * size < (x + 1) * w; ++sx) {
                    long weight = wy * overlap(x * w, (x + 1) * w, sx * size, (sx + 1) * size);
                    const rgb& c = pic.palette[pic.pixels[static_cast<size_t>(sy * w + sx)]];
                    sum[0] += weight * c.r;
                    sum[1] += weight * c.g;
                    sum[2] += weight * c.b;
                    area += weight;
                }
            }
            out.push_back(rgb{static_cast<unsigned char>((sum[0] + area / 2) / area),
                              static_cast<unsigned char>((sum[1] + area / 2) / area),
                              static_cast<unsigned char>((sum[2] + area / 2) / area)});
        }
    }
    return out;
}

void put_u32_big(std::vector<unsigned char>* out, unsigned v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out->push_back(static_cast<unsigned char>(v >> shift & 0xFF));
}

unsigned crc32_of(const unsigned char* data, size_t size)
{
    unsigned crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

void put_chunk(std::vector<unsigned char>* out, const char* type, const std::vector<unsigned char>& data)
{
    put_u32_big(out, static_cast<unsigned>(data.size()));
    size_t start = out->size();
    out->insert(out->end(), type, type + 4);
    out->insert(out->end(), data.begin(), data.end());
    put_u32_big(out, crc32_of(out->data() + start, out->size() - start));
}

// A PNG file of size x size RGB pixels. The image data is a zlib stream of stored (uncompressed)
// blocks, which needs no compression library; an icon of 128 x 128 pixels comes to 49 KB.
std::vector<unsigned char> png_file(const std::vector<rgb>& pixels, int size)
{
    std::vector<unsigned char> rows;  // each row: filter type 0, then its pixels
    for (int y = 0; y < size; ++y) {
        rows.push_back(0);
        for (int x = 0; x < size; ++x) {
            const rgb& c = pixels[static_cast<size_t>(y) * size + x];
            rows.push_back(c.r);
            rows.push_back(c.g);
            rows.push_back(c.b);
        }
    }
    std::vector<unsigned char> stream = {0x78, 0x01};
    size_t at = 0;
    do {
        size_t block = rows.size() - at < 65535 ? rows.size() - at : 65535;
        stream.push_back(at + block == rows.size() ? 1 : 0);  // the last block, stored
        put_u16(&stream, static_cast<unsigned>(block));
        put_u16(&stream, static_cast<unsigned>(~block & 0xFFFF));
        stream.insert(stream.end(), rows.begin() + static_cast<long>(at), rows.begin() + static_cast<long>(at + block));
        at += block;
    } while (at < rows.size());
    unsigned a = 1, b = 0;
    for (unsigned char byte : rows) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put_u32_big(&stream, b << 16 | a);

    std::vector<unsigned char> header;
    put_u32_big(&header, static_cast<unsigned>(size));
    put_u32_big(&header, static_cast<unsigned>(size));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits per sample, RGB, no interlace
    std::vector<unsigned char> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    put_chunk(&out, "IHDR", header);
    put_chunk(&out, "IDAT", stream);
    put_chunk(&out, "IEND", {});
    return out;
}

bool write_file(const char* path, const void* data, size_t size)
{
    FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::fprintf(stderr, "picture_tool: cannot create %s\n", path);
        return false;
    }
    bool ok = std::fwrite(data, 1, size, f) == size;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "picture_tool: cannot write %s\n", path);
        std::remove(path);
    }
    return ok;
}

bool is_identifier(const char* s)
{
    if (!((*s >= 'A' && *s <= 'Z') || (*s >= 'a' && *s <= 'z') || *s == '_'))
        return false;
    for (; *s; ++s)
        if (!((*s >= 'A' && *s <= 'Z') || (*s >= 'a' && *s <= 'z') || (*s >= '0' && *s <= '9') || *s == '_'))
            return false;
    return true;
}

const char* base_name(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

int make_logo(const char* source, const char* name, const char* out_path)
{
    if (!is_identifier(name)) {
        std::fprintf(stderr, "picture_tool: \"%s\" is not a C++ name\n", name);
        return 1;
    }
    picture pic{};
    if (!read_picture(source, &pic))
        return 1;
    if (pic.palette.size() != logo_colours) {
        std::fprintf(stderr, "picture_tool: %s: a logo needs exactly %d palette entries, not %zu\n", source,
                     logo_colours, pic.palette.size());
        return 1;
    }
    std::vector<unsigned char> record = logo_record(pic);
    std::string text = "// Generated by picture_tool from ";
    text += base_name(source);
    text += ": the logo record, ";
    text += std::to_string(pic.width) + " x " + std::to_string(pic.height) + " pixels in 16 colours.\n";
    text += "#include \"console/logo_sizes.h\"\n#include \"console/logos.h\"\n\n";
    text += "extern const unsigned char " + std::string(name) + "[] = {";
    for (size_t i = 0; i < record.size(); ++i) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02x,", record[i]);
        text += i % 16 == 0 ? "\n    " : " ";
        text += byte;
    }
    text += "\n};\n\nextern const int " + std::string(name) + "_size = " + std::to_string(record.size()) + ";\n";
    return write_file(out_path, text.data(), text.size()) ? 0 : 1;
}

int make_icon(const char* source, const char* ico_path, const char* rc_path)
{
    picture pic{};
    if (!read_picture(source, &pic))
        return 1;
    if (pic.width > 256 || pic.height > 256) {
        std::fprintf(stderr, "picture_tool: %s: an icon is at most 256 x 256 pixels\n", source);
        return 1;
    }
    // The resource script names the icon by its path inside a quoted string, where a backslash
    // starts an escape.
    std::string rc = "128 ICON \"";
    for (const char* p = ico_path; *p; ++p) {
        if (*p == '"' || *p == '\n') {
            std::fprintf(stderr, "picture_tool: the icon path %s cannot be named in a resource script\n", ico_path);
            return 1;
        }
        if (*p == '\\')
            rc += '\\';
        rc += *p;
    }
    rc += "\"\n";
    std::vector<unsigned char> ico = icon_file(pic);
    if (!write_file(ico_path, ico.data(), ico.size()))
        return 1;
    return write_file(rc_path, rc.data(), rc.size()) ? 0 : 1;
}

int make_png(const char* source, const char* size_text, const char* png_path)
{
    const char* p = size_text;
    int size = 0;
    if (!read_number(&p, &size) || *p != '\0' || size < 1 || size > 1024) {
        std::fprintf(stderr, "picture_tool: the size \"%s\" is not a number from 1 to 1024\n", size_text);
        return 1;
    }
    picture pic{};
    if (!read_picture(source, &pic))
        return 1;
    if (pic.width != pic.height) {
        std::fprintf(stderr, "picture_tool: %s: an icon picture must be square, not %d x %d\n", source, pic.width,
                     pic.height);
        return 1;
    }
    std::vector<unsigned char> png = png_file(scaled(pic, size), size);
    return write_file(png_path, png.data(), png.size()) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "logo") == 0)
        return make_logo(argv[2], argv[3], argv[4]);
    if (argc == 5 && std::strcmp(argv[1], "icon") == 0)
        return make_icon(argv[2], argv[3], argv[4]);
    if (argc == 5 && std::strcmp(argv[1], "png") == 0)
        return make_png(argv[2], argv[3], argv[4]);
    std::fprintf(stderr,
                 "usage: picture_tool logo <picture.txt> <array name> <out.cpp>\n"
                 "       picture_tool icon <picture.txt> <out.ico> <out.rc>\n"
                 "       picture_tool png <picture.txt> <size> <out.png>\n");
    return 2;
}
