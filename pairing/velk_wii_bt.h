// velk_wii_bt: the Bluetooth steps that make a Wii Remote usable as a HID
// device. Only 32-bit results cross the library boundary: 1 or 0 for the
// checks and searches, 0 for the actions. Call VelkBT_check_parent first and
// end with VelkBT_finish or VelkBT_close_wii_remote.
#pragma once

#include <stdint.h>

#include "platform/win32.h"

extern "C" {

// Finds the PC's Bluetooth radio: 1 when there is one.
int32_t __cdecl VelkBT_check_parent(void);
// Looks among the devices Windows knows for the remote: 1 when it is connected.
int32_t __cdecl VelkBT_check_wii_remote_connected(void);
// Forgets the remote of the last search and releases the radio.
int32_t __cdecl VelkBT_close_wii_remote(void);
// Forgets the remote of the last search when Windows remembers it.
int32_t __cdecl VelkBT_clear_remembered_wii_remote(void);
// Looks for the remote with an inquiry (about 2.56 s): 1 when found.
int32_t __cdecl VelkBT_search_wii_remote(void);
// Enables the HID service on the remote of the last search.
int32_t __cdecl VelkBT_start_wii_remote_hid_service(void);
// Releases the radio.
int32_t __cdecl VelkBT_finish(void);
}
