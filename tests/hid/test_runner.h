// A minimal test runner: a table of cases, failures with file:line, non-zero exit on failure.
#pragma once

#include <cstdint>

struct TestCase {
  const char *name;
  void (*run)();
};

// A table of cases from one file.
struct TestSuite {
  const TestCase *cases;
  int count;
};

// Any thread. Records a failure of the running case; the case goes on, so a run shows every fault.
void record_failure(const char *file, int line, const char *message);

// Any thread. Records a failure when actual differs from expected, showing both.
void check_equal(const char *file, int line, const char *expression, int64_t actual,
                 int64_t expected);

// Test thread. Runs every case of every suite, each between before_each_case and
// after_each_case (which the test program provides); the number of failed cases.
int run_suites(const TestSuite *suites, int suite_count);
void before_each_case();
void after_each_case();

// Test thread. Names the table row being checked, so its failures say which row failed.
void set_row(const char *row_name);

#define CHECK(condition) \
  ((condition) ? (void)0 : record_failure(__FILE__, __LINE__, "CHECK(" #condition ") failed"))
#define CHECK_EQ(actual, expected)                                       \
  check_equal(__FILE__, __LINE__, #actual, static_cast<int64_t>(actual), \
              static_cast<int64_t>(expected))
// Ends the case when the condition fails; for steps that the rest of the case depends on.
#define REQUIRE(condition)                                                  \
  do {                                                                      \
    if (!(condition)) {                                                     \
      record_failure(__FILE__, __LINE__, "REQUIRE(" #condition ") failed"); \
      return;                                                               \
    }                                                                       \
  } while (0)

#define COUNT_OF(table) static_cast<int>(sizeof(table) / sizeof((table)[0]))
