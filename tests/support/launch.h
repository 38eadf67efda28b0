// Starts a program as a user would (for the end-to-end tests and the
// benchmark), in its own process with its own standard
// input, output and error, and times it: from the start to the moment chosen
// bytes appear on its standard output, and to its exit, with the processor
// time and peak resident memory the system accounts to it.
#pragma once

#include <map>
#include <string>
#include <vector>

struct Launch {
  std::vector<std::string> argv;           // argv[0]: a path, or a name on PATH
  std::map<std::string, std::string> env;  // set on top of the driver's environment
  std::vector<std::string> unset;          // removed from it
  std::string watch_for;                   // empty: nothing is watched
  std::string input;                       // standard input, closed after it
  double timeout_s = 120;
};

struct LaunchResult {
  bool started = false;
  bool timed_out = false;
  double started_at_ms = 0;        // CLOCK_MONOTONIC, just before the spawn
  double to_first_output_ms = -1;  // -1 when it wrote nothing
  double to_watched_ms = -1;       // -1 when the bytes never appeared
  double to_exit_ms = -1;
  double cpu_ms = 0;  // user and system time of the process and its threads
  long peak_rss_kib = 0;
  int exit_code = -1;
  std::string out;
  std::string err;
};

LaunchResult launch(const Launch &request);
