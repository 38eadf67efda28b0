// The seven exports. Their names are listed once, in CMakeLists.txt, which
// makes the export list of each build from them.
#include "pairing/velk_wii_bt.h"

#include "pairing/pairing_state.h"

namespace {

// HumanInterfaceDeviceServiceClass_UUID, 00001124-0000-1000-8000-00805F9B34FB.
constexpr GUID kHidServiceClass = {
    0x00001124, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB}};

void remove_device_of_record() {
  // The SDK takes a non-const pointer.
  BLUETOOTH_ADDRESS address = pairing_state.device_record.Address;
  BluetoothRemoveDevice(&address);
}

}  // namespace

int32_t VelkBT_check_parent(void) { return find_radio(); }

int32_t VelkBT_check_wii_remote_connected(void) {
  if (search_remote(SearchKind::known_devices) == 0) return 0;
  return pairing_state.device_record.fConnected != 0 ? 1 : 0;
}

int32_t VelkBT_close_wii_remote(void) {
  remove_device_of_record();
  close_radio();
  return 0;
}

int32_t VelkBT_clear_remembered_wii_remote(void) {
  if (pairing_state.device_record.fRemembered != 0) remove_device_of_record();
  return 0;
}

int32_t VelkBT_search_wii_remote(void) { return search_remote(SearchKind::with_inquiry); }

int32_t VelkBT_start_wii_remote_hid_service(void) {
  // The SDK takes a non-const pointer.
  GUID service = kHidServiceClass;
  BluetoothSetServiceState(pairing_state.radio, &pairing_state.device_record, &service,
                           BLUETOOTH_SERVICE_ENABLE);
  return 0;
}

int32_t VelkBT_finish(void) {
  close_radio();
  return 0;
}
