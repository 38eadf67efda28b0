// Finding and opening the remote, the handle table, and closing.
#include <climits>
#include <cstring>

#include "tests/hid/hid_test_support.h"
#include "tests/hid/test_runner.h"

namespace {

struct InterfaceRow {
  uint16_t vendor_id;
  uint16_t product_id;
  uint16_t input_length;
  bool refuses_read_write;
};

constexpr InterfaceRow kKeyboard = {0x046D, 0xC31C, 9, true};
constexpr InterfaceRow kGamepad = {0x045E, 0x028E, 20, false};
constexpr InterfaceRow kRemote = {kRemoteVendorId, kRemoteProductId, kRemoteReportLength, false};
constexpr InterfaceRow kRemoteHeldElsewhere = {kRemoteVendorId, kRemoteProductId,
                                               kRemoteReportLength, true};
constexpr InterfaceRow kRemotePlus = {kRemoteVendorId, 0x0330, kRemoteReportLength, false};
constexpr InterfaceRow kRemoteWithHugeReports = {kRemoteVendorId, kRemoteProductId, 4096, false};

constexpr int kNoInterface = -1;
constexpr int kMaxRowInterfaces = 3;

struct AskedIds {
  int32_t vendor_id;
  int32_t product_id;
};

constexpr AskedIds kRemoteIds = {kRemoteVendorId, kRemoteProductId};
// Ids whose low 16 bits are the remote's, which a truncating comparison would take for it.
constexpr AskedIds kWideVendorId = {0x10000 + kRemoteVendorId, kRemoteProductId};
constexpr AskedIds kWideProductId = {kRemoteVendorId, 0x10000 + kRemoteProductId};

struct OpenRow {
  const char *name;
  InterfaceRow interfaces[kMaxRowInterfaces];
  int interface_count;
  bool class_list_fails;
  AskedIds asked;
  int opened_interface;
};

const OpenRow kOpenRows[] = {
    {"no HID interfaces", {}, 0, false, kRemoteIds, kNoInterface},
    {"device list unavailable", {kRemote}, 1, true, kRemoteIds, kNoInterface},
    {"only other devices", {kKeyboard, kGamepad}, 2, false, kRemoteIds, kNoInterface},
    {"remote behind other devices", {kKeyboard, kGamepad, kRemote}, 3, false, kRemoteIds, 2},
    {"other product first", {kRemotePlus, kRemote}, 2, false, kRemoteIds, 1},
    {"first remote held elsewhere", {kRemoteHeldElsewhere, kRemote}, 2, false, kRemoteIds, 1},
    {"only remote held elsewhere", {kRemoteHeldElsewhere}, 1, false, kRemoteIds, kNoInterface},
    {"reports too long to keep", {kRemoteWithHugeReports, kRemote}, 2, false, kRemoteIds, 1},
    {"two remotes: the first", {kRemote, kRemote}, 2, false, kRemoteIds, 0},
    {"vendor id beyond 16 bits", {kRemote}, 1, false, kWideVendorId, kNoInterface},
    {"product id beyond 16 bits", {kRemote}, 1, false, kWideProductId, kNoInterface},
};

void opens_the_first_matching_interface_for_overlapped_io() {
  for (const OpenRow &row : kOpenRows) {
    set_row(row.name);
    fake_reset();
    for (int i = 0; i < row.interface_count; ++i) {
      const InterfaceRow &added = row.interfaces[i];
      int index = fake_add_interface(added.vendor_id, added.product_id, added.input_length,
                                     kRemoteReportLength);
      world.interfaces[index].refuses_read_write = added.refuses_read_write;
    }
    world.class_list_fails = row.class_list_fails;

    int32_t handle = OpenHidHandle(row.asked.vendor_id, row.asked.product_id);

    CHECK_EQ(world.open_lists, 0);
    CHECK_EQ(world.open_preparsed, 0);
    if (row.opened_interface == kNoInterface) {
      CHECK_EQ(handle, kNoHandle);
      CHECK_EQ(world.open_files, 0);
      CHECK_EQ(world.open_events, 0);
    } else {
      CHECK(handle != kNoHandle);
      const FakeFile *file = fake_only_open_file();
      CHECK(file != nullptr);
      if (file) {
        CHECK_EQ(file->interface_index, row.opened_interface);
        CHECK_EQ(file->access & (GENERIC_READ | GENERIC_WRITE), GENERIC_READ | GENERIC_WRITE);
        CHECK(file->flags & FILE_FLAG_OVERLAPPED);
      }
    }
    close_all_and_check_clean();
  }
}

void a_full_table_refuses_an_open_and_frees_a_slot_on_close() {
  add_remote();
  int32_t handles[kMaxOpenDevices];
  for (int i = 0; i < kMaxOpenDevices; ++i) {
    handles[i] = open_remote();
    REQUIRE(handles[i] != kNoHandle);
    for (int earlier = 0; earlier < i; ++earlier) CHECK(handles[earlier] != handles[i]);
  }

  CHECK_EQ(open_remote(), kNoHandle);
  CHECK_EQ(world.open_files, kMaxOpenDevices);

  CHECK_EQ(CloseHidHandle(handles[3]), 1);
  CHECK(open_remote() != kNoHandle);
}

constexpr int32_t kClosedHandle = INT32_MIN + 1;

struct BadHandleRow {
  const char *name;
  int32_t handle;
};

const BadHandleRow kBadHandleRows[] = {
    {"the failed-open value", kNoHandle},
    {"zero, while a device is open", 0},
    {"one past the table", kMaxOpenDevices + 1},
    {"largest", INT32_MAX},
    {"most negative", INT32_MIN},
    {"closed already (a double close)", kClosedHandle},
};

void handles_not_open_fail_without_touching_any_device() {
  add_remote();
  int32_t open_handle = open_remote();
  REQUIRE(open_handle != kNoHandle);
  int32_t closed_handle = open_remote();
  REQUIRE(closed_handle != kNoHandle);
  REQUIRE(CloseHidHandle(closed_handle) == 1);

  for (const BadHandleRow &row : kBadHandleRows) {
    set_row(row.name);
    int32_t handle = row.handle == kClosedHandle ? closed_handle : row.handle;
    FakeWorld before = world;
    unsigned char buffer[kCallerBufferSize];
    std::memset(buffer, kUntouched, sizeof buffer);
    buffer[0] = 0x11;
    uint32_t count = 99;

    CHECK_EQ(WriteReport(handle, buffer, &count), 0);
    CHECK_EQ(count, 0);
    count = 99;
    CHECK_EQ(ReadReport(handle, buffer, &count), 0);
    CHECK_EQ(count, 0);
    CHECK(all_bytes_are(buffer + 1, sizeof buffer - 1, kUntouched));
    CHECK_EQ(CloseHidHandle(handle), 0);

    CHECK_EQ(world.read_file_calls, before.read_file_calls);
    CHECK_EQ(world.write_file_calls, before.write_file_calls);
    CHECK_EQ(world.set_output_report_calls, before.set_output_report_calls);
    CHECK_EQ(world.close_handle_calls, before.close_handle_calls);
    CHECK_EQ(world.cancel_io_ex_calls, before.cancel_io_ex_calls);
  }
  set_row(nullptr);
  CHECK_EQ(CloseHidHandle(open_handle), 1);
}

struct CloseRow {
  const char *name;
  bool cancel_is_ignored;
};

const CloseRow kCloseRows[] = {
    {"the system cancels the read", false},
    {"the read outlives the cancel", true},
};

void close_cancels_a_read_left_by_a_reader_ended_by_force() {
  for (const CloseRow &row : kCloseRows) {
    set_row(row.name);
    fake_reset();
    add_remote();
    int32_t handle = open_remote();
    REQUIRE(handle != kNoHandle);
    fake_plan_read(ReadMode::kKillCallerInWait, 0x31, 0);
    ReaderThread reader;
    start_reader(&reader, handle);
    REQUIRE(join_reader(&reader) == kForcedExitCode);
    world.cancel_is_ignored = row.cancel_is_ignored;

    CHECK_EQ(CloseHidHandle(handle), 1);

    CHECK_EQ(world.cancel_io_ex_calls, 1);
    CHECK_EQ(world.closed_with_io_pending, row.cancel_is_ignored ? 1 : 0);
    CHECK_EQ(world.open_files, 0);
    CHECK_EQ(world.open_events, 0);
    CHECK(all_bytes_are(reader.buffer, sizeof reader.buffer, kUntouched));
    CHECK_EQ(CloseHidHandle(handle), 0);
    close_all_and_check_clean();
  }
}

const TestCase kCases[] = {
    {"opens the first matching interface for overlapped I/O",
     opens_the_first_matching_interface_for_overlapped_io},
    {"a full table refuses an open and frees a slot on close",
     a_full_table_refuses_an_open_and_frees_a_slot_on_close},
    {"handles not open fail without touching any device",
     handles_not_open_fail_without_touching_any_device},
    {"close cancels a read left by a reader ended by force",
     close_cancels_a_read_left_by_a_reader_ended_by_force},
};

}  // namespace

extern const TestSuite kOpenCloseSuite = {kCases, COUNT_OF(kCases)};
