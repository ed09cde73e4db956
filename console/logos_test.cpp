// Checks the logo records generated from console/pictures/: their header fields and sizes, their
// palettes, and that the pixel rows are stored the way the window draws them.
#include "console/logo_sizes.h"
#include "console/logos.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

int32_t field(const unsigned char* record, int offset)
{
    const unsigned char* p = record + offset;
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

// Palette index of the pixel in column x of row y, counting rows from the top of the picture.
int pixel(const unsigned char* record, int x, int y)
{
    int width = field(record, 0);
    int height = field(record, 4);
    const unsigned char* row = record + 60 + (height - 1 - y) * ((width + 1) / 2);
    unsigned char pair = row[x / 2];
    return x % 2 == 0 ? pair >> 4 : pair & 0x0F;
}

void expect_entry(const unsigned char* record, int index, int r, int g, int b)
{
    const unsigned char* entry = record + 12 + 3 * index;
    EXPECT_EQ(entry[0], r) << "red of entry " << index;
    EXPECT_EQ(entry[1], g) << "green of entry " << index;
    EXPECT_EQ(entry[2], b) << "blue of entry " << index;
}

// Entries first..last grow lighter and stay violet: blue is the strongest component.
void expect_violet_ramp(const unsigned char* record, int first, int last)
{
    int previous = -1;
    for (int i = first; i <= last; ++i) {
        const unsigned char* entry = record + 12 + 3 * i;
        int lightness = entry[0] + entry[1] + entry[2];
        EXPECT_GT(lightness, previous) << "entry " << i;
        EXPECT_GE(entry[2], entry[1]) << "entry " << i;
        EXPECT_GE(entry[2], entry[0]) << "entry " << i;
        previous = lightness;
    }
}

// The outermost rows and columns are background.
void expect_white_border(const unsigned char* record)
{
    int width = field(record, 0);
    int height = field(record, 4);
    for (int x = 0; x < width; ++x) {
        EXPECT_EQ(pixel(record, x, 0), 15) << "top row, column " << x;
        EXPECT_EQ(pixel(record, x, height - 1), 15) << "bottom row, column " << x;
    }
    for (int y = 0; y < height; ++y) {
        EXPECT_EQ(pixel(record, 0, y), 15) << "left column, row " << y;
        EXPECT_EQ(pixel(record, width - 1, y), 15) << "right column, row " << y;
    }
}

// Share of pixels that are not background in the middle half of the picture.
double drawn_share_in_middle(const unsigned char* record)
{
    int width = field(record, 0);
    int height = field(record, 4);
    int drawn = 0;
    int total = 0;
    for (int y = height / 4; y < height * 3 / 4; ++y)
        for (int x = width / 4; x < width * 3 / 4; ++x) {
            ++total;
            drawn += pixel(record, x, y) != 15;
        }
    return static_cast<double>(drawn) / total;
}

// Pixels of the red bar (entries 0 to 3) in the given quarter of the delNextpics logo.
int bar_pixels(int x0, int y0, int x1, int y1)
{
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            count += pixel(del_nextpics_logo, x, y) < 4;
    return count;
}

TEST(logo_records, AddHeaderMatchesSize)
{
    EXPECT_EQ(field(add_nextpics_logo, 0), 80);
    EXPECT_EQ(field(add_nextpics_logo, 4), 50);
    EXPECT_EQ(field(add_nextpics_logo, 8), 16);
    EXPECT_EQ(add_nextpics_logo_size, 60 + 40 * 50);
}

TEST(logo_records, DelHeaderMatchesSize)
{
    EXPECT_EQ(field(del_nextpics_logo, 0), 64);
    EXPECT_EQ(field(del_nextpics_logo, 4), 50);
    EXPECT_EQ(field(del_nextpics_logo, 8), 16);
    EXPECT_EQ(del_nextpics_logo_size, 60 + 32 * 50);
}

TEST(logo_records, AddPaletteRunsFromVioletToWhite)
{
    expect_entry(add_nextpics_logo, 0, 204, 164, 252);
    expect_entry(add_nextpics_logo, 15, 255, 255, 255);
    expect_violet_ramp(add_nextpics_logo, 0, 15);
}

TEST(logo_records, DelPaletteHasRedsThenViolets)
{
    expect_entry(del_nextpics_logo, 0, 252, 4, 4);
    expect_entry(del_nextpics_logo, 3, 231, 152, 202);
    expect_entry(del_nextpics_logo, 15, 255, 255, 255);
    for (int i = 0; i < 4; ++i) {
        const unsigned char* entry = del_nextpics_logo + 12 + 3 * i;
        EXPECT_GT(entry[0], entry[1]) << "entry " << i << " is a red or pink";
    }
    expect_violet_ramp(del_nextpics_logo, 4, 15);
}

TEST(logo_records, PicturesSitOnWhite)
{
    expect_white_border(add_nextpics_logo);
    expect_white_border(del_nextpics_logo);
    EXPECT_GT(drawn_share_in_middle(add_nextpics_logo), 0.5);
    EXPECT_GT(drawn_share_in_middle(del_nextpics_logo), 0.5);
}

// Rows are stored bottom first: the bar must rise from the lower left to the upper right, and
// nowhere else reach a corner.
TEST(logo_records, DelBarRisesToTheRight)
{
    EXPECT_GT(bar_pixels(0, 25, 32, 50), 100);
    EXPECT_GT(bar_pixels(32, 0, 64, 25), 100);
    EXPECT_EQ(bar_pixels(0, 0, 20, 16), 0);
    EXPECT_EQ(bar_pixels(44, 34, 64, 50), 0);
}

// The left pixel of a pair is the high nibble: read the other way round, the bar's edge would
// break into alternating pixels instead of one run per row.
TEST(logo_records, DelBarIsOneRunPerRow)
{
    for (int y = 0; y < 50; ++y) {
        int runs = 0;
        for (int x = 0; x < 64; ++x)
            runs += pixel(del_nextpics_logo, x, y) < 4 && (x == 0 || pixel(del_nextpics_logo, x - 1, y) >= 4);
        EXPECT_LE(runs, 1) << "row " << y;
    }
}

}  // namespace
