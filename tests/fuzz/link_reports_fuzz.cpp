// libFuzzer target: the remote link against a remote that sends anything.
// The input is a list of the link's steps (parse one report, or read a
// register block) followed by the stream of reports that the stand-in
// velk_hid_dll serves (stream_hid.h). Whatever arrives, the link must stay
// within its buffers, end every read, and take from each report only what
// that report holds: never bytes an earlier report left behind.
#include <string.h>

#include "link/remote_link.h"
#include "tests/fuzz/stream_hid.h"

namespace {

constexpr int kMaxSteps = 16;
// Fills the link's buffers at the start of each input, so stale bytes show.
constexpr uint8_t kStale = 0xA5;
// PROTOCOL.md: a plain extension byte p is sent as ((p - key) mod 256) XOR key.
constexpr uint8_t kExtensionKey = 0x17;
constexpr int32_t kIrMax = 0x3FF;

struct Fields {
  uint8_t buttons1, buttons2, accel_x, accel_y, accel_z;
  int32_t ir[4];
};

Fields fields_now(void) {
  const RemoteState &s = remote_link.state;
  return {s.buttons1, s.buttons2, s.accel_x.load(),
          s.accel_y,  s.accel_z,  {s.ir1_x, s.ir1_y, s.ir2_x, s.ir2_y}};
}

bool same_accel(const Fields &a, const Fields &b) {
  return a.accel_x == b.accel_x && a.accel_y == b.accel_y && a.accel_z == b.accel_z;
}

bool same_ir(const Fields &a, const Fields &b) { return memcmp(a.ir, b.ir, sizeof a.ir) == 0; }

bool same_fields(const Fields &a, const Fields &b) {
  return a.buttons1 == b.buttons1 && a.buttons2 == b.buttons2 && same_accel(a, b) && same_ir(a, b);
}

void start_link(void) {
  remote_link.handle = 1;
  memset(remote_link.output, 0, sizeof remote_link.output);
  memset(remote_link.input, kStale, sizeof remote_link.input);
  memset(remote_link.register_block, kStale, sizeof remote_link.register_block);
  RemoteState &s = remote_link.state;
  s.buttons1 = s.buttons2 = s.accel_y = s.accel_z = 0;
  s.accel_x.store(0);
  s.ir1_x = s.ir1_y = s.ir2_x = s.ir2_y = 0;
  remote_link.reader.reader_run.store(0);
  remote_link.reader.reader_active.store(0);
  remote_link.reader.reader_thread = nullptr;
}

bool is_data_report(const StreamRead &read) {
  return read.length > 0 && (read.bytes[0] & 0xF0) == kReportButtons;
}

void check_parse(const Fields &before) {
  fuzz_require(stream_hid.read_count >= 1, "a parse that read nothing");
  const int index = stream_hid.read_count - 1;
  const Fields after = fields_now();
  if (!is_data_report(stream_hid.reads[index])) {
    fuzz_require(same_fields(before, after),
                 "a read that brought no data report changed RemoteState");
    return;
  }
  uint8_t report[kReportSize];
  stream_hid_report(index, report);
  const uint8_t id = report[0];
  fuzz_require(after.buttons1 == report[1] && after.buttons2 == report[2],
               "buttons other than the report's");
  if (id & kDataHasAccel) {
    fuzz_require(
        after.accel_x == report[3] && after.accel_y == report[4] && after.accel_z == report[5],
        "accelerometer other than the report's");
  } else {
    fuzz_require(same_accel(before, after), "accelerometer changed by a report without it");
  }
  if (id & kDataHasIr) {
    for (int32_t value : after.ir) fuzz_require(value >= 0 && value <= kIrMax, "IR beyond 10 bits");
    fuzz_require((after.ir[0] & 0xFF) == report[6] && (after.ir[1] & 0xFF) == report[7] &&
                     (after.ir[2] & 0xFF) == report[9] && (after.ir[3] & 0xFF) == report[10],
                 "IR other than the report's");
  } else {
    fuzz_require(same_ir(before, after), "IR changed by a report without it");
  }
  if (id & kDataHasExt) {
    for (int i = kDataExtOffset; i < kDataExtOffset + kDataExtSize; ++i) {
      const uint8_t sent =
          static_cast<uint8_t>((remote_link.input[i] - kExtensionKey) ^ kExtensionKey);
      fuzz_require(sent == report[i], "extension byte not decoded exactly once from the report");
    }
  }
}

void check_register_read(int first_read, int32_t result, const Fields &before) {
  const int reads = stream_hid.read_count - first_read;
  fuzz_require(reads >= 1 && reads <= kReadReplyReportLimit + 1, "register read out of its bound");
  int reply = -1;
  uint8_t expected_buttons[2] = {before.buttons1, before.buttons2};
  for (int i = first_read; i < stream_hid.read_count && reply < 0; ++i) {
    const StreamRead &read = stream_hid.reads[i];
    if (read.length == 0) continue;
    if (read.bytes[0] == kReportReadReply) reply = i;
    uint8_t report[kReportSize];
    stream_hid_report(i, report);
    if (report[0] == kReportButtons || report[0] == kReportButtonsAccel) {
      expected_buttons[0] = report[1];
      expected_buttons[1] = report[2];
    }
  }
  fuzz_require(reply < 0 || reply == stream_hid.read_count - 1, "reads went on after the reply");
  fuzz_require(result == (reply >= 0 ? 1 : 0), "result does not say whether a reply came");

  uint8_t expected[kRegisterBlockSize] = {};
  if (reply >= 0) {
    uint8_t report[kReportSize];
    stream_hid_report(reply, report);
    if ((report[kReadReplyStatusByte] & kReadReplyErrorMask) != kReadErrorNoDevice) {
      memcpy(expected, report + kReadReplyDataOffset, kRegisterBlockSize);
    }
  }
  fuzz_require(memcmp(remote_link.register_block, expected, sizeof expected) == 0,
               "register block other than the reply's data");
  const Fields after = fields_now();
  fuzz_require(after.buttons1 == expected_buttons[0] && after.buttons2 == expected_buttons[1],
               "buttons other than those of the last 0x30/0x31 before the reply");
  fuzz_require(same_accel(before, after) && same_ir(before, after),
               "a register read changed more than the buttons");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input = {data, size};
  const int step_count = 1 + fuzz_byte(&input) % kMaxSteps;
  uint8_t steps[kMaxSteps][3] = {};
  for (int i = 0; i < step_count; ++i) fuzz_bytes(&input, steps[i], sizeof steps[i]);
  start_link();
  stream_hid_start(input);

  int reads_after_last_step = 0;
  for (int i = 0; i < step_count; ++i) {
    const int reads_before = stream_hid.read_count;
    // Every read ends with its step: nothing reads on behind the link's back.
    fuzz_require(reads_before == reads_after_last_step, "a read after the link returned");
    const Fields before = fields_now();
    if ((steps[i][0] & 1) == 0) {
      parse_input_report();
      fuzz_require(stream_hid.read_count == reads_before + 1, "a parse made other than one read");
      check_parse(before);
    } else {
      const int32_t result = read_register_block(steps[i][1], steps[i][2]);
      check_register_read(reads_before, result, before);
    }
    reads_after_last_step = stream_hid.read_count;
  }
  return 0;
}
