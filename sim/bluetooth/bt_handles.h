// The handles the simulated stack gives out: radios and the two kinds of
// search. Each is a registered HostHandle, so CloseHandle knows it, and each
// has a stable name for the log ("radio#1"). Closed handles are kept (on the
// host, the most recent ones: its pool has a fixed size), so a stale handle
// still has its name when someone closes it twice.
#pragma once

#include "platform/host/host_handle.h"
#include "sim/world/world.h"

// The SDK's headers declare the calls' pointer arguments without const; the
// documentation (and the host stand-in) with it. Definitions follow the build.
#ifdef _WIN32
#define BT_CONST
#else
#define BT_CONST const
#endif

enum class SimHandleKind { radio, radio_search, device_search };

struct SimHandle {
  HostHandle host;   // first, so the HANDLE is the handle's address (host)
  HANDLE os_handle;  // Windows: the kernel handle behind a radio
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
// What the caller holds for this handle. On Windows a radio is a real kernel
// handle, since the caller closes it with CloseHandle.
HANDLE bt_handle_value(SimHandle *handle);
// The open handle of this kind behind `handle`, or null.
SimHandle *bt_handle_find(HANDLE handle, SimHandleKind kind);
// Closes a search handle through its own close call.
void bt_handle_close(SimHandle *handle);

// Windows: logs the caller module's CloseHandle calls from now on, as the
// host's close observer does for the whole process. Nothing on the host.
void bt_route_close_handle_of(const void *caller_address);

// "radio#1", "device-search#2", "null", or "foreign(0x...)" for handles the
// stack never gave out.
constexpr size_t kHandleNameSize = 48;
void bt_handle_name(HANDLE handle, char name[kHandleNameSize]);
// The name of `handle`, given what the pool knows of it (null: nothing).
void bt_describe_handle(HANDLE handle, const SimHandle *found, char name[kHandleNameSize]);
