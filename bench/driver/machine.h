// What the figures were measured on: CPU, cores, OS, compilers, Wine.
#pragma once

#include <string>
#include <vector>

// One "name: value" line each; the load average is read now, and
// `load_at_start` is what load_average() gave before the measurements.
std::vector<std::string> machine_lines(const std::string &wine_program,
                                       const std::string &load_at_start);
// The 1, 5 and 15 minute load averages: other work on the machine shows in
// the timing figures.
std::string load_average(void);
