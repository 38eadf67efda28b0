// "key value" lines between the helper programs and the driver.
#include "common/key_values.h"

#include <stdio.h>
#include <stdlib.h>

#include <sstream>

void print_key_value(const std::string &key, double value) {
  printf("%s %.6f\n", key.c_str(), value);
  fflush(stdout);
}

std::map<std::string, double> parse_key_values(const std::string &text) {
  std::map<std::string, double> figures;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t blank = line.find(' ');
    if (blank == std::string::npos || blank == 0) continue;
    const std::string number = line.substr(blank + 1);
    char *end = nullptr;
    const double value = strtod(number.c_str(), &end);
    if (end == number.c_str() || *end != '\0') continue;
    figures[line.substr(0, blank)] = value;
  }
  return figures;
}
