// The one door from system code to the operating system.
//
// On Windows this is the SDK. Everywhere else it is our stand-in: the same
// names, signatures and layouts, implemented in platform/host (kernel, console,
// user interface) and sim/ (the Bluetooth stack and the remote).
#pragma once

#ifdef _WIN32

#include <windows.h>
#include <bluetoothapis.h>
#include <bthdef.h>
#include <conio.h>
#include <process.h>
#include <stdio.h>
#include <stdlib.h>

// Older SDK headers lack the service-state flags.
#ifndef BLUETOOTH_SERVICE_ENABLE
#define BLUETOOTH_SERVICE_ENABLE 0x01
#endif
#ifndef BLUETOOTH_SERVICE_DISABLE
#define BLUETOOTH_SERVICE_DISABLE 0x00
#endif

// The deliverables are 32-bit, and the Bluetooth API checks these sizes.
#ifndef _WIN64
static_assert(sizeof(BLUETOOTH_DEVICE_SEARCH_PARAMS) == 32,
              "BLUETOOTH_DEVICE_SEARCH_PARAMS layout");
static_assert(sizeof(BLUETOOTH_DEVICE_INFO) == 560, "BLUETOOTH_DEVICE_INFO layout");
#endif

#else

#include "platform/host/win32_host.h"

#endif
