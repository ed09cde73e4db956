// Power cuts over whole batches of both programs: the power fails after the first, second, third
// ... file operation, and under every pattern of loss every page must be whole afterwards: as it
// was, as the batch makes it, or held whole, as it was, by a temporary copy beside it.
#include "tests/faults/batch_site.h"
#include "tests/faults/fault_files.h"
#include "tests/faults/power_cut.h"
#include "tests/page_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <regex>

namespace {

bool is_temporary_copy(const std::string& path)
{
    static const std::regex ours("(addnex|delnex)[0-9]+\\.tmp");
    return std::regex_match(std::filesystem::path(path).filename().string(), ours);
}

// What is wrong with the disk after a cut: an empty text when every page is whole.
std::string lost_pages(const disk_image& image, const page_set& before, const page_set& after)
{
    std::string lost;
    for (const auto& [page, was] : before) {
        auto found = image.find(page);
        if (found != image.end() && (found->second == was || found->second == after.at(page)))
            continue;
        bool held = false;
        for (const auto& [path, bytes] : image)
            held = held || (is_temporary_copy(path) && bytes == was &&
                            std::filesystem::path(path).parent_path() == std::filesystem::path(page).parent_path());
        if (!held)
            lost += page + (found == image.end() ? " is gone" : " is cut") + " and no temporary copy holds it\n";
    }
    if (image.at(site + "addnex0.tmp") != users_add_temp || image.at(site + "delnex0.tmp") != users_del_temp)
        lost += "a file of the user's was changed\n";
    return lost;
}

// The power back on, the same batch once more must leave every page finished (after) and no
// temporary copy of its own: it puts a cut page back from its copy, deletes a copy the page does
// not need, and prepares (restores) what is left.
bool rerun_finishes(const disk_image& image, void (*batch)(), const page_set& after, const char* program, int n, int p)
{
    power_back_on(image);
    batch();
    std::string wrong;
    for (const auto& [page, bytes] : read_pages())
        if (bytes != after.at(page))
            wrong += page + " is not finished\n";
    for (const std::string& copy : our_temporary_files())
        wrong += copy + " is left\n";
    if (!wrong.empty())
        ADD_FAILURE() << program << ", power cut after operation " << n << ", " << loss_pattern_list[p].name
                      << ", then one more run:\n" << wrong << screen_text();
    return wrong.empty();
}

struct power_cuts : testing::Test {
    page_set originals;
    page_set prepared;
    page_set restored;

    void SetUp() override
    {
        site_states states = prepare_and_restore();
        originals = states.originals;
        prepared = states.prepared;
        restored = states.restored;
    }

    // Cuts the power after every operation of batch in turn. Returns the number of cuts after
    // which a page was lost; with expect_sound, each of them is a failure of the test.
    int every_cut(void (*batch)(), const page_set& before, const page_set& after, const char* program,
                  bool syncs_ignored, bool expect_sound, bool write_fails = false)
    {
        int unsound = 0;
        int unfinished = 0;
        int n = 1;
        for (;; ++n) {
            lay_out_site();
            write_pages(before);
            start_power_watch(folder, n, syncs_ignored);
            if (write_fails)
                arm_fault(fault_write, 1, false);
            batch();
            if (!stop_power_watch())
                break;
            for (int p = 0; p < loss_patterns; ++p) {
                std::string lost = lost_pages(image_after_cut(p), before, after);
                if (lost.empty()) {
                    if (expect_sound)
                        unfinished += rerun_finishes(image_after_cut(p), batch, after, program, n, p) ? 0 : 1;
                    continue;
                }
                ++unsound;
                if (expect_sound)
                    ADD_FAILURE() << program << ", power cut after operation " << n << ", "
                                  << loss_pattern_list[p].name << ":\n" << lost;
            }
        }
        std::printf("%s%s%s: power cut after each of %d file operations, %d loss patterns each: %d lose a page%s\n",
                    program, write_fails ? ", a page's write failing" : "", syncs_ignored ? " without syncs" : "",
                    n - 1, loss_patterns, unsound, expect_sound ? (unfinished ? ", the next run leaves some unfinished" : ", the next run finishes every one") : "");
        return unsound;
    }
};

TEST_F(power_cuts, EveryPageSurvivesAPowerCutAtAnyMoment)
{
    every_cut(add_batch, originals, prepared, "addNextpics", false, true);
    every_cut(del_batch, prepared, restored, "delNextpics", false, true);
}

// The first write of a page fails (a full disk): the page is copied back from its temporary copy,
// which may go only once the page it holds is on the disk again.
TEST_F(power_cuts, APageCopiedBackAfterAFailedWriteSurvivesAPowerCut)
{
    every_cut(add_batch, originals, prepared, "addNextpics", false, true, true);
    every_cut(del_batch, prepared, restored, "delNextpics", false, true, true);
    EXPECT_GT(every_cut(add_batch, originals, prepared, "addNextpics", true, false, true), 0);
}

// The same batches with the syncs taken away lose pages: the cuts above are able to find a fault.
TEST_F(power_cuts, WithoutSyncsAPowerCutLosesPages)
{
    EXPECT_GT(every_cut(add_batch, originals, prepared, "addNextpics", true, false), 0);
    EXPECT_GT(every_cut(del_batch, prepared, restored, "delNextpics", true, false), 0);
}

}  // namespace
