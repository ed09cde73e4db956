// Message pump and key latch.
#include "console/message_pump.h"

#include "platform/clock.h"

int last_key;
int close_requested;

static void (*dispatcher)();
static unsigned calls_since_tick;
static uint64_t last_dispatch_ms;

// How often the tick is read, in calls, and how old the last look at the queue may get.
constexpr unsigned calls_per_tick = 256;
constexpr uint64_t dispatch_interval_ms = 10;

void set_message_dispatcher(void (*dispatch)()) { dispatcher = dispatch; }

int poll_messages_now()
{
    calls_since_tick = 0;
    if (dispatcher) {
        last_dispatch_ms = tick_ms();
        dispatcher();
    }
    return last_key;
}

int poll_messages()
{
    if (++calls_since_tick < calls_per_tick)
        return last_key;
    calls_since_tick = 0;
    if (dispatcher && tick_ms() - last_dispatch_ms >= dispatch_interval_ms) {
        last_dispatch_ms = tick_ms();
        dispatcher();
    }
    return last_key;
}

int take_key()
{
    int key = last_key;
    last_key = 0;
    return key;
}
