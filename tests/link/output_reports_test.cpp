// The output report builders: the exact bytes each one sends, and that it
// leaves every other byte of the shared buffer as it found it.
#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "tests/link/case_name.h"
#include "tests/link/fake_hid.h"

namespace {

const uint8_t kSixteenData[16] = {0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68,
                                  0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F, 0x70};
// Sent as the WriteReport result, so a builder that drops it shows.
constexpr int32_t kWriteResult = 0x5A;

class OutputReportsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    memset(static_cast<void *>(&remote_link), 0, sizeof remote_link);
    remote_link.handle = 7;
    fake_hid_reset();
    fake_hid.write_result = kWriteResult;
    // A different byte everywhere, so any stray write shows.
    for (int i = 0; i < kReportBufferSize; ++i) {
      remote_link.output[i] = static_cast<uint8_t>(0xC3 ^ i);
    }
    memcpy(before_, remote_link.output, sizeof before_);
  }

  // The one report sent must be `before_` with bytes 0.. replaced by `bytes`.
  void expect_sent(const std::vector<uint8_t> &bytes) {
    ASSERT_EQ(fake_hid.write_count, 1);
    EXPECT_EQ(fake_hid.write_handles[0], 7);
    ReportBuffer expected;
    memcpy(expected, before_, sizeof expected);
    memcpy(expected, bytes.data(), bytes.size());
    for (int i = 0; i < kReportBufferSize; ++i) {
      EXPECT_EQ(fake_hid.writes[0][i], expected[i]) << "byte " << i;
    }
  }

  ReportBuffer before_;
};

struct BuilderCase {
  const char *name;
  int32_t (*send)(void);
  std::vector<uint8_t> bytes;
};

std::vector<uint8_t> with_zeros(std::vector<uint8_t> head, int zeros) {
  head.insert(head.end(), zeros, 0x00);
  return head;
}

const BuilderCase kBuilderCases[] = {
    {"leds_1", [] { return set_leds(0x10); }, {0x11, 0x10}},
    {"leds_rumble", [] { return set_leds(0x01); }, {0x11, 0x01}},
    {"mode_continuous", [] { return set_report_mode(0x04, 0x33); }, {0x12, 0x04, 0x33}},
    {"ir_enable", [] { return send_ir_enable(0x04); }, {0x13, 0x04}},
    {"ir_rumble", [] { return send_ir_enable(0x01); }, {0x13, 0x01}},
    {"buttons", [] { return report_buttons(); }, {0x12, 0x00, 0x30}},
    {"buttons_accel", [] { return report_buttons_accel(); }, {0x12, 0x00, 0x31}},
    {"buttons_accel_ir", [] { return report_buttons_accel_ir(); }, {0x12, 0x00, 0x33}},
    {"buttons_accel_ir_ext", [] { return report_buttons_accel_ir_ext(); }, {0x12, 0x00, 0x37}},
    {"register_byte_init", [] { return write_register_byte(0xA6, 1, 0xF0, 0x55); },
     with_zeros({0x16, 0x04, 0xA6, 0xFF, 0xF0, 0x00, 0x55}, 15)},
    // One data byte whatever the count; the size byte wraps for count 0.
    {"register_byte_count_5", [] { return write_register_byte(0xA6, 5, 0xFE, 0x04); },
     with_zeros({0x16, 0x04, 0xA6, 0xFF, 0xFE, 0x04, 0x04}, 15)},
    {"register_byte_count_0", [] { return write_register_byte(0xA4, 0, 0x40, 0x01); },
     with_zeros({0x16, 0x04, 0xA4, 0xFF, 0x40, 0xFF, 0x01}, 15)},
    {"register_bytes_count_1", [] { return write_register_bytes(0xA4, 1, 0x10, kSixteenData); },
     with_zeros({0x16, 0x04, 0xA4, 0xFF, 0x10, 0x00}, 16)},
    {"register_bytes_count_1_null_data",
     [] { return write_register_bytes(0xA4, 1, 0x10, nullptr); },
     with_zeros({0x16, 0x04, 0xA4, 0xFF, 0x10, 0x00}, 16)},
    {"register_bytes_count_5", [] { return write_register_bytes(0xA6, 5, 0x20, kSixteenData); },
     with_zeros({0x16, 0x04, 0xA6, 0xFF, 0x20, 0x04, 0x61, 0x62, 0x63, 0x64}, 12)},
    {"register_bytes_count_17",
     [] { return write_register_bytes(0xA6, 17, 0x00, kSixteenData); },
     {0x16, 0x04, 0xA6, 0xFF, 0x00, 0x10, 0x61, 0x62, 0x63, 0x64, 0x65,
      0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F, 0x70}},
    {"register_read",
     [] { return request_register_read(0xA6, 0x10, 0xFA); },
     {0x17, 0x04, 0xA6, 0x00, 0xFA, 0x00, 0x10}},
};

class BuilderBytesTest : public OutputReportsTest,
                         public ::testing::WithParamInterface<BuilderCase> {};

TEST_P(BuilderBytesTest, SendsExactlyItsBytesAndPassesOnTheResult) {
  EXPECT_EQ(GetParam().send(), kWriteResult);
  expect_sent(GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Builders, BuilderBytesTest, ::testing::ValuesIn(kBuilderCases),
                         CaseName());

TEST_F(OutputReportsTest, LedsAfterARegisterWriteChangeOnlyBytesZeroAndOne) {
  write_register_byte(0xA6, 1, 0xF0, 0x55);
  set_leds(0x10);
  ASSERT_EQ(fake_hid.write_count, 2);
  EXPECT_EQ(fake_hid.writes[1][0], 0x11);
  EXPECT_EQ(fake_hid.writes[1][1], 0x10);
  EXPECT_EQ(memcmp(fake_hid.writes[1] + 2, fake_hid.writes[0] + 2, kReportBufferSize - 2), 0);
  // Bytes 2-6 still carry the write's space, filler, offset, size and value.
  const uint8_t write_tail[] = {0xA6, 0xFF, 0xF0, 0x00, 0x55};
  EXPECT_EQ(memcmp(fake_hid.writes[1] + 2, write_tail, sizeof write_tail), 0);
}

TEST_F(OutputReportsTest, ShortWriteAfterALongOneClearsTheOldData) {
  write_register_bytes(0xA6, 17, 0x00, kSixteenData);
  write_register_bytes(0xA6, 3, 0x00, kSixteenData);
  ASSERT_EQ(fake_hid.write_count, 2);
  const uint8_t expected[] = {0x16, 0x04, 0xA6, 0xFF, 0x00, 0x02, 0x61, 0x62, 0x00, 0x00, 0x00,
                              0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(memcmp(fake_hid.writes[1], expected, sizeof expected), 0);
}

// Counts that would overrun the 16-byte data field, and null data with bytes
// to copy, send nothing and leave the buffer alone.
class RefusedWriteTest : public OutputReportsTest, public ::testing::WithParamInterface<int> {};

TEST_P(RefusedWriteTest, SendsNothingAndLeavesTheBuffer) {
  const uint8_t count = static_cast<uint8_t>(GetParam());
  EXPECT_EQ(write_register_bytes(0xA6, count, 0x00, kSixteenData), kWriteRefused);
  EXPECT_EQ(fake_hid.write_count, 0);
  EXPECT_EQ(memcmp(remote_link.output, before_, sizeof before_), 0);
}

INSTANTIATE_TEST_SUITE_P(CountsOutside1To17, RefusedWriteTest, ::testing::Values(0, 18, 255));

TEST_F(OutputReportsTest, NullDataWithBytesToCopyIsRefused) {
  EXPECT_EQ(write_register_bytes(0xA6, 2, 0x00, nullptr), kWriteRefused);
  EXPECT_EQ(fake_hid.write_count, 0);
  EXPECT_EQ(memcmp(remote_link.output, before_, sizeof before_), 0);
}

}  // namespace
