// Register reads against the simulated remote: the MotionPlus identity, the
// dump, and reads that end in failure within a bound instead of hanging.
#include "tests/link/case_name.h"
#include "tests/link/remote_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

const uint8_t kIdentity[6] = {0x00, 0x00, 0xA6, 0x20, 0x00, 0x05};
const uint8_t kZeros[16] = {};

class RemoteRegisterReadTest : public RemoteFixture {
 protected:
  bool block_is(const uint8_t *bytes, int size) {
    return memcmp(remote_link.register_block, bytes, size) == 0;
  }
};

TEST_F(RemoteRegisterReadTest, ReadsTheIdentityRightAfterTheProbe) {
  open_remote();
  report_buttons_accel_ir_ext();
  ASSERT_EQ(probe_remote(ProbeWait::busy), 1);
  set_leds(0x10);
  // The probe's reader may still be running: the read ends it first.
  EXPECT_EQ(read_motionplus_block(0xFA), 1);
  EXPECT_TRUE(block_is(kIdentity, 6));
  EXPECT_TRUE(thread_gone(remote_link.reader.reader_thread));
}

TEST_F(RemoteRegisterReadTest, TheIdentityComesFromTheKnobs) {
  const uint8_t other[6] = {0x00, 0x00, 0xA4, 0x20, 0x04, 0x05};
  memcpy(knobs().motionplus_id, other, sizeof other);
  open_remote();
  EXPECT_EQ(read_motionplus_block(0xFA), 1);
  EXPECT_TRUE(block_is(other, 6));
}

TEST_F(RemoteRegisterReadTest, DumpsAll16RowsWhileDataReportsStream) {
  open_remote();
  set_report_mode(0x04, 0x37);  // continuous: a report every 10 ms
  int rows = 0;
  for (int offset = 0x00; offset <= 0xF0; offset += 0x10) {
    rows += read_motionplus_block(static_cast<uint8_t>(offset));
  }
  EXPECT_EQ(rows, 16);
  EXPECT_TRUE(memcmp(remote_link.register_block + 10, kIdentity, 6) == 0) << "row 0xF0";
}

TEST_F(RemoteRegisterReadTest, NoMotionPlusReadsAsSixteenZeros) {
  knobs().motionplus = false;
  open_remote();
  memset(remote_link.register_block, 0xEE, sizeof remote_link.register_block);
  EXPECT_EQ(read_motionplus_block(0xFA), 1);
  EXPECT_TRUE(block_is(kZeros, 16));
}

TEST_F(RemoteRegisterReadTest, WrittenBytesReadBack) {
  open_remote();
  const uint8_t data[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  EXPECT_EQ(write_register_bytes(0xA6, 17, 0x40, data), 1);
  EXPECT_EQ(read_motionplus_block(0x40), 1);
  EXPECT_TRUE(block_is(data, 16));
}

TEST_F(RemoteRegisterReadTest, WriteRegisterByteWithCountOneStoresNothing) {
  // Its size byte is count - 1 = 0: the remote stores no byte.
  open_remote();
  EXPECT_EQ(write_register_byte(0xA6, 1, 0xF0, 0x55), 1);
  EXPECT_EQ(read_motionplus_block(0xF0), 1);
  EXPECT_EQ(remote_link.register_block[0], 0x00);
  EXPECT_EQ(write_register_byte(0xA6, 2, 0xF0, 0x55), 1);
  EXPECT_EQ(read_motionplus_block(0xF0), 1);
  EXPECT_EQ(remote_link.register_block[0], 0x55);
}

struct ReplyKnobCase {
  const char *name;
  ReadReplyMode mode;
  int flood;
  bool identity;  // the block holds the identity
};

class ReplyKnobTest : public RemoteRegisterReadTest,
                      public ::testing::WithParamInterface<ReplyKnobCase> {};

// Replies with another address or size are taken as they are; a flood of
// data reports within the bound is passed over.
TEST_P(ReplyKnobTest, ReadSucceeds) {
  knobs().read_reply = GetParam().mode;
  knobs().flood = GetParam().flood;
  open_remote();
  report_buttons_accel_ir_ext();
  EXPECT_EQ(read_motionplus_block(0xFA), 1);
  EXPECT_TRUE(block_is(GetParam().identity ? kIdentity : kZeros, 6));
}

INSTANTIATE_TEST_SUITE_P(
    Knobs, ReplyKnobTest,
    ::testing::Values(ReplyKnobCase{"other_address", ReadReplyMode::other_address, 0, true},
                      ReplyKnobCase{"other_size", ReadReplyMode::other_size, 0, true},
                      ReplyKnobCase{"error7", ReadReplyMode::error7, 0, false},
                      ReplyKnobCase{"flood_10", ReadReplyMode::normal, 10, true},
                      ReplyKnobCase{"flood_at_limit", ReadReplyMode::normal, kReadReplyReportLimit,
                                    true}),
    CaseName());

struct FailureCase {
  const char *name;
  RemoteBehaviour behaviour;
  ReadReplyMode mode;
  int flood;
  bool read_fails;
  bool stream;    // data reports keep coming at 100 per second
  double min_ms;  // a read that blocks takes the whole bound
};

class ReadFailureTest : public RemoteRegisterReadTest,
                        public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ReadFailureTest, EndsWithinTheBoundAndReportsFailure) {
  knobs().behaviour = GetParam().behaviour;
  knobs().read_reply = GetParam().mode;
  knobs().flood = GetParam().flood;
  knobs().read_fails = GetParam().read_fails;
  open_remote();
  if (GetParam().stream) set_report_mode(0x04, 0x31);
  memset(remote_link.register_block, 0xEE, sizeof remote_link.register_block);
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(read_motionplus_block(0xFA), 0);
  EXPECT_GE(ms_since(start), GetParam().min_ms);
  EXPECT_LT(ms_since(start), 5000.0);
  EXPECT_TRUE(block_is(kZeros, 16));
  // A worker ended inside ReadReport left the remote usable.
  EXPECT_EQ(set_leds(0x10), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Remotes, ReadFailureTest,
    ::testing::Values(FailureCase{"never_replies", RemoteBehaviour::normal, ReadReplyMode::none, 0,
                                  false, false, static_cast<double>(kReadReplyTimeoutMs)},
                      // The count bound ends it first.
                      FailureCase{"never_replies_while_streaming", RemoteBehaviour::normal,
                                  ReadReplyMode::none, 0, false, true, 0.0},
                      FailureCase{"silent", RemoteBehaviour::silent, ReadReplyMode::normal, 0,
                                  false, true, static_cast<double>(kReadReplyTimeoutMs)},
                      FailureCase{"read_fails", RemoteBehaviour::normal, ReadReplyMode::normal, 0,
                                  true, true, 0.0},
                      FailureCase{"flood_past_limit", RemoteBehaviour::normal,
                                  ReadReplyMode::normal, kReadReplyReportLimit + 1, false, false,
                                  0.0}),
    CaseName());

TEST_F(RemoteRegisterReadTest, ARemoteGoneDuringTheDumpFailsTheRemainingReads) {
  knobs().vanish = VanishPoint::during_dump;
  open_remote();
  int32_t results[6];
  for (int i = 0; i < 6; ++i) results[i] = read_motionplus_block(static_cast<uint8_t>(i * 0x10));
  const int32_t expected[6] = {1, 1, 1, 0, 0, 0};
  EXPECT_EQ(memcmp(results, expected, sizeof results), 0);
  EXPECT_TRUE(block_is(kZeros, 16));
}

TEST_F(RemoteRegisterReadTest, NeverReplyingRemoteStillAnswersTheNextRead) {
  knobs().read_reply = ReadReplyMode::none;
  open_remote();
  EXPECT_EQ(read_motionplus_block(0xFA), 0);
  EXPECT_EQ(read_motionplus_block(0xFA), 0);
  EXPECT_EQ(CloseHidHandle(remote_link.handle), 1);
  remote_link.handle = kNoHidHandle;
}

}  // namespace
