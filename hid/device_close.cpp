#include "hid/report_read.h"
#include "hid/velk_hid.h"

extern "C" int32_t __stdcall CloseHidHandle(int32_t handle) {
  HidDevice *device = find_open_device(handle);
  if (!device) return 0;
  // CancelIoEx also reaches a read issued by another thread, including one ended by force.
  win.CancelIoEx(device->file, nullptr);
  if (read_in_flight(device)) win.WaitForSingleObject(device->read_event, kCancelSettleMs);
  if (device->write_unsettled) win.WaitForSingleObject(device->write_event, kCancelSettleMs);
  win.CloseHandle(device->file);
  win.CloseHandle(device->read_event);
  win.CloseHandle(device->write_event);
  device->open = false;
  return 1;
}
