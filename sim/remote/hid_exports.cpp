// velk_hid_dll's four functions over the remote emulator: the handle table,
// blocking reads, and the log of what the tools did to the remote.
#include <string.h>

#include "link/remote_link.h"
#include "sim/remote/emulator.h"
#include "sim/remote/log_lines.h"
#include "sim/remote/read_watch.h"
#include "sim/remote/remote_sync.h"
#include "sim/world/world.h"

namespace {

constexpr int kMaxHandles = 8;
constexpr int32_t kCallFailed = 0;
constexpr int32_t kCallSucceeded = 1;
constexpr int kErrorSize = 200;

struct HandleSlot {
  bool open;
  uint32_t generation;  // changes at each open and close of the slot
  int device;           // record index in the world
  uint64_t opened_ms;
  RemoteEmulator remote;
};

// Guarded by remote_lock.
HandleSlot slots[kMaxHandles];
// OpenHidHandle calls for the remote's ids in this process, for the knob
// open_on_attempt.
int open_attempts;

// Handles are small integers: the slot's index plus one.
HandleSlot *slot_of(HidHandle handle) {
  if (handle < 1 || handle > kMaxHandles) return nullptr;
  HandleSlot *slot = &slots[handle - 1];
  return slot->open ? slot : nullptr;
}

unsigned long elapsed_ms(const HandleSlot *slot) {
  return static_cast<unsigned long>(remote_clock_ms() - slot->opened_ms);
}

const char *led_pattern(uint8_t leds) {
  static const char *const kPatterns[16] = {
      "0000", "1000", "0100", "1100", "0010", "1010", "0110", "1110",
      "0001", "1001", "0101", "1101", "0011", "1011", "0111", "1111",
  };
  return kPatterns[leds >> 4];
}

// Lines for what an output report changed on the remote.
void log_changes(LogLines *log, HidHandle handle, unsigned long t, const RemoteEmulator &before,
                 const RemoteEmulator &after) {
  if (before.rumble != after.rumble) {
    log_add(log, "hid %d t=%lu rumble %s", handle, t, after.rumble ? "on" : "off");
  }
  if (before.leds != after.leds) {
    log_add(log, "hid %d t=%lu leds %s", handle, t, led_pattern(after.leds));
  }
  if (before.mode != after.mode || before.continuous != after.continuous ||
      before.mode_chosen != after.mode_chosen) {
    log_add(log, "hid %d t=%lu mode %02X %s", handle, t, after.mode,
            after.continuous ? "continuous" : "on change");
  }
  if (before.ir_camera != after.ir_camera) {
    log_add(log, "hid %d t=%lu ir camera %s", handle, t, after.ir_camera ? "on" : "off");
  }
  if (before.jobs_dropped != after.jobs_dropped) {
    log_add(log, "hid %d t=%lu answer dropped (queue full)", handle, t);
  }
}

// First remote that Windows has connected with its HID service on; -1 if none.
int find_remote(const SimWorld &world) {
  for (int i = 0; i < world.device_count; ++i) {
    const SimDevice &device = world.devices[i];
    if (device.is_remote && device.connected && device.hid_service) return i;
  }
  return -1;
}

HidHandle open_slot(int device, const SimRemoteKnobs &knobs) {
  for (int i = 0; i < kMaxHandles; ++i) {
    HandleSlot &slot = slots[i];
    if (slot.open) continue;
    slot.open = true;
    ++slot.generation;
    slot.device = device;
    slot.opened_ms = remote_clock_ms();
    emulator_start(&slot.remote, &knobs);
    return i + 1;
  }
  return kNoHidHandle;
}

}  // namespace

extern "C" int32_t WINAPI OpenHidHandle(int32_t vendor, int32_t product) {
  if (vendor != HID_VENDOR_ID || product != HID_PRODUCT_ID) {
    world_log("hid open %04X:%04X -> -1 (not a Wii Remote)", static_cast<unsigned>(vendor),
              static_cast<unsigned>(product));
    return kNoHidHandle;
  }
  remote_lock();
  const int attempt = ++open_attempts;
  remote_unlock();

  // The world is read outside the lock: reading a file may block.
  SimWorld world;
  char error[kErrorSize];
  if (!world_load(&world, error, sizeof error)) {
    world_log("hid open 057E:0306 attempt %d -> -1 (state: %s)", attempt, error);
    return kNoHidHandle;
  }
  const int device = find_remote(world);
  if (device < 0) {
    world_log("hid open 057E:0306 attempt %d -> -1 (no connected remote with its HID service on)",
              attempt);
    return kNoHidHandle;
  }
  const SimRemoteKnobs &knobs = world.devices[device].remote;
  if (knobs.open_on_attempt == 0 || attempt < knobs.open_on_attempt) {
    world_log("hid open 057E:0306 attempt %d -> -1 (remote opens from attempt %d; 0 is never)",
              attempt, knobs.open_on_attempt);
    return kNoHidHandle;
  }
  remote_lock();
  const HidHandle handle = open_slot(device, knobs);
  remote_unlock();
  if (handle == kNoHidHandle) {
    world_log("hid open 057E:0306 attempt %d -> -1 (all %d handles in use)", attempt, kMaxHandles);
  } else {
    world_log("hid open 057E:0306 attempt %d -> %d (device %d)", attempt, handle, device);
  }
  return handle;
}

extern "C" int32_t WINAPI CloseHidHandle(HidHandle handle) {
  LogLines log;
  log.count = 0;
  remote_lock();
  HandleSlot *slot = slot_of(handle);
  unsigned long t = 0;
  if (slot != nullptr) {
    t = elapsed_ms(slot);
    // What became of the reads on this handle that did not return.
    read_watch_at_close(handle, t, &log);
    slot->open = false;
    ++slot->generation;
    // A read blocked on this handle wakes and fails.
    remote_wake();
  }
  remote_unlock();
  log_flush(&log);
  if (slot == nullptr) {
    world_log("hid close %d -> failed (not open)", handle);
    return kCallFailed;
  }
  world_log("hid %d t=%lu close", handle, t);
  return kCallSucceeded;
}

extern "C" int32_t WINAPI WriteReport(HidHandle handle, uint8_t *buffer, uint32_t *count) {
  if (count != nullptr) *count = 0;
  LogLines log;
  log.count = 0;
  int32_t result = kCallFailed;
  remote_lock();
  HandleSlot *slot = slot_of(handle);
  if (slot == nullptr || buffer == nullptr) {
    log_add(&log, "hid %d write -> failed (%s)", handle,
            slot == nullptr ? "not open" : "no buffer");
  } else {
    const unsigned long t = elapsed_ms(slot);
    log_add(&log, "hid %d t=%lu write", handle, t);
    log_append_hex(&log, buffer, kReportSize);
    const RemoteEmulator before = slot->remote;
    if (emulator_receive(&slot->remote, buffer)) {
      log_changes(&log, handle, t, before, slot->remote);
      remote_wake();
      if (count != nullptr) *count = kReportSize;
      result = kCallSucceeded;
    } else {
      log_add(&log, "hid %d t=%lu write -> failed (remote gone)", handle, t);
    }
  }
  remote_unlock();
  log_flush(&log);
  return result;
}

extern "C" int32_t WINAPI ReadReport(HidHandle handle, uint8_t *buffer, uint32_t *count) {
  if (count != nullptr) *count = 0;
  const char *failure = nullptr;
  unsigned long t = 0;
  remote_lock();
  HandleSlot *slot = slot_of(handle);
  const uint32_t generation = slot != nullptr ? slot->generation : 0;
  if (slot == nullptr) failure = "not open";
  if (buffer == nullptr) failure = "no buffer";
  const int watched = failure == nullptr ? read_watch_begin(handle) : -1;
  while (failure == nullptr) {
    if (!slot->open || slot->generation != generation) {
      failure = "handle closed";
      break;
    }
    uint8_t report[kReportSize];
    uint64_t wake_at_ms = 0;
    const EmulatorPoll poll = emulator_poll(&slot->remote, remote_clock_ms(), report, &wake_at_ms);
    if (poll == EmulatorPoll::report) {
      memcpy(buffer, report, kReportSize);
      if (count != nullptr) *count = kReportSize;
      break;
    }
    if (poll == EmulatorPoll::gone) failure = "remote gone";
    if (poll == EmulatorPoll::read_fails) failure = "read fails";
    if (poll == EmulatorPoll::wait) remote_wait(wake_at_ms);
  }
  if (slot != nullptr) t = elapsed_ms(slot);
  read_watch_end(watched);
  remote_unlock();
  if (failure == nullptr) return kCallSucceeded;
  world_log("hid %d t=%lu read -> failed (%s)", handle, t, failure);
  return kCallFailed;
}
