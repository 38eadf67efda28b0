// The pairing library's module state and steps, shared by its files and its
// tests (not exported).
#pragma once

#include <stdint.h>

#include "platform/win32.h"

constexpr int kNameBufferSize = 256;  // including the terminating zero
constexpr char WII_REMOTE_NAME[] = "Nintendo RVL-CNT-01";

struct PairingState {
  HANDLE radio;                          // from find_radio until close_radio
  BLUETOOTH_DEVICE_INFO device_record;   // the last search's match, or empty
  char name_buffer[kNameBufferSize];     // narrow name of the device being examined
  HBLUETOOTH_DEVICE_FIND device_search;  // open only during a search
};

// One per process, zero at load.
extern PairingState pairing_state;

enum class SearchKind {
  known_devices = 1,  // what Windows already knows, at once
  with_inquiry = 2,   // also an inquiry of 2 x 1.28 s
};

int32_t find_radio();
void close_radio();
int32_t search_remote(SearchKind kind);
void empty_device_record();

// Converts a device name to the thread's ANSI code page. Returns the bytes
// produced, terminating zero included, or 0 when the name has no terminating
// zero within its 248 characters or its narrow form does not fit.
int narrow_name(const WCHAR (&name)[BLUETOOTH_MAX_NAME_SIZE], char (&buffer)[kNameBufferSize]);
// `produced` is what narrow_name returned for `narrow`.
bool is_wii_remote_name(const char (&narrow)[kNameBufferSize], int produced);

// Back to the state at load, for tests that each start afresh. Leaves any
// radio handle open.
void pairing_state_reset();
