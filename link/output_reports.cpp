// Builders of the output reports. Each writes only its own bytes of the
// shared output buffer, then sends the whole buffer.
#include <string.h>

#include "link/remote_link.h"

namespace {

int32_t send_output(void) {
  return WriteReport(remote_link.handle, remote_link.output, &remote_link.write_count);
}

// Bytes 0-5 of report 0x16; byte 5 carries count - 1.
void put_register_write_header(uint8_t space, uint8_t count, uint8_t offset) {
  uint8_t *out = remote_link.output;
  out[0] = kReportWrite;
  out[1] = kRegisterSpaceSelect;
  out[2] = space;
  out[3] = kRegisterWriteFiller;
  out[4] = offset;
  out[5] = static_cast<uint8_t>(count - 1);
}

void clear_write_data(void) { memset(remote_link.output + kWriteDataOffset, 0, kWriteDataMax); }

}  // namespace

int32_t set_leds(uint8_t value) {
  remote_link.output[0] = kReportLeds;
  remote_link.output[1] = value;
  return send_output();
}

int32_t set_report_mode(uint8_t flags, uint8_t mode) {
  remote_link.output[0] = kReportMode;
  remote_link.output[1] = flags;
  remote_link.output[2] = mode;
  return send_output();
}

int32_t send_ir_enable(uint8_t value) {
  remote_link.output[0] = kReportIrEnable;
  remote_link.output[1] = value;
  return send_output();
}

int32_t write_register_byte(uint8_t space, uint8_t count, uint8_t offset, uint8_t value) {
  put_register_write_header(space, count, offset);
  clear_write_data();
  remote_link.output[kWriteDataOffset] = value;
  return send_output();
}

int32_t write_register_bytes(uint8_t space, uint8_t count, uint8_t offset, const uint8_t *data) {
  if (count < kWriteRegisterMinCount || count > kWriteRegisterMaxCount) return kWriteRefused;
  const int data_size = count - 1;
  if (data_size > 0 && data == nullptr) return kWriteRefused;
  put_register_write_header(space, count, offset);
  clear_write_data();
  if (data_size > 0) memcpy(remote_link.output + kWriteDataOffset, data, data_size);
  return send_output();
}

int32_t request_register_read(uint8_t space, uint8_t size, uint8_t offset) {
  uint8_t *out = remote_link.output;
  out[0] = kReportRead;
  out[1] = kRegisterSpaceSelect;
  out[2] = space;
  out[3] = 0x00;
  out[4] = offset;
  out[5] = 0x00;  // size, high byte
  out[6] = size;  // size, low byte
  return send_output();
}

int32_t report_buttons(void) { return set_report_mode(kModeOnChange, kReportButtons); }

int32_t report_buttons_accel(void) { return set_report_mode(kModeOnChange, kReportButtonsAccel); }

int32_t report_buttons_accel_ir(void) {
  return set_report_mode(kModeOnChange, kReportButtonsAccelIr);
}

int32_t report_buttons_accel_ir_ext(void) {
  return set_report_mode(kModeOnChange, kReportButtonsAccelIrExt);
}
