#include <string.h>

#include "pairing/pairing_state.h"

static_assert(sizeof(BLUETOOTH_FIND_RADIO_PARAMS) == 4, "BLUETOOTH_FIND_RADIO_PARAMS layout");

int32_t find_radio() {
  // A second look would otherwise leak the first radio's handle.
  close_radio();

  BLUETOOTH_FIND_RADIO_PARAMS params;
  memset(&params, 0, sizeof params);
  params.dwSize = sizeof params;
  pairing_state.radio = nullptr;
  HBLUETOOTH_RADIO_FIND radio_search = BluetoothFindFirstRadio(&params, &pairing_state.radio);
  if (radio_search == nullptr) {
    pairing_state.radio = nullptr;
    return 0;
  }
  // Further radios are not looked at.
  BluetoothFindRadioClose(radio_search);
  return 1;
}

void close_radio() {
  // Forgetting the handle makes a second close harmless.
  if (pairing_state.radio == nullptr) return;
  CloseHandle(pairing_state.radio);
  pairing_state.radio = nullptr;
}
