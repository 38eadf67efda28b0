#include "sim/bluetooth/bt_handles.h"

#include <stdio.h>
#include <string.h>

#include <mutex>

namespace {

// Closed handles are kept, so that a stale one still has its name, but not
// for ever: a long-running process (a test of thousands of searches, a
// fuzzer) would grow without bound and every call would get slower. Slots
// are reused oldest first, so the handles closed most recently keep their
// names; there are always more slots than the host's live handles.
constexpr int kHandleSlots = 320;

struct HandlePool {
  std::mutex lock;
  SimHandle handles[kHandleSlots];  // a fixed array keeps addresses stable
  int next_slot;                    // where the search for a free slot starts
  int issued[3];
};

// Never destroyed: CloseHandle may still name handles while the process exits.
HandlePool &pool() {
  static HandlePool *the_pool = new HandlePool();
  return *the_pool;
}

void mark_closed(HostHandle *host) {
  HandlePool &handles = pool();
  std::lock_guard<std::mutex> guard(handles.lock);
  reinterpret_cast<SimHandle *>(host)->open = false;
}

// Caller holds the pool's lock. Slots never given out are no handles.
SimHandle *lookup(HANDLE handle) {
  for (SimHandle &candidate : pool().handles) {
    if (static_cast<void *>(&candidate.host) == handle && candidate.number != 0) return &candidate;
  }
  return nullptr;
}

// Caller holds the pool's lock. The oldest slot that is not open, or null.
SimHandle *free_slot(HandlePool &handles) {
  for (int tried = 0; tried < kHandleSlots; ++tried) {
    SimHandle *slot = &handles.handles[handles.next_slot];
    handles.next_slot = (handles.next_slot + 1) % kHandleSlots;
    if (!slot->open) return slot;
  }
  return nullptr;
}

void log_close(HANDLE handle, BOOL was_live) {
  char name[kHandleNameSize];
  bt_handle_name(handle, name);
  world_log("kernel CloseHandle(%s) -> %s", name, was_live ? "TRUE (live)" : "FALSE (not live)");
}

// Every CloseHandle of the process goes to the log, so tests can see a radio
// closed once and catch a second close.
__attribute__((constructor)) void observe_close_handle() {
  host_handle_set_close_observer(log_close);
}

}  // namespace

SimHandle *bt_handle_open(SimHandleKind kind) {
  HandlePool &handles = pool();
  SimHandle *handle;
  {
    std::lock_guard<std::mutex> guard(handles.lock);
    handle = free_slot(handles);
    if (handle == nullptr) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    memset(handle, 0, sizeof *handle);
    handle->host.close = mark_closed;
    handle->kind = kind;
    handle->number = ++handles.issued[static_cast<int>(kind)];
    handle->open = true;
  }
  if (!host_handle_register(&handle->host)) {
    mark_closed(&handle->host);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return handle;
}

void bt_route_close_handle_of(const void *) {}

HANDLE bt_handle_value(SimHandle *handle) { return &handle->host; }

SimHandle *bt_handle_find(HANDLE handle, SimHandleKind kind) {
  if (handle == nullptr || !host_handle_is_live(handle)) return nullptr;
  HandlePool &handles = pool();
  std::lock_guard<std::mutex> guard(handles.lock);
  SimHandle *found = lookup(handle);
  return found != nullptr && found->open && found->kind == kind ? found : nullptr;
}

void bt_handle_close(SimHandle *handle) {
  host_handle_unregister(&handle->host);
  mark_closed(&handle->host);
}

void bt_handle_name(HANDLE handle, char name[kHandleNameSize]) {
  HandlePool &handles = pool();
  std::lock_guard<std::mutex> guard(handles.lock);
  bt_describe_handle(handle, handle != nullptr ? lookup(handle) : nullptr, name);
}
