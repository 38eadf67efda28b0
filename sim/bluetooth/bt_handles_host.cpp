#include "sim/bluetooth/bt_handles.h"

#include <stdio.h>
#include <string.h>

#include <deque>
#include <mutex>

namespace {

struct HandlePool {
  std::mutex lock;
  std::deque<SimHandle> handles;  // a deque keeps addresses stable as it grows
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

// Caller holds the pool's lock.
SimHandle *lookup(HANDLE handle) {
  for (SimHandle &candidate : pool().handles) {
    if (static_cast<void *>(&candidate.host) == handle) return &candidate;
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
    handles.handles.emplace_back();
    handle = &handles.handles.back();
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
