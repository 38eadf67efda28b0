// The processor time of the busy-waits (wait_ms) in a preloaded process.
#pragma once

struct BusyWaitTotals {
  long waits;
  long cpu_us;  // the waiting thread's processor time while it waited
  long wall_us;
  // The last wait's start and end on CLOCK_MONOTONIC, which the driver in
  // its own process reads too.
  long last_start_ns;
  long last_end_ns;
};

// Closes a wait still open, then sums them all. At exit.
BusyWaitTotals busy_wait_totals(void);

// True once per busy-wait: for the first call of interest made on the
// waiting thread after its last counter reading, which ends the wait.
bool first_call_after_busy_wait(void);
