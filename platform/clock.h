// Time: a cheap millisecond tick and sleeping.
#pragma once

#include <cstdint>

// Milliseconds since an arbitrary start; never goes backwards.
uint64_t tick_ms();

void sleep_ms(int milliseconds);
