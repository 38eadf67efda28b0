#include <cstring>

#include "hid/report_read.h"
#include "hid/velk_hid.h"

namespace {

// Put in OVERLAPPED.Internal before ReadFile, which replaces it with the pending status on
// entry: a reader ended by force before that point leaves this value, so the next reader knows
// to start the read itself rather than wait for one that never began.
constexpr ULONG_PTR kReadNotStarted = ~ULONG_PTR{0};

// Reading thread. Issues a read into the handle's buffer; false when the device refused it.
bool start_read(HidDevice *device) {
  std::memset(&device->read_overlapped, 0, sizeof device->read_overlapped);
  device->read_overlapped.hEvent = device->read_event;
  device->read_overlapped.Internal = kReadNotStarted;
  device->read_issued = true;
  if (win.ReadFile(device->file, device->read_buffer, device->input_length, nullptr,
                   &device->read_overlapped)) {
    return true;
  }
  DWORD error = GetLastError();
  if (error == ERROR_IO_PENDING) return true;
  // Nothing reached the device; say so before dropping the flag, in case this thread is ended
  // in between.
  device->read_overlapped.Internal = kReadNotStarted;
  device->read_issued = false;
  SetLastError(error);
  return false;
}

// Reading thread, with a read in flight. Blocks until it ends; ERROR_SUCCESS or its error. A
// failed wait leaves the read for the next call.
DWORD finish_read(HidDevice *device, DWORD *received) {
  if (win.WaitForSingleObject(device->read_event, INFINITE) != WAIT_OBJECT_0) {
    return ERROR_GEN_FAILURE;
  }
  BOOL done = win.GetOverlappedResult(device->file, &device->read_overlapped, received, FALSE);
  DWORD error = done ? ERROR_SUCCESS : GetLastError();
  if (error != ERROR_IO_INCOMPLETE) device->read_issued = false;
  return error;
}

// Reading thread. Takes up a read left by an earlier caller, or starts one; ERROR_SUCCESS or
// the error that ended it.
DWORD read_into_device_buffer(HidDevice *device, DWORD *received) {
  if (read_in_flight(device)) {
    DWORD error = finish_read(device, received);
    // The system cancels a thread's reads when the thread is ended by force; that says nothing
    // about the device, and this caller still wants a report.
    if (error != ERROR_OPERATION_ABORTED) return error;
  }
  if (!start_read(device)) return GetLastError();
  return finish_read(device, received);
}

}  // namespace

bool read_in_flight(const HidDevice *device) {
  return device->read_issued && device->read_overlapped.Internal != kReadNotStarted;
}

extern "C" int32_t __stdcall ReadReport(int32_t handle, unsigned char *buffer, uint32_t *count) {
  if (count) *count = 0;
  HidDevice *device = find_open_device(handle);
  if (!device || !buffer) return 0;
  DWORD received = 0;
  if (read_into_device_buffer(device, &received) != ERROR_SUCCESS || received == 0) return 0;
  uint32_t copied = received < kCallerBufferSize ? received : kCallerBufferSize;
  std::memcpy(buffer, device->read_buffer, copied);
  if (count) *count = copied;
  return 1;
}
