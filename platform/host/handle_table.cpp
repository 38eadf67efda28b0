// The host's handle table: which HostHandles are live.
#include "platform/host/host_handle.h"

#include <pthread.h>

namespace {

constexpr int kMaxLiveHandles = 256;

pthread_mutex_t table_lock = PTHREAD_MUTEX_INITIALIZER;
HostHandle *live_handles[kMaxLiveHandles];
HostCloseObserver close_observer;

// Caller holds table_lock.
int find_slot(const void *handle) {
  for (int i = 0; i < kMaxLiveHandles; ++i) {
    if (handle != nullptr && live_handles[i] == handle) return i;
  }
  return -1;
}

}  // namespace

extern "C" bool host_handle_register(HostHandle *handle) {
  pthread_mutex_lock(&table_lock);
  int slot = -1;
  for (int i = 0; i < kMaxLiveHandles && slot < 0; ++i) {
    if (live_handles[i] == nullptr) slot = i;
  }
  if (slot >= 0) live_handles[slot] = handle;
  pthread_mutex_unlock(&table_lock);
  return slot >= 0;
}

extern "C" bool host_handle_is_live(HANDLE handle) {
  pthread_mutex_lock(&table_lock);
  bool live = find_slot(handle) >= 0;
  pthread_mutex_unlock(&table_lock);
  return live;
}

extern "C" void host_handle_unregister(HostHandle *handle) {
  pthread_mutex_lock(&table_lock);
  int slot = find_slot(handle);
  if (slot >= 0) live_handles[slot] = nullptr;
  pthread_mutex_unlock(&table_lock);
}

extern "C" void host_handle_set_close_observer(HostCloseObserver observer) {
  pthread_mutex_lock(&table_lock);
  close_observer = observer;
  pthread_mutex_unlock(&table_lock);
}

extern "C" BOOL CloseHandle(HANDLE handle) {
  pthread_mutex_lock(&table_lock);
  int slot = find_slot(handle);
  HostHandle *closing = slot >= 0 ? live_handles[slot] : nullptr;
  if (slot >= 0) live_handles[slot] = nullptr;
  HostCloseObserver observer = close_observer;
  pthread_mutex_unlock(&table_lock);

  if (observer != nullptr) observer(handle, closing != nullptr);
  if (closing == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (closing->close != nullptr) closing->close(closing);
  return TRUE;
}
