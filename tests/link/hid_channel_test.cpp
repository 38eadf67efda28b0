// The simulated velk_hid_dll's four functions: which remote opens, blocking
// reads, writes during a blocked read, failures, and the log.
#include <regex>
#include <vector>

#include "tests/link/case_name.h"
#include "tests/link/remote_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

class HidChannelTest : public RemoteFixture {};

int count_matches(const std::string &text, const std::string &pattern) {
  const std::regex re(pattern);
  return static_cast<int>(
      std::distance(std::sregex_iterator(text.begin(), text.end(), re), std::sregex_iterator()));
}

// ---- Open ---------------------------------------------------------------------

struct OpenCase {
  const char *name;
  int32_t vendor, product;
  bool connected, hid_service, is_remote;
  int open_on_attempt;
  bool opens;
};

class OpenTest : public HidChannelTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpenTest, OpensOnlyAConnectedRemoteWithItsHidService) {
  const OpenCase &c = GetParam();
  SimDevice &device = world_.devices[0];
  device.connected = c.connected;
  device.hid_service = c.hid_service;
  device.is_remote = c.is_remote;
  device.remote.open_on_attempt = c.open_on_attempt;
  const HidHandle handle = OpenHidHandle(c.vendor, c.product);
  if (c.opens) {
    EXPECT_GE(handle, 1);
    EXPECT_LE(handle, 8);
    EXPECT_EQ(CloseHidHandle(handle), 1);
  } else {
    EXPECT_EQ(handle, -1);
  }
  EXPECT_EQ(count_matches(log_text(), "hid open .* -> -1 \\("), c.opens ? 0 : 1) << log_text();
}

INSTANTIATE_TEST_SUITE_P(
    Worlds, OpenTest,
    ::testing::Values(OpenCase{"ready", 0x057E, 0x0306, true, true, true, 1, true},
                      OpenCase{"wrong_vendor", 0x057F, 0x0306, true, true, true, 1, false},
                      OpenCase{"wrong_product", 0x057E, 0x0330, true, true, true, 1, false},
                      OpenCase{"not_connected", 0x057E, 0x0306, false, true, true, 1, false},
                      OpenCase{"hid_service_off", 0x057E, 0x0306, true, false, true, 1, false},
                      OpenCase{"not_a_remote", 0x057E, 0x0306, true, true, false, 1, false},
                      OpenCase{"never_opens", 0x057E, 0x0306, true, true, true, 0, false}),
    CaseName());

TEST_F(HidChannelTest, OpensFromTheKnobsAttemptCountingThisProcesssAttempts) {
  // Attempts are counted per process: learn how many came before.
  knobs().open_on_attempt = 0;
  ASSERT_EQ(OpenHidHandle(HID_VENDOR_ID, HID_PRODUCT_ID), -1);
  std::smatch match;
  const std::string text = log_text();
  ASSERT_TRUE(std::regex_search(text, match, std::regex("attempt (\\d+) -> -1")));
  const int done = std::stoi(match[1]);

  knobs().open_on_attempt = done + 3;
  EXPECT_EQ(OpenHidHandle(HID_VENDOR_ID, HID_PRODUCT_ID), -1);
  EXPECT_EQ(OpenHidHandle(HID_VENDOR_ID, HID_PRODUCT_ID), -1);
  remote_link.handle = OpenHidHandle(HID_VENDOR_ID, HID_PRODUCT_ID);
  EXPECT_NE(remote_link.handle, -1);
  EXPECT_EQ(count_matches(log_text(), "attempt " + std::to_string(done + 3) + " -> [1-8] "), 1);
}

TEST_F(HidChannelTest, OpensTheFirstReadyRemoteInRecordOrder) {
  world_.device_count = 3;
  world_.devices[1] = world_.devices[0];
  world_.devices[2] = world_.devices[0];
  world_.devices[0].connected = false;
  world_.devices[1].remote.behaviour = RemoteBehaviour::accel_x_zero;
  open_remote();
  EXPECT_EQ(count_matches(log_text(), "\\(device 1\\)"), 1);
  report_buttons_accel();
  EXPECT_EQ(probe_remote(ProbeWait::sleep), 0) << "device 1 is the one with X at 0";
}

TEST_F(HidChannelTest, HandlesAreSmallIntegersAndCloseOnce) {
  const HidHandle first = OpenHidHandle(HID_VENDOR_ID, HID_PRODUCT_ID);
  const HidHandle second = OpenHidHandle(HID_VENDOR_ID, HID_PRODUCT_ID);
  EXPECT_GE(first, 1);
  EXPECT_LE(second, 8);
  EXPECT_NE(first, second);
  EXPECT_EQ(CloseHidHandle(first), 1);
  EXPECT_EQ(CloseHidHandle(first), 0);
  EXPECT_EQ(CloseHidHandle(0), 0);
  EXPECT_EQ(CloseHidHandle(-1), 0);
  EXPECT_EQ(CloseHidHandle(9), 0);
  uint8_t buffer[kReportBufferSize];
  uint32_t count = 99;
  EXPECT_EQ(ReadReport(first, buffer, &count), 0);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(WriteReport(first, buffer, &count), 0);
  EXPECT_EQ(CloseHidHandle(second), 1);
}

// ---- Read and write ---------------------------------------------------------

struct BlockedRead {
  HidHandle handle;
  uint8_t buffer[kReportBufferSize];
  uint32_t count;
  int32_t result;
};

unsigned WINAPI read_one(void *argument) {
  BlockedRead *read = static_cast<BlockedRead *>(argument);
  read->result = ReadReport(read->handle, read->buffer, &read->count);
  return 0;
}

HANDLE start_read(BlockedRead *read) {
  return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, read_one, read, 0, nullptr));
}

TEST_F(HidChannelTest, AReadBlocksUntilAReportExistsAndAWriteGetsThrough) {
  open_remote();
  BlockedRead read = {};
  read.handle = remote_link.handle;
  memset(read.buffer, 0xEE, sizeof read.buffer);
  HANDLE reader = start_read(&read);
  ASSERT_NE(reader, nullptr);
  // No mode chosen yet: nothing to read.
  EXPECT_EQ(WaitForSingleObject(reader, 200), WAIT_TIMEOUT);
  EXPECT_EQ(report_buttons_accel(), 1);
  EXPECT_EQ(WaitForSingleObject(reader, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.count, 22u);
  EXPECT_EQ(read.buffer[0], 0x31);
  for (int i = 22; i < kReportBufferSize; ++i) ASSERT_EQ(read.buffer[i], 0xEE) << i;
  CloseHandle(reader);
}

TEST_F(HidChannelTest, ClosingTheHandleFailsABlockedRead) {
  open_remote();
  BlockedRead read = {};
  read.handle = remote_link.handle;
  read.result = -5;
  HANDLE reader = start_read(&read);
  EXPECT_EQ(WaitForSingleObject(reader, 100), WAIT_TIMEOUT);
  EXPECT_EQ(CloseHidHandle(remote_link.handle), 1);
  remote_link.handle = kNoHidHandle;
  EXPECT_EQ(WaitForSingleObject(reader, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(read.result, 0);
  CloseHandle(reader);
  EXPECT_EQ(count_matches(log_text(), "read -> failed \\(handle closed\\)"), 1);
}

TEST_F(HidChannelTest, AReadEndedByForceLeavesTheRemoteUsable) {
  knobs().behaviour = RemoteBehaviour::silent;
  open_remote();
  BlockedRead read = {};
  read.handle = remote_link.handle;
  HANDLE reader = start_read(&read);
  EXPECT_EQ(WaitForSingleObject(reader, 100), WAIT_TIMEOUT);
  EXPECT_EQ(TerminateThread(reader, 0xFFFFFFFF), TRUE);
  EXPECT_EQ(WaitForSingleObject(reader, 5000), WAIT_OBJECT_0);
  CloseHandle(reader);
  // Every call takes the remote's lock; none may hang.
  EXPECT_EQ(set_leds(0x10), 1);
  const HidHandle other = OpenHidHandle(HID_VENDOR_ID, HID_PRODUCT_ID);
  EXPECT_EQ(CloseHidHandle(other), 1);
}

TEST_F(HidChannelTest, AVanishedRemoteFailsReadsAndWrites) {
  knobs().vanish = VanishPoint::during_probe;
  open_remote();
  report_buttons_accel();
  uint8_t buffer[kReportBufferSize];
  uint32_t count = 0;
  EXPECT_EQ(ReadReport(remote_link.handle, buffer, &count), 1);
  EXPECT_EQ(ReadReport(remote_link.handle, buffer, &count), 0);
  EXPECT_EQ(set_leds(0x10), 0);
  const std::string text = log_text();
  EXPECT_EQ(count_matches(text, "read -> failed \\(remote gone\\)"), 1) << text;
  EXPECT_EQ(count_matches(text, "write -> failed \\(remote gone\\)"), 1) << text;
}

TEST_F(HidChannelTest, ReadFailsKnobFailsAtOnceAndIsLogged) {
  knobs().read_fails = true;
  open_remote();
  uint8_t buffer[kReportBufferSize];
  uint32_t count = 0;
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(ReadReport(remote_link.handle, buffer, &count), 0);
  EXPECT_LT(ms_since(start), 1000.0);
  EXPECT_EQ(count_matches(log_text(), "read -> failed \\(read fails\\)"), 1);
}

TEST_F(HidChannelTest, NullBuffersFailInsteadOfCrashing) {
  open_remote();
  uint32_t count = 0;
  EXPECT_EQ(WriteReport(remote_link.handle, nullptr, &count), 0);
  EXPECT_EQ(ReadReport(remote_link.handle, nullptr, &count), 0);
  uint8_t buffer[kReportBufferSize] = {0x11, 0x10};
  EXPECT_EQ(WriteReport(remote_link.handle, buffer, nullptr), 1);
}

// ---- Log ------------------------------------------------------------------------

TEST_F(HidChannelTest, LogsEveryOutputReportAndTheRumbleAndLedStateOverTime) {
  open_remote();
  send_ir_enable(0x01);
  Sleep(100);
  send_ir_enable(0x00);
  set_leds(0x10);
  CloseHidHandle(remote_link.handle);
  remote_link.handle = kNoHidHandle;

  const std::string text = log_text();
  EXPECT_EQ(count_matches(text, "hid 1 t=\\d+ write 13 01( 00){20}\n"), 1) << text;
  EXPECT_EQ(count_matches(text, "hid 1 t=\\d+ write 11 10( 00){20}\n"), 1) << text;
  EXPECT_EQ(count_matches(text, " write( [0-9A-F]{2}){22}\n"), 3) << text;
  std::smatch on, off;
  ASSERT_TRUE(std::regex_search(text, on, std::regex("t=(\\d+) rumble on\n")));
  ASSERT_TRUE(std::regex_search(text, off, std::regex("t=(\\d+) rumble off\n")));
  EXPECT_GE(std::stoi(off[1]) - std::stoi(on[1]), 100) << "the motor ran about 100 ms";
  EXPECT_EQ(count_matches(text, "t=\\d+ leds 1000\n"), 1) << text;
  EXPECT_EQ(count_matches(text, "hid 1 t=\\d+ close\n"), 1) << text;
  EXPECT_LT(text.find("rumble on"), text.find("rumble off"));
  EXPECT_LT(text.find("rumble off"), text.find("leds 1000"));
}

}  // namespace
