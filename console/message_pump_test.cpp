// Tests of the message pump and the key latch, with a stand-in dispatcher that types keys.
#include "console/message_pump.h"

#include "platform/clock.h"

#include <gtest/gtest.h>

namespace {

int dispatches;
int keys_to_type[2];

// What the window would do on dispatch: every queued character replaces the latched one.
void typing_dispatcher()
{
    ++dispatches;
    for (int& key : keys_to_type) {
        if (key)
            last_key = key;
        key = 0;
    }
}

struct message_pump : testing::Test {
    void SetUp() override
    {
        set_message_dispatcher(typing_dispatcher);
        poll_messages_now();  // starts the call count afresh
        dispatches = last_key = 0;
    }
    void TearDown() override
    {
        set_message_dispatcher(nullptr);
        last_key = 0;
    }
};

TEST_F(message_pump, WithoutAWindowPollingDispatchesNothing)
{
    set_message_dispatcher(nullptr);
    EXPECT_EQ(poll_messages_now(), 0);
    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(poll_messages(), 0);
    EXPECT_EQ(dispatches, 0);
}

TEST_F(message_pump, TheLaterOfTwoKeysIsLatchedAndTakenOnce)
{
    keys_to_type[0] = 'a';
    keys_to_type[1] = 'b';
    EXPECT_EQ(poll_messages_now(), 'b');
    EXPECT_EQ(poll_messages_now(), 'b');  // polling does not clear the latch
    EXPECT_EQ(take_key(), 'b');
    EXPECT_EQ(take_key(), 0);
    EXPECT_EQ(poll_messages_now(), 0);
}

TEST_F(message_pump, PollingLooksAtTheQueueOnlyNowAndThen)
{
    constexpr int every = static_cast<int>(pump_calls_per_tick);
    sleep_ms(40);  // well past 10 ms on a coarse tick
    for (int i = 1; i < every; ++i)
        poll_messages();
    EXPECT_EQ(dispatches, 0);
    keys_to_type[0] = 'k';
    EXPECT_EQ(poll_messages(), 'k');
    EXPECT_EQ(dispatches, 1);

    // As many calls again within 10 ms of that look leave the queue alone.
    for (int i = 0; i < every; ++i)
        poll_messages();
    EXPECT_EQ(dispatches, 1);

    sleep_ms(40);  // well past 10 ms on a coarse tick
    for (int i = 0; i < every; ++i)
        poll_messages();
    EXPECT_EQ(dispatches, 2);
}

}  // namespace
