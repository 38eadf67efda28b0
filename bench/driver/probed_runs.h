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

// plimsett's run from its start to the key prompt, in the order things
// happen (ms). The parts add up to the overhead over the required waits.
struct PlimsettTimeline {
  double to_probe;           // process start, banner, opening, mode, reader start
  double probe_overshoot;    // the busy-wait past its 1000 ms
  double to_reader_end;      // the LED report and the wait for the probe's reader to end
  double identify_and_init;  // identity read and initialisation write
  double sleep_overshoot;    // Sleep(200) past its length
  double dump_to_prompt;     // 16 register reads and their rows, mode, close, prompt
  double overhead() const;
};

// plimsett's busy-wait, and where its overhead goes.
struct PlimsettProbeRuns {
  bool available = false;
  std::string note;
  std::vector<double> cpu_ms;            // the whole process
  std::vector<double> busy_wait_cpu_ms;  // the busy-wait's thread while it waited
  std::vector<double> outside_ms;        // the difference, run by run
  std::vector<PlimsettTimeline> timelines;
};

PlimsettProbeRuns probe_plimsett(const HappyPath &path, const RunPlace &host,
                                 const std::string &probe_library, int runs);
