// Preloaded into plimsett's process (with busy_wait_cpu.cpp,
// reader_end_wait.cpp and main_sleep_overshoot.cpp): at exit, writes the
// busy-wait's processor time, the wait for the probe's reader and the main
// thread's Sleep overshoot to the file named by BENCH_PLIMSETT_PROBE_REPORT.
#include "preload/busy_wait_cpu.h"
#include "preload/main_sleep_overshoot.h"
#include "preload/preload_report.h"
#include "preload/reader_end_wait.h"

namespace {

constexpr const char *kReportVariable = "BENCH_PLIMSETT_PROBE_REPORT";
constexpr size_t kReportSize = 512;

__attribute__((destructor)) void write_totals(void) {
  const BusyWaitTotals busy = busy_wait_totals();
  const ReaderEndTotals reader = reader_end_totals();
  const SleepTotals sleep = main_sleep_totals();
  char report[kReportSize] = "";
  report_append(report, sizeof report, "busy_waits", busy.waits);
  report_append(report, sizeof report, "busy_wait_cpu_us", busy.cpu_us);
  report_append(report, sizeof report, "busy_wait_wall_us", busy.wall_us);
  report_append(report, sizeof report, "reader_end_waits", reader.waits);
  report_append(report, sizeof report, "reader_end_wait_us", reader.wall_us);
  report_append(report, sizeof report, "main_sleeps", sleep.sleeps);
  report_append(report, sizeof report, "main_sleep_overshoot_us", sleep.overshoot_us);
  // Moments on CLOCK_MONOTONIC, for the driver's timeline of the run.
  report_append(report, sizeof report, "busy_wait_start_ns", busy.last_start_ns);
  report_append(report, sizeof report, "busy_wait_end_ns", busy.last_end_ns);
  report_append(report, sizeof report, "reader_end_ns", reader.last_end_ns);
  report_append(report, sizeof report, "main_sleep_start_ns", sleep.last_start_ns);
  report_append(report, sizeof report, "main_sleep_end_ns", sleep.last_end_ns);
  report_write(kReportVariable, report);
}

}  // namespace
