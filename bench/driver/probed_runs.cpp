// Happy-path runs under a preloaded probe; the probe writes its figures to a
// file at the tool's exit.
#include "driver/probed_runs.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "common/key_values.h"
#include "driver/whole_runs.h"

namespace {

constexpr const char *kSiteKey = "heap_system_site ";
constexpr double kMicrosecondsPerMillisecond = 1000;
constexpr double kNanosecondsPerMillisecond = 1e6;

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// One probed run; empty report text when the run was not a happy one.
std::string probed_run(const HappyPath &path, const RunPlace &host, const std::string &library,
                       const std::string &report_variable, HappyRun *run) {
  const std::string report = host.scratch_dir + "/" + path.tool + "-probe.txt";
  std::remove(report.c_str());
  *run = run_happy_path(path, host, {{"LD_PRELOAD", library}, {report_variable, report}});
  return run->happy ? read_file(report) : "";
}

// Every figure the plimsett probe writes.
const char *const kPlimsettProbeKeys[] = {
    "busy_waits",    "busy_wait_cpu_us",    "reader_end_waits",
    "main_sleeps",   "busy_wait_start_ns",  "busy_wait_end_ns",
    "reader_end_ns", "main_sleep_start_ns", "main_sleep_end_ns"};

template <size_t N>
bool has_all(const std::map<std::string, double> &figures, const char *const (&keys)[N]) {
  for (const char *key : keys) {
    if (figures.count(key) == 0) return false;
  }
  return true;
}

// The probe's moments are on CLOCK_MONOTONIC, as is the launch's start.
PlimsettTimeline timeline_of(const LaunchResult &launch, const std::map<std::string, double> &f) {
  const double busy_start = f.at("busy_wait_start_ns") / kNanosecondsPerMillisecond;
  const double busy_end = f.at("busy_wait_end_ns") / kNanosecondsPerMillisecond;
  const double reader_end = f.at("reader_end_ns") / kNanosecondsPerMillisecond;
  const double sleep_start = f.at("main_sleep_start_ns") / kNanosecondsPerMillisecond;
  const double sleep_end = f.at("main_sleep_end_ns") / kNanosecondsPerMillisecond;
  const double prompt = launch.started_at_ms + launch.to_watched_ms;
  return {busy_start - launch.started_at_ms,
          busy_end - busy_start - kProbeWaitMs,
          reader_end - busy_end,
          sleep_start - reader_end,
          sleep_end - sleep_start - kInitSettleMs,
          prompt - sleep_end};
}

}  // namespace

double PlimsettTimeline::overhead() const {
  return to_probe + probe_overshoot + to_reader_end + identify_and_init + sleep_overshoot +
         dump_to_prompt;
}

HeapCounts count_heap_blocks(const HappyPath &path, const RunPlace &host,
                             const std::string &probe_library) {
  HeapCounts heap;
  HappyRun run;
  const std::string text = probed_run(path, host, probe_library, "BENCH_HEAP_REPORT", &run);
  if (!run.happy) {
    heap.note = path.tool + " with the heap probe failed: " + failure_summary(run);
    return heap;
  }
  heap.counts = parse_key_values(text);
  if (heap.counts.count("heap_before_main") == 0) {
    heap.note = path.tool + ": the heap probe wrote no report";
    return heap;
  }
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.compare(0, std::string(kSiteKey).size(), kSiteKey) == 0) {
      heap.system_sites.push_back(line.substr(std::string(kSiteKey).size()));
    }
  }
  heap.available = true;
  return heap;
}

PlimsettProbeRuns probe_plimsett(const HappyPath &path, const RunPlace &host,
                                 const std::string &probe_library, int runs) {
  PlimsettProbeRuns probed;
  for (int i = 0; i < runs; ++i) {
    HappyRun run;
    const std::string text =
        probed_run(path, host, probe_library, "BENCH_PLIMSETT_PROBE_REPORT", &run);
    if (!run.happy) {
      probed.note = path.tool + " with its probe failed: " + failure_summary(run);
      return probed;
    }
    const std::map<std::string, double> figures = parse_key_values(text);
    // On the happy path: one busy-wait (the probe's), one wait for its reader
    // and one Sleep (after the initialisation write) on the main thread.
    if (!has_all(figures, kPlimsettProbeKeys) || figures.at("busy_waits") != 1 ||
        figures.at("reader_end_waits") != 1 || figures.at("main_sleeps") != 1) {
      probed.note = path.tool +
                    ": its probe did not see one busy-wait, one wait for the reader and one Sleep";
      return probed;
    }
    const double busy_ms = figures.at("busy_wait_cpu_us") / kMicrosecondsPerMillisecond;
    probed.cpu_ms.push_back(run.launch.cpu_ms);
    probed.busy_wait_cpu_ms.push_back(busy_ms);
    probed.outside_ms.push_back(run.launch.cpu_ms - busy_ms);
    probed.timelines.push_back(timeline_of(run.launch, figures));
  }
  probed.available = true;
  return probed;
}
