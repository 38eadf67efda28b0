// The emulator's register spaces: reads answered by replies 0x21 of at most
// 16 bytes, writes stored and acknowledged (see link/PROTOCOL.md, reports
// 0x16, 0x17, 0x21 and 0x22).
#include <string.h>

#include "sim/remote/emulator.h"

namespace {

// Spaces other than the extension port's that always answer.
constexpr uint8_t kSpaceSpeaker = 0xA2;
constexpr uint8_t kSpaceCamera = 0xB0;
// Error code for what the emulator does not carry out: the EEPROM, and
// writes of more than 16 bytes.
constexpr uint8_t kErrorNotEmulated = 8;
constexpr uint8_t kStatusErrorSize = 0xF0;
// other_address replies shift the echoed address by this much.
constexpr uint16_t kOtherAddressShift = 0x40;
// other_size replies carry a size nibble this far off.
constexpr uint8_t kOtherSizeShift = 8;

uint8_t space_of(uint32_t address) { return static_cast<uint8_t>(address >> 16); }
// The middle address byte is ignored: each space is 256 bytes, mirrored.
uint8_t offset_of(uint32_t address) { return static_cast<uint8_t>(address & 0xFF); }

void put_reply_header(uint8_t *out, uint8_t status, uint16_t address) {
  memset(out, 0, kReportSize);
  out[0] = kReportReadReply;
  // Bytes 1-2, the buttons: none pressed.
  out[kReadReplyStatusByte] = status;
  out[4] = static_cast<uint8_t>(address >> 8);
  out[5] = static_cast<uint8_t>(address & 0xFF);
}

}  // namespace

uint8_t *emulator_space(RemoteEmulator *remote, uint8_t space) {
  switch (space) {
    case kSpaceMotionPlus:
      return remote->knobs.motionplus ? remote->motionplus : nullptr;
    case kSpaceSpeaker:
      return remote->speaker;
    case kSpaceCamera:
      return remote->camera;
    default:
      // kSpaceExtension included: nothing is plugged into the port.
      return nullptr;
  }
}

bool emulator_read_reply(RemoteEmulator *remote, EmulatorJob *job, uint8_t *out) {
  const uint8_t *space = job->registers ? emulator_space(remote, space_of(job->address)) : nullptr;
  uint16_t echoed = static_cast<uint16_t>(job->address & 0xFFFF);
  if (remote->knobs.read_reply == ReadReplyMode::other_address) {
    echoed = static_cast<uint16_t>(echoed + kOtherAddressShift);
  }
  uint8_t error = 0;
  if (!job->registers) {
    error = kErrorNotEmulated;
  } else if (space == nullptr || remote->knobs.read_reply == ReadReplyMode::error7) {
    error = kReadErrorNoDevice;
  }
  if (error != 0) {
    // One reply ends the read.
    put_reply_header(out, static_cast<uint8_t>(kStatusErrorSize | error), echoed);
    return true;
  }

  const uint32_t chunk = job->remaining < kReadReplyDataSize ? job->remaining : kReadReplyDataSize;
  uint8_t size_nibble = static_cast<uint8_t>(chunk - 1);
  if (remote->knobs.read_reply == ReadReplyMode::other_size) {
    size_nibble = static_cast<uint8_t>((size_nibble + kOtherSizeShift) & 0x0F);
  }
  put_reply_header(out, static_cast<uint8_t>(size_nibble << 4), echoed);
  for (uint32_t i = 0; i < chunk; ++i) {
    out[kReadReplyDataOffset + i] = space[offset_of(job->address + i)];
  }
  // The next reply's address stays in the same space.
  job->address = (job->address & 0xFF0000) | ((job->address + chunk) & 0xFFFF);
  job->remaining -= chunk;
  return job->remaining == 0;
}

uint8_t emulator_write(RemoteEmulator *remote, const uint8_t *report) {
  if (!(report[1] & kRegisterSpaceSelect)) return kErrorNotEmulated;
  uint8_t *space = emulator_space(remote, report[2]);
  if (space == nullptr) return kReadErrorNoDevice;
  const uint8_t size = report[5];
  if (size > kWriteDataMax) return kErrorNotEmulated;
  for (int i = 0; i < size; ++i) {
    space[static_cast<uint8_t>(report[4] + i)] = report[kWriteDataOffset + i];
  }
  return 0;
}
