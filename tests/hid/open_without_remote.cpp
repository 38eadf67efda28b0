// The built velk_hid_dll.dll, imported by name as the tools import it, on a system with no Wii
// Remote (Wine): OpenHidHandle must come back with kNoHandle, not hang.
#include <windows.h>

#include <cstdio>

#include "hid/velk_hid.h"

int main() {
  constexpr int32_t kVendorId = 0x057E;
  constexpr int32_t kProductId = 0x0306;
  ULONGLONG start = GetTickCount64();
  int32_t handle = OpenHidHandle(kVendorId, kProductId);
  ULONGLONG elapsed = GetTickCount64() - start;
  std::printf("OpenHidHandle(0x057E, 0x0306) = %d after %llu ms\n", static_cast<int>(handle),
              static_cast<unsigned long long>(elapsed));
  if (handle == kNoHandle) return 0;
  CloseHidHandle(handle);
  return 1;
}
