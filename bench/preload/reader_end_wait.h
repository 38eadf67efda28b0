// How long plimsett waits, after its probe, for the probe's reader to end.
#pragma once

struct ReaderEndTotals {
  long waits;
  long wall_us;
  long last_end_ns;  // when the last such wait returned, on CLOCK_MONOTONIC
};

ReaderEndTotals reader_end_totals(void);
