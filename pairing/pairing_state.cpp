#include "pairing/pairing_state.h"

#include <string.h>

PairingState pairing_state;

void empty_device_record() {
  memset(&pairing_state.device_record, 0, sizeof pairing_state.device_record);
  pairing_state.device_record.dwSize = sizeof pairing_state.device_record;
}

void pairing_state_reset() { memset(&pairing_state, 0, sizeof pairing_state); }
