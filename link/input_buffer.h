// The input buffer before each read, shared by the reader and the register
// read.
#pragma once

// Empties the report's bytes (0-21) of remote_link.input before a read, so
// that afterwards they hold only what the read brought: kNoReport when it
// brought nothing, and zeros past the end of a short report, as a HID device
// pads it, never an earlier report's bytes. The result and count of
// ReadReport are velk_hid_dll's own and are not relied on.
void clear_input_report(void);
