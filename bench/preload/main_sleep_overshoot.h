// How far past their length the main thread's Sleep calls return.
#pragma once

struct SleepTotals {
  long sleeps;
  long overshoot_us;  // summed over the main thread's Sleep calls
};

SleepTotals main_sleep_totals(void);
