// The emulator's data reports 0x30-0x3F: buttons, a jittering accelerometer,
// the IR camera's spots and encoded extension bytes, each in the layout of
// its mode (see link/PROTOCOL.md, reports 0x30-0x3F).
#include <string.h>

#include "sim/remote/emulator.h"

namespace {

// Where each kind of data sits in a mode's report; 0 where the mode has none.
struct DataLayout {
  uint8_t id;
  uint8_t accel_at;
  uint8_t ir_at;
  uint8_t ir_size;  // 10 (pairs of points) or 12 (three bytes a point)
  uint8_t ext_at;
  uint8_t ext_size;
};

// Every mode but 0x3D starts with the two button bytes.
constexpr DataLayout kLayouts[] = {
    {0x30, 0, 0, 0, 0, 0},   {0x31, 3, 0, 0, 0, 0},   {0x32, 0, 0, 0, 3, 8},
    {0x33, 3, 6, 12, 0, 0},  {0x34, 0, 0, 0, 3, 19},  {0x35, 3, 0, 0, 6, 16},
    {0x36, 0, 3, 10, 13, 9}, {0x37, 3, 6, 10, 16, 6}, {0x3D, 0, 0, 0, 1, 21},
};

// A remote lying flat and still: about 0 g on X and Y, 1 g on Z.
constexpr uint8_t kAccelAtRest[3] = {0x80, 0x80, 0x9A};
// Two spots of a sensor bar, 10-bit coordinates, and their size.
constexpr uint16_t kSpotX[2] = {0x1A3, 0x25D};
constexpr uint16_t kSpotY[2] = {0x17F, 0x181};
constexpr uint8_t kSpotSize = 3;
constexpr uint8_t kNoSpot = 0xFF;
// Nothing is plugged into the extension port.
constexpr uint8_t kPlainExtensionByte = 0x00;

const DataLayout *layout_of(uint8_t mode) {
  for (const DataLayout &layout : kLayouts) {
    if (layout.id == mode) return &layout;
  }
  return nullptr;
}

uint8_t low8(uint16_t value) { return static_cast<uint8_t>(value & 0xFF); }
uint8_t high2(uint16_t value) { return static_cast<uint8_t>((value >> 8) & 0x03); }

// Three bytes a spot (see link/PROTOCOL.md, IR 12-byte form).
void put_spots_12(uint8_t *ir) {
  for (int spot = 0; spot < 2; ++spot) {
    uint8_t *p = ir + spot * kIrPointSize;
    p[0] = low8(kSpotX[spot]);
    p[1] = low8(kSpotY[spot]);
    p[2] = static_cast<uint8_t>(high2(kSpotY[spot]) << 6 | high2(kSpotX[spot]) << 4 | kSpotSize);
  }
}

// Five bytes a pair of spots (see link/PROTOCOL.md, IR 10-byte form).
void put_spots_10(uint8_t *ir) {
  ir[0] = low8(kSpotX[0]);
  ir[1] = low8(kSpotY[0]);
  ir[2] = static_cast<uint8_t>(high2(kSpotY[0]) << 6 | high2(kSpotX[0]) << 4 |
                               high2(kSpotY[1]) << 2 | high2(kSpotX[1]));
  ir[3] = low8(kSpotX[1]);
  ir[4] = low8(kSpotY[1]);
}

void put_ir(const RemoteEmulator *remote, const DataLayout &layout, uint8_t *out) {
  uint8_t *ir = out + layout.ir_at;
  // Spots not seen (all of them while the camera is off) read 0xFF.
  memset(ir, kNoSpot, layout.ir_size);
  if (!remote->ir_camera) return;
  if (layout.ir_size == 12) {
    put_spots_12(ir);
  } else {
    put_spots_10(ir);
  }
}

}  // namespace

bool emulator_mode_supported(uint8_t mode) { return layout_of(mode) != nullptr; }

bool emulator_mode_has_accel(uint8_t mode) {
  const DataLayout *layout = layout_of(mode);
  return layout != nullptr && layout->accel_at != 0;
}

uint8_t emulator_encode_extension(uint8_t plain) {
  return static_cast<uint8_t>((plain - kExtensionKey) ^ kExtensionKey);
}

void emulator_accel(const RemoteEmulator *remote, uint64_t now_ms, uint8_t *xyz) {
  // Each 10 ms the sensor's noise moves each axis by -1, 0 or +1 around rest.
  const uint32_t tick = static_cast<uint32_t>(now_ms / kDataReportPeriodMs);
  const uint32_t noise = tick * 2654435761u;
  for (int axis = 0; axis < 3; ++axis) {
    const int step = static_cast<int>((noise >> (8 + 5 * axis)) % 3) - 1;
    xyz[axis] = static_cast<uint8_t>(kAccelAtRest[axis] + step);
  }
  if (remote->knobs.behaviour == RemoteBehaviour::accel_x_zero) xyz[0] = 0;
}

bool emulator_data_report(const RemoteEmulator *remote, uint8_t mode, uint64_t now_ms,
                          uint8_t *out) {
  const DataLayout *layout = layout_of(mode);
  if (layout == nullptr) return false;
  memset(out, 0, kReportSize);
  out[0] = mode;
  // Buttons (bytes 1-2): none pressed.
  if (layout->accel_at != 0) emulator_accel(remote, now_ms, out + layout->accel_at);
  if (layout->ir_at != 0) put_ir(remote, *layout, out);
  for (int i = 0; i < layout->ext_size; ++i) {
    out[layout->ext_at + i] = emulator_encode_extension(kPlainExtensionByte);
  }
  return true;
}
