// Whether and how the Windows build runs under Wine here.
#pragma once

#include <string>

#include "driver/happy_paths.h"

struct WinePlace {
  std::string wine;          // the wine program, empty when not installed
  std::string prefix;        // the benchmark's own prefix
  bool tools_ready = false;  // the tools and the simulated world's DLLs are built
  std::string note;          // why the tools cannot run, when they cannot
};

WinePlace find_wine(const std::string &windows_bin, const std::string &prefix);

// Creates the prefix when it is new and starts Wine's server, so the timed
// runs do not pay for either. False, with a note, when Wine does not start.
bool warm_up_wine(const WinePlace &wine, std::string *note);
