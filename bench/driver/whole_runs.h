// Repeated timed runs of a tool's happy path, uninstrumented.
#pragma once

#include <string>
#include <vector>

#include "driver/happy_paths.h"

struct WholeRuns {
  bool available = false;
  std::string note;  // why there are no figures
  std::vector<double> to_prompt_ms;
  std::vector<double> cpu_ms;
  std::vector<double> peak_rss_kib;
};

// Every run must be a happy one; otherwise there are no figures and the
// note says what went wrong.
WholeRuns time_happy_path(const HappyPath &path, const RunPlace &place, int runs);

// The last lines of a failed run's output, for notes.
std::string failure_summary(const HappyRun &run);
