#include <string.h>

#include "pairing/pairing_state.h"

static_assert(sizeof(BLUETOOTH_DEVICE_INFO) == 560, "BLUETOOTH_DEVICE_INFO layout");

namespace {

constexpr UCHAR kInquiryTimeoutMultiplier = 2;  // 2 x 1.28 s

void close_device_search() {
  BluetoothFindDeviceClose(pairing_state.device_search);
  pairing_state.device_search = nullptr;
}

bool examine_device() {
  int produced = narrow_name(pairing_state.device_record.szName, pairing_state.name_buffer);
  return is_wii_remote_name(pairing_state.name_buffer, produced);
}

}  // namespace

int32_t search_remote(SearchKind kind) {
  bool inquiry = kind == SearchKind::with_inquiry;
  BLUETOOTH_DEVICE_SEARCH_PARAMS params;
  memset(&params, 0, sizeof params);
  params.dwSize = sizeof params;
  params.fReturnAuthenticated = TRUE;
  params.fReturnRemembered = TRUE;
  params.fReturnUnknown = TRUE;
  params.fReturnConnected = TRUE;
  params.fIssueInquiry = inquiry ? TRUE : FALSE;
  params.cTimeoutMultiplier = inquiry ? kInquiryTimeoutMultiplier : 0;
  params.hRadio = nullptr;  // all radios

  empty_device_record();
  pairing_state.device_search = BluetoothFindFirstDevice(&params, &pairing_state.device_record);
  if (pairing_state.device_search != nullptr) {
    do {
      if (examine_device()) {
        close_device_search();
        return 1;
      }
    } while (BluetoothFindNextDevice(pairing_state.device_search, &pairing_state.device_record));
    close_device_search();
  }
  empty_device_record();
  return 0;
}
