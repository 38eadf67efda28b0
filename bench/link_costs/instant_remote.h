// A velk_hid_dll whose remote answers at once: every read returns the report
// chosen here, every write is accepted. With it, a measurement of the link
// shows the link's own cost and nothing of a device or a simulation.
#pragma once

#include <stdint.h>

// The report every following ReadReport returns (kReportSize bytes).
void instant_remote_answer_with(const uint8_t *report);
