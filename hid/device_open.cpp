#include <cstring>

#include "hid/hid_device.h"
#include "hid/velk_hid.h"

namespace {

// Room for the longest device interface path SetupDi hands back.
constexpr DWORD kInterfaceDetailSize = 2048;

union InterfaceDetail {
  SP_DEVICE_INTERFACE_DETAIL_DATA_W detail;
  unsigned char room[kInterfaceDetailSize];
};

// Main thread. The path of an enumerated interface, kept in storage, or nullptr.
const wchar_t *interface_path(HDEVINFO list, SP_DEVICE_INTERFACE_DATA *interface_data,
                              InterfaceDetail *storage) {
  storage->detail.cbSize = sizeof storage->detail;
  if (!win.SetupDiGetDeviceInterfaceDetailW(list, interface_data, &storage->detail, sizeof *storage,
                                            nullptr, nullptr)) {
    return nullptr;
  }
  return storage->detail.DevicePath;
}

// Main thread.
HANDLE open_interface(const wchar_t *path, DWORD access, DWORD flags) {
  return win.CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         flags, nullptr);
}

// Main thread. True when the interface belongs to the device with these ids. The query needs no
// access rights, so devices the system holds for itself (keyboards, mice) are only looked at.
bool interface_matches(const wchar_t *path, int32_t vendor_id, int32_t product_id) {
  HANDLE query = open_interface(path, 0, 0);
  if (query == INVALID_HANDLE_VALUE) return false;
  HIDD_ATTRIBUTES attributes;
  std::memset(&attributes, 0, sizeof attributes);
  attributes.Size = sizeof attributes;
  bool matches = win.HidD_GetAttributes(query, &attributes) && attributes.VendorID == vendor_id &&
                 attributes.ProductID == product_id;
  win.CloseHandle(query);
  return matches;
}

// Main thread. The device's report lengths; false when they cannot be had or do not fit.
bool read_report_lengths(HANDLE file, uint32_t *input_length, uint32_t *output_length) {
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  if (!win.HidD_GetPreparsedData(file, &preparsed)) return false;
  HIDP_CAPS caps;
  std::memset(&caps, 0, sizeof caps);
  bool known = win.HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS;
  win.HidD_FreePreparsedData(preparsed);
  *input_length = caps.InputReportByteLength;
  *output_length = caps.OutputReportByteLength;
  return known && *input_length <= kMaxDeviceReportLength &&
         *output_length <= kMaxDeviceReportLength;
}

// Main thread.
void close_if_open(HANDLE handle) {
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE) win.CloseHandle(handle);
}

// Main thread. Opens the interface for overlapped reading and writing into a free slot; on
// failure nothing stays open.
bool open_device(const wchar_t *path, HidDevice *device) {
  HANDLE file = open_interface(path, GENERIC_READ | GENERIC_WRITE, FILE_FLAG_OVERLAPPED);
  if (file == INVALID_HANDLE_VALUE) return false;
  uint32_t input_length = 0;
  uint32_t output_length = 0;
  // Manual-reset events, as overlapped I/O wants them.
  HANDLE read_event = win.CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE write_event = win.CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!read_report_lengths(file, &input_length, &output_length) || !read_event || !write_event) {
    close_if_open(write_event);
    close_if_open(read_event);
    win.CloseHandle(file);
    return false;
  }
  std::memset(device, 0, sizeof *device);
  device->file = file;
  device->input_length = input_length;
  device->output_length = output_length;
  device->read_event = read_event;
  device->write_event = write_event;
  device->open = true;
  return true;
}

}  // namespace

extern "C" int32_t __stdcall OpenHidHandle(int32_t vendor_id, int32_t product_id) {
  int32_t handle = free_device_handle();
  if (handle == kNoHandle) return kNoHandle;
  GUID hid_class;
  win.HidD_GetHidGuid(&hid_class);
  HDEVINFO list =
      win.SetupDiGetClassDevsW(&hid_class, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (list == INVALID_HANDLE_VALUE) return kNoHandle;

  int32_t opened = kNoHandle;
  SP_DEVICE_INTERFACE_DATA interface_data;
  std::memset(&interface_data, 0, sizeof interface_data);
  interface_data.cbSize = sizeof interface_data;
  InterfaceDetail storage;
  for (DWORD index = 0;
       opened == kNoHandle &&
       win.SetupDiEnumDeviceInterfaces(list, nullptr, &hid_class, index, &interface_data);
       ++index) {
    const wchar_t *path = interface_path(list, &interface_data, &storage);
    if (path && interface_matches(path, vendor_id, product_id) &&
        open_device(path, device_slot(handle))) {
      opened = handle;
    }
  }
  win.SetupDiDestroyDeviceInfoList(list);
  return opened;
}
