#include "hid/output_length.h"

namespace {

// The Wii Remote's output reports, each of which current Windows stacks want at its own length;
// padding them all to the device's longest breaks the remote there.
constexpr uint8_t kReportLeds = 0x11;
constexpr uint8_t kReportMode = 0x12;
constexpr uint8_t kReportIrEnable = 0x13;
constexpr uint8_t kReportStatusRequest = 0x15;
constexpr uint8_t kReportRegisterWrite = 0x16;
constexpr uint8_t kReportRegisterRead = 0x17;

constexpr uint32_t kOneByteCommandLength = 2;
constexpr uint32_t kModeLength = 3;
constexpr uint32_t kRegisterWriteLength = 22;
constexpr uint32_t kRegisterReadLength = 7;

}  // namespace

uint32_t output_report_length(uint8_t report_id, uint32_t device_output_length) {
  switch (report_id) {
    case kReportLeds:
    case kReportIrEnable:
    case kReportStatusRequest:
      return kOneByteCommandLength;
    case kReportMode:
      return kModeLength;
    case kReportRegisterWrite:
      return kRegisterWriteLength;
    case kReportRegisterRead:
      return kRegisterReadLength;
    default:
      return device_output_length;
  }
}
