// The probe's decision latency in two situations:
// - ready: the tools' order. The mode is set, so the first accelerometer
//   report is due at once, then the probe starts its reader.
// - running: the reader is already passing over reports without an
//   accelerometer (mode 0x30, continuous) when the mode changes at a moment
//   of no relation to its pauses. It handles one report per 100 ms, so this
//   shows the pause's share.
// A second thread runs probe_remote; this one looks at accel_x every 50 us
// and sleeps in between, so it takes no processor from the reader (on two
// cores a spinning watcher would delay the very thread it times).
#include "timing/probe_latency.h"

#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/key_values.h"
#include "common/stats.h"
#include "link/remote_link.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSamples = 10;
// The mode changes within the probe's second, away from its ends.
constexpr int kEarliestChangeMs = 150;
constexpr int kLatestChangeMs = 850;
// A fixed seed: the same moments on every run of the benchmark.
constexpr unsigned kChangeSeed = 20090621;
constexpr auto kLookInterval = std::chrono::microseconds(50);

enum class ReportStart { ready, running };

double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Milliseconds until accel_x is non-zero; negative when it never was during
// the probe.
double one_probe(ReportStart start, int change_after_ms) {
  remote_link.handle = OpenHidHandle(HID_VENDOR_ID, HID_PRODUCT_ID);
  if (remote_link.handle == kNoHidHandle) return -1;
  if (start == ReportStart::running) set_report_mode(kModeContinuous, kReportButtons);
  if (start == ReportStart::ready) report_buttons_accel();
  remote_link.state.accel_x.store(0);
  Clock::time_point due = Clock::now();
  std::thread prober([] { probe_remote(ProbeWait::sleep); });
  if (start == ReportStart::running) {
    std::this_thread::sleep_for(std::chrono::milliseconds(change_after_ms));
    report_buttons_accel();
    due = Clock::now();
  }
  double latency_ms = -1;
  while (ms_since(due) < kProbeWaitMs) {
    if (remote_link.state.accel_x.load() != 0) {
      latency_ms = ms_since(due);
      break;
    }
    std::this_thread::sleep_for(kLookInterval);
  }
  prober.join();
  end_reader(kReaderEndTimeoutMs);
  CloseHidHandle(remote_link.handle);
  return latency_ms;
}

void report(const std::string &name, ReportStart start) {
  std::mt19937 moments(kChangeSeed);
  std::uniform_int_distribution<int> change_after_ms(kEarliestChangeMs, kLatestChangeMs);
  std::vector<double> latencies;
  int missed = 0;
  for (int i = 0; i < kSamples; ++i) {
    const double latency = one_probe(start, change_after_ms(moments));
    if (latency < 0) {
      ++missed;
    } else {
      latencies.push_back(latency);
    }
  }
  const std::string key = "probe_latency_" + name + "_ms_";
  print_key_value(key + "median", median_of(latencies));
  print_key_value(key + "max", max_of(latencies));
  print_key_value(key + "missed", missed);
  print_key_value(key + "samples", kSamples);
}

}  // namespace

void measure_probe_latency(void) {
  report("ready", ReportStart::ready);
  report("running", ReportStart::running);
}
