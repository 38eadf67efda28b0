// The handle's own read, shared between ReadReport and CloseHidHandle.
#pragma once

#include "hid/hid_device.h"

// Reading thread, or the main thread once no live thread reads. True when a read of the handle
// has reached the system and has not yet been taken up, so its event will be signalled.
bool read_in_flight(const HidDevice *device);
