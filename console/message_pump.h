// The message pump and the key latch through which the working code and the console window share
// the program's one thread.
#pragma once

// The most recent character typed into the console window; 0 means none. Written by the window.
extern int last_key;
// Set (-1) once the user asked to close the console window; nothing clears it.
extern int close_requested;

// Calls of poll_messages since the clock was last read; the clock is read every
// pump_calls_per_tick calls.
extern unsigned pump_calls;
constexpr unsigned pump_calls_per_tick = 1024;

// The part of poll_messages that reads the clock and, when due, dispatches.
int poll_messages_slow();

// Dispatches the messages queued for the program and returns last_key without clearing it. Never
// waits. The work loops call it once per byte, so when nothing can be pending it costs a counter
// and, every pump_calls_per_tick calls, a look at the millisecond tick: the queue itself is
// looked at only when at least 10 ms have passed since it was last looked at.
inline int poll_messages()
{
    if (++pump_calls < pump_calls_per_tick)
        return last_key;
    return poll_messages_slow();
}

// The same as count calls of poll_messages (its result aside), for the work loops that pass over a
// run of count bytes at once. count is at most a few thousand.
inline void poll_messages_for(int count)
{
    pump_calls += static_cast<unsigned>(count);
    if (pump_calls >= pump_calls_per_tick)
        poll_messages_slow();
}

// Dispatches the queued messages now, whatever the tick says (the closing key loop's turns).
int poll_messages_now();

// Returns last_key and sets it to 0.
int take_key();

// Installs the function that dispatches the queued messages (the console window's); none
// before a window exists, and then polling dispatches nothing.
void set_message_dispatcher(void (*dispatch)());
