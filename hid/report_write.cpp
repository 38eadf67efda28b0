#include <cstring>

#include "hid/hid_device.h"
#include "hid/output_length.h"
#include "hid/velk_hid.h"

namespace {

// A write the remote has not taken by then is not coming; the caller gets a failure, not a hang.
constexpr DWORD kWriteTimeoutMs = 1000;

// Writing thread. True once the last write has let go of the handle's OVERLAPPED.
bool settle_write(HidDevice *device) {
  if (win.WaitForSingleObject(device->write_event, kCancelSettleMs) == WAIT_OBJECT_0) {
    device->write_unsettled = false;
  }
  return !device->write_unsettled;
}

// Writing thread. Sends length bytes of the handle's write buffer with an overlapped WriteFile;
// ERROR_SUCCESS or the error.
DWORD send_with_write_file(HidDevice *device, uint32_t length) {
  std::memset(&device->write_overlapped, 0, sizeof device->write_overlapped);
  device->write_overlapped.hEvent = device->write_event;
  if (win.WriteFile(device->file, device->write_buffer, length, nullptr,
                    &device->write_overlapped)) {
    return ERROR_SUCCESS;
  }
  DWORD error = GetLastError();
  if (error != ERROR_IO_PENDING) return error;
  device->write_unsettled = true;
  if (win.WaitForSingleObject(device->write_event, kWriteTimeoutMs) != WAIT_OBJECT_0) {
    // CancelIo reaches only this thread's I/O, so a read blocked on another thread goes on.
    win.CancelIo(device->file);
    settle_write(device);
    return ERROR_TIMEOUT;
  }
  device->write_unsettled = false;
  DWORD written = 0;
  if (win.GetOverlappedResult(device->file, &device->write_overlapped, &written, FALSE)) {
    return ERROR_SUCCESS;
  }
  return GetLastError();
}

// Writing thread. Sends the handle's write buffer, padded to the device's output length, as
// Windows 7's stack and some vendor stacks want it; ERROR_SUCCESS or the error.
DWORD send_with_set_output_report(HidDevice *device) {
  if (win.HidD_SetOutputReport(device->file, device->write_buffer, device->output_length)) {
    return ERROR_SUCCESS;
  }
  return GetLastError();
}

// Writing thread. Puts the report in the handle's buffer with zeros after it: the caller's
// buffer beyond the report holds leftovers of earlier reports, which a padded send must not carry.
void stage_report(HidDevice *device, const unsigned char *report, uint32_t length) {
  std::memset(device->write_buffer, 0, sizeof device->write_buffer);
  std::memcpy(device->write_buffer, report,
              length < kCallerBufferSize ? length : kCallerBufferSize);
}

}  // namespace

extern "C" int32_t __stdcall WriteReport(int32_t handle, unsigned char *buffer, uint32_t *count) {
  if (count) *count = 0;
  HidDevice *device = find_open_device(handle);
  if (!device || !buffer) return 0;
  uint32_t length = output_report_length(buffer[0], device->output_length);
  if (length == 0 || length > kMaxDeviceReportLength) return 0;
  if (device->write_unsettled && !settle_write(device)) return 0;
  stage_report(device, buffer, length);

  DWORD error;
  if (device->write_by_set_output_report) {
    error = send_with_set_output_report(device);
  } else {
    error = send_with_write_file(device, length);
    // Stacks that refuse the actual length say so with this error; an aborted write means a
    // remote that is gone, which the slower path would only wait on.
    if (error == ERROR_INVALID_USER_BUFFER) {
      error = send_with_set_output_report(device);
      device->write_by_set_output_report = error == ERROR_SUCCESS;
    }
  }
  if (error != ERROR_SUCCESS) return 0;
  if (count) *count = device->write_by_set_output_report ? device->output_length : length;
  return 1;
}
