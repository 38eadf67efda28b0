// The benchmark's helper programs (link costs, timing precision) run in
// their own processes and print "key value" lines.
#pragma once

#include <map>
#include <string>
#include <vector>

struct HelperFigures {
  bool available = false;
  std::string note;
  std::map<std::string, double> figures;
};

HelperFigures run_helper(const std::vector<std::string> &argv,
                         const std::map<std::string, std::string> &env, double timeout_s);

// "n/a" when the figure is missing.
std::string figure_text(const HelperFigures &helper, const std::string &key, int decimals);
