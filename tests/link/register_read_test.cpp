// The register read against scripted replies: what reaches RegisterBlock and
// RemoteState, and how the read ends when no reply comes.
#include <gtest/gtest.h>
#include <string.h>

#include "tests/link/fake_hid.h"

namespace {

constexpr uint8_t kData[16] = {0x00, 0x00, 0xA6, 0x20, 0x00, 0x05, 0x10, 0x11,
                               0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19};

void queue_reply(uint8_t status) {
  uint8_t *report = fake_hid.inputs[fake_hid.input_count++];
  memset(report, 0, kReportSize);
  report[0] = 0x21;
  report[1] = 0x0A;  // buttons, which must not reach RemoteState
  report[2] = 0x0B;
  report[3] = status;
  report[4] = 0x00;
  report[5] = 0xFA;
  memcpy(report + 6, kData, sizeof kData);
}

class RegisterReadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    memset(static_cast<void *>(&remote_link), 0, sizeof remote_link);
    remote_link.handle = 5;
    fake_hid_reset();
    // A stale block, so a read that fails to overwrite it shows.
    memset(remote_link.register_block, 0xEE, kRegisterBlockSize);
    remote_link.state.buttons1 = 0xB1;
    remote_link.state.buttons2 = 0xB2;
    remote_link.state.accel_x.store(0xC1);
  }

  void expect_block(const uint8_t *expected) {
    EXPECT_EQ(memcmp(remote_link.register_block, expected, kRegisterBlockSize), 0);
  }

  const uint8_t zeros_[kRegisterBlockSize] = {};
};

TEST_F(RegisterReadTest, SendsTheReadRequestThenTakesTheReply) {
  queue_reply(0xF0);
  EXPECT_EQ(read_motionplus_block(0xFA), 1);
  ASSERT_EQ(fake_hid.write_count, 1);
  const uint8_t request[] = {0x17, 0x04, 0xA6, 0x00, 0xFA, 0x00, 0x10};
  EXPECT_EQ(memcmp(fake_hid.writes[0], request, sizeof request), 0);
  EXPECT_EQ(fake_hid.write_handles[0], 5);
  EXPECT_EQ(fake_hid.read_handle, 5);
  expect_block(kData);
}

TEST_F(RegisterReadTest, ExtensionBlockReadsSpaceA4) {
  queue_reply(0xF0);
  EXPECT_EQ(read_extension_block(0x20), 1);
  const uint8_t request[] = {0x17, 0x04, 0xA4, 0x00, 0x20, 0x00, 0x10};
  EXPECT_EQ(memcmp(fake_hid.writes[0], request, sizeof request), 0);
}

struct StatusCase {
  uint8_t status;
  bool zeros;
};

class ReplyStatusTest : public RegisterReadTest,
                        public ::testing::WithParamInterface<StatusCase> {};

// Only error 7 blanks the block; other errors and sizes pass the data on.
TEST_P(ReplyStatusTest, ErrorSevenGivesZerosEverythingElseTheData) {
  queue_reply(GetParam().status);
  EXPECT_EQ(read_register_block(0xA6, 0xFA), 1);
  expect_block(GetParam().zeros ? zeros_ : kData);
  // The reply's buttons stay out of RemoteState.
  EXPECT_EQ(remote_link.state.buttons1, 0xB1);
  EXPECT_EQ(remote_link.state.buttons2, 0xB2);
}

INSTANTIATE_TEST_SUITE_P(Statuses, ReplyStatusTest,
                         ::testing::Values(StatusCase{0xF7, true}, StatusCase{0x07, true},
                                           StatusCase{0xF8, false}, StatusCase{0xF0, false},
                                           StatusCase{0x30, false}, StatusCase{0xF1, false}));

TEST_F(RegisterReadTest, DataReports0x37BeforeTheReplyChangeNothing) {
  for (int i = 0; i < 3; ++i) {
    fake_hid_queue({0x37, 0x55, 0x66, 0x80, 0x81, 0x82, 0xA3, 0x7F, 0x53, 0,    0,
                    0,    0,    0,    0,    0,    0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
  }
  queue_reply(0xF0);
  EXPECT_EQ(read_register_block(0xA6, 0xFA), 1);
  EXPECT_EQ(remote_link.state.buttons1, 0xB1);
  EXPECT_EQ(remote_link.state.buttons2, 0xB2);
  EXPECT_EQ(remote_link.state.accel_x.load(), 0xC1);
  expect_block(kData);
}

TEST_F(RegisterReadTest, Reports0x30And0x31BeforeTheReplyUpdateOnlyTheButtons) {
  fake_hid_queue({0x30, 0x01, 0x02});
  fake_hid_queue({0x31, 0x03, 0x04, 0x99, 0x98, 0x97});
  queue_reply(0xF0);
  EXPECT_EQ(read_register_block(0xA6, 0xFA), 1);
  EXPECT_EQ(remote_link.state.buttons1, 0x03);
  EXPECT_EQ(remote_link.state.buttons2, 0x04);
  EXPECT_EQ(remote_link.state.accel_x.load(), 0xC1);
}

TEST_F(RegisterReadTest, AFailingReadEndsTheReadAsFailureWithAZeroBlock) {
  fake_hid_queue({0x30, 0x01, 0x02});  // then the script runs out: reads fail
  EXPECT_EQ(read_register_block(0xA6, 0xFA), 0);
  // Reads that bring nothing count against the same limit as other reports.
  EXPECT_EQ(fake_hid.read_calls, kReadReplyReportLimit + 1);
  expect_block(zeros_);
}

// The link does not interpret velk_hid_dll's results: a request reported as
// failed still reads its reply when one comes, and a read that brings nothing
// counts as no reply whatever its result says.
TEST_F(RegisterReadTest, ResultsOfTheHidCallsAreNotReliedOn) {
  fake_hid.write_result = 0;
  queue_reply(0xF0);
  EXPECT_EQ(read_register_block(0xA6, 0xFA), 1);
  expect_block(kData);

  fake_hid.empty_read_result = 1;  // "success" with no report, at once, for ever
  EXPECT_EQ(read_register_block(0xA6, 0xFA), 0);
  expect_block(zeros_);
}

// A flood of other reports ends the read at a fixed count, even when the
// reports keep coming faster than the time bound.
struct FloodCase {
  int others;
  int32_t result;
};

class FloodTest : public RegisterReadTest, public ::testing::WithParamInterface<FloodCase> {};

TEST_P(FloodTest, OtherReportsUpToTheLimitAreTolerated) {
  for (int i = 0; i < GetParam().others; ++i) fake_hid_queue({0x37});
  queue_reply(0xF0);
  EXPECT_EQ(read_register_block(0xA6, 0xFA), GetParam().result);
  expect_block(GetParam().result ? kData : zeros_);
  EXPECT_LE(fake_hid.read_calls, kReadReplyReportLimit + 1);
}

INSTANTIATE_TEST_SUITE_P(Floods, FloodTest,
                         ::testing::Values(FloodCase{kReadReplyReportLimit, 1},
                                           FloodCase{kReadReplyReportLimit + 1, 0},
                                           FloodCase{kFakeMaxReports - 1, 0}));

}  // namespace
