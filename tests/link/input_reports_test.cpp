// The parser of input reports: which fields each report id updates, the IR
// coordinates' high bits, and the extension bytes decoded in place.
#include <gtest/gtest.h>
#include <string.h>

#include "tests/link/case_name.h"
#include "tests/link/fake_hid.h"

namespace {

struct Fields {
  uint8_t buttons1, buttons2, accel_x, accel_y, accel_z;
  int32_t ir1_x, ir1_y, ir2_x, ir2_y;
};

// Values no report below produces, so a field that is written shows.
constexpr Fields kUntouched = {0xB1, 0xB2, 0xC1, 0xC2, 0xC3, 0x7001, 0x7002, 0x7003, 0x7004};

// Bytes 1-21 of every report below: buttons 12 34, accelerometer 80 81 9A,
// spot 1 at (0x1A3, 0x17F), spot 2 at (0x3FF, 0x2C0), four filler bytes,
// extension bytes.
constexpr uint8_t kBody[21] = {0x12, 0x34, 0x80, 0x81, 0x9A, 0xA3, 0x7F, 0x53, 0xFF, 0xC0, 0xB0,
                               0x11, 0x22, 0x33, 0x44, 0x00, 0xFF, 0x17, 0x2E, 0xE9, 0xFE};
constexpr uint8_t kExtRaw[6] = {0x00, 0xFF, 0x17, 0x2E, 0xE9, 0xFE};
constexpr uint8_t kExtDecoded[6] = {0x2E, 0xFF, 0x17, 0x50, 0x15, 0x00};

constexpr uint8_t kButtons[2] = {0x12, 0x34};
constexpr uint8_t kAccel[3] = {0x80, 0x81, 0x9A};
constexpr int32_t kIr[4] = {0x1A3, 0x17F, 0x3FF, 0x2C0};

struct ParserCase {
  const char *name;
  uint8_t id;
  bool buttons, accel, ir, ext;
};

const ParserCase kParserCases[] = {
    {"status_0x20", 0x20, false, false, false, false},
    {"read_reply_0x21", 0x21, false, false, false, false},
    {"ack_0x22", 0x22, false, false, false, false},
    {"not_data_0x40", 0x40, false, false, false, false},
    {"buttons_0x30", 0x30, true, false, false, false},
    {"accel_0x31", 0x31, true, true, false, false},
    {"ir_bit_0x32", 0x32, true, false, true, false},
    {"accel_ir_0x33", 0x33, true, true, true, false},
    {"accel_ext_0x35", 0x35, true, true, false, true},
    {"accel_ir_ext_0x37", 0x37, true, true, true, true},
    {"bit3_ignored_0x3F", 0x3F, true, true, true, true},
};

void set_fields(const Fields &f) {
  RemoteState &s = remote_link.state;
  s.buttons1 = f.buttons1;
  s.buttons2 = f.buttons2;
  s.accel_x.store(f.accel_x);
  s.accel_y = f.accel_y;
  s.accel_z = f.accel_z;
  s.ir1_x = f.ir1_x;
  s.ir1_y = f.ir1_y;
  s.ir2_x = f.ir2_x;
  s.ir2_y = f.ir2_y;
}

void expect_fields(const Fields &f) {
  const RemoteState &s = remote_link.state;
  EXPECT_EQ(s.buttons1, f.buttons1);
  EXPECT_EQ(s.buttons2, f.buttons2);
  EXPECT_EQ(s.accel_x.load(), f.accel_x);
  EXPECT_EQ(s.accel_y, f.accel_y);
  EXPECT_EQ(s.accel_z, f.accel_z);
  EXPECT_EQ(s.ir1_x, f.ir1_x);
  EXPECT_EQ(s.ir1_y, f.ir1_y);
  EXPECT_EQ(s.ir2_x, f.ir2_x);
  EXPECT_EQ(s.ir2_y, f.ir2_y);
}

void queue_report(uint8_t id) {
  uint8_t *report = fake_hid.inputs[fake_hid.input_count++];
  report[0] = id;
  memcpy(report + 1, kBody, sizeof kBody);
}

class InputReportsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    memset(static_cast<void *>(&remote_link), 0, sizeof remote_link);
    fake_hid_reset();
    set_fields(kUntouched);
  }
};

class ParserTableTest : public InputReportsTest,
                        public ::testing::WithParamInterface<ParserCase> {};

TEST_P(ParserTableTest, UpdatesExactlyTheFieldsOfItsId) {
  const ParserCase &c = GetParam();
  queue_report(c.id);
  parse_input_report();

  Fields expected = kUntouched;
  if (c.buttons) {
    expected.buttons1 = kButtons[0];
    expected.buttons2 = kButtons[1];
  }
  if (c.accel) {
    expected.accel_x = kAccel[0];
    expected.accel_y = kAccel[1];
    expected.accel_z = kAccel[2];
  }
  if (c.ir) {
    expected.ir1_x = kIr[0];
    expected.ir1_y = kIr[1];
    expected.ir2_x = kIr[2];
    expected.ir2_y = kIr[3];
  }
  expect_fields(expected);
  const uint8_t *ext = c.ext ? kExtDecoded : kExtRaw;
  EXPECT_EQ(memcmp(remote_link.input + 16, ext, 6), 0);
  // The rest of the report is left as read.
  EXPECT_EQ(remote_link.input[0], c.id);
  EXPECT_EQ(memcmp(remote_link.input + 1, kBody, 15), 0);
}

INSTANTIATE_TEST_SUITE_P(ReportIds, ParserTableTest, ::testing::ValuesIn(kParserCases), CaseName());

TEST_F(InputReportsTest, AFailedReadParsesNothingAndDecodesNothingTwice) {
  // Whatever the library answers for a read that brought nothing.
  for (int32_t result : {0, 1, -1}) {
    fake_hid_reset();
    fake_hid.empty_read_result = result;
    queue_report(0x37);
    parse_input_report();
    set_fields(kUntouched);
    parse_input_report();  // the script is used up: this read brings nothing
    EXPECT_EQ(fake_hid.read_calls, 2);
    expect_fields(kUntouched);
    EXPECT_EQ(memcmp(remote_link.input + 16, kExtDecoded, 6), 0) << "result " << result;
  }
}

TEST_F(InputReportsTest, ReadsIntoTheInputBufferWithTheLinksHandle) {
  remote_link.handle = 3;
  queue_report(0x31);
  memset(remote_link.input + kReportSize, 0xEE, kReportBufferSize - kReportSize);
  parse_input_report();
  EXPECT_EQ(fake_hid.read_handle, 3);
  EXPECT_EQ(remote_link.read_count, static_cast<uint32_t>(kReportSize));
  for (int i = kReportSize; i < kReportBufferSize; ++i) EXPECT_EQ(remote_link.input[i], 0xEE);
}

}  // namespace
