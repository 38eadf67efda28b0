#include "tests/hid/test_runner.h"

#include <cstdio>

namespace {

int failures_in_case = 0;
const char *current_row = nullptr;

}  // namespace

void record_failure(const char *file, int line, const char *message) {
  ++failures_in_case;
  if (current_row) {
    std::printf("%s:%d: [row \"%s\"] %s\n", file, line, current_row, message);
  } else {
    std::printf("%s:%d: %s\n", file, line, message);
  }
}

void check_equal(const char *file, int line, const char *expression, int64_t actual,
                 int64_t expected) {
  if (actual == expected) return;
  char message[256];
  std::snprintf(message, sizeof message, "%s is %lld, expected %lld", expression,
                static_cast<long long>(actual), static_cast<long long>(expected));
  record_failure(file, line, message);
}

void set_row(const char *row_name) { current_row = row_name; }

int run_suites(const TestSuite *suites, int suite_count) {
  int failed_cases = 0;
  int run_cases = 0;
  for (int s = 0; s < suite_count; ++s) {
    for (int c = 0; c < suites[s].count; ++c) {
      const TestCase &test = suites[s].cases[c];
      failures_in_case = 0;
      current_row = nullptr;
      std::printf("[ RUN  ] %s\n", test.name);
      std::fflush(stdout);
      before_each_case();
      test.run();
      current_row = nullptr;
      after_each_case();
      ++run_cases;
      if (failures_in_case > 0) ++failed_cases;
      std::printf("[ %s ] %s\n", failures_in_case > 0 ? "FAIL" : " OK ", test.name);
      std::fflush(stdout);
    }
  }
  std::printf("%d of %d cases failed\n", failed_cases, run_cases);
  return failed_cases;
}
