// The table's sections, made from the measured results.
#pragma once

#include <string>
#include <vector>

#include "driver/results.h"
#include "driver/table.h"

std::vector<Row> overhead_rows(const Results &results);
std::vector<Row> cpu_rows(const Results &results);
std::vector<Row> timing_rows(const Results &results);
std::vector<Row> link_cost_rows(const Results &results);
std::vector<Row> footprint_rows(const Results &results);

// Notes below the table: whatever could not be measured, and why.
std::vector<std::string> result_notes(const Results &results);
