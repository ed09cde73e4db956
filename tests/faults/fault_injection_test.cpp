// Fault injection over whole batches of both programs: every file operation the passes use is
// made to fail on its first, second, third ... call, once or from then on, until a batch runs
// without meeting the fault. After every batch each page must be whole: as it was, or exactly as a
// batch without faults leaves it. A temporary copy may stay only when the log names it, and the
// user's own files with our names are never touched.
#include "insert/next_page.h"
#include "insert/page_rewriter.h"
#include "remove/page_restorer.h"
#include "tests/faults/batch_site.h"
#include "tests/faults/fault_files.h"
#include "tests/page_fixture.h"
#include "tests/test_support.h"
#include "textio/paths.h"
#include "textio/streams.h"
#include "textio/temp_copy.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>

namespace {

// A page prepared by the rewriting pass alone, from its first link and that page's images and
// streams: what a batch without faults makes of it.
std::string prepared_alone(const std::string& page, const std::string& original)
{
    char links[link_table_size][value_size];
    collect_links(page.c_str(), links);
    static next_page_choice next;
    take_link(next, page.c_str(), links[0]);
    static next_page_contents contents;
    contents.image_count = collect_images(next.path, contents.images);
    contents.stream_count = collect_streams(next.path, contents.streams);
    std::string scratch = folder + "variant.html";
    write_file(scratch, original);
    in_open(scratch.c_str());
    out_open((scratch + ".out").c_str());
    rewrite_page(next, contents, loaded_insert_blocks());
    out_close();
    in_close();
    return read_file(scratch + ".out");
}

struct outcome {
    std::string bytes;
    const char* log_needs;  // the log must show this for the outcome to count (null: nothing)
};

struct fault_injection : testing::Test {
    page_set originals;
    page_set prepared;  // after addNextpics without faults
    page_set restored;  // after delNextpics without faults on the prepared pages
    std::map<std::string, std::vector<outcome>> add_outcomes;

    void SetUp() override
    {
        use_single_byte();
        site_states states = prepare_and_restore();
        originals = states.originals;
        prepared = states.prepared;
        restored = states.restored;
        for (const std::string& page : pages) {
            ASSERT_NE(prepared[page], originals[page]) << page;
            ASSERT_NE(restored[page], prepared[page]) << page;
            ASSERT_EQ(prepared_alone(page, originals[page]), prepared[page]) << page;
            // A next page that cannot be read for its images or streams leaves the page as it was.
            add_outcomes[page] = {{originals[page], nullptr}, {prepared[page], nullptr}};
        }
        ASSERT_TRUE(our_temporary_files().empty());
    }
    void TearDown() override
    {
        disarm_faults();
        clear_scratch(folder);
    }

    // How the pages of all batches so far ended, by the index of the outcome they matched.
    int outcome_counts[8] = {};
    int kept_copies = 0;

    // Checks the site after a batch; returns false (after reporting) when something is wrong.
    bool site_is_sound(const std::map<std::string, std::vector<outcome>>& allowed, const std::string& what)
    {
        bool sound = true;
        auto report = [&](const std::string& problem) {
            ADD_FAILURE() << what << ": " << problem << "\nlog:\n" << screen_text();
            sound = false;
        };
        if (screen_text().find("(-1 ") != std::string::npos || screen_text().find(" -1 strms") != std::string::npos)
            report("a count the next page could not be read for, shown as -1");
        std::vector<std::string> kept = our_temporary_files();
        kept_copies += static_cast<int>(kept.size());
        for (const std::string& path : kept)
            if (!log_names(path))
                report("temporary copy left without a word in the log: " + path);
        for (const std::string& page : pages) {
            std::string bytes = read_file(page);
            int matched = -1;
            const std::vector<outcome>& outcomes = allowed.at(page);
            for (int i = 0; i < static_cast<int>(outcomes.size()) && matched < 0; ++i)
                if (bytes == outcomes[i].bytes &&
                    (!outcomes[i].log_needs || screen_text().find(outcomes[i].log_needs) != std::string::npos))
                    matched = i;
            if (matched < 0)
                report("page neither as it was nor fully processed: " + page);
            else
                ++outcome_counts[matched];
        }
        if (read_file(site + "addnex0.tmp") != users_add_temp || read_file(site + "delnex0.tmp") != users_del_temp ||
            read_file(site + "nextpics.class") != users_applet)
            report("a file of the user's was overwritten");
        // The applet goes into the sub-folder whole or not at all: a broken one would stay there,
        // since later runs copy it only where it is missing.
        std::string copied_applet = site + "sub/nextpics.class";
        if (std::filesystem::exists(copied_applet) && read_file(copied_applet) != programs_applet)
            report("a broken copy of the applet was left: " + copied_applet);
        return sound;
    }

    // Runs batch with every fault of every kind, once and from then on, from the first call up.
    void every_fault(void (*batch)(), const page_set& start,
                     const std::map<std::string, std::vector<outcome>>& allowed, const char* program)
    {
        for (int kind = 0; kind < fault_kinds; ++kind) {
            for (bool persistent : {false, true}) {
                int n = 1;
                for (;; ++n) {
                    lay_out_site();
                    write_pages(start);
                    arm_fault(static_cast<fault_kind>(kind), n, persistent);
                    batch();
                    disarm_faults();
                    std::string what = std::string(program) + ", " + fault_kind_names[kind] + " call " +
                                       std::to_string(n) + (persistent ? " and on" : " once");
                    if (!site_is_sound(allowed, what) || !fault_struck())
                        break;
                    ASSERT_LT(n, 2000) << what;
                }
                std::printf("%s: %s fault %s, calls 1 to %d\n", program, fault_kind_names[kind],
                            persistent ? "from the N-th call on" : "at the N-th call once", n);
            }
        }
        std::printf("%s: pages as they were %d, fully processed %d; temporary copies kept and named %d\n", program,
                    outcome_counts[0], outcome_counts[1], kept_copies);
    }
};

TEST_F(fault_injection, AddBatchKeepsEveryPageWholeWhateverFails)
{
    every_fault(add_batch, originals, add_outcomes, "addNextpics");
}

TEST_F(fault_injection, DelBatchKeepsEveryPageWholeWhateverFails)
{
    std::map<std::string, std::vector<outcome>> allowed;
    for (const std::string& page : pages)
        allowed[page] = {{prepared[page], nullptr}, {restored[page], nullptr}};
    every_fault(del_batch, prepared, allowed, "delNextpics");
}

// When the disk fails for good during a rewrite, copying the page back fails too: the page is then
// cut, and the only whole copy is the temporary one, which must stay and be named in the log.
TEST_F(fault_injection, CopyThatCannotBeBroughtBackIsKeptAndNamed)
{
    int held_by_copy = 0;
    for (fault_kind first : {fault_write, fault_read, fault_close}) {
        for (void (*batch)() : {add_batch, del_batch}) {
            const page_set& start = batch == add_batch ? originals : prepared;
            for (int n = 1;; ++n) {
                lay_out_site();
                write_pages(start);
                arm_fault(first, n, false);
                arm_follow_up_fault(fault_copy);
                batch();
                disarm_faults();
                if (!fault_struck())
                    break;
                std::string what = std::string(fault_kind_names[first]) + " call " + std::to_string(n);
                for (const std::string& page : pages) {
                    std::string bytes = read_file(page);
                    const std::string& done = batch == add_batch ? prepared[page] : restored[page];
                    if (bytes == start.at(page) || bytes == done)
                        continue;
                    bool kept = false;
                    for (const std::string& path : our_temporary_files())
                        kept = kept || (read_file(path) == start.at(page) && log_names(path));
                    EXPECT_TRUE(kept) << what << ": " << page << " is cut and no named copy holds it\n"
                                      << screen_text();
                    held_by_copy += kept ? 1 : 0;
                }
                for (const std::string& path : our_temporary_files())
                    EXPECT_TRUE(log_names(path)) << what << ": " << path << " not named\n" << screen_text();
                ASSERT_LT(n, 2000);
            }
        }
    }
    std::printf("pages cut by a failing disk and held whole by a named temporary copy: %d\n", held_by_copy);
    EXPECT_GT(held_by_copy, 0);
}

}  // namespace
