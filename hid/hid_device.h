// The state of one open device and the fixed table of them.
#pragma once

#include <cstdint>

#include "hid/win_calls.h"

// The tools hold one handle each; the spare slots cover a second remote and a careless caller.
constexpr int32_t kMaxOpenDevices = 8;
// The callers' report buffer; nothing is ever copied into or out of it beyond this.
constexpr uint32_t kCallerBufferSize = 256;
// Room kept per device for one report; a device declaring longer reports is passed over.
constexpr uint32_t kMaxDeviceReportLength = 1024;
// How long cancelled I/O gets to let go of the handle's OVERLAPPED before we move on.
constexpr DWORD kCancelSettleMs = 1000;

struct HidDevice {
  bool open;
  HANDLE file;
  uint32_t input_length;
  uint32_t output_length;

  // A reader may be ended by force while its read is pending, so the read targets memory of the
  // handle, never the caller's, and the next reader takes it over.
  HANDLE read_event;
  OVERLAPPED read_overlapped;
  bool read_issued;
  unsigned char read_buffer[kMaxDeviceReportLength];

  // Writes run beside a blocked read, so they have their own OVERLAPPED and event.
  HANDLE write_event;
  OVERLAPPED write_overlapped;
  bool write_unsettled;
  bool write_by_set_output_report;
  unsigned char write_buffer[kMaxDeviceReportLength];
};

// Any thread. The open device behind handle, or nullptr for any other value.
HidDevice *find_open_device(int32_t handle);

// Main thread. A handle whose slot is free, or kNoHandle when the table is full.
int32_t free_device_handle();

// Main thread. The slot behind a handle from free_device_handle.
HidDevice *device_slot(int32_t handle);
