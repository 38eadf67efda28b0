// Finding of the pairing fuzz target, kept as a case: the simulated stack
// kept every handle it ever gave out, so a process that searches many times
// (the fuzzer, a long test) grew by a device search's results each time and
// each call got slower.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include "sim/bluetooth/bt_sim.h"
#include "sim/world/world.h"

namespace {

constexpr int kWarmUpSearches = 1000;
constexpr int kSearches = 20000;
// Each search kept about 4.6 KB: 20000 searches grew by some 90 MB.
constexpr long kAllowedGrowthBytes = 16L * 1024 * 1024;

long resident_bytes() {
  FILE *statm = fopen("/proc/self/statm", "r");
  long total_pages = 0;
  long resident_pages = 0;
  if (statm == nullptr || fscanf(statm, "%ld %ld", &total_pages, &resident_pages) != 2) {
    resident_pages = -1;
  }
  if (statm != nullptr) fclose(statm);
  return resident_pages * sysconf(_SC_PAGESIZE);
}

void search_once() {
  BLUETOOTH_DEVICE_SEARCH_PARAMS params = {};
  params.dwSize = sizeof params;
  params.fReturnRemembered = TRUE;
  BLUETOOTH_DEVICE_INFO info = {};
  info.dwSize = sizeof info;
  HBLUETOOTH_DEVICE_FIND search = BluetoothFindFirstDevice(&params, &info);
  ASSERT_NE(search, nullptr);
  BluetoothFindDeviceClose(search);
}

TEST(SimulatedStackHandles, ManySearchesTakeBoundedMemory) {
  unsetenv("VELK_SIM_LOG");
  static SimWorld world;
  world_default(&world);
  world.devices[0].remembered = true;
  world_use_memory(&world);
  for (int i = 0; i < kWarmUpSearches; ++i) search_once();
  const long before = resident_bytes();
  ASSERT_GT(before, 0);
  for (int i = 0; i < kSearches; ++i) search_once();
  EXPECT_LT(resident_bytes() - before, kAllowedGrowthBytes);
  world_use_memory(nullptr);
}

}  // namespace
