// wait_ms against a scripted high-resolution counter: how many readings it
// takes and when it leaves. This program's counter replaces the platform's.
#include <gtest/gtest.h>

#include <vector>

#include "link/remote_link.h"
#include "tests/link/case_name.h"

namespace {

LONGLONG fake_frequency;
std::vector<LONGLONG> fake_readings;
size_t readings_taken;
bool script_overrun;

}  // namespace

extern "C" BOOL QueryPerformanceFrequency(LARGE_INTEGER *frequency) {
  frequency->QuadPart = fake_frequency;
  return TRUE;
}

extern "C" BOOL QueryPerformanceCounter(LARGE_INTEGER *count) {
  if (readings_taken == fake_readings.size()) {
    // Leave any wait, but fail the test.
    script_overrun = true;
    count->QuadPart = fake_readings.back() + 1000 * fake_frequency;
    return TRUE;
  }
  count->QuadPart = fake_readings[readings_taken++];
  return TRUE;
}

namespace {

struct WaitCase {
  const char *name;
  int32_t ms;
  LONGLONG frequency;
  std::vector<LONGLONG> readings;  // the first is the start value
  size_t expected_readings;
};

const WaitCase kWaitCases[] = {
    // Zero: leaves at the first reading past the start, however small.
    {"zero_waits_for_one_tick", 0, 10000000, {5000, 5000, 5000, 5001, 9999}, 4},
    // Negative: leaves after the first reading even though nothing moved.
    {"negative_leaves_at_first_reading", -5, 10000000, {5000, 5000, 9999}, 2},
    {"minus_one", -1, 10000000, {0, 0, 9999}, 2},
    // Strictly greater: exactly 2 ms is not enough.
    {"two_ms_needs_more_than_two", 2, 1000, {100, 101, 102, 103, 200}, 4},
    {"large_start_value", 1, 10000000, {1LL << 40, (1LL << 40) + 10000, (1LL << 40) + 10001, 0}, 3},
};

class WaitMsTest : public ::testing::TestWithParam<WaitCase> {};

TEST_P(WaitMsTest, LeavesAtTheFirstReadingPastTheWait) {
  fake_frequency = GetParam().frequency;
  fake_readings = GetParam().readings;
  readings_taken = 0;
  script_overrun = false;
  wait_ms(GetParam().ms);
  EXPECT_FALSE(script_overrun);
  EXPECT_EQ(readings_taken, GetParam().expected_readings);
}

INSTANTIATE_TEST_SUITE_P(Waits, WaitMsTest, ::testing::ValuesIn(kWaitCases), CaseName());

}  // namespace
