// What the simulated Bluetooth stack offers besides Windows' own calls.
#pragma once

// Inquiries are counted per process (a device with discoverable_on_inquiry N
// is found by the Nth). Tests that run many cases in one process start each
// case from zero with this.
extern "C" void bt_sim_reset_inquiries(void);
