// Rows from the helper programs (timing precision, per-report cost), and the
// notes under the table.
#include <map>

#include "driver/sections.h"

namespace {

constexpr const char *kNoFigure = "-";
constexpr const char *kNotAvailable = "not available";

const int kWaitLengths[] = {0, 1, 10, 100};

struct CostRow {
  const char *key;
  const char *measure;
  bool waits_on_thread;  // wall time and the calling thread's processor time differ
};

const CostRow kCostRows[] = {
    {"parse_report_30_ns", "parse one report 0x30 (buttons)", false},
    {"parse_report_31_ns", "parse one report 0x31 (+ accelerometer)", false},
    {"parse_report_33_ns", "parse one report 0x33 (+ IR)", false},
    {"parse_report_37_ns", "parse one report 0x37 (+ IR, extension)", false},
    {"register_block_read_ns", "read one 16-byte register block: wall (calling thread's CPU)",
     true},
    {"reply_worker_thread_ns",
     "of which the reply worker thread alone (start, bounded wait, exit code, close): wall "
     "(calling thread's CPU)",
     true},
};

std::string figure(const HelperFigures &helper, const std::string &key, int decimals) {
  return helper.available ? figure_text(helper, key, decimals) : kNotAvailable;
}

std::string count_of(const HelperFigures &helper, const std::string &key) {
  return figure_text(helper, key, 0);
}

}  // namespace

std::vector<Row> timing_rows(const Results &results) {
  const std::string section = "Timing precision (host)";
  const HelperFigures &timing = results.timing;
  std::vector<Row> rows;
  for (int ms : kWaitLengths) {
    const std::string key = "wait_ms_" + std::to_string(ms) + "_overshoot_us_";
    const std::string value = timing.available ? figure_text(timing, key + "median", 1) + " / " +
                                                     figure_text(timing, key + "p99", 1) + " / " +
                                                     figure_text(timing, key + "max", 1)
                                               : kNotAvailable;
    rows.push_back({section,
                    "wait_ms(" + std::to_string(ms) + ") overshoot, median / p99 / max (us, n=" +
                        count_of(timing, key + "samples") + ")",
                    value, kNoFigure, "", Mark::none});
  }
  const std::map<std::string, std::string> situations = {
      {"ready", "first accelerometer report due as the probe starts (the tools' order)"},
      {"running", "first accelerometer report due while the reader runs"}};
  for (const char *name : {"ready", "running"}) {
    const std::string key = std::string("probe_latency_") + name + "_ms_";
    const std::string value = timing.available ? figure_text(timing, key + "median", 2) + " / " +
                                                     figure_text(timing, key + "max", 2)
                                               : kNotAvailable;
    rows.push_back({section,
                    "probe: report due to accel_x seen, " + situations.at(name) +
                        ", median / max (ms, n=" + count_of(timing, key + "samples") + ")",
                    value, kNoFigure, "", Mark::none});
  }
  return rows;
}

std::vector<Row> link_cost_rows(const Results &results) {
  const std::string section = "Per-call cost, instant remote (ns, median)";
  std::vector<Row> rows;
  for (const CostRow &cost : kCostRows) {
    std::string host = figure(results.host_link_costs, cost.key, 1);
    if (cost.waits_on_thread && results.host_link_costs.available) {
      host += " (" + figure_text(results.host_link_costs, std::string("cpu_") + cost.key, 1) + ")";
    }
    rows.push_back({section, cost.measure, host, figure(results.wine_link_costs, cost.key, 1), "",
                    Mark::none});
  }
  return rows;
}

std::vector<std::string> result_notes(const Results &results) {
  std::vector<std::string> notes;
  auto note = [&notes](const std::string &text) {
    if (!text.empty()) notes.push_back(text);
  };
  for (const ToolResults *tool : {&results.corvanth, &results.plimsett}) {
    note(tool->host.note);
    note(tool->wine.available ? "" : tool->wine.note);
    note(tool->heap.note);
    for (const std::string &site : tool->heap.system_sites) {
      note(tool->path->tool + ": system code allocated at " + site);
    }
  }
  note(results.wine_note);
  note(results.plimsett_probed.note);
  note(results.host_link_costs.note);
  note(results.wine_link_costs.note);
  note(results.timing.note);
  for (const char *name : {"ready", "running"}) {
    auto it = results.timing.figures.find(std::string("probe_latency_") + name + "_ms_missed");
    if (it != results.timing.figures.end() && it->second > 0) {
      note(std::string("probe latency (") + name +
           "): " + std::to_string(static_cast<int>(it->second)) +
           " probes never saw accel_x within 1000 ms and are left out");
    }
  }
  return notes;
}
