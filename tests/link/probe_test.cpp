// The reader thread and the probe against the simulated remote: who passes,
// who fails, and that a reader blocked on a silent remote really ends.
#include "tests/link/case_name.h"
#include "tests/link/remote_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

class ProbeTest : public RemoteFixture {};

struct PassCase {
  const char *name;
  ProbeWait wait;
  int32_t (*choose_mode)(void);
};

class ProbePassTest : public ProbeTest, public ::testing::WithParamInterface<PassCase> {};

TEST_P(ProbePassTest, AnsweringRemotePassesAndItsReaderEndsByItself) {
  open_remote();
  GetParam().choose_mode();
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(probe_remote(GetParam().wait), 1);
  EXPECT_GE(ms_since(start), 1000.0);
  EXPECT_NE(remote_link.state.accel_x.load(), 0);
  EXPECT_EQ(remote_link.reader.reader_run.load(), 0);

  HANDLE reader = remote_link.reader.reader_thread;
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(end_reader(kReaderEndTimeoutMs), 1);
  EXPECT_TRUE(thread_gone(reader));
  EXPECT_EQ(exit_code(reader), 0u) << "ended by itself, not by force";
  EXPECT_EQ(remote_link.reader.reader_active.load(), 0);
  // Readings of a remote at rest.
  EXPECT_GE(remote_link.state.accel_z, 0x99);
  EXPECT_LE(remote_link.state.accel_z, 0x9B);
}

INSTANTIATE_TEST_SUITE_P(
    Waits, ProbePassTest,
    ::testing::Values(PassCase{"sleep_0x31", ProbeWait::sleep, report_buttons_accel},
                      PassCase{"busy_0x31", ProbeWait::busy, report_buttons_accel},
                      PassCase{"sleep_0x37", ProbeWait::sleep, report_buttons_accel_ir_ext},
                      PassCase{"busy_0x37", ProbeWait::busy, report_buttons_accel_ir_ext}),
    CaseName());

struct FailCase {
  const char *name;
  RemoteBehaviour behaviour;
  int32_t (*choose_mode)(void);
  bool read_fails;
  VanishPoint vanish;
  bool reader_blocked;  // the reader waits in ReadReport for ever
};

class ProbeFailTest : public ProbeTest, public ::testing::WithParamInterface<FailCase> {};

TEST_P(ProbeFailTest, FailsAndTheReaderCanAlwaysBeEnded) {
  const FailCase &c = GetParam();
  knobs().behaviour = c.behaviour;
  knobs().read_fails = c.read_fails;
  knobs().vanish = c.vanish;
  open_remote();
  c.choose_mode();
  EXPECT_EQ(probe_remote(ProbeWait::sleep), 0);
  EXPECT_EQ(remote_link.state.accel_x.load(), 0);

  HANDLE reader = remote_link.reader.reader_thread;
  ASSERT_NE(reader, nullptr);
  if (c.reader_blocked) {
    EXPECT_EQ(remote_link.reader.reader_active.load(), 1);
    EXPECT_FALSE(thread_gone(reader));
    stop_reader();
    EXPECT_TRUE(thread_gone(reader));
    EXPECT_EQ(exit_code(reader), 0xFFFFFFFFu);
    EXPECT_EQ(remote_link.reader.reader_active.load(), 1) << "left as it was";
  } else {
    EXPECT_EQ(end_reader(kReaderEndTimeoutMs), 1);
    EXPECT_TRUE(thread_gone(reader));
    EXPECT_EQ(exit_code(reader), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Remotes, ProbeFailTest,
    ::testing::Values(FailCase{"silent", RemoteBehaviour::silent, report_buttons_accel, false,
                               VanishPoint::never, true},
                      FailCase{"buttons_only", RemoteBehaviour::buttons_only, report_buttons_accel,
                               false, VanishPoint::never, true},
                      FailCase{"mode_0x30", RemoteBehaviour::normal, report_buttons, false,
                               VanishPoint::never, true},
                      FailCase{"accel_x_zero", RemoteBehaviour::accel_x_zero, report_buttons_accel,
                               false, VanishPoint::never, false},
                      FailCase{"read_fails", RemoteBehaviour::normal, report_buttons_accel, true,
                               VanishPoint::never, false},
                      FailCase{"vanished", RemoteBehaviour::normal, report_buttons_accel, false,
                               VanishPoint::before_first_report, false}),
    CaseName());

TEST_F(ProbeTest, SilentRemoteFailsAfterASecondAndItsStoppedReaderFreesTheRemote) {
  knobs().behaviour = RemoteBehaviour::silent;
  open_remote();
  report_buttons_accel();
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(probe_remote(ProbeWait::busy), 0);
  EXPECT_GE(ms_since(start), 1000.0);
  EXPECT_LT(ms_since(start), 5000.0);
  EXPECT_EQ(remote_link.reader.reader_active.load(), 1);
  stop_reader();
  EXPECT_TRUE(thread_gone(remote_link.reader.reader_thread));
  // The reader died inside ReadReport; the remote must still take writes.
  EXPECT_EQ(set_leds(0x10), 1);
  EXPECT_EQ(CloseHidHandle(remote_link.handle), 1);
  remote_link.handle = kNoHidHandle;
}

TEST_F(ProbeTest, EndReaderForcesAReaderBlockedOnASilentRemote) {
  knobs().behaviour = RemoteBehaviour::silent;
  open_remote();
  report_buttons_accel();
  probe_remote(ProbeWait::sleep);
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(end_reader(200), 0);
  EXPECT_GE(ms_since(start), 200.0);
  EXPECT_LT(ms_since(start), 5000.0);
  EXPECT_TRUE(thread_gone(remote_link.reader.reader_thread));
}

TEST_F(ProbeTest, StopReaderWithNoReaderDoesNothing) {
  stop_reader();
  EXPECT_EQ(remote_link.reader.reader_thread, nullptr);
  EXPECT_EQ(remote_link.reader.reader_active.load(), 0);
  EXPECT_EQ(end_reader(0), 1);
}

TEST_F(ProbeTest, StopReaderAfterTheReaderLeftDoesNothing) {
  open_remote();
  report_buttons_accel();
  ASSERT_EQ(probe_remote(ProbeWait::sleep), 1);
  ASSERT_EQ(end_reader(kReaderEndTimeoutMs), 1);
  stop_reader();
  stop_reader();
  EXPECT_EQ(exit_code(remote_link.reader.reader_thread), 0u);
  EXPECT_EQ(remote_link.reader.reader_active.load(), 0);
}

TEST_F(ProbeTest, StoppingTwiceAfterAForcedStopIsHarmless) {
  knobs().behaviour = RemoteBehaviour::silent;
  open_remote();
  probe_remote(ProbeWait::sleep);
  stop_reader();
  stop_reader();
  EXPECT_EQ(end_reader(0), 1);
  EXPECT_TRUE(thread_gone(remote_link.reader.reader_thread));
}

TEST_F(ProbeTest, ASecondProbeEndsTheFirstBlockedReaderFirst) {
  knobs().behaviour = RemoteBehaviour::silent;
  open_remote();
  EXPECT_EQ(probe_remote(ProbeWait::sleep), 0);
  ASSERT_FALSE(thread_gone(remote_link.reader.reader_thread));
  // The first reader gets its bounded wait, then is forced; then the probe's
  // own second.
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(probe_remote(ProbeWait::sleep), 0);
  EXPECT_GE(ms_since(start), static_cast<double>(kReaderEndTimeoutMs + kProbeWaitMs));
  EXPECT_LT(ms_since(start), 6000.0);
  EXPECT_FALSE(thread_gone(remote_link.reader.reader_thread));
  stop_reader();
  EXPECT_TRUE(thread_gone(remote_link.reader.reader_thread));
}

TEST_F(ProbeTest, ReaderDecodesTheRemotesExtensionBytes) {
  open_remote();
  report_buttons_accel_ir_ext();
  ASSERT_EQ(probe_remote(ProbeWait::sleep), 1);
  ASSERT_EQ(end_reader(kReaderEndTimeoutMs), 1);
  EXPECT_EQ(remote_link.input[0], 0x37);
  // Nothing is plugged into the remote: every decoded byte is 0x00.
  for (int i = 16; i < 22; ++i) EXPECT_EQ(remote_link.input[i], 0x00) << i;
  EXPECT_EQ(remote_link.state.buttons1, 0);
}

TEST_F(ProbeTest, WaitMsWaitsAtLeastItsTime) {
  const Clock::time_point start = Clock::now();
  wait_ms(30);
  EXPECT_GE(ms_since(start), 30.0);
}

}  // namespace
