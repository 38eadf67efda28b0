// libFuzzer entry for the remote emulator: the input picks the knobs, then a
// stream of output reports, polls and clock steps. Every input report must be
// well formed, and the emulator must stay within its buffers.
#include <stdint.h>
#include <string.h>

#include "sim/remote/emulator.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

constexpr size_t kKnobBytes = 4;
constexpr size_t kStepBytes = 1 + kReportSize;

SimRemoteKnobs knobs_from(const uint8_t *bytes) {
  SimRemoteKnobs knobs;
  memset(&knobs, 0, sizeof knobs);
  knobs.behaviour = static_cast<RemoteBehaviour>(bytes[0] % 4);
  knobs.motionplus = (bytes[0] & 0x10) != 0;
  knobs.read_reply = static_cast<ReadReplyMode>(bytes[1] % 5);
  knobs.flood = bytes[2] % 8;
  knobs.vanish = static_cast<VanishPoint>(bytes[3] % 4);
  knobs.read_fails = (bytes[3] & 0x80) != 0;
  return knobs;
}

void check_input_report(const uint8_t *r) {
  const uint8_t id = r[0];
  fuzz_require(id == kReportStatus || id == kReportReadReply || id == kReportAck ||
                   emulator_mode_supported(id),
               "an input report the remote does not send");
  if (id == kReportReadReply && (r[kReadReplyStatusByte] & kReadReplyErrorMask) == 0) {
    fuzz_require((r[kReadReplyStatusByte] >> 4) < kReadReplyDataSize, "a reply's size beyond 16");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < kKnobBytes) return 0;
  static RemoteEmulator remote;
  const SimRemoteKnobs knobs = knobs_from(data);
  emulator_start(&remote, &knobs);
  data += kKnobBytes;
  size -= kKnobBytes;
  uint64_t now = 1;
  for (; size >= kStepBytes; data += kStepBytes, size -= kStepBytes) {
    now += data[0] % 32;
    if (data[0] & 0x80) emulator_receive(&remote, data + 1);
    // Drain what is due now; a bounded number, since answers are finite.
    for (int polls = 0; polls < 4096; ++polls) {
      uint8_t out[kReportSize];
      uint64_t wake_at = 0;
      const EmulatorPoll poll = emulator_poll(&remote, now, out, &wake_at);
      if (poll != EmulatorPoll::report) {
        fuzz_require(poll != EmulatorPoll::wait || wake_at == 0 || wake_at > now,
                     "a wake-up time that is not in the future");
        break;
      }
      check_input_report(out);
    }
    fuzz_require(remote.job_count >= 0 && remote.job_count <= kJobQueueSize,
                 "the answer queue beyond its size");
  }
  return 0;
}
