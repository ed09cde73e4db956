// The page scanners when the disk fails in the middle of a page: nothing read so far counts.
#include "scan/page_scanners.h"

#include "tests/faults/fault_files.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

namespace {

TEST(page_scanners_reading, ReadErrorInTheMiddleOfAPageCountsAsUnreadable)
{
    install_fault_operations();
    use_single_byte();
    std::string folder = make_scratch("scanner_read_error");
    std::string page = folder + "page.html";
    std::string text = "<html><body><a href=\"a.html\">a</a><img src=\"a.gif\"><embed src=\"a.mid\">\r\n";
    while (text.size() < 20000)
        text += "<p>filler filler filler filler filler filler filler filler</p>\r\n";
    text += "<body onload=x><a href=\"b.html\">b</a><img src=\"b.gif\"><embed src=\"b.mid\">";
    write_file(page, text);

    char (*table)[value_size] = new char[image_table_size][value_size];
    EXPECT_EQ(test_already_set(page.c_str()), 123);
    EXPECT_EQ(collect_links(page.c_str(), table), 2);
    EXPECT_EQ(collect_images(page.c_str(), table), 2);
    EXPECT_EQ(collect_streams(page.c_str(), table), 2);

    // The second block of the file cannot be read: the first link, image and stream were seen,
    // but a list that lacks the rest of the page must not pass for the page's. The page is written
    // anew before each pass, which would otherwise take the bytes the pass before it read.
    for (int (*pass)(const char*, char (*)[value_size]) : {collect_links, collect_images, collect_streams}) {
        write_file(page, text);
        arm_fault(fault_read, 2, false);
        EXPECT_EQ(pass(page.c_str(), table), -1);
        EXPECT_TRUE(fault_struck());
    }
    write_file(page, text);
    arm_fault(fault_read, 2, false);
    EXPECT_EQ(test_already_set(page.c_str()), -1);
    disarm_faults();
    delete[] table;
    clear_scratch(folder);
}

// Markup inside an image or stream tag sends the combined pass to the two passes of its own; where
// one of them cannot read the page, the whole cannot, and no count of -1 passes for a count.
TEST(page_scanners_reading, APassOfItsOwnThatFailsFailsTheCombinedPass)
{
    install_fault_operations();
    use_single_byte();
    std::string folder = make_scratch("scanner_own_pass_fails");
    std::string page = folder + "page.html";
    // Longer than a page that is kept between passes, so that each pass opens the file.
    const std::string text = "<body><img src=\"a.gif\" alt=\"<b>\"><embed src=\"a.mid\">" +
                             std::string(70000, 'x') + "</body>";
    write_file(page, text);
    auto* images = new char[image_table_size][value_size];
    auto* streams = new char[stream_table_size][value_size];
    int image_count = 0;
    int stream_count = 0;
    ASSERT_EQ(collect_images_and_streams(page.c_str(), images, image_count, streams, stream_count), 0);
    EXPECT_EQ(image_count, 1);
    EXPECT_EQ(stream_count, 1);
    for (int failing_open : {2, 3}) {  // the images' pass, the streams' pass
        arm_fault(fault_open, failing_open, false);
        EXPECT_EQ(collect_images_and_streams(page.c_str(), images, image_count, streams, stream_count), -1)
            << failing_open;
        EXPECT_TRUE(fault_struck());
        EXPECT_EQ(image_count, -1);
        EXPECT_EQ(stream_count, -1);
    }
    disarm_faults();
    delete[] images;
    delete[] streams;
    clear_scratch(folder);
}

}  // namespace
