// The simulated Windows Bluetooth API: the seven calls the pairing library
// makes, answered from the world's state file, each logged with its
// arguments and result.
#include <string.h>

#include "sim/bluetooth/bt_handles.h"
#include "sim/bluetooth/bt_sim.h"
#include "sim/world/world.h"

namespace {

// Windows error codes the stand-in header does not name.
constexpr DWORD kErrorServiceDoesNotExist = 1060;
constexpr DWORD kErrorRevisionMismatch = 1306;

constexpr UCHAR kMaxTimeoutMultiplier = 48;      // 48 x 1.28 s, as documented
constexpr int kInquiryUnitsPerWorldInquiry = 2;  // inquiry_ms is for multiplier 2

// HumanInterfaceDeviceServiceClass_UUID.
constexpr GUID kHidServiceClass = {
    0x00001124, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB}};

// Inquiries made by this process; a device is found by the Nth and later ones.
int inquiries_made;

struct DeviceText {
  char text[kAddressTextSize + 1600];
};

DeviceText describe_device(const BLUETOOTH_DEVICE_INFO &info) {
  DeviceText out;
  char address[kAddressTextSize];
  world_format_address(info.Address.rgBytes, address);
  char name[sizeof out.text - kAddressTextSize - 100];
  world_quote_name(info.szName, BLUETOOTH_MAX_NAME_SIZE, name, sizeof name);
  snprintf(out.text, sizeof out.text, "%s %s connected=%d remembered=%d authenticated=%d", address,
           name, info.fConnected != 0, info.fRemembered != 0, info.fAuthenticated != 0);
  return out;
}

struct HandleText {
  char text[kHandleNameSize];
};

HandleText name_of(HANDLE handle) {
  HandleText out;
  bt_handle_name(handle, out.text);
  return out;
}

void fill_info(const SimDevice &device, BLUETOOTH_DEVICE_INFO *info) {
  memset(info, 0, sizeof *info);
  info->dwSize = sizeof *info;
  memcpy(info->Address.rgBytes, device.address, sizeof device.address);
  info->ulClassofDevice = device.class_of_device;
  info->fConnected = device.connected;
  info->fRemembered = device.remembered;
  info->fAuthenticated = device.authenticated;
  memcpy(info->szName, device.name, sizeof info->szName);
}

// Windows keeps a record of a device that is paired, remembered or connected.
bool windows_knows(const SimDevice &device) {
  return device.remembered || device.connected || device.authenticated || device.hid_service;
}

bool found_by_inquiry(const SimDevice &device, int inquiry) {
  return device.discoverable_on_inquiry > 0 && inquiry >= device.discoverable_on_inquiry;
}

bool wanted(const BLUETOOTH_DEVICE_SEARCH_PARAMS &params, const SimDevice &device) {
  // Unknown: neither remembered nor authenticated, whatever else holds.
  bool unknown = !device.remembered && !device.authenticated;
  return (params.fReturnAuthenticated && device.authenticated) ||
         (params.fReturnRemembered && device.remembered) ||
         (params.fReturnConnected && device.connected) || (params.fReturnUnknown && unknown);
}

void log_search(const char *call, const BLUETOOTH_DEVICE_SEARCH_PARAMS *params,
                const BLUETOOTH_DEVICE_INFO *info, const char *result) {
  char text[256];
  if (params == nullptr) {
    snprintf(text, sizeof text, "null");
  } else {
    snprintf(text, sizeof text,
             "dwSize=%u fReturnAuthenticated=%d fReturnRemembered=%d fReturnUnknown=%d "
             "fReturnConnected=%d fIssueInquiry=%d cTimeoutMultiplier=%u hRadio=%s",
             static_cast<unsigned>(params->dwSize), static_cast<int>(params->fReturnAuthenticated),
             static_cast<int>(params->fReturnRemembered), static_cast<int>(params->fReturnUnknown),
             static_cast<int>(params->fReturnConnected), static_cast<int>(params->fIssueInquiry),
             static_cast<unsigned>(params->cTimeoutMultiplier), name_of(params->hRadio).text);
  }
  char info_size[32];
  if (info == nullptr) {
    snprintf(info_size, sizeof info_size, "null");
  } else {
    snprintf(info_size, sizeof info_size, "dwSize=%u", static_cast<unsigned>(info->dwSize));
  }
  world_log("bt %s(params={%s} info={%s}) -> %s", call, text, info_size, result);
}

HBLUETOOTH_DEVICE_FIND fail_search(const BLUETOOTH_DEVICE_SEARCH_PARAMS *params,
                                   const BLUETOOTH_DEVICE_INFO *info, DWORD error) {
  char result[32];
  snprintf(result, sizeof result, "null error=%u", static_cast<unsigned>(error));
  log_search("BluetoothFindFirstDevice", params, info, result);
  SetLastError(error);
  return nullptr;
}

BOOL fail_call(DWORD error) {
  SetLastError(error);
  return FALSE;
}

void format_guid(const GUID *guid, char text[48]) {
  if (guid == nullptr) {
    snprintf(text, 48, "null");
    return;
  }
  snprintf(text, 48, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
           static_cast<unsigned>(guid->Data1), guid->Data2, guid->Data3, guid->Data4[0],
           guid->Data4[1], guid->Data4[2], guid->Data4[3], guid->Data4[4], guid->Data4[5],
           guid->Data4[6], guid->Data4[7]);
}

// Runs a change on the world; a world that cannot be read counts as empty,
// where the change finds nothing.
bool update_world(bool (*change)(SimWorld *world, void *context), void *context) {
  char error[1024];
  if (world_update(change, context, error, sizeof error)) return true;
  world_report_error(error);
  SimWorld empty;
  world_empty(&empty);
  change(&empty, context);
  return false;
}

struct RemoveChange {
  const uint8_t *address;
  DWORD result;
};

bool forget_device(SimWorld *world, void *context) {
  RemoveChange *remove = static_cast<RemoveChange *>(context);
  SimDevice *device = world_find_device(world, remove->address);
  if (device == nullptr || !windows_knows(*device)) {
    remove->result = ERROR_NOT_FOUND;
    return false;
  }
  // The remote itself is still there: a later inquiry finds it again.
  device->remembered = false;
  device->connected = false;
  device->authenticated = false;
  device->hid_service = false;
  remove->result = ERROR_SUCCESS;
  return true;
}

struct ServiceChange {
  const uint8_t *address;
  bool enable;
  DWORD result;
};

bool set_hid_service(SimWorld *world, void *context) {
  ServiceChange *service = static_cast<ServiceChange *>(context);
  SimDevice *device = world->radio ? world_find_device(world, service->address) : nullptr;
  if (device == nullptr) {
    service->result = ERROR_NOT_FOUND;
    return false;
  }
  device->hid_service = service->enable;
  device->connected = service->enable;
  if (service->enable) device->remembered = true;
  service->result = ERROR_SUCCESS;
  return true;
}

// Both search-closing calls: the search must be open and of their kind.
BOOL close_search(HANDLE find, SimHandleKind kind, const char *call) {
  SimHandle *search = bt_handle_find(find, kind);
  world_log("bt %s(%s) -> %s", call, name_of(find).text,
            search != nullptr ? "TRUE" : "FALSE error=6");
  if (search == nullptr) return fail_call(ERROR_INVALID_HANDLE);
  bt_handle_close(search);
  return TRUE;
}

}  // namespace

extern "C" void bt_sim_reset_inquiries(void) { inquiries_made = 0; }

extern "C" HBLUETOOTH_RADIO_FIND WINAPI
BluetoothFindFirstRadio(BT_CONST BLUETOOTH_FIND_RADIO_PARAMS *params, HANDLE *radio) {
  bt_route_close_handle_of(__builtin_return_address(0));
  char given[32];
  if (params == nullptr) {
    snprintf(given, sizeof given, "params=null");
  } else {
    snprintf(given, sizeof given, "dwSize=%u", static_cast<unsigned>(params->dwSize));
  }
  DWORD error = ERROR_SUCCESS;
  if (params == nullptr || radio == nullptr) {
    error = ERROR_INVALID_PARAMETER;
  } else if (params->dwSize != sizeof *params) {
    error = kErrorRevisionMismatch;
  } else {
    SimWorld world;
    world_load_or_empty(&world);
    if (!world.radio) error = ERROR_NO_MORE_ITEMS;
  }
  SimHandle *search = nullptr;
  SimHandle *opened_radio = nullptr;
  if (error == ERROR_SUCCESS) {
    search = bt_handle_open(SimHandleKind::radio_search);
    opened_radio = search != nullptr ? bt_handle_open(SimHandleKind::radio) : nullptr;
    if (opened_radio == nullptr) {
      if (search != nullptr) bt_handle_close(search);
      error = ERROR_NOT_ENOUGH_MEMORY;
    }
  }
  if (error != ERROR_SUCCESS) {
    world_log("bt BluetoothFindFirstRadio(%s) -> null error=%u", given,
              static_cast<unsigned>(error));
    SetLastError(error);
    return nullptr;
  }
  *radio = bt_handle_value(opened_radio);
  world_log("bt BluetoothFindFirstRadio(%s) -> %s radio=%s", given,
            name_of(bt_handle_value(search)).text, name_of(*radio).text);
  return bt_handle_value(search);
}

extern "C" BOOL WINAPI BluetoothFindRadioClose(HBLUETOOTH_RADIO_FIND find) {
  return close_search(find, SimHandleKind::radio_search, "BluetoothFindRadioClose");
}

extern "C" HBLUETOOTH_DEVICE_FIND WINAPI BluetoothFindFirstDevice(
    BT_CONST BLUETOOTH_DEVICE_SEARCH_PARAMS *params, BLUETOOTH_DEVICE_INFO *info) {
  if (params == nullptr || info == nullptr) {
    return fail_search(params, info, ERROR_INVALID_PARAMETER);
  }
  if (params->dwSize != sizeof *params || info->dwSize != sizeof *info) {
    return fail_search(params, info, kErrorRevisionMismatch);
  }
  if (params->cTimeoutMultiplier > kMaxTimeoutMultiplier) {
    return fail_search(params, info, ERROR_INVALID_PARAMETER);
  }
  if (params->hRadio != nullptr &&
      bt_handle_find(params->hRadio, SimHandleKind::radio) == nullptr) {
    return fail_search(params, info, ERROR_INVALID_HANDLE);
  }

  SimWorld world;
  world_load_or_empty(&world);
  if (!world.radio) return fail_search(params, info, ERROR_NO_MORE_ITEMS);
  int inquiry = 0;
  if (params->fIssueInquiry) {
    inquiry = ++inquiries_made;
    int duration_ms = world.inquiry_ms * params->cTimeoutMultiplier / kInquiryUnitsPerWorldInquiry;
    world_log("bt inquiry #%d of this process: %d ms", inquiry, duration_ms);
    Sleep(static_cast<DWORD>(duration_ms));
    // What is in range when the inquiry ends.
    world_load_or_empty(&world);
  }

  BLUETOOTH_DEVICE_INFO results[kWorldMaxDevices];
  int result_count = 0;
  for (int i = 0; i < world.device_count && i < kWorldMaxDevices; ++i) {
    const SimDevice &device = world.devices[i];
    bool known = windows_knows(device);
    bool returned = known ? wanted(*params, device)
                          : params->fReturnUnknown && found_by_inquiry(device, inquiry);
    if (returned) fill_info(device, &results[result_count++]);
  }
  if (result_count == 0) return fail_search(params, info, ERROR_NO_MORE_ITEMS);
  SimHandle *search = bt_handle_open(SimHandleKind::device_search);
  if (search == nullptr) return fail_search(params, info, ERROR_NOT_ENOUGH_MEMORY);
  memcpy(search->results, results, sizeof results[0] * static_cast<size_t>(result_count));
  search->result_count = result_count;
  *info = search->results[0];
  search->next_result = 1;
  char result[sizeof(DeviceText) + kHandleNameSize + 16];
  snprintf(result, sizeof result, "%s device=%s", name_of(bt_handle_value(search)).text,
           describe_device(*info).text);
  log_search("BluetoothFindFirstDevice", params, info, result);
  return bt_handle_value(search);
}

extern "C" BOOL WINAPI BluetoothFindNextDevice(HBLUETOOTH_DEVICE_FIND find,
                                               BLUETOOTH_DEVICE_INFO *info) {
  SimHandle *search = bt_handle_find(find, SimHandleKind::device_search);
  DWORD error = ERROR_SUCCESS;
  if (search == nullptr) {
    error = ERROR_INVALID_HANDLE;
  } else if (info == nullptr) {
    error = ERROR_INVALID_PARAMETER;
  } else if (info->dwSize != sizeof *info) {
    error = kErrorRevisionMismatch;
  } else if (search->next_result >= search->result_count) {
    error = ERROR_NO_MORE_ITEMS;
  }
  if (error != ERROR_SUCCESS) {
    world_log("bt BluetoothFindNextDevice(%s) -> FALSE error=%u", name_of(find).text,
              static_cast<unsigned>(error));
    return fail_call(error);
  }
  *info = search->results[search->next_result++];
  world_log("bt BluetoothFindNextDevice(%s) -> TRUE device=%s", name_of(find).text,
            describe_device(*info).text);
  return TRUE;
}

extern "C" BOOL WINAPI BluetoothFindDeviceClose(HBLUETOOTH_DEVICE_FIND find) {
  return close_search(find, SimHandleKind::device_search, "BluetoothFindDeviceClose");
}

extern "C" DWORD WINAPI BluetoothRemoveDevice(BT_CONST BLUETOOTH_ADDRESS *address) {
  if (address == nullptr) {
    world_log("bt BluetoothRemoveDevice(null) -> %u",
              static_cast<unsigned>(ERROR_INVALID_PARAMETER));
    return ERROR_INVALID_PARAMETER;
  }
  RemoveChange remove = {address->rgBytes, ERROR_NOT_FOUND};
  update_world(forget_device, &remove);
  char text[kAddressTextSize];
  world_format_address(address->rgBytes, text);
  world_log("bt BluetoothRemoveDevice(%s) -> %u", text, static_cast<unsigned>(remove.result));
  return remove.result;
}

extern "C" DWORD WINAPI BluetoothSetServiceState(HANDLE radio, BT_CONST BLUETOOTH_DEVICE_INFO *info,
                                                 BT_CONST GUID *service, DWORD flags) {
  DWORD result;
  if (bt_handle_find(radio, SimHandleKind::radio) == nullptr) {
    result = ERROR_INVALID_HANDLE;
  } else if (info == nullptr || service == nullptr) {
    result = ERROR_INVALID_PARAMETER;
  } else if (info->dwSize != sizeof *info) {
    result = kErrorRevisionMismatch;
  } else if (flags != BLUETOOTH_SERVICE_ENABLE && flags != BLUETOOTH_SERVICE_DISABLE) {
    result = ERROR_INVALID_PARAMETER;
  } else if (memcmp(service, &kHidServiceClass, sizeof kHidServiceClass) != 0) {
    result = kErrorServiceDoesNotExist;
  } else {
    ServiceChange change = {info->Address.rgBytes, flags == BLUETOOTH_SERVICE_ENABLE,
                            ERROR_NOT_FOUND};
    update_world(set_hid_service, &change);
    result = change.result;
  }
  char address[kAddressTextSize] = "null";
  if (info != nullptr) world_format_address(info->Address.rgBytes, address);
  char guid[48];
  format_guid(service, guid);
  world_log("bt BluetoothSetServiceState(hRadio=%s device=%s service=%s flags=0x%08X) -> %u",
            name_of(radio).text, address, guid, static_cast<unsigned>(flags),
            static_cast<unsigned>(result));
  return result;
}
