// Message pump and key latch.
#include "console/message_pump.h"

#include "platform/clock.h"
#include "platform/files.h"

int last_key;
int close_requested;

unsigned pump_calls;

static void (*dispatcher)();
static uint64_t last_dispatch_ms;

// How old the last look at the queue may get: the window still repaints at 60 Hz or better.
constexpr uint64_t dispatch_interval_ms = 10;

// Between the blocks of a long copy: a turn of the pump, dispatching when it is due.
static void pump_during_copy() { poll_messages_slow(); }

void set_message_dispatcher(void (*dispatch)())
{
    dispatcher = dispatch;
    copy_pause = dispatch ? pump_during_copy : nullptr;
}

int poll_messages_now()
{
    pump_calls = 0;
    if (dispatcher) {
        last_dispatch_ms = tick_ms();
        dispatcher();
    }
    return last_key;
}

int poll_messages_slow()
{
    pump_calls = 0;
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
