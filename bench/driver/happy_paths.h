// The tools' happy paths against the simulated remote, and the waits each
// one is required to make: what a user cannot be spared.
#pragma once

#include <map>
#include <string>

#include "common/world_file.h"
#include "tests/support/launch.h"

// Required waits that the driver also finds in a run's timeline.
constexpr double kProbeWaitMs = 1000;
constexpr double kInitSettleMs = 200;

struct HappyPath {
  std::string tool;  // "corvanth" or "plimsett"
  RemoteStart world;
  double mandated_waits_ms;
  std::string mandated_waits_text;  // how the sum is made up
  std::string prompt;               // UTF-8: the key prompt that ends the run
  std::string success;              // UTF-8: printed only on the happy path
};

const HappyPath &corvanth_path(void);
const HappyPath &plimsett_path(void);

// Where and how the tools run.
struct RunPlace {
  bool under_wine = false;
  std::string bin_dir;  // the host build's bin, or the Windows build's
  std::string wine_program;
  std::string wine_prefix;  // a prefix of the benchmark's own
  std::string scratch_dir;  // world files go here
};

struct HappyRun {
  LaunchResult launch;
  bool happy = false;  // exit code 0, the prompt and the success text seen
};

// One run from a fresh world. `extra_env` adds to the tool's environment
// (the preloaded probes).
HappyRun run_happy_path(const HappyPath &path, const RunPlace &place,
                        const std::map<std::string, std::string> &extra_env = {});
