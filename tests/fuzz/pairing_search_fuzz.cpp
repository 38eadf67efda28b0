// libFuzzer target: the pairing library among devices that strangers name.
// The input builds a world in memory (radio or not, up to eight devices with
// any flags and any UTF-16 names of up to 248 units, terminated or not), then
// calls the seven exports in any order. Each search must match exactly the
// first device, in the stack's order, named "Nintendo RVL-CNT-01"; every name
// is also converted on its own into buffers of exact size, where the
// sanitizers see one byte too far.
#include <stdlib.h>
#include <string.h>

#include "pairing/pairing_state.h"
#include "pairing/velk_wii_bt.h"
#include "sim/bluetooth/bt_sim.h"
#include "sim/world/world.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

constexpr int kMaxCalls = 24;
constexpr int kRemoteNameUnits = sizeof WII_REMOTE_NAME - 1;
// Device flags byte.
constexpr uint8_t kRemembered = 0x01;
constexpr uint8_t kConnected = 0x02;
constexpr uint8_t kAuthenticated = 0x04;
constexpr uint8_t kHidService = 0x08;
constexpr int kDiscoverableShift = 4;  // bits 4-5: found from that inquiry on; 0 never
// Name recipe byte.
constexpr uint8_t kStartWithRemoteName = 0x01;
constexpr uint8_t kReplaceOneUnit = 0x02;

SimWorld world;
int inquiries;  // the stack's inquiries in this input

void take_name(FuzzInput *input, WCHAR (&name)[BLUETOOTH_MAX_NAME_SIZE]) {
  memset(name, 0, sizeof name);
  const uint8_t recipe = fuzz_byte(input);
  int units = 0;
  if (recipe & kStartWithRemoteName) {
    for (; units < kRemoteNameUnits; ++units)
      name[units] = static_cast<WCHAR>(WII_REMOTE_NAME[units]);
  }
  const int more = fuzz_byte(input) % (BLUETOOTH_MAX_NAME_SIZE + 1);
  for (int i = 0; i < more && units < BLUETOOTH_MAX_NAME_SIZE; ++i) {
    name[units++] = static_cast<WCHAR>(fuzz_u16(input));
  }
  if (recipe & kReplaceOneUnit) {
    const int at = fuzz_byte(input) % BLUETOOTH_MAX_NAME_SIZE;
    name[at] = static_cast<WCHAR>(fuzz_u16(input));
  }
}

void take_world(FuzzInput *input) {
  world_empty(&world);
  world.radio = (fuzz_byte(input) & 1) != 0;
  world.inquiry_ms = 0;
  world.device_count = fuzz_byte(input) % (kWorldMaxDevices + 1);
  for (int i = 0; i < world.device_count; ++i) {
    SimDevice &device = world.devices[i];
    world_default_device(&device);
    const uint8_t flags = fuzz_byte(input);
    device.remembered = (flags & kRemembered) != 0;
    device.connected = (flags & kConnected) != 0;
    device.authenticated = (flags & kAuthenticated) != 0;
    device.hid_service = (flags & kHidService) != 0;
    device.discoverable_on_inquiry = (flags >> kDiscoverableShift) & 0x03;
    device.is_remote = true;
    // Addresses may repeat: the stack acts on the first record with one.
    device.address[0] = fuzz_byte(input);
    take_name(input, device.name);
  }
}

bool named_as_remote(const WCHAR (&name)[BLUETOOTH_MAX_NAME_SIZE]) {
  for (int i = 0; i < kRemoteNameUnits; ++i) {
    if (name[i] != static_cast<WCHAR>(WII_REMOTE_NAME[i])) return false;
  }
  return name[kRemoteNameUnits] == 0;
}

// The device a search should match, from the stack's rules (sim/WORLD.md): a
// search returns, in record order, the devices Windows knows and, with an
// inquiry, those it finds. -1 for none.
int expected_match(bool inquiry) {
  if (!world.radio) return -1;
  for (int i = 0; i < world.device_count; ++i) {
    const SimDevice &d = world.devices[i];
    const bool known = d.remembered || d.connected || d.authenticated || d.hid_service;
    const bool found =
        inquiry && d.discoverable_on_inquiry > 0 && inquiries >= d.discoverable_on_inquiry;
    if ((known || found) && named_as_remote(d.name)) return i;
  }
  return -1;
}

bool record_is_empty(void) {
  BLUETOOTH_DEVICE_INFO empty;
  memset(&empty, 0, sizeof empty);
  empty.dwSize = sizeof empty;
  return memcmp(&pairing_state.device_record, &empty, sizeof empty) == 0;
}

// What a search leaves: the expected device in the record, or an empty one.
void check_record(int expected) {
  fuzz_require(pairing_state.device_search == nullptr, "a device search left open");
  if (expected < 0) {
    fuzz_require(record_is_empty(), "no match, yet the device record is not empty");
    return;
  }
  const BLUETOOTH_DEVICE_INFO &record = pairing_state.device_record;
  fuzz_require(memcmp(record.Address.rgBytes, world.devices[expected].address, 6) == 0,
               "the record is not the first device named as the remote");
  fuzz_require(named_as_remote(record.szName), "the record's name is not the remote's");
}

// Each name on its own, in buffers of exactly the size narrow_name is given.
void check_narrow_name(const WCHAR (&name)[BLUETOOTH_MAX_NAME_SIZE]) {
  auto *wide = static_cast<WCHAR(*)[BLUETOOTH_MAX_NAME_SIZE]>(malloc(sizeof name));
  auto *narrow = static_cast<char(*)[kNameBufferSize]>(malloc(kNameBufferSize));
  memcpy(*wide, name, sizeof name);
  memset(*narrow, 'x', kNameBufferSize);
  const int produced = narrow_name(*wide, *narrow);
  fuzz_require(produced >= 0 && produced <= kNameBufferSize, "narrow_name produced too much");
  if (produced == 0) {
    fuzz_require((*narrow)[0] == '\0', "a name not converted leaves a non-empty buffer");
  } else {
    fuzz_require((*narrow)[produced - 1] == '\0' &&
                     memchr(*narrow, '\0', static_cast<size_t>(produced - 1)) == nullptr,
                 "a converted name is not one string of the length produced");
  }
  fuzz_require(is_wii_remote_name(*narrow, produced) == named_as_remote(name),
               "the narrow name matches otherwise than the UTF-16 name");
  free(narrow);
  free(wide);
}

void call_export(uint8_t which) {
  switch (which % 7) {
    case 0:
      fuzz_require(VelkBT_check_parent() == (world.radio ? 1 : 0), "radio found otherwise");
      break;
    case 1: {
      const int expected = expected_match(false);
      const bool connected = expected >= 0 && world.devices[expected].connected;
      fuzz_require(VelkBT_check_wii_remote_connected() == (connected ? 1 : 0),
                   "connected answered otherwise");
      check_record(expected);
      break;
    }
    case 2:
      VelkBT_close_wii_remote();
      fuzz_require(pairing_state.radio == nullptr, "the radio stays open after close");
      break;
    case 3:
      VelkBT_clear_remembered_wii_remote();
      break;
    case 4: {
      if (world.radio) ++inquiries;
      const int expected = expected_match(true);
      fuzz_require(VelkBT_search_wii_remote() == (expected >= 0 ? 1 : 0),
                   "the search's answer is not whether the remote is there");
      check_record(expected);
      break;
    }
    case 5:
      VelkBT_start_wii_remote_hid_service();
      break;
    default:
      VelkBT_finish();
      fuzz_require(pairing_state.radio == nullptr, "the radio stays open after finish");
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  // Log lines quote every name; they are formatted and thrown away.
  setenv("VELK_SIM_LOG", "/dev/null", 1);
  world_use_memory(&world);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input = {data, size};
  take_world(&input);
  for (int i = 0; i < world.device_count; ++i) check_narrow_name(world.devices[i].name);

  pairing_state_reset();
  bt_sim_reset_inquiries();
  inquiries = 0;
  for (int calls = 0; calls < kMaxCalls && !fuzz_empty(&input); ++calls) {
    call_export(fuzz_byte(&input));
  }
  // Releases the radio whatever the calls left, so no handle outlives the input.
  VelkBT_finish();
  return 0;
}
