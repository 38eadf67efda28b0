// ReadReport: whole reports, the 256-byte limit, a device that goes away, and a read left behind
// by a reader that was ended by force.
#include <cstring>

#include "tests/hid/hid_test_support.h"
#include "tests/hid/test_runner.h"

namespace {

constexpr uint8_t kReportSeed = 0x31;
// Bytes past the caller's 256, where nothing may land: room for a whole overlong report, so an
// overrun shows as a failure here rather than as a smashed stack.
constexpr uint32_t kGuardBytes = kMaxDeviceReportLength;

struct LengthRow {
  const char *name;
  uint16_t input_length;
  ReadMode mode;
};

const LengthRow kLengthRows[] = {
    {"the remote's 22 bytes at once", kRemoteReportLength, ReadMode::kReportAtOnce},
    {"the remote's 22 bytes after a wait", kRemoteReportLength, ReadMode::kReportWhenWaited},
    {"exactly the caller's 256", 256, ReadMode::kReportAtOnce},
    {"300 declared", 300, ReadMode::kReportWhenWaited},
    {"1024 declared", 1024, ReadMode::kReportAtOnce},
};

bool points_into(const void *pointer, const unsigned char *bytes, uint32_t length) {
  const unsigned char *at = static_cast<const unsigned char *>(pointer);
  return at >= bytes && at < bytes + length;
}

void copies_one_whole_report_and_never_more_than_256_bytes() {
  for (const LengthRow &row : kLengthRows) {
    set_row(row.name);
    fake_reset();
    fake_add_interface(kRemoteVendorId, kRemoteProductId, row.input_length, kRemoteReportLength);
    int32_t handle = open_remote();
    REQUIRE(handle != kNoHandle);
    fake_plan_read(row.mode, kReportSeed, 0);
    static unsigned char caller[kCallerBufferSize + kGuardBytes];
    std::memset(caller, kUntouched, sizeof caller);
    uint32_t count = 99;

    CHECK_EQ(ReadReport(handle, caller, &count), 1);

    uint32_t expected = row.input_length < kCallerBufferSize ? row.input_length : kCallerBufferSize;
    CHECK_EQ(count, expected);
    CHECK(holds_report(caller, kReportSeed, expected));
    CHECK(all_bytes_are(caller + expected, sizeof caller - expected, kUntouched));
    // The device is asked for its whole report, into memory of the handle.
    CHECK_EQ(world.last_read_length, row.input_length);
    CHECK(!points_into(world.last_read_buffer, caller, sizeof caller));
    close_all_and_check_clean();
  }
}

struct GoneRow {
  const char *name;
  ReadMode first_read;
  DWORD error;
};

const GoneRow kGoneRows[] = {
    {"pending read ends: device not connected", ReadMode::kFailWhenWaited,
     ERROR_DEVICE_NOT_CONNECTED},
    {"ReadFile refused: device not connected", ReadMode::kFailAtOnce, ERROR_DEVICE_NOT_CONNECTED},
    {"pending read ends: general failure", ReadMode::kFailWhenWaited, ERROR_GEN_FAILURE},
    {"this caller's own read aborted", ReadMode::kFailWhenWaited, ERROR_OPERATION_ABORTED},
};

constexpr int kCallsAfterLoss = 3;

void a_device_gone_fails_each_read_after_one_attempt() {
  for (const GoneRow &row : kGoneRows) {
    set_row(row.name);
    fake_reset();
    add_remote();
    int32_t handle = open_remote();
    REQUIRE(handle != kNoHandle);
    fake_plan_read(row.first_read, kReportSeed, row.error);
    for (int call = 1; call < kCallsAfterLoss; ++call) {
      fake_plan_read(ReadMode::kFailAtOnce, kReportSeed, ERROR_DEVICE_NOT_CONNECTED);
    }

    for (int call = 1; call <= kCallsAfterLoss; ++call) {
      unsigned char caller[kCallerBufferSize];
      std::memset(caller, kUntouched, sizeof caller);
      uint32_t count = 99;
      CHECK_EQ(ReadReport(handle, caller, &count), 0);
      CHECK_EQ(count, 0);
      CHECK(all_bytes_are(caller, sizeof caller, kUntouched));
      CHECK_EQ(world.read_file_calls, call);
    }
    close_all_and_check_clean();
  }
}

constexpr uint8_t kLeftoverSeed = 0x31;
constexpr uint8_t kFreshSeed = 0x37;

enum class Leftover { kNeverStarted, kReportArrives, kCancelledWithItsThread };

struct TakeoverRow {
  const char *name;
  ReadMode end_of_first_reader;
  Leftover leftover;
  int read_file_calls;
  uint8_t delivered_seed;
};

const TakeoverRow kTakeoverRows[] = {
    {"ended inside ReadFile before the read began", ReadMode::kKillCallerOnEntry,
     Leftover::kNeverStarted, 2, kFreshSeed},
    {"ended as ReadFile left the read pending", ReadMode::kKillCallerAfterPending,
     Leftover::kReportArrives, 1, kLeftoverSeed},
    {"ended while waiting; the report arrives later", ReadMode::kKillCallerInWait,
     Leftover::kReportArrives, 1, kLeftoverSeed},
    {"ended while waiting; its read is cancelled with it", ReadMode::kKillCallerInWait,
     Leftover::kCancelledWithItsThread, 2, kFreshSeed},
};

void the_next_reader_takes_over_the_read_of_one_ended_by_force() {
  for (const TakeoverRow &row : kTakeoverRows) {
    set_row(row.name);
    fake_reset();
    add_remote();
    int32_t handle = open_remote();
    REQUIRE(handle != kNoHandle);
    fake_plan_read(row.end_of_first_reader, kLeftoverSeed, 0);
    if (row.leftover != Leftover::kReportArrives) {
      fake_plan_read(ReadMode::kReportAtOnce, kFreshSeed, 0);
    }
    ReaderThread ended;
    start_reader(&ended, handle);
    REQUIRE(join_reader(&ended) == kForcedExitCode);
    if (row.leftover == Leftover::kReportArrives) fake_release_read(kLeftoverSeed, 0);
    if (row.leftover == Leftover::kCancelledWithItsThread) {
      fake_release_read(0, ERROR_OPERATION_ABORTED);
    }

    unsigned char caller[kCallerBufferSize];
    std::memset(caller, kUntouched, sizeof caller);
    uint32_t count = 0;
    CHECK_EQ(ReadReport(handle, caller, &count), 1);

    CHECK_EQ(count, kRemoteReportLength);
    CHECK(holds_report(caller, row.delivered_seed, kRemoteReportLength));
    CHECK_EQ(world.read_file_calls, row.read_file_calls);
    // The ended reader's buffer is never written, not even by its own read completing late.
    CHECK(all_bytes_are(ended.buffer, sizeof ended.buffer, kUntouched));
    close_all_and_check_clean();
  }
}

const TestCase kCases[] = {
    {"copies one whole report and never more than 256 bytes",
     copies_one_whole_report_and_never_more_than_256_bytes},
    {"a device gone fails each read after one attempt",
     a_device_gone_fails_each_read_after_one_attempt},
    {"the next reader takes over the read of one ended by force",
     the_next_reader_takes_over_the_read_of_one_ended_by_force},
};

}  // namespace

extern const TestSuite kReadSuite = {kCases, COUNT_OF(kCases)};
