// Summaries of repeated measurements.
#pragma once

#include <vector>

// Each of these takes an empty list to 0, so a missing figure never crashes a
// report; callers show "n/a" when they had no samples.
double median_of(std::vector<double> values);
// Nearest-rank percentile (0-100): the smallest sample at or above that share.
double percentile_of(std::vector<double> values, double percent);
double max_of(const std::vector<double> &values);
