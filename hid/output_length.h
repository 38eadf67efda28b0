// How many bytes each output report takes on the wire.
#pragma once

#include <cstdint>

// Any thread. The length to send for an output report with this id; device_output_length
// (the longest output report the device declares) for ids with no length of their own.
uint32_t output_report_length(uint8_t report_id, uint32_t device_output_length);
