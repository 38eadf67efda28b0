// The remote emulator's report logic, driven without threads: output reports
// in, input reports out, at chosen times.
#include <gtest/gtest.h>
#include <string.h>

#include <initializer_list>
#include <vector>

#include "sim/remote/emulator.h"
#include "tests/link/case_name.h"

namespace {

typedef std::vector<uint8_t> Report;

const uint8_t kIdentity[6] = {0x00, 0x00, 0xA6, 0x20, 0x00, 0x05};

SimRemoteKnobs default_knobs() {
  SimRemoteKnobs knobs;
  memset(&knobs, 0, sizeof knobs);
  knobs.behaviour = RemoteBehaviour::normal;
  knobs.motionplus = true;
  memcpy(knobs.motionplus_id, kIdentity, sizeof kIdentity);
  knobs.read_reply = ReadReplyMode::normal;
  knobs.vanish = VanishPoint::never;
  knobs.open_on_attempt = 1;
  return knobs;
}

// The link's decoding of an extension byte.
uint8_t decode_extension(uint8_t b) { return static_cast<uint8_t>((b ^ 0x17) + 0x17); }

class EmulatorTest : public ::testing::Test {
 protected:
  void SetUp() override { start(default_knobs()); }

  void start(const SimRemoteKnobs &knobs) {
    knobs_ = knobs;
    emulator_start(&remote_, &knobs_);
  }

  bool send(std::initializer_list<uint8_t> bytes) {
    uint8_t report[kReportSize] = {};
    int i = 0;
    for (uint8_t byte : bytes) report[i++] = byte;
    return emulator_receive(&remote_, report);
  }

  // One poll; the report when there is one.
  EmulatorPoll poll(uint64_t now_ms, Report *report = nullptr) {
    uint8_t out[kReportSize];
    memset(out, 0xEE, sizeof out);
    const EmulatorPoll result = emulator_poll(&remote_, now_ms, out, &wake_at_);
    if (report != nullptr && result == EmulatorPoll::report) report->assign(out, out + kReportSize);
    return result;
  }

  // Every report due at now_ms.
  std::vector<Report> drain(uint64_t now_ms) {
    std::vector<Report> reports;
    Report report;
    while (reports.size() < 1000 && poll(now_ms, &report) == EmulatorPoll::report) {
      reports.push_back(report);
    }
    return reports;
  }

  Report only_report(uint64_t now_ms) {
    std::vector<Report> reports = drain(now_ms);
    EXPECT_EQ(reports.size(), 1u);
    return reports.empty() ? Report(kReportSize, 0) : reports[0];
  }

  SimRemoteKnobs knobs_;
  RemoteEmulator remote_;
  uint64_t wake_at_ = 0;
};

// ---- Data reports -------------------------------------------------------

TEST_F(EmulatorTest, SendsNothingBeforeAnyModeReport) {
  EXPECT_TRUE(send({0x11, 0x10}));
  EXPECT_TRUE(send({0x13, 0x04}));
  for (uint64_t t = 1000; t < 2000; t += 7) {
    ASSERT_EQ(poll(t), EmulatorPoll::wait);
    EXPECT_EQ(wake_at_, 0u) << "nothing can come by itself";
  }
}

TEST_F(EmulatorTest, SendsOneReportAtOnceAfterAModeReportEvenReportingOnChange) {
  send({0x12, 0x00, 0x30});
  Report report = only_report(5000);
  EXPECT_EQ(report[0], 0x30);
  // Buttons alone never change: nothing more, however long.
  EXPECT_EQ(poll(60000), EmulatorPoll::wait);
  EXPECT_EQ(wake_at_, 0u);
  // Each mode report brings one more.
  send({0x12, 0x00, 0x30});
  EXPECT_EQ(only_report(60001)[0], 0x30);
}

TEST_F(EmulatorTest, AccelerometerModesKeepReportingAtMostEvery10Ms) {
  send({0x12, 0x00, 0x31});
  uint64_t last = 0;
  int reports = 0;
  for (uint64_t t = 1000; t < 2000; ++t) {
    Report report;
    while (poll(t, &report) == EmulatorPoll::report) {
      EXPECT_EQ(report[0], 0x31);
      if (reports > 0) {
        EXPECT_GE(t - last, 10u) << "at " << t;
      }
      last = t;
      ++reports;
    }
    if (reports > 0) {
      EXPECT_GT(wake_at_, t);
    }
  }
  // The readings jitter, so most 10 ms steps bring a report.
  EXPECT_GT(reports, 50);
  EXPECT_LE(reports, 100);
}

TEST_F(EmulatorTest, ContinuousReportingSendsEvery10MsEvenWithoutChange) {
  send({0x12, 0x04, 0x30});
  int reports = 0;
  for (uint64_t t = 1000; t < 2000; ++t) reports += static_cast<int>(drain(t).size());
  EXPECT_EQ(reports, 100);
}

TEST_F(EmulatorTest, ModesNotEmulatedAreIgnored) {
  send({0x12, 0x00, 0x3E});
  send({0x12, 0x00, 0x21});
  EXPECT_EQ(poll(1000), EmulatorPoll::wait);
  EXPECT_EQ(remote_.output_reports_ignored, 2u);
}

TEST_F(EmulatorTest, AccelerometerRestsNearCentreWithNonZeroX) {
  send({0x12, 0x04, 0x31});
  for (uint64_t t = 1000; t < 1500; t += 10) {
    Report report = only_report(t);
    EXPECT_GE(report[3], 0x7F);
    EXPECT_LE(report[3], 0x81);
    EXPECT_GE(report[5], 0x99);
    EXPECT_LE(report[5], 0x9B);
  }
}

struct LayoutCase {
  uint8_t mode;
  int accel_at, ir_at, ir_size, ext_at, ext_size;
};

class DataLayoutTest : public EmulatorTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(DataLayoutTest, FillsTheBytesOfItsMode) {
  const LayoutCase &c = GetParam();
  send({0x13, 0x04});  // camera on: two spots in view
  send({0x12, 0x00, c.mode});
  Report r = only_report(1000);
  EXPECT_EQ(r[0], c.mode);
  if (c.accel_at) {
    EXPECT_NE(r[c.accel_at], 0);
  }
  if (c.ir_size == 12) {
    // Three bytes a spot: spots at (0x1A3, 0x17F) and (0x25D, 0x181).
    const uint8_t *ir = &r[c.ir_at];
    EXPECT_EQ(ir[0] + ((ir[2] & 0x30) << 4), 0x1A3);
    EXPECT_EQ(ir[1] + ((ir[2] & 0xC0) << 2), 0x17F);
    EXPECT_EQ(ir[3] + ((ir[5] & 0x30) << 4), 0x25D);
    EXPECT_EQ(ir[4] + ((ir[5] & 0xC0) << 2), 0x181);
    for (int i = 6; i < 12; ++i) EXPECT_EQ(ir[i], 0xFF) << "unseen spots";
  }
  if (c.ir_size == 10) {
    // Five bytes a pair of spots.
    const uint8_t *ir = &r[c.ir_at];
    EXPECT_EQ(ir[0] + ((ir[2] & 0x30) << 4), 0x1A3);
    EXPECT_EQ(ir[1] + ((ir[2] & 0xC0) << 2), 0x17F);
    EXPECT_EQ(ir[3] + ((ir[2] & 0x03) << 8), 0x25D);
    EXPECT_EQ(ir[4] + ((ir[2] & 0x0C) << 6), 0x181);
    for (int i = 5; i < 10; ++i) EXPECT_EQ(ir[i], 0xFF) << "unseen spots";
  }
  // Nothing is plugged in: the extension bytes decode to 0x00.
  for (int i = 0; i < c.ext_size; ++i) EXPECT_EQ(decode_extension(r[c.ext_at + i]), 0x00);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, DataLayoutTest,
    ::testing::Values(LayoutCase{0x30, 0, 0, 0, 0, 0}, LayoutCase{0x31, 3, 0, 0, 0, 0},
                      LayoutCase{0x33, 3, 6, 12, 0, 0}, LayoutCase{0x35, 3, 0, 0, 6, 16},
                      LayoutCase{0x36, 0, 3, 10, 13, 9}, LayoutCase{0x37, 3, 6, 10, 16, 6},
                      LayoutCase{0x3D, 0, 0, 0, 1, 21}));

TEST_F(EmulatorTest, CameraOffShowsNoSpots) {
  send({0x12, 0x00, 0x33});
  Report r = only_report(1000);
  for (int i = 6; i < 18; ++i) EXPECT_EQ(r[i], 0xFF);
}

TEST_F(EmulatorTest, ExtensionEncodingRoundTripsEveryByte) {
  for (int plain = 0; plain < 256; ++plain) {
    EXPECT_EQ(decode_extension(emulator_encode_extension(static_cast<uint8_t>(plain))), plain);
  }
}

// ---- Behaviour knobs ----------------------------------------------------

TEST_F(EmulatorTest, AccelXZeroKnobZeroesOnlyX) {
  SimRemoteKnobs knobs = default_knobs();
  knobs.behaviour = RemoteBehaviour::accel_x_zero;
  start(knobs);
  send({0x12, 0x04, 0x31});
  for (uint64_t t = 1000; t < 1200; t += 10) {
    Report r = only_report(t);
    EXPECT_EQ(r[3], 0);
    EXPECT_NE(r[5], 0);
  }
}

TEST_F(EmulatorTest, ButtonsOnlyKnobSends0x30WhateverTheMode) {
  SimRemoteKnobs knobs = default_knobs();
  knobs.behaviour = RemoteBehaviour::buttons_only;
  start(knobs);
  send({0x12, 0x00, 0x37});
  EXPECT_EQ(only_report(1000)[0], 0x30);
  EXPECT_EQ(poll(5000), EmulatorPoll::wait);
}

TEST_F(EmulatorTest, SilentKnobSendsNothingAtAll) {
  SimRemoteKnobs knobs = default_knobs();
  knobs.behaviour = RemoteBehaviour::silent;
  start(knobs);
  EXPECT_TRUE(send({0x12, 0x04, 0x31}));
  EXPECT_TRUE(send({0x17, 0x04, 0xA6, 0x00, 0xFA, 0x00, 0x10}));
  EXPECT_TRUE(send({0x16, 0x04, 0xA6, 0xFF, 0xF0, 0x01, 0x55}));
  EXPECT_EQ(poll(10000), EmulatorPoll::wait);
  EXPECT_EQ(wake_at_, 0u);
}

TEST_F(EmulatorTest, ReadFailsKnobFailsEveryReadButTakesWrites) {
  SimRemoteKnobs knobs = default_knobs();
  knobs.read_fails = true;
  start(knobs);
  EXPECT_EQ(poll(1000), EmulatorPoll::read_fails);
  EXPECT_TRUE(send({0x12, 0x00, 0x31}));
  EXPECT_EQ(poll(1000), EmulatorPoll::read_fails);
}

// ---- Rumble and LEDs ----------------------------------------------------

TEST_F(EmulatorTest, Bit0OfByte1OfEveryOutputReportDrivesTheRumble) {
  for (uint8_t id : std::vector<uint8_t>{0x11, 0x12, 0x13, 0x15, 0x16, 0x17, 0x1A}) {
    send({id, 0x01, 0x30});
    EXPECT_TRUE(remote_.rumble) << std::hex << int(id);
    send({id, 0x00, 0x30});
    EXPECT_FALSE(remote_.rumble) << std::hex << int(id);
  }
}

TEST_F(EmulatorTest, ReportLedsSetsLedsFromTheHighNibble) {
  send({0x11, 0x10});
  EXPECT_EQ(remote_.leds, 0x10);
  send({0x11, 0xA1});
  EXPECT_EQ(remote_.leds, 0xA0);
  EXPECT_TRUE(remote_.rumble);
  send({0x13, 0x00});
  EXPECT_EQ(remote_.leds, 0xA0) << "only report 0x11 sets the LEDs";
}

TEST_F(EmulatorTest, StatusRequestIsAnsweredWithLedsAndCamera) {
  send({0x11, 0x30});
  send({0x13, 0x04});
  send({0x15, 0x00});
  Report r = only_report(1000);
  EXPECT_EQ(r[0], 0x20);
  EXPECT_EQ(r[3], 0x38);
}

// ---- Register reads -------------------------------------------------------

struct Reply {
  uint8_t status;
  uint16_t address;
  std::vector<uint8_t> data;
};

Reply parse_reply(const Report &r) {
  EXPECT_EQ(r[0], 0x21);
  Reply reply;
  reply.status = r[3];
  reply.address = static_cast<uint16_t>(r[4] << 8 | r[5]);
  reply.data.assign(r.begin() + 6, r.end());
  return reply;
}

TEST_F(EmulatorTest, IdentityAtFAIsTheKnobs) {
  send({0x17, 0x04, 0xA6, 0x00, 0xFA, 0x00, 0x06});
  Reply reply = parse_reply(only_report(1000));
  EXPECT_EQ(reply.status, 0x50);
  EXPECT_EQ(reply.address, 0x00FA);
  EXPECT_EQ(memcmp(reply.data.data(), kIdentity, 6), 0);
  for (int i = 6; i < 16; ++i) EXPECT_EQ(reply.data[i], 0) << "short replies pad with zeros";
}

TEST_F(EmulatorTest, ALongReadIsSplitInto16ByteRepliesInAddressOrder) {
  // 0x44 bytes from offset 0xF8: four full replies, then four bytes, wrapping
  // round the 256-byte space.
  send({0x17, 0x04, 0xA6, 0x00, 0xF8, 0x00, 0x44});
  std::vector<Report> reports = drain(1000);
  ASSERT_EQ(reports.size(), 5u);
  const uint16_t addresses[5] = {0x00F8, 0x0108, 0x0118, 0x0128, 0x0138};
  const uint8_t statuses[5] = {0xF0, 0xF0, 0xF0, 0xF0, 0x30};
  for (int i = 0; i < 5; ++i) {
    Reply reply = parse_reply(reports[i]);
    EXPECT_EQ(reply.status, statuses[i]) << i;
    EXPECT_EQ(reply.address, addresses[i]) << i;
  }
  // Offsets 0xF8..0xFF, then 0x00.. again.
  Reply first = parse_reply(reports[0]);
  EXPECT_EQ(memcmp(first.data.data() + 2, kIdentity, 6), 0);
  Reply third = parse_reply(reports[2]);
  EXPECT_EQ(third.data[8], remote_.motionplus[0x20]);
  EXPECT_NE(third.data[8], 0);
}

TEST_F(EmulatorTest, TheMiddleAddressByteIsIgnored) {
  send({0x17, 0x04, 0xA6, 0x00, 0x20, 0x00, 0x10});
  send({0x17, 0x04, 0xA6, 0x37, 0x20, 0x00, 0x10});
  std::vector<Report> reports = drain(1000);
  ASSERT_EQ(reports.size(), 2u);
  Reply plain = parse_reply(reports[0]);
  Reply mirrored = parse_reply(reports[1]);
  EXPECT_EQ(plain.data, mirrored.data);
  EXPECT_EQ(mirrored.address, 0x3720) << "the address is echoed as sent";
}

struct ErrorSevenCase {
  const char *name;
  bool motionplus;
  ReadReplyMode mode;
  uint8_t space;
};

class ErrorSevenTest : public EmulatorTest, public ::testing::WithParamInterface<ErrorSevenCase> {};

TEST_P(ErrorSevenTest, OneReplyWithErrorSevenAndSizeNibbleF) {
  SimRemoteKnobs knobs = default_knobs();
  knobs.motionplus = GetParam().motionplus;
  knobs.read_reply = GetParam().mode;
  start(knobs);
  send({0x17, 0x04, GetParam().space, 0x00, 0xFA, 0x00, 0x40});
  Reply reply = parse_reply(only_report(1000));
  EXPECT_EQ(reply.status, 0xF7);
  EXPECT_EQ(reply.address, 0x00FA);
  EXPECT_EQ(reply.data, std::vector<uint8_t>(16, 0));
}

INSTANTIATE_TEST_SUITE_P(
    NoDevice, ErrorSevenTest,
    ::testing::Values(ErrorSevenCase{"no_motionplus", false, ReadReplyMode::normal, 0xA6},
                      ErrorSevenCase{"nothing_plugged_in", true, ReadReplyMode::normal, 0xA4},
                      ErrorSevenCase{"unknown_space", true, ReadReplyMode::normal, 0x42},
                      ErrorSevenCase{"knob_error7", true, ReadReplyMode::error7, 0xA6}),
    CaseName());

TEST_F(EmulatorTest, ReadOfSizeZeroIsNotAnswered) {
  send({0x17, 0x04, 0xA6, 0x00, 0xFA, 0x00, 0x00});
  EXPECT_EQ(poll(1000), EmulatorPoll::wait);
}

TEST_F(EmulatorTest, ReplyKnobNoneNeverAnswers) {
  SimRemoteKnobs knobs = default_knobs();
  knobs.read_reply = ReadReplyMode::none;
  start(knobs);
  send({0x17, 0x04, 0xA6, 0x00, 0xFA, 0x00, 0x10});
  send({0x16, 0x04, 0xA6, 0xFF, 0x00, 0x01, 0x55});
  std::vector<Report> reports = drain(1000);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0][0], 0x22) << "writes are still acknowledged";
}

TEST_F(EmulatorTest, ReplyKnobsOtherAddressAndOtherSizeKeepTheData) {
  SimRemoteKnobs knobs = default_knobs();
  knobs.read_reply = ReadReplyMode::other_address;
  start(knobs);
  send({0x17, 0x04, 0xA6, 0x00, 0xFA, 0x00, 0x10});
  Reply reply = parse_reply(only_report(1000));
  EXPECT_NE(reply.address, 0x00FA);
  EXPECT_EQ(reply.status, 0xF0);
  EXPECT_EQ(memcmp(reply.data.data(), kIdentity, 6), 0);

  knobs.read_reply = ReadReplyMode::other_size;
  start(knobs);
  send({0x17, 0x04, 0xA6, 0x00, 0xFA, 0x00, 0x10});
  reply = parse_reply(only_report(1000));
  EXPECT_EQ(reply.address, 0x00FA);
  EXPECT_NE(reply.status & 0xF0, 0xF0);
  EXPECT_EQ(reply.status & 0x0F, 0);
  EXPECT_EQ(memcmp(reply.data.data(), kIdentity, 6), 0);
}

TEST_F(EmulatorTest, FloodKnobSendsDataReportsBeforeEachReply) {
  SimRemoteKnobs knobs = default_knobs();
  knobs.flood = 3;
  start(knobs);
  send({0x17, 0x04, 0xA6, 0x00, 0x00, 0x00, 0x20});  // two replies
  std::vector<Report> reports = drain(1000);
  ASSERT_EQ(reports.size(), 8u);
  const uint8_t ids[8] = {0x30, 0x30, 0x30, 0x21, 0x30, 0x30, 0x30, 0x21};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(reports[i][0], ids[i]) << i;
}

// ---- Register writes -------------------------------------------------------

struct WriteCase {
  uint8_t size;
  int stored;
  uint8_t error;
};

class WriteSizeTest : public EmulatorTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(WriteSizeTest, StoresExactlyTheSizeByteAndAcknowledges) {
  const WriteCase &c = GetParam();
  send({0x16, 0x04, 0xA6, 0xFF, 0x40, c.size, 0x81, 0x82, 0x83, 0x84, 0x85,
        0x86, 0x87, 0x88, 0x89, 0x8A, 0x8B,   0x8C, 0x8D, 0x8E, 0x8F, 0x90});
  Report ack = only_report(1000);
  const uint8_t expected_ack[] = {0x22, 0x00, 0x00, 0x16, c.error};
  EXPECT_EQ(memcmp(ack.data(), expected_ack, sizeof expected_ack), 0);
  for (int i = 0; i < 20; ++i) {
    const uint8_t expected = i < c.stored ? static_cast<uint8_t>(0x81 + i) : 0x00;
    EXPECT_EQ(remote_.motionplus[0x40 + i], expected) << "offset " << 0x40 + i;
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, WriteSizeTest,
                         ::testing::Values(WriteCase{0, 0, 0}, WriteCase{1, 1, 0},
                                           WriteCase{16, 16, 0}, WriteCase{17, 0, 8},
                                           WriteCase{255, 0, 8}));

TEST_F(EmulatorTest, WritesWrapRoundTheSpaceAndReadBack) {
  send({0x16, 0x04, 0xA6, 0xFF, 0xFE, 0x04, 0x01, 0x02, 0x03, 0x04});
  EXPECT_EQ(remote_.motionplus[0xFE], 0x01);
  EXPECT_EQ(remote_.motionplus[0xFF], 0x02);
  EXPECT_EQ(remote_.motionplus[0x00], 0x03);
  EXPECT_EQ(remote_.motionplus[0x01], 0x04);
}

TEST_F(EmulatorTest, WriteWhereNoDeviceAnswersIsAcknowledgedWithErrorSeven) {
  send({0x16, 0x04, 0xA4, 0xFF, 0xF0, 0x01, 0x55});
  Report ack = only_report(1000);
  EXPECT_EQ(ack[3], 0x16);
  EXPECT_EQ(ack[4], 7);
}

TEST_F(EmulatorTest, EveryWriteIsAcknowledgedInOrderWithReplies) {
  send({0x16, 0x04, 0xA6, 0xFF, 0x00, 0x01, 0x11});
  send({0x17, 0x04, 0xA6, 0x00, 0x00, 0x00, 0x01});
  send({0x16, 0x04, 0xA4, 0xFF, 0x00, 0x01, 0x22});
  std::vector<Report> reports = drain(1000);
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[0][0], 0x22);
  EXPECT_EQ(reports[1][0], 0x21);
  EXPECT_EQ(reports[1][6], 0x11) << "the read sees the write before it";
  EXPECT_EQ(reports[2][0], 0x22);
  EXPECT_EQ(reports[2][4], 7);
}

// ---- Vanishing ----------------------------------------------------------------

TEST_F(EmulatorTest, VanishBeforeFirstReport) {
  SimRemoteKnobs knobs = default_knobs();
  knobs.vanish = VanishPoint::before_first_report;
  start(knobs);
  EXPECT_TRUE(send({0x12, 0x00, 0x31}));
  EXPECT_EQ(poll(1000), EmulatorPoll::gone);
  EXPECT_EQ(poll(1000), EmulatorPoll::gone);
  EXPECT_FALSE(send({0x11, 0x10}));
}

TEST_F(EmulatorTest, VanishDuringProbeAfterTheFirstDataReport) {
  SimRemoteKnobs knobs = default_knobs();
  knobs.vanish = VanishPoint::during_probe;
  start(knobs);
  send({0x16, 0x04, 0xA6, 0xFF, 0x00, 0x01, 0x11});
  send({0x12, 0x00, 0x31});
  EXPECT_EQ(drain(1000).size(), 2u) << "the ack and one data report";
  EXPECT_EQ(poll(2000), EmulatorPoll::gone);
  EXPECT_FALSE(send({0x11, 0x10}));
}

TEST_F(EmulatorTest, VanishDuringDumpAfterAFewReads) {
  SimRemoteKnobs knobs = default_knobs();
  knobs.vanish = VanishPoint::during_dump;
  start(knobs);
  for (int i = 0; i < kVanishAfterReads; ++i) {
    ASSERT_TRUE(send({0x17, 0x04, 0xA6, 0x00, 0x00, 0x00, 0x10}));
    EXPECT_EQ(only_report(1000)[0], 0x21);
  }
  EXPECT_FALSE(send({0x17, 0x04, 0xA6, 0x00, 0x00, 0x00, 0x10}));
  EXPECT_EQ(poll(1000), EmulatorPoll::gone);
}

// ---- Robustness -----------------------------------------------------------------

TEST_F(EmulatorTest, AnswersBeyondTheQueueAreDroppedNotOverrun) {
  for (int i = 0; i < kJobQueueSize + 10; ++i) send({0x16, 0x04, 0xA6, 0xFF, 0x00, 0x01, 0x11});
  EXPECT_EQ(remote_.jobs_dropped, 10u);
  EXPECT_EQ(drain(1000).size(), static_cast<size_t>(kJobQueueSize));
}

// Random output reports and polls: every answer is well formed, and every
// write is acknowledged once while the queue has room.
TEST_F(EmulatorTest, RandomOutputReportsKeepTheAnswersWellFormed) {
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<uint8_t>(seed >> 16);
  };
  int writes = 0;
  int acks = 0;
  uint64_t now = 1000;
  for (int round = 0; round < 20000; ++round) {
    uint8_t report[kReportSize];
    for (uint8_t &b : report) b = next();
    report[0] = static_cast<uint8_t>(0x10 + next() % 12);
    if (report[0] == 0x17) report[5] = 0;  // keep reads short: at most 256 bytes
    const uint32_t dropped = remote_.jobs_dropped;
    ASSERT_TRUE(emulator_receive(&remote_, report));
    if (report[0] == 0x16 && remote_.jobs_dropped == dropped) ++writes;
    now += next() % 20;
    for (const Report &r : drain(now)) {
      const uint8_t id = r[0];
      ASSERT_TRUE(id == 0x20 || id == 0x21 || id == 0x22 || emulator_mode_supported(id))
          << std::hex << int(id);
      if (id == 0x22) ++acks;
      if (id == 0x21 && (r[3] & 0x0F) == 0) {
        EXPECT_LE((r[3] >> 4) + 1, 16);
      }
    }
  }
  EXPECT_EQ(acks, writes);
}

}  // namespace
