// The helper programs hand their figures to the driver as text lines
// "key value", one figure a line: easy to read in a terminal and to parse.
#pragma once

#include <map>
#include <string>

void print_key_value(const std::string &key, double value);
// Lines that are not "key number" are skipped (a helper may print notes).
std::map<std::string, double> parse_key_values(const std::string &text);
