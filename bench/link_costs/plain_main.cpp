// Per-call cost of the link's operations where Google Benchmark is not at
// hand (the Windows build, run under Wine): each case is timed in batches
// long enough for the clock, and the median batch is printed as
// "key nanoseconds", the same lines as the host's benchmark.
#include <stdio.h>
#include <string.h>

#include <chrono>
#include <vector>

#include "common/key_values.h"
#include "common/stats.h"
#include "link_costs/link_cases.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBatches = 5;
// A batch lasts at least this long, so the clock's resolution does not matter.
constexpr double kMinBatchNs = 50e6;
constexpr long kFirstBatchSize = 16;
// With this argument the program only says it started: the driver times
// that to learn what starting a program costs under Wine.
constexpr const char *kStartOnly = "--start-only";

double batch_ns(const LinkCase &link_case, long calls) {
  const Clock::time_point start = Clock::now();
  for (long i = 0; i < calls; ++i) link_case.run_once();
  return std::chrono::duration<double, std::nano>(Clock::now() - start).count();
}

double ns_per_call(const LinkCase &link_case) {
  link_case.prepare();
  long calls = kFirstBatchSize;
  while (batch_ns(link_case, calls) < kMinBatchNs) calls *= 2;
  std::vector<double> per_call;
  for (int batch = 0; batch < kBatches; ++batch) {
    per_call.push_back(batch_ns(link_case, calls) / static_cast<double>(calls));
  }
  return median_of(per_call);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc > 1 && strcmp(argv[1], kStartOnly) == 0) {
    printf("started\n");
    return 0;
  }
  for (int i = 0; i < kLinkCaseCount; ++i) {
    print_key_value(kLinkCases[i].key, ns_per_call(kLinkCases[i]));
  }
  return 0;
}
