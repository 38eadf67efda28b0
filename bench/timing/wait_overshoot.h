// How far past its target wait_ms returns.
#pragma once

// Prints wait_ms_<ms>_overshoot_us_{median,p99,max} for each measured length.
void measure_wait_overshoot(void);
