// Per-call cost of the link's operations on the host, with Google Benchmark.
// Prints two lines per case, medians of the repetitions: "key nanoseconds"
// of wall time, and "cpu_key nanoseconds" of the calling thread's processor
// time (they differ where the call waits for another thread).
#include <benchmark/benchmark.h>

#include "common/key_values.h"
#include "link_costs/link_cases.h"

namespace {

constexpr int kRepetitions = 5;

void run_case(benchmark::State &state, const LinkCase *link_case) {
  link_case->prepare();
  for (auto _ : state) link_case->run_once();
}

// Only the medians, in the driver's line format.
class MedianLines : public benchmark::BenchmarkReporter {
 public:
  bool ReportContext(const Context &) override { return true; }
  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &run : runs) {
      if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") continue;
      print_key_value(run.run_name.function_name, run.GetAdjustedRealTime());
      print_key_value("cpu_" + run.run_name.function_name, run.GetAdjustedCPUTime());
    }
  }
};

}  // namespace

int main(int argc, char **argv) {
  for (int i = 0; i < kLinkCaseCount; ++i) {
    // Real time: the register read waits on another thread, so the caller's
    // processor time would hide most of it.
    benchmark::RegisterBenchmark(kLinkCases[i].key, run_case, &kLinkCases[i])
        ->Unit(benchmark::kNanosecond)
        ->UseRealTime()
        ->Repetitions(kRepetitions)
        ->ReportAggregatesOnly(true);
  }
  benchmark::Initialize(&argc, argv);
  MedianLines lines;
  benchmark::RunSpecifiedBenchmarks(&lines);
  benchmark::Shutdown();
  return 0;
}
