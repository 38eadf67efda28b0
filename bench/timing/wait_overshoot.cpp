// wait_ms overshoot: the time from the call to its return, less the
// milliseconds asked for, on the steady clock of the C++ library (not the
// counter wait_ms itself reads, so the figure includes the counter's own
// granularity).
#include "timing/wait_overshoot.h"

#include <chrono>
#include <string>
#include <vector>

#include "common/key_values.h"
#include "common/stats.h"
#include "link/remote_link.h"

namespace {

using Clock = std::chrono::steady_clock;

struct WaitLength {
  int32_t ms;
  int samples;  // enough for a 99th percentile within a few seconds each
};

constexpr WaitLength kWaitLengths[] = {{0, 2000}, {1, 1000}, {10, 300}, {100, 100}};
constexpr double kPercentile = 99;

}  // namespace

void measure_wait_overshoot(void) {
  for (const WaitLength &length : kWaitLengths) {
    std::vector<double> overshoot_us;
    for (int i = 0; i < length.samples; ++i) {
      const Clock::time_point start = Clock::now();
      wait_ms(length.ms);
      const double elapsed_us =
          std::chrono::duration<double, std::micro>(Clock::now() - start).count();
      overshoot_us.push_back(elapsed_us - length.ms * 1000.0);
    }
    const std::string key = "wait_ms_" + std::to_string(length.ms) + "_overshoot_us_";
    print_key_value(key + "median", median_of(overshoot_us));
    print_key_value(key + "p99", percentile_of(overshoot_us, kPercentile));
    print_key_value(key + "max", max_of(overshoot_us));
    print_key_value(key + "samples", length.samples);
  }
}
