// The benchmark's one table, printed as Markdown so it can go straight into
// docs/benchmarks.md.
#pragma once

#include <string>
#include <vector>

// A figure and whether it met its target.
enum class Mark { none, ok, over };

struct Row {
  std::string section;
  std::string measure;
  std::string host;  // "-" where the host build has no such figure
  std::string wine;  // the Windows build under Wine; "not available" when it could not run
  std::string target;
  Mark mark = Mark::none;  // judged on the host figure
};

void print_table(const std::vector<Row> &rows);

// Formatting shared by the rows.
std::string fixed(double value, int decimals);
// "a / b / c" of three figures with the same decimals.
std::string triple(double a, double b, double c, int decimals);
Mark judge_below(double value, double limit);
