// What the HID cases share: the remote as a fake device, report checks and a reader thread.
#pragma once

#include <cstdint>

#include "hid/hid_device.h"
#include "hid/velk_hid.h"
#include "tests/hid/fake_windows.h"

constexpr uint16_t kRemoteVendorId = 0x057E;
constexpr uint16_t kRemoteProductId = 0x0306;
constexpr uint16_t kRemoteReportLength = 22;
// Fills buffers the library must leave alone, so a stray write shows.
constexpr unsigned char kUntouched = 0xEE;

// Test thread, with no other thread in the library. Closes every handle still open, then checks
// that nothing is left held and that the fake saw no misuse. Ends every case and every table row
// that starts afresh.
void close_all_and_check_clean();

// Test thread. Adds a Wii Remote interface to the fake world; its index.
int add_remote();

// Test thread. OpenHidHandle as the tools call it.
int32_t open_remote();

// Any thread. True when bytes holds the first length bytes of the report with this seed.
bool holds_report(const unsigned char *bytes, uint8_t seed, uint32_t length);

// Any thread. True when every one of the length bytes is value.
bool all_bytes_are(const unsigned char *bytes, uint32_t length, unsigned char value);

// A ReadReport on a thread of its own, as the tools' reader runs.
struct ReaderThread {
  HANDLE thread;
  int32_t handle;
  int32_t result;
  uint32_t count;
  unsigned char buffer[kCallerBufferSize];
};

// Test thread. Starts reader->thread in ReadReport(handle, reader->buffer, &reader->count), with
// the buffer filled with kUntouched.
void start_reader(ReaderThread *reader, int32_t handle);

// Test thread. Waits for the reader's thread to end, however it ends; its exit code.
DWORD join_reader(ReaderThread *reader);
