// Handles of the host stand-in. Every live handle is a HostHandle registered
// in one table, so CloseHandle can tell a live handle from a stale, foreign or
// already closed one, as Windows does, instead of touching freed memory.
#pragma once

#include "platform/win32.h"

struct HostHandle {
  // Called once by CloseHandle on a live handle, after it left the table.
  void (*close)(HostHandle *self);
};

// False when the table is full.
extern "C" bool host_handle_register(HostHandle *handle);
extern "C" bool host_handle_is_live(HANDLE handle);
// Removes without calling close; for owners that retire a handle themselves.
extern "C" void host_handle_unregister(HostHandle *handle);

// Lets the simulated world log every CloseHandle: the handle and whether it
// was live. One observer; null removes it.
typedef void (*HostCloseObserver)(HANDLE handle, BOOL was_live);
extern "C" void host_handle_set_close_observer(HostCloseObserver observer);
