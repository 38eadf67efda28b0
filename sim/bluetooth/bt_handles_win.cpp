// The simulated stack's handles on Windows. A radio is a real kernel handle
// (an event), because its owner closes it with the kernel's CloseHandle. To
// log that close as the host build does, the stack routes the calling
// module's imported CloseHandle through itself the first time a Bluetooth
// call arrives from that module.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <deque>

#include "sim/bluetooth/bt_handles.h"

namespace {

typedef BOOL(WINAPI *CloseHandleCall)(HANDLE);

// mingw's runtime here has no std::mutex.
struct Guard {
  explicit Guard(SRWLOCK *lock) : lock_(lock) { AcquireSRWLockExclusive(lock_); }
  ~Guard() { ReleaseSRWLockExclusive(lock_); }
  SRWLOCK *lock_;
};

struct HandlePool {
  SRWLOCK lock = SRWLOCK_INIT;
  std::deque<SimHandle> handles;  // a deque keeps addresses stable as it grows
  int issued[3];
};

HandlePool &pool() {
  static HandlePool *the_pool = new HandlePool();
  return *the_pool;
}

CloseHandleCall real_close_handle;

// Caller holds the pool's lock. The newest entry wins: the kernel may reuse
// a closed radio's handle value.
SimHandle *lookup(HANDLE handle) {
  SimHandle *found = nullptr;
  for (SimHandle &candidate : pool().handles) {
    if (bt_handle_value(&candidate) == handle) found = &candidate;
  }
  return found;
}

BOOL WINAPI logged_close_handle(HANDLE handle) {
  char name[kHandleNameSize];
  bt_handle_name(handle, name);
  BOOL closed = real_close_handle(handle);
  if (closed) {
    HandlePool &handles = pool();
    Guard guard(&handles.lock);
    SimHandle *found = lookup(handle);
    if (found != nullptr && found->kind == SimHandleKind::radio) found->open = false;
  }
  world_log("kernel CloseHandle(%s) -> %s", name, closed ? "TRUE (live)" : "FALSE (not live)");
  return closed;
}

// Points the module's import of kernel32's CloseHandle at logged_close_handle.
void route_close_handle(HMODULE module) {
  auto *base = reinterpret_cast<BYTE *>(module);
  auto *dos = reinterpret_cast<IMAGE_DOS_HEADER *>(base);
  auto *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY &imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return;
  auto *descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
  for (; descriptor->Name != 0; ++descriptor) {
    auto *slot = reinterpret_cast<IMAGE_THUNK_DATA *>(base + descriptor->FirstThunk);
    for (; slot->u1.Function != 0; ++slot) {
      if (slot->u1.Function != reinterpret_cast<ULONG_PTR>(real_close_handle)) continue;
      DWORD was;
      if (VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &was)) {
        slot->u1.Function = reinterpret_cast<ULONG_PTR>(logged_close_handle);
        VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, was, &was);
      }
    }
  }
}

}  // namespace

void bt_route_close_handle_of(const void *caller_address) {
  static SRWLOCK once = SRWLOCK_INIT;
  static HMODULE routed[8];
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCSTR>(caller_address), &module)) {
    return;
  }
  Guard guard(&once);
  if (real_close_handle == nullptr) {
    real_close_handle = reinterpret_cast<CloseHandleCall>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "CloseHandle")));
  }
  for (HMODULE &seen : routed) {
    if (seen == module) return;
    if (seen == nullptr) {
      seen = module;
      route_close_handle(module);
      return;
    }
  }
}

SimHandle *bt_handle_open(SimHandleKind kind) {
  HandlePool &handles = pool();
  Guard guard(&handles.lock);
  HANDLE os_handle = nullptr;
  if (kind == SimHandleKind::radio) {
    os_handle = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (os_handle == nullptr) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
  }
  handles.handles.emplace_back();
  SimHandle *handle = &handles.handles.back();
  memset(handle, 0, sizeof *handle);
  handle->kind = kind;
  handle->os_handle = os_handle;
  handle->number = ++handles.issued[static_cast<int>(kind)];
  handle->open = true;
  return handle;
}

HANDLE bt_handle_value(SimHandle *handle) {
  return handle->kind == SimHandleKind::radio ? handle->os_handle : &handle->host;
}

SimHandle *bt_handle_find(HANDLE handle, SimHandleKind kind) {
  if (handle == nullptr) return nullptr;
  HandlePool &handles = pool();
  Guard guard(&handles.lock);
  SimHandle *found = lookup(handle);
  return found != nullptr && found->open && found->kind == kind ? found : nullptr;
}

void bt_handle_close(SimHandle *handle) {
  HandlePool &handles = pool();
  Guard guard(&handles.lock);
  handle->open = false;
}

void bt_handle_name(HANDLE handle, char name[kHandleNameSize]) {
  HandlePool &handles = pool();
  Guard guard(&handles.lock);
  bt_describe_handle(handle, handle != nullptr ? lookup(handle) : nullptr, name);
}
