// The locks runs take on pages: who excludes whom, and giving up a wait.
#include "textio/page_locks.h"

#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct page_locks : testing::Test {
    std::string folder = make_scratch("page_locks");
    std::string page = folder + "page.html";
    void SetUp() override { write_file(page, "<html></html>"); }
    void TearDown() override
    {
        lock_wait_begins = nullptr;
        lock_wait_turn = nullptr;
        clear_scratch(folder);
    }
};

// Each row: a lock held by one run, and whether another run's lock of the second kind must wait.
TEST_F(page_locks, WhoExcludesWhom)
{
    struct row {
        lock_kind held, wanted;
        bool excluded;
    } rows[] = {
        {lock_work, lock_work, true},       {lock_rewrite, lock_rewrite, true}, {lock_rewrite, lock_read, true},
        {lock_read, lock_rewrite, true},    {lock_read, lock_read, false},      {lock_work, lock_read, false},
        {lock_work, lock_rewrite, false},
    };
    for (const row& r : rows) {
        page_lock first, second;
        ASSERT_EQ(take_lock_now(&first, page.c_str(), r.held), 0);
        EXPECT_TRUE(first.held);
        EXPECT_EQ(take_lock_now(&second, page.c_str(), r.wanted), r.excluded ? 1 : 0) << r.held << " " << r.wanted;
        give_back(&second);
        give_back(&first);
        EXPECT_EQ(take_lock_now(&second, page.c_str(), r.wanted), 0) << "given back: " << r.held << " " << r.wanted;
        give_back(&second);
    }
}

TEST_F(page_locks, NoFileNoLockNothingToWaitFor)
{
    page_lock lock;
    EXPECT_EQ(take_lock((&lock), (folder + "missing.html").c_str(), lock_work), 0);
    EXPECT_FALSE(lock.held);
    give_back(&lock);
}

// A wait that its turns give up (a stop request) leaves the page to the other run, said once.
TEST_F(page_locks, AWaitIsSaidOnceAndCanBeGivenUp)
{
    static int begun, turns;
    begun = turns = 0;
    lock_wait_begins = [] { ++begun; };
    lock_wait_turn = [] { return ++turns < 3; };
    page_lock other, mine;
    ASSERT_EQ(take_lock_now(&other, page.c_str(), lock_work), 0);
    EXPECT_EQ(take_lock(&mine, page.c_str(), lock_work), -1);
    EXPECT_FALSE(mine.held);
    EXPECT_EQ(begun, 1);
    EXPECT_EQ(turns, 3);
    give_back(&other);
    EXPECT_EQ(take_lock(&mine, page.c_str(), lock_work), 0);
    EXPECT_EQ(begun, 1);
    give_back(&mine);
}

}  // namespace
