// Parsing of the data reports into RemoteState (see PROTOCOL.md, reports
// 0x30-0x3F).
#include <string.h>

#include "link/input_buffer.h"
#include "link/remote_link.h"

namespace {

// 10-bit IR coordinates: the low byte plus two high bits from the point's
// third byte (see PROTOCOL.md, IR 12-byte form).
int32_t ir_x(const uint8_t *point) {
  return point[0] + ((point[2] & kIrXHighMask) << kIrXHighShift);
}

int32_t ir_y(const uint8_t *point) {
  return point[1] + ((point[2] & kIrYHighMask) << kIrYHighShift);
}

}  // namespace

void clear_input_report(void) {
  static_assert(kNoReport == 0x00, "the cleared buffer must read as no report");
  memset(remote_link.input, 0, kReportSize);
}

void parse_input_report(void) {
  uint8_t *in = remote_link.input;
  // Old bytes are never parsed again (their extension bytes would be decoded
  // twice), and a read that brings nothing puts back the last report's bytes.
  uint8_t last_report[kReportSize];
  memcpy(last_report, in, kReportSize);
  clear_input_report();
  ReadReport(remote_link.handle, in, &remote_link.read_count);
  const uint8_t id = in[0];
  if (id == kNoReport) {
    memcpy(in, last_report, kReportSize);
    return;
  }
  if ((id & kDataReportMask) != kReportButtons) return;

  RemoteState &state = remote_link.state;
  state.buttons1 = in[1];
  state.buttons2 = in[2];
  if (id & kDataHasAccel) {
    // Only a value that stands alone: no other data is ordered with it.
    state.accel_x.store(in[kDataAccelOffset], std::memory_order_relaxed);
    state.accel_y = in[kDataAccelOffset + 1];
    state.accel_z = in[kDataAccelOffset + 2];
  }
  if (id & kDataHasIr) {
    const uint8_t *point1 = in + kDataIrOffset;
    const uint8_t *point2 = point1 + kIrPointSize;
    state.ir1_x = ir_x(point1);
    state.ir1_y = ir_y(point1);
    state.ir2_x = ir_x(point2);
    state.ir2_y = ir_y(point2);
  }
  if (id & kDataHasExt) {
    for (int i = kDataExtOffset; i < kDataExtOffset + kDataExtSize; ++i) {
      in[i] = static_cast<uint8_t>((in[i] ^ kExtensionKey) + kExtensionKey);
    }
  }
}
