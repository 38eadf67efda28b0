// How long plimsett waits, after its probe, for the probe's reader to end.
#pragma once

struct ReaderEndTotals {
  long waits;
  long wall_us;
};

ReaderEndTotals reader_end_totals(void);
