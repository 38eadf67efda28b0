#include "tests/hid/hid_test_support.h"

#include <cstring>

#include "tests/hid/test_runner.h"

void close_all_and_check_clean() {
  for (int32_t handle = 0; handle <= kMaxOpenDevices + 1; ++handle) CloseHidHandle(handle);
  CHECK_EQ(world.open_files, 0);
  CHECK_EQ(world.open_events, 0);
  CHECK_EQ(world.open_lists, 0);
  CHECK_EQ(world.open_preparsed, 0);
  if (world.violations > 0) record_failure(__FILE__, __LINE__, world.first_violation);
}

int add_remote() {
  return fake_add_interface(kRemoteVendorId, kRemoteProductId, kRemoteReportLength,
                            kRemoteReportLength);
}

int32_t open_remote() { return OpenHidHandle(kRemoteVendorId, kRemoteProductId); }

bool holds_report(const unsigned char *bytes, uint8_t seed, uint32_t length) {
  for (uint32_t i = 0; i < length; ++i) {
    if (bytes[i] != fake_report_byte(seed, i)) return false;
  }
  return true;
}

bool all_bytes_are(const unsigned char *bytes, uint32_t length, unsigned char value) {
  for (uint32_t i = 0; i < length; ++i) {
    if (bytes[i] != value) return false;
  }
  return true;
}

namespace {

DWORD WINAPI reader_body(void *argument) {
  ReaderThread *reader = static_cast<ReaderThread *>(argument);
  reader->result = ReadReport(reader->handle, reader->buffer, &reader->count);
  return 0;
}

}  // namespace

void start_reader(ReaderThread *reader, int32_t handle) {
  std::memset(reader->buffer, kUntouched, sizeof reader->buffer);
  reader->handle = handle;
  reader->result = -1;
  reader->count = 0;
  reader->thread = CreateThread(nullptr, 0, reader_body, reader, 0, nullptr);
}

DWORD join_reader(ReaderThread *reader) {
  WaitForSingleObject(reader->thread, INFINITE);
  DWORD exit_code = 0;
  GetExitCodeThread(reader->thread, &exit_code);
  CloseHandle(reader->thread);
  return exit_code;
}
