// The scripted velk_hid_dll. Reads may come from the link's worker thread;
// the script is set before the thread starts and read after it ends.
#include "tests/link/fake_hid.h"

#include <string.h>

FakeHid fake_hid;

void fake_hid_reset(void) {
  memset(&fake_hid, 0, sizeof fake_hid);
  fake_hid.write_result = 1;
}

void fake_hid_queue(std::initializer_list<uint8_t> bytes) {
  uint8_t *report = fake_hid.inputs[fake_hid.input_count++];
  memset(report, 0, kReportSize);
  int i = 0;
  for (uint8_t byte : bytes) report[i++] = byte;
}

extern "C" int32_t WINAPI OpenHidHandle(int32_t, int32_t) { return 1; }

extern "C" int32_t WINAPI CloseHidHandle(HidHandle) { return 1; }

// Like the real one, writes a whole report and nothing past it; fails
// without touching the buffer once the script is used up.
extern "C" int32_t WINAPI ReadReport(HidHandle handle, uint8_t *buffer, uint32_t *count) {
  ++fake_hid.read_calls;
  fake_hid.read_handle = handle;
  if (fake_hid.inputs_read == fake_hid.input_count) return fake_hid.empty_read_result;
  memcpy(buffer, fake_hid.inputs[fake_hid.inputs_read++], kReportSize);
  *count = kReportSize;
  return 1;
}

extern "C" int32_t WINAPI WriteReport(HidHandle handle, uint8_t *buffer, uint32_t *count) {
  if (fake_hid.write_count < kFakeMaxReports) {
    memcpy(fake_hid.writes[fake_hid.write_count], buffer, kReportBufferSize);
    fake_hid.write_handles[fake_hid.write_count] = handle;
  }
  ++fake_hid.write_count;
  *count = kReportSize;
  return fake_hid.write_result;
}
