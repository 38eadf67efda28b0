// WriteReport: the length of each report, the fallback for stacks that refuse it, failures and
// timeouts, and writes while another thread waits for a report.
#include <cstring>

#include "tests/hid/hid_test_support.h"
#include "tests/hid/test_runner.h"

namespace {

constexpr uint8_t kLeds = 0x11;
constexpr uint8_t kLedOne = 0x10;
constexpr uint8_t kMode = 0x12;
constexpr uint8_t kReportSeed = 0x31;
// Longer than any fixed length, so a report sent at the device's length stands out.
constexpr uint16_t kDeviceOutputLength = 30;
// What earlier reports left in the caller's buffer.
constexpr unsigned char kStale = 0x5A;

// Fills a caller's buffer as the tools leave it: the report's bytes, then leftovers.
void fill_caller_buffer(unsigned char *buffer, uint8_t id, uint8_t first_byte) {
  std::memset(buffer, kStale, kCallerBufferSize);
  buffer[0] = id;
  buffer[1] = first_byte;
}

struct LengthRow {
  const char *name;
  uint8_t report_id;
  uint32_t length;
};

const LengthRow kLengthRows[] = {
    {"LEDs", 0x11, 2},
    {"IR camera enable", 0x13, 2},
    {"status request", 0x15, 2},
    {"reporting mode", 0x12, 3},
    {"register read", 0x17, 7},
    {"register write", 0x16, 22},
    {"rumble: the device's length", 0x10, kDeviceOutputLength},
    {"speaker enable: the device's length", 0x14, kDeviceOutputLength},
    {"speaker data: the device's length", 0x18, kDeviceOutputLength},
    {"IR camera enable 2: the device's length", 0x1A, kDeviceOutputLength},
    {"id 0x00: the device's length", 0x00, kDeviceOutputLength},
    {"id 0xFF: the device's length", 0xFF, kDeviceOutputLength},
};

void each_report_goes_out_at_the_length_of_its_id() {
  fake_add_interface(kRemoteVendorId, kRemoteProductId, kRemoteReportLength, kDeviceOutputLength);
  int32_t handle = open_remote();
  REQUIRE(handle != kNoHandle);
  for (const LengthRow &row : kLengthRows) {
    set_row(row.name);
    unsigned char caller[kCallerBufferSize];
    for (uint32_t i = 0; i < sizeof caller; ++i) caller[i] = static_cast<unsigned char>(0xA0 + i);
    caller[0] = row.report_id;
    uint32_t count = 99;

    CHECK_EQ(WriteReport(handle, caller, &count), 1);

    CHECK_EQ(world.last_write_length, row.length);
    CHECK_EQ(count, row.length);
    CHECK(std::memcmp(world.last_write, caller, row.length) == 0);
  }
  CHECK_EQ(world.set_output_report_calls, 0);
}

struct FallbackRow {
  const char *name;
  bool refused_at_once;
  bool set_output_report_fails;
  int32_t result;
  bool remembered;
};

const FallbackRow kFallbackRows[] = {
    {"refused at once", true, false, 1, true},
    {"refused when the write completes", false, false, 1, true},
    {"refused, and the padded report too", true, true, 0, false},
};

void a_refused_length_falls_back_to_a_padded_output_report_once_and_for_all() {
  for (const FallbackRow &row : kFallbackRows) {
    set_row(row.name);
    fake_reset();
    int remote = add_remote();
    world.interfaces[remote].refuses_actual_length = row.refused_at_once;
    if (!row.refused_at_once) {
      world.write_mode = WriteMode::kFailWhenWaited;
      world.write_error = ERROR_INVALID_USER_BUFFER;
    }
    world.set_output_report_fails = row.set_output_report_fails;
    int32_t handle = open_remote();
    REQUIRE(handle != kNoHandle);
    unsigned char caller[kCallerBufferSize];
    fill_caller_buffer(caller, kLeds, kLedOne);
    uint32_t count = 99;

    CHECK_EQ(WriteReport(handle, caller, &count), row.result);

    CHECK_EQ(count, row.result ? kRemoteReportLength : 0);
    CHECK_EQ(world.write_file_calls, 1);
    CHECK_EQ(world.set_output_report_calls, 1);
    CHECK_EQ(world.last_set_output_length, kRemoteReportLength);
    CHECK_EQ(world.last_set_output[0], kLeds);
    CHECK_EQ(world.last_set_output[1], kLedOne);
    // Padding is zeros, not the caller's leftovers.
    CHECK(all_bytes_are(world.last_set_output + 2, kRemoteReportLength - 2, 0));

    fill_caller_buffer(caller, kMode, 0x00);
    WriteReport(handle, caller, &count);
    CHECK_EQ(world.write_file_calls, row.remembered ? 1 : 2);
    CHECK_EQ(world.set_output_report_calls, 2);
    close_all_and_check_clean();
  }
}

void the_fallback_is_remembered_per_handle() {
  int refusing = add_remote();
  world.interfaces[refusing].refuses_actual_length = true;
  constexpr uint16_t kOtherProductId = 0x0330;
  int accepting = fake_add_interface(kRemoteVendorId, kOtherProductId, kRemoteReportLength,
                                     kRemoteReportLength);
  int32_t refusing_handle = open_remote();
  int32_t accepting_handle = OpenHidHandle(kRemoteVendorId, kOtherProductId);
  REQUIRE(refusing_handle != kNoHandle);
  REQUIRE(accepting_handle != kNoHandle);
  unsigned char caller[kCallerBufferSize];
  fill_caller_buffer(caller, kLeds, kLedOne);
  uint32_t count = 0;

  CHECK_EQ(WriteReport(refusing_handle, caller, &count), 1);
  CHECK_EQ(world.set_output_report_calls, 1);
  CHECK_EQ(world.write_file_calls, 1);

  CHECK_EQ(WriteReport(accepting_handle, caller, &count), 1);
  CHECK_EQ(world.write_file_calls, 2);
  CHECK(world.last_write_file && world.last_write_file->interface_index == accepting);
  CHECK_EQ(world.set_output_report_calls, 1);

  CHECK_EQ(WriteReport(refusing_handle, caller, &count), 1);
  CHECK_EQ(world.write_file_calls, 2);
  CHECK_EQ(world.set_output_report_calls, 2);
}

struct FailureRow {
  const char *name;
  WriteMode mode;
  DWORD error;
  int waits;
};

const FailureRow kFailureRows[] = {
    {"aborted at once, as by a remote that is gone", WriteMode::kFailAtOnce,
     ERROR_OPERATION_ABORTED, 0},
    {"aborted when the write completes", WriteMode::kFailWhenWaited, ERROR_OPERATION_ABORTED, 1},
    {"device not connected", WriteMode::kFailAtOnce, ERROR_DEVICE_NOT_CONNECTED, 0},
    {"general failure when the write completes", WriteMode::kFailWhenWaited, ERROR_GEN_FAILURE, 1},
};

void other_write_failures_fail_fast_without_a_fallback() {
  for (const FailureRow &row : kFailureRows) {
    set_row(row.name);
    fake_reset();
    add_remote();
    int32_t handle = open_remote();
    REQUIRE(handle != kNoHandle);
    world.write_mode = row.mode;
    world.write_error = row.error;
    unsigned char caller[kCallerBufferSize];
    fill_caller_buffer(caller, kLeds, kLedOne);
    uint32_t count = 99;

    CHECK_EQ(WriteReport(handle, caller, &count), 0);

    CHECK_EQ(count, 0);
    CHECK_EQ(world.write_file_calls, 1);
    CHECK_EQ(world.write_waits, row.waits);
    CHECK_EQ(world.set_output_report_calls, 0);
    CHECK_EQ(world.cancel_io_calls, 0);
    close_all_and_check_clean();
  }
}

struct TimeoutRow {
  const char *name;
  bool cancel_is_ignored;
};

const TimeoutRow kTimeoutRows[] = {
    {"the cancel settles the write", false},
    {"the write outlives the cancel", true},
};

void a_write_that_never_completes_is_cancelled_after_a_bounded_wait() {
  for (const TimeoutRow &row : kTimeoutRows) {
    set_row(row.name);
    fake_reset();
    add_remote();
    int32_t handle = open_remote();
    REQUIRE(handle != kNoHandle);
    world.write_mode = WriteMode::kNeverCompletes;
    world.cancel_is_ignored = row.cancel_is_ignored;
    unsigned char caller[kCallerBufferSize];
    fill_caller_buffer(caller, kLeds, kLedOne);
    uint32_t count = 99;

    CHECK_EQ(WriteReport(handle, caller, &count), 0);

    CHECK_EQ(count, 0);
    CHECK_EQ(world.cancel_io_calls, 1);
    CHECK(world.write_waits >= 1);
    CHECK(!world.write_wait_was_infinite);
    CHECK_EQ(world.set_output_report_calls, 0);

    // The next write may reuse the OVERLAPPED only once the stuck one has let go of it.
    world.write_mode = WriteMode::kAtOnce;
    CHECK_EQ(WriteReport(handle, caller, &count), row.cancel_is_ignored ? 0 : 1);
    CHECK_EQ(world.write_file_calls, row.cancel_is_ignored ? 1 : 2);
    if (row.cancel_is_ignored) {
      fake_finish_pending_write();
      CHECK_EQ(WriteReport(handle, caller, &count), 1);
      CHECK_EQ(world.write_file_calls, 2);
    }
    CHECK(!world.write_wait_was_infinite);
    close_all_and_check_clean();
  }
}

struct BesideReadRow {
  const char *name;
  WriteMode mode;
  DWORD error;
  int32_t result;
};

const BesideReadRow kBesideReadRows[] = {
    {"the write completes", WriteMode::kWhenWaited, ERROR_SUCCESS, 1},
    {"the write times out and is cancelled", WriteMode::kNeverCompletes, ERROR_SUCCESS, 0},
    {"the write is aborted", WriteMode::kFailAtOnce, ERROR_OPERATION_ABORTED, 0},
};

void a_write_goes_out_while_another_thread_waits_for_a_report() {
  for (const BesideReadRow &row : kBesideReadRows) {
    set_row(row.name);
    fake_reset();
    add_remote();
    int32_t handle = open_remote();
    REQUIRE(handle != kNoHandle);
    fake_plan_read(ReadMode::kReportWhenReleased, kReportSeed, 0);
    ReaderThread reader;
    start_reader(&reader, handle);
    fake_wait_until_reader_blocks();
    world.write_mode = row.mode;
    world.write_error = row.error;
    unsigned char caller[kCallerBufferSize];
    fill_caller_buffer(caller, kLeds, kLedOne);
    uint32_t count = 0;

    CHECK_EQ(WriteReport(handle, caller, &count), row.result);

    // Whatever became of the write, the read goes on and delivers its report.
    fake_release_read(kReportSeed, 0);
    CHECK_EQ(join_reader(&reader), 0);
    CHECK_EQ(reader.result, 1);
    CHECK_EQ(reader.count, kRemoteReportLength);
    CHECK(holds_report(reader.buffer, kReportSeed, kRemoteReportLength));
    CHECK_EQ(world.cancel_io_ex_calls, 0);
    close_all_and_check_clean();
  }
}

void a_remote_gone_but_kept_by_windows_never_hangs_the_caller() {
  add_remote();
  int32_t handle = open_remote();
  REQUIRE(handle != kNoHandle);
  // Reads never complete; the first write is aborted.
  fake_plan_read(ReadMode::kReportWhenReleased, kReportSeed, 0);
  ReaderThread reader;
  start_reader(&reader, handle);
  fake_wait_until_reader_blocks();
  world.write_mode = WriteMode::kFailAtOnce;
  world.write_error = ERROR_OPERATION_ABORTED;
  unsigned char caller[kCallerBufferSize];
  fill_caller_buffer(caller, kMode, 0x00);
  caller[2] = kReportSeed;
  uint32_t count = 0;

  CHECK_EQ(WriteReport(handle, caller, &count), 0);
  CHECK_EQ(world.write_waits, 0);
  CHECK_EQ(world.set_output_report_calls, 0);

  // The tools end a reader that the probe found silent, then close.
  TerminateThread(reader.thread, kForcedExitCode);
  CHECK_EQ(join_reader(&reader), kForcedExitCode);
  CHECK_EQ(CloseHidHandle(handle), 1);
  CHECK_EQ(world.closed_with_io_pending, 0);
  CHECK(all_bytes_are(reader.buffer, sizeof reader.buffer, kUntouched));
}

const TestCase kCases[] = {
    {"each report goes out at the length of its id", each_report_goes_out_at_the_length_of_its_id},
    {"a refused length falls back to a padded output report once and for all",
     a_refused_length_falls_back_to_a_padded_output_report_once_and_for_all},
    {"the fallback is remembered per handle", the_fallback_is_remembered_per_handle},
    {"other write failures fail fast without a fallback",
     other_write_failures_fail_fast_without_a_fallback},
    {"a write that never completes is cancelled after a bounded wait",
     a_write_that_never_completes_is_cancelled_after_a_bounded_wait},
    {"a write goes out while another thread waits for a report",
     a_write_goes_out_while_another_thread_waits_for_a_report},
    {"a remote gone but kept by Windows never hangs the caller",
     a_remote_gone_but_kept_by_windows_never_hangs_the_caller},
};

}  // namespace

extern const TestSuite kWriteSuite = {kCases, COUNT_OF(kCases)};
