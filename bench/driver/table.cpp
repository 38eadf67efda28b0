// Markdown table of the benchmark's rows.
#include "driver/table.h"

#include <stdio.h>

namespace {

const char *mark_text(Mark mark) {
  switch (mark) {
    case Mark::ok:
      return "ok";
    case Mark::over:
      return "**OVER**";
    case Mark::none:
      break;
  }
  return "";
}

}  // namespace

void print_table(const std::vector<Row> &rows) {
  printf("| Section | Measure | Host | Windows build under Wine | Target | Met |\n");
  printf("|---|---|---:|---:|---|---|\n");
  std::string last_section;
  for (const Row &row : rows) {
    // The section is named once, at its first row.
    const std::string section = row.section == last_section ? "" : row.section;
    last_section = row.section;
    printf("| %s | %s | %s | %s | %s | %s |\n", section.c_str(), row.measure.c_str(),
           row.host.c_str(), row.wine.c_str(), row.target.c_str(), mark_text(row.mark));
  }
}

std::string fixed(double value, int decimals) {
  char text[64];
  snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string triple(double a, double b, double c, int decimals) {
  return fixed(a, decimals) + " / " + fixed(b, decimals) + " / " + fixed(c, decimals);
}

Mark judge_below(double value, double limit) { return value < limit ? Mark::ok : Mark::over; }
