// Findings of the link's fuzz target, kept as cases: a report shorter than
// 22 bytes carries only its own bytes, never those of the report before it.
#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "link/remote_link.h"
#include "tests/fuzz/stream_hid.h"

namespace {

// One report of the stream: only `length` of its bytes arrive.
void add_report(std::vector<uint8_t> *stream, std::vector<uint8_t> bytes, uint8_t length) {
  bytes.resize(kReportSize, 0x00);
  stream->push_back(length);
  stream->push_back(0x00);  // ReadReport returns 1 with the count it wrote
  stream->insert(stream->end(), bytes.begin(), bytes.begin() + length);
}

class ShortReports : public testing::Test {
 protected:
  void SetUp() override {
    remote_link.handle = 1;
    remote_link.state.buttons1 = remote_link.state.buttons2 = 0;
    remote_link.state.accel_x.store(0);
    remote_link.state.accel_y = remote_link.state.accel_z = 0;
  }
  void serve() { stream_hid_start({stream_.data(), stream_.size()}); }
  std::vector<uint8_t> stream_;
};

TEST_F(ShortReports, AShortReadReplyGivesZerosPastItsEndNotThePreviousRow) {
  std::vector<uint8_t> full = {0x21, 0, 0, 0xF0, 0x00, 0x20};
  for (int i = 0; i < kRegisterBlockSize; ++i) full.push_back(static_cast<uint8_t>(0xC0 + i));
  add_report(&stream_, full, kReportSize);
  add_report(&stream_, {0x21, 0, 0, 0x30, 0x00, 0x30, 0x11, 0x22, 0x33, 0x44}, 10);
  serve();

  ASSERT_EQ(read_motionplus_block(0x20), 1);
  ASSERT_EQ(read_motionplus_block(0x30), 1);
  const uint8_t expected[kRegisterBlockSize] = {0x11, 0x22, 0x33, 0x44};
  EXPECT_EQ(memcmp(remote_link.register_block, expected, sizeof expected), 0);
}

TEST_F(ShortReports, AShortDataReportTakesNoAccelerometerOrExtensionBytesFromTheOneBefore) {
  std::vector<uint8_t> full = {0x37, 0x01, 0x02, 0x81, 0x82, 0x9A};
  full.resize(kReportSize, 0x5A);
  add_report(&stream_, full, kReportSize);
  add_report(&stream_, {0x37, 0x04, 0x08}, 3);
  serve();

  parse_input_report();
  parse_input_report();
  EXPECT_EQ(remote_link.state.buttons1, 0x04);
  EXPECT_EQ(remote_link.state.accel_x.load(), 0x00);
  EXPECT_EQ(remote_link.state.accel_y, 0x00);
  // An extension byte that never arrived reads as a padded 0x00, decoded.
  for (int i = kDataExtOffset; i < kDataExtOffset + kDataExtSize; ++i) {
    EXPECT_EQ(remote_link.input[i], 0x2E) << "byte " << i;
  }
}

}  // namespace
