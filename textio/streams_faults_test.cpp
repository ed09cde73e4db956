// The output stream when the disk fails: however the library reports it, out_close tells.
#include "textio/streams.h"

#include "tests/faults/fault_files.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(streams_on_a_failing_disk, EveryFailedWriteShowsAtClose)
{
    install_fault_operations();
    std::string folder = make_scratch("streams_failing_disk");
    std::string path = folder + "out.html";
    const std::string text(20000, 'x');  // several blocks

    // A write that fails in the middle, at the end (the last flush), or a close that fails.
    for (fault_kind kind : {fault_write, fault_close}) {
        for (int n = 1;; ++n) {
            ASSERT_EQ(out_open(path.c_str()), 0);
            arm_fault(kind, n, false);
            out_puts(text.c_str());
            int closed = out_close();
            bool struck = fault_struck();
            disarm_faults();
            if (!struck) {
                EXPECT_EQ(closed, 0);
                EXPECT_EQ(read_file(path), text);
                break;
            }
            EXPECT_EQ(closed, -1) << fault_kind_names[kind] << " call " << n;
            ASSERT_LT(n, 100);
        }
    }
    clear_scratch(folder);
}

}  // namespace
