#include "tests/fuzz/stream_hid.h"

#include <string.h>

namespace {

// Results velk_hid_dll might give: its own meaning, not the link's to rely on.
constexpr int32_t kResults[8] = {1, 0, -1, kReportSize, INT32_MAX, INT32_MIN, 2, 1};
// A length byte of 0xFF stands for the whole buffer.
constexpr uint8_t kWholeBuffer = 0xFF;

}  // namespace

StreamHid stream_hid;

void stream_hid_start(FuzzInput reports) {
  stream_hid.reports = reports;
  stream_hid.read_count = 0;
  stream_hid.write_count = 0;
}

void stream_hid_report(int index, uint8_t report[kReportSize]) {
  const StreamRead &read = stream_hid.reads[index];
  memset(report, 0, kReportSize);
  memcpy(report, read.bytes, read.length < kReportSize ? read.length : kReportSize);
}

extern "C" int32_t WINAPI OpenHidHandle(int32_t, int32_t) { return 1; }

extern "C" int32_t WINAPI CloseHidHandle(HidHandle) { return 1; }

// Reads come from the main thread or from the link's worker, never both at once.
extern "C" int32_t WINAPI ReadReport(HidHandle, uint8_t *buffer, uint32_t *count) {
  fuzz_require(buffer == remote_link.input, "a read into another buffer than the link's input");
  fuzz_require(stream_hid.read_count < kStreamMaxReads, "the link reads without end");
  StreamRead &read = stream_hid.reads[stream_hid.read_count++];
  read.length = 0;
  if (fuzz_empty(&stream_hid.reports)) return 0;
  const uint8_t length_byte = fuzz_byte(&stream_hid.reports);
  const uint8_t how = fuzz_byte(&stream_hid.reports);
  const size_t wanted = length_byte == kWholeBuffer ? kReportBufferSize : length_byte;
  read.length = static_cast<int>(fuzz_bytes(&stream_hid.reports, read.bytes, wanted));
  memcpy(buffer, read.bytes, static_cast<size_t>(read.length));
  // The count may be anything too; the link must not trust it.
  *count = (how & 0x08) != 0 ? 0xFFFFFFFFu : static_cast<uint32_t>(read.length);
  return kResults[how & 0x07];
}

extern "C" int32_t WINAPI WriteReport(HidHandle, uint8_t *buffer, uint32_t *count) {
  fuzz_require(buffer == remote_link.output, "a write from another buffer than the link's output");
  ++stream_hid.write_count;
  *count = kReportSize;
  return 1;
}
