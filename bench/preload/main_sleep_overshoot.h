// How far past their length the main thread's Sleep calls return.
#pragma once

struct SleepTotals {
  long sleeps;
  long overshoot_us;  // summed over the main thread's Sleep calls
  // The last one's start and end on CLOCK_MONOTONIC.
  long last_start_ns;
  long last_end_ns;
};

SleepTotals main_sleep_totals(void);
