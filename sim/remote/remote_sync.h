// The few OS pieces behind the simulated remote's blocking ReadReport: one
// lock over every handle, a wait that a write wakes, and a millisecond clock.
#pragma once

#include <stdint.h>

void remote_lock(void);
void remote_unlock(void);

// Lock held on entry and on return. Waits until remote_wake or until
// remote_clock_ms reaches wake_at_ms (0: no time limit). A thread ended here
// (TerminateThread) gives the lock back, so nothing else hangs on it, and its
// read is marked abandoned (read_watch.h).
void remote_wait(uint64_t wake_at_ms);

// Wakes every waiting reader. Lock held.
void remote_wake(void);

// Monotonic milliseconds.
uint64_t remote_clock_ms(void);
