// The HID library's unit tests: the library against the fake system and devices.
#include "tests/hid/hid_test_support.h"
#include "tests/hid/test_runner.h"

extern const TestSuite kOpenCloseSuite;
extern const TestSuite kReadSuite;
extern const TestSuite kWriteSuite;

void before_each_case() { fake_reset(); }

void after_each_case() {
  close_all_and_check_clean();
  win = real_win_calls();
}

int main() {
  const TestSuite suites[] = {kOpenCloseSuite, kReadSuite, kWriteSuite};
  return run_suites(suites, COUNT_OF(suites)) == 0 ? 0 : 1;
}
