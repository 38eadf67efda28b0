// How soon the probe has the remote's answer in hand, against the simulated
// remote. The probe itself looks only after its 1000 ms; this is the time
// from the first accelerometer report being due to accel_x being set.
#pragma once

// The world must be set up (VELK_SIM_STATE naming a connected remote).
// Prints probe_latency_{ready,running}_ms_{median,max,missed}.
void measure_probe_latency(void);
