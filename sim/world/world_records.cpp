// The embedded default world and small helpers on records.
#include <stdio.h>
#include <string.h>

#include "platform/host/utf8.h"
#include "sim/world/world.h"

namespace {

constexpr char kRemoteName[] = "Nintendo RVL-CNT-01";
// 00:19:1D is one of Nintendo's address blocks.
constexpr uint8_t kDefaultRemoteAddress[6] = {0x21, 0x7C, 0x4A, 0x1D, 0x19, 0x00};
constexpr uint32_t kRemoteClassOfDevice = 0x002504;  // peripheral, joystick
constexpr uint8_t kMotionPlusIdentity[6] = {0x00, 0x00, 0xA6, 0x20, 0x00, 0x05};

bool is_text_unit(uint32_t unit) { return unit >= 0x20 && unit != 0x7F; }

}  // namespace

void world_default_device(SimDevice *device) {
  memset(device, 0, sizeof *device);
  device->remote.behaviour = RemoteBehaviour::normal;
  device->remote.motionplus = true;
  memcpy(device->remote.motionplus_id, kMotionPlusIdentity, sizeof kMotionPlusIdentity);
  device->remote.read_reply = ReadReplyMode::normal;
  device->remote.vanish = VanishPoint::never;
  device->remote.open_on_attempt = 1;
}

void world_empty(SimWorld *world) {
  memset(world, 0, sizeof *world);
  world->radio = false;
  world->inquiry_ms = kDefaultInquiryMs;
}

void world_default(SimWorld *world) {
  world_empty(world);
  world->radio = true;
  world->device_count = 1;
  SimDevice *remote = &world->devices[0];
  world_default_device(remote);
  for (size_t i = 0; kRemoteName[i] != '\0'; ++i)
    remote->name[i] = static_cast<WCHAR>(kRemoteName[i]);
  memcpy(remote->address, kDefaultRemoteAddress, sizeof kDefaultRemoteAddress);
  remote->class_of_device = kRemoteClassOfDevice;
  remote->discoverable_on_inquiry = 1;
  remote->is_remote = true;
}

SimDevice *world_find_device(SimWorld *world, const uint8_t address[6]) {
  for (int i = 0; i < world->device_count && i < kWorldMaxDevices; ++i) {
    if (memcmp(world->devices[i].address, address, 6) == 0) return &world->devices[i];
  }
  return nullptr;
}

void world_format_address(const uint8_t address[6], char text[kAddressTextSize]) {
  snprintf(text, kAddressTextSize, "%02X:%02X:%02X:%02X:%02X:%02X", address[5], address[4],
           address[3], address[2], address[1], address[0]);
}

void world_quote_name(const WCHAR *name, size_t units, char *text, size_t text_size) {
  if (text_size < 3) {
    if (text_size > 0) text[0] = '\0';
    return;
  }
  size_t length = units < BLUETOOTH_MAX_NAME_SIZE ? units : BLUETOOTH_MAX_NAME_SIZE;
  while (length > 0 && name[length - 1] == 0) --length;

  size_t used = 0;
  text[used++] = '"';
  for (size_t i = 0; i < length; ++i) {
    uint32_t unit = static_cast<uint16_t>(name[i]);
    char piece[8];
    size_t piece_size;
    if (is_high_surrogate(unit) && i + 1 < length &&
        is_low_surrogate(static_cast<uint16_t>(name[i + 1]))) {
      uint32_t low = static_cast<uint16_t>(name[++i]);
      piece_size = encode_utf8(join_surrogates(unit, low), piece);
    } else if (is_high_surrogate(unit) || is_low_surrogate(unit) || !is_text_unit(unit)) {
      snprintf(piece, sizeof piece, "\\u%04X", static_cast<unsigned>(unit));
      piece_size = 6;
    } else if (unit == '"' || unit == '\\') {
      piece[0] = '\\';
      piece[1] = static_cast<char>(unit);
      piece_size = 2;
    } else {
      piece_size = encode_utf8(unit, piece);
    }
    // Room for the piece, the closing quote and the zero.
    if (used + piece_size + 2 > text_size) break;
    memcpy(text + used, piece, piece_size);
    used += piece_size;
  }
  text[used++] = '"';
  text[used] = '\0';
}
