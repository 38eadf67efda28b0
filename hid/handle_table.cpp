#include "hid/hid_device.h"
#include "hid/velk_hid.h"

namespace {

HidDevice open_devices[kMaxOpenDevices];

// Handles start at 1, so a caller's zero-initialised handle never names an open device.
constexpr int32_t kFirstHandle = 1;

bool in_table(int32_t handle) {
  return handle >= kFirstHandle && handle < kFirstHandle + kMaxOpenDevices;
}

}  // namespace

HidDevice *find_open_device(int32_t handle) {
  if (!in_table(handle)) return nullptr;
  HidDevice *device = &open_devices[handle - kFirstHandle];
  return device->open ? device : nullptr;
}

int32_t free_device_handle() {
  for (int32_t index = 0; index < kMaxOpenDevices; ++index) {
    if (!open_devices[index].open) return kFirstHandle + index;
  }
  return kNoHandle;
}

HidDevice *device_slot(int32_t handle) { return &open_devices[handle - kFirstHandle]; }
