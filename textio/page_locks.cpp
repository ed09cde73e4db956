// Waiting for the locks on pages.
#include "textio/page_locks.h"

#include "platform/clock.h"

void (*lock_wait_begins)();
bool (*lock_wait_turn)();

// How long a wait sleeps between two tries: a rewrite of a page takes about as long.
constexpr int wait_step_ms = 10;

int take_lock_now(page_lock* lock, const char* path, lock_kind kind)
{
    lock->held = false;
    int result = try_lock_file(&lock->handle, path, kind);
    lock->held = result == 0;
    return result == 1 ? 1 : 0;
}

int take_lock(page_lock* lock, const char* path, lock_kind kind)
{
    if (take_lock_now(lock, path, kind) == 0)
        return 0;
    if (lock_wait_begins)
        lock_wait_begins();
    for (;;) {
        if (lock_wait_turn && !lock_wait_turn())
            return -1;
        sleep_ms(wait_step_ms);
        if (take_lock_now(lock, path, kind) == 0)
            return 0;
    }
}

void give_back(page_lock* lock)
{
    if (lock->held)
        unlock_file(lock->handle);
    lock->held = false;
}
