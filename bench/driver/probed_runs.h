// Host runs of a tool's happy path with one of the preloaded probes: heap
// blocks by owner, and plimsett's busy-wait and wait for its reader.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "driver/happy_paths.h"

struct HeapCounts {
  bool available = false;
  std::string note;
  std::map<std::string, double> counts;   // heap_before_main, heap_after_main_<owner>
  std::vector<std::string> system_sites;  // where system code allocated, if it did
};

HeapCounts count_heap_blocks(const HappyPath &path, const RunPlace &host,
                             const std::string &probe_library);

// plimsett's busy-wait and its wait for the probe's reader to end.
struct PlimsettProbeRuns {
  bool available = false;
  std::string note;
  std::vector<double> cpu_ms;              // the whole process
  std::vector<double> busy_wait_cpu_ms;    // the busy-wait's thread while it waited
  std::vector<double> outside_ms;          // the difference, run by run
  std::vector<double> reader_end_wait_ms;  // after the probe, until its reader ended
  // The run's overhead over its required waits, and parts of it.
  std::vector<double> overhead_ms;
  std::vector<double> start_ms;            // start to the banner's first bytes
  std::vector<double> sleep_overshoot_ms;  // the main thread's Sleep past its length
  std::vector<double> rest_ms;             // the overhead less the three parts above
};

PlimsettProbeRuns probe_plimsett(const HappyPath &path, const RunPlace &host,
                                 const std::string &probe_library, int runs);
