// The fake system's device discovery, handles and events.
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "tests/hid/fake_state.h"

namespace {

const GUID kFakeHidClass = {
    0x1d1e0c5a, 0x2b3c, 0x4d5e, {0x8f, 0x90, 0xa1, 0xb2, 0xc3, 0xd4, 0xe5, 0xf6}};
const wchar_t kPathPrefix[] = L"\\\\?\\hid#fake#";

// Fake handles are addresses in this process, which no real handle equals.
unsigned char device_list_token;
unsigned char preparsed_tokens[kMaxFakeInterfaces];

void WINAPI fake_get_hid_guid(LPGUID guid) { *guid = kFakeHidClass; }

HDEVINFO WINAPI fake_get_class_devs(const GUID *guid, PCWSTR, HWND, DWORD flags) {
  FakeLock guard;
  if (std::memcmp(guid, &kFakeHidClass, sizeof *guid) != 0) violation("not the HID class");
  if ((flags & (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)) !=
      (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)) {
    violation("asked for more than present device interfaces");
  }
  if (world.class_list_fails) {
    SetLastError(ERROR_ACCESS_DENIED);
    return static_cast<HDEVINFO>(INVALID_HANDLE_VALUE);
  }
  ++world.open_lists;
  return static_cast<HDEVINFO>(&device_list_token);
}

WINBOOL WINAPI fake_enum_interfaces(HDEVINFO list, PSP_DEVINFO_DATA, const GUID *, DWORD index,
                                    PSP_DEVICE_INTERFACE_DATA data) {
  FakeLock guard;
  if (list != &device_list_token) violation("enumerating a list that is not open");
  if (data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  if (static_cast<int>(index) >= world.interface_count) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
  }
  data->Reserved = index;
  return TRUE;
}

WINBOOL WINAPI fake_get_interface_detail(HDEVINFO list, PSP_DEVICE_INTERFACE_DATA data,
                                         PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD size,
                                         PDWORD required, PSP_DEVINFO_DATA) {
  FakeLock guard;
  if (list != &device_list_token) violation("detail from a list that is not open");
  wchar_t path[64];
  int length = static_cast<int>(wcslen(kPathPrefix));
  std::memcpy(path, kPathPrefix, length * sizeof(wchar_t));
  path[length++] = static_cast<wchar_t>(L'0' + data->Reserved);
  path[length] = L'\0';
  DWORD needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                                    (length + 1) * sizeof(wchar_t));
  if (required) *required = needed;
  if (!detail || size < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  std::memcpy(detail->DevicePath, path, (length + 1) * sizeof(wchar_t));
  return TRUE;
}

WINBOOL WINAPI fake_destroy_list(HDEVINFO list) {
  FakeLock guard;
  if (list != &device_list_token || world.open_lists == 0) {
    violation("destroying a list that is not open");
    return FALSE;
  }
  --world.open_lists;
  return TRUE;
}

HANDLE WINAPI fake_create_file(LPCWSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES,
                               DWORD disposition, DWORD flags, HANDLE) {
  FakeLock guard;
  size_t prefix = wcslen(kPathPrefix);
  if (wcsncmp(path, kPathPrefix, prefix) != 0 || disposition != OPEN_EXISTING) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  int index = path[prefix] - L'0';
  if (index < 0 || index >= world.interface_count) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if ((access & (GENERIC_READ | GENERIC_WRITE)) && world.interfaces[index].refuses_read_write) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  if (world.file_count == kMaxFakeFiles) {
    violation("more files opened than the fake keeps");
    SetLastError(ERROR_TOO_MANY_OPEN_FILES);
    return INVALID_HANDLE_VALUE;
  }
  FakeFile *file = &world.files[world.file_count++];
  file->open = true;
  file->interface_index = index;
  file->access = access;
  file->flags = flags;
  ++world.open_files;
  return static_cast<HANDLE>(file);
}

WINBOOL WINAPI fake_close_handle(HANDLE handle) {
  FakeLock guard;
  ++world.close_handle_calls;
  if (FakeFile *file = file_of(handle)) {
    if (!file->open) {
      violation("closing a device handle twice");
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    if ((pending_read.active && pending_read.file == file) ||
        (pending_write.active && pending_write.file == file)) {
      ++world.closed_with_io_pending;
    }
    file->open = false;
    --world.open_files;
    return TRUE;
  }
  int index = event_index(handle);
  if (index < 0) {
    violation("closing a handle that is neither an open device nor an event");
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  events[index] = events[--event_count];
  --world.open_events;
  return CloseHandle(handle);
}

BOOLEAN NTAPI fake_get_attributes(HANDLE handle, PHIDD_ATTRIBUTES attributes) {
  FakeLock guard;
  FakeFile *file = file_of(handle);
  if (!file || !file->open) {
    violation("attributes of a handle that is not an open device");
    return FALSE;
  }
  if (attributes->Size != sizeof(HIDD_ATTRIBUTES)) return FALSE;
  attributes->VendorID = interface_of(file)->vendor_id;
  attributes->ProductID = interface_of(file)->product_id;
  attributes->VersionNumber = 0;
  return TRUE;
}

BOOLEAN NTAPI fake_get_preparsed(HANDLE handle, PHIDP_PREPARSED_DATA *preparsed) {
  FakeLock guard;
  FakeFile *file = file_of(handle);
  if (!file || !file->open) {
    violation("preparsed data of a handle that is not an open device");
    return FALSE;
  }
  ++world.open_preparsed;
  *preparsed = reinterpret_cast<PHIDP_PREPARSED_DATA>(&preparsed_tokens[file->interface_index]);
  return TRUE;
}

BOOLEAN NTAPI fake_free_preparsed(PHIDP_PREPARSED_DATA) {
  FakeLock guard;
  if (world.open_preparsed-- == 0) violation("preparsed data freed twice");
  return TRUE;
}

NTSTATUS NTAPI fake_get_caps(PHIDP_PREPARSED_DATA preparsed, PHIDP_CAPS caps) {
  FakeLock guard;
  int index = static_cast<int>(reinterpret_cast<unsigned char *>(preparsed) - preparsed_tokens);
  std::memset(caps, 0, sizeof *caps);
  caps->InputReportByteLength = world.interfaces[index].input_length;
  caps->OutputReportByteLength = world.interfaces[index].output_length;
  return HIDP_STATUS_SUCCESS;
}

HANDLE WINAPI fake_create_event(LPSECURITY_ATTRIBUTES attributes, WINBOOL manual_reset,
                                WINBOOL initial_state, LPCWSTR name) {
  FakeLock guard;
  if (!manual_reset) violation("an auto-reset event for overlapped I/O");
  if (event_count == kMaxFakeEvents) {
    violation("more events than the fake keeps");
    return nullptr;
  }
  HANDLE event = CreateEventW(attributes, manual_reset, initial_state, name);
  events[event_count++] = event;
  ++world.open_events;
  return event;
}

}  // namespace

void put_in_device_fakes(WinCalls *calls) {
  calls->HidD_GetHidGuid = fake_get_hid_guid;
  calls->SetupDiGetClassDevsW = fake_get_class_devs;
  calls->SetupDiEnumDeviceInterfaces = fake_enum_interfaces;
  calls->SetupDiGetDeviceInterfaceDetailW = fake_get_interface_detail;
  calls->SetupDiDestroyDeviceInfoList = fake_destroy_list;
  calls->CreateFileW = fake_create_file;
  calls->CloseHandle = fake_close_handle;
  calls->HidD_GetAttributes = fake_get_attributes;
  calls->HidD_GetPreparsedData = fake_get_preparsed;
  calls->HidD_FreePreparsedData = fake_free_preparsed;
  calls->HidP_GetCaps = fake_get_caps;
  calls->CreateEventW = fake_create_event;
}
