// The four functions the tools import from velk_hid_dll.
#pragma once

#include <cstdint>

// What OpenHidHandle returns when no matching device opens.
constexpr int32_t kNoHandle = -1;

extern "C" {

// Main thread. A handle to the first present HID interface with these ids, or kNoHandle.
int32_t __stdcall OpenHidHandle(int32_t vendor_id, int32_t product_id);

// Main thread, once per open; no other live thread inside a call on this handle. 1 when it
// closed an open handle, else 0.
int32_t __stdcall CloseHidHandle(int32_t handle);

// One reading thread at a time per handle (a thread ended by force counts as gone). Blocks for
// one input report, copies at most 256 bytes of it into buffer; 1 on success, 0 on failure.
// count receives the bytes copied.
int32_t __stdcall ReadReport(int32_t handle, unsigned char *buffer, uint32_t *count);

// One writing thread per handle, which may run while another thread is blocked in ReadReport.
// Sends the output report in buffer at the length its id calls for; 1 on success, 0 on
// failure. count receives the bytes sent.
int32_t __stdcall WriteReport(int32_t handle, unsigned char *buffer, uint32_t *count);
}
