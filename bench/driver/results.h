// Everything the driver measured, before it becomes rows.
#pragma once

#include <string>
#include <vector>

#include "driver/happy_paths.h"
#include "driver/helper_programs.h"
#include "driver/probed_runs.h"
#include "driver/whole_runs.h"

struct ToolResults {
  const HappyPath *path = nullptr;
  WholeRuns host;
  WholeRuns wine;
  HeapCounts heap;
};

struct Results {
  int runs = 0;
  ToolResults corvanth;
  ToolResults plimsett;
  PlimsettProbeRuns plimsett_probed;
  HelperFigures host_link_costs;
  HelperFigures wine_link_costs;
  HelperFigures timing;
  std::string windows_bin;                  // the Windows build's bin folder
  std::string wine_note;                    // why the tools did not run under Wine, if they did not
  std::vector<double> wine_empty_start_ms;  // a program that does nothing, under Wine
};
