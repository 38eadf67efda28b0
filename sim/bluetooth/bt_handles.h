// The handles the simulated stack gives out: radios and the two kinds of
// search. Each is a registered HostHandle, so CloseHandle knows it, and each
// has a stable name for the log ("radio#1"). Handles are never freed, so a
// stale handle still has its name when someone closes it twice.
#pragma once

#include "platform/host/host_handle.h"
#include "sim/world/world.h"

enum class SimHandleKind { radio, radio_search, device_search };

struct SimHandle {
  HostHandle host;  // first, so the HANDLE is the handle's address
  SimHandleKind kind;
  int number;
  bool open;
  // Device searches: what the search found, handed out in order.
  int result_count;
  int next_result;
  BLUETOOTH_DEVICE_INFO results[kWorldMaxDevices];
};

// A new open handle, or null (with ERROR_NOT_ENOUGH_MEMORY) when the handle
// table is full.
SimHandle *bt_handle_open(SimHandleKind kind);
// The open handle of this kind behind `handle`, or null.
SimHandle *bt_handle_find(HANDLE handle, SimHandleKind kind);
// Closes a search handle through its own close call.
void bt_handle_close(SimHandle *handle);

// "radio#1", "device-search#2", "null", or "foreign(0x...)" for handles the
// stack never gave out.
constexpr size_t kHandleNameSize = 48;
void bt_handle_name(HANDLE handle, char name[kHandleNameSize]);
