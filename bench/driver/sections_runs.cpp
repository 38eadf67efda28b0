// Rows from whole runs of the tools: overhead over the required waits,
// processor time, memory and sizes.
#include <algorithm>

#include "common/stats.h"
#include "driver/paths.h"
#include "driver/sections.h"

namespace {

constexpr double kOverheadLimitMs = 20;
constexpr double kOverheadLimitPercent = 1;
constexpr double kCorvanthCpuLimitMs = 50;
constexpr const char *kNotAvailable = "not available";
constexpr const char *kNoFigure = "-";

// The package's files, relative to the Windows build's bin folder. Our
// velk_hid_dll.dll is built into hid/: bin holds the simulated world's.
struct WindowsBinary {
  const char *name;
  const char *path;
};
const WindowsBinary kWindowsBinaries[] = {
    {"corvanth.exe", "corvanth.exe"},
    {"plimsett.exe", "plimsett.exe"},
    {"velk_wii_bt.dll", "velk_wii_bt.dll"},
    {"velk_hid_dll.dll (ours, hid/)", "../hid/velk_hid_dll.dll"},
};

double overhead_ms(const WholeRuns &runs, const HappyPath &path) {
  return median_of(runs.to_prompt_ms) - path.mandated_waits_ms;
}

double overhead_percent(const WholeRuns &runs, const HappyPath &path) {
  return overhead_ms(runs, path) / median_of(runs.to_prompt_ms) * 100;
}

// Index of the run whose value is the median (the lower one of an even count).
size_t median_run(const std::vector<double> &values) {
  std::vector<size_t> order(values.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&values](size_t a, size_t b) { return values[a] < values[b]; });
  return order[(order.size() - 1) / 2];
}

std::string when(const WholeRuns &runs, const std::string &text) {
  return runs.available ? text : kNotAvailable;
}

void add_overhead(const ToolResults &tool, std::vector<Row> *rows) {
  const HappyPath &path = *tool.path;
  const std::string section = "Overhead over the required waits (median)";
  const std::string &name = path.tool;
  rows->push_back({section, name + ": start to key prompt (ms)",
                   when(tool.host, fixed(median_of(tool.host.to_prompt_ms), 1)),
                   when(tool.wine, fixed(median_of(tool.wine.to_prompt_ms), 1)), "", Mark::none});
  rows->push_back({section, name + ": required waits (ms): " + path.mandated_waits_text,
                   fixed(path.mandated_waits_ms, 0), fixed(path.mandated_waits_ms, 0), "",
                   Mark::none});
  Row absolute{section,
               name + ": overhead (ms)",
               when(tool.host, fixed(overhead_ms(tool.host, path), 1)),
               when(tool.wine, fixed(overhead_ms(tool.wine, path), 1)),
               "< " + fixed(kOverheadLimitMs, 0) + " ms",
               Mark::none};
  Row share{section,
            name + ": overhead share of the run",
            when(tool.host, fixed(overhead_percent(tool.host, path), 2) + " %"),
            when(tool.wine, fixed(overhead_percent(tool.wine, path), 2) + " %"),
            "< " + fixed(kOverheadLimitPercent, 0) + " %",
            Mark::none};
  if (tool.host.available) {
    absolute.mark = judge_below(overhead_ms(tool.host, path), kOverheadLimitMs);
    share.mark = judge_below(overhead_percent(tool.host, path), kOverheadLimitPercent);
  }
  rows->push_back(absolute);
  rows->push_back(share);
}

std::string heap_count(const HeapCounts &heap, const std::string &key) {
  auto it = heap.counts.find(key);
  return it == heap.counts.end() ? "n/a" : fixed(it->second, 0);
}

double system_blocks(const HeapCounts &heap) {
  double sum = 0;
  for (const char *key : {"heap_after_main_tool", "heap_after_main_pairing"}) {
    auto it = heap.counts.find(key);
    if (it != heap.counts.end()) sum += it->second;
  }
  return sum;
}

void add_memory(const ToolResults &tool, const std::string &section, int runs,
                std::vector<Row> *rows) {
  const std::string &name = tool.path->tool;
  rows->push_back({section,
                   name + ": peak resident memory (KiB, max of " + std::to_string(runs) +
                       " runs; under Wine: the whole Wine process)",
                   when(tool.host, fixed(max_of(tool.host.peak_rss_kib), 0)),
                   when(tool.wine, fixed(max_of(tool.wine.peak_rss_kib), 0)), "", Mark::none});
}

void add_heap(const ToolResults &tool, const std::string &section, std::vector<Row> *rows) {
  const std::string &name = tool.path->tool;
  const HeapCounts &heap = tool.heap;
  Row system{section,
             name + ": heap blocks after main, system code (tool, link, pairing)",
             heap.available ? fixed(system_blocks(heap), 0) : kNotAvailable,
             kNoFigure,
             "0",
             Mark::none};
  if (heap.available) system.mark = system_blocks(heap) == 0 ? Mark::ok : Mark::over;
  rows->push_back(system);
  rows->push_back(
      {section,
       name + ": heap blocks after main, host platform stand-in / simulated world / runtimes alone",
       heap.available ? heap_count(heap, "heap_after_main_platform") + " / " +
                            heap_count(heap, "heap_after_main_sim") + " / " +
                            heap_count(heap, "heap_after_main_runtime")
                      : kNotAvailable,
       kNoFigure, "", Mark::none});
  rows->push_back({section, name + ": heap blocks before main (loader, libraries' constructors)",
                   heap.available ? heap_count(heap, "heap_before_main") : kNotAvailable, kNoFigure,
                   "", Mark::none});
}

}  // namespace

std::vector<Row> overhead_rows(const Results &results) {
  std::vector<Row> rows;
  add_overhead(results.corvanth, &rows);
  add_overhead(results.plimsett, &rows);
  const PlimsettProbeRuns &probed = results.plimsett_probed;
  const std::string section = rows.back().section;
  std::string parts = kNotAvailable;
  std::string reader = kNotAvailable;
  if (probed.available) {
    std::vector<double> overheads;
    std::vector<double> reader_parts;
    for (const PlimsettTimeline &t : probed.timelines) {
      overheads.push_back(t.overhead());
      reader_parts.push_back(t.to_reader_end);
    }
    // The parts of one run, the run of median overhead, so that they add up.
    const PlimsettTimeline &t = probed.timelines[median_run(overheads)];
    parts = fixed(t.overhead(), 1) + " = " + fixed(t.to_probe, 1) + " + " +
            fixed(t.probe_overshoot, 1) + " + " + fixed(t.to_reader_end, 1) + " + " +
            fixed(t.identify_and_init, 1) + " + " + fixed(t.sleep_overshoot, 1) + " + " +
            fixed(t.dump_to_prompt, 1);
    reader = fixed(median_of(reader_parts), 1) + " / " + fixed(max_of(reader_parts), 1);
  }
  rows.push_back({section,
                  "plimsett, probed runs, where the overhead goes (ms, the run of median "
                  "overhead): start to the probe + probe overshoot + LED report and wait for the "
                  "probe's reader to end + identity read and initialisation write + Sleep(200) "
                  "overshoot + dump to prompt",
                  parts, kNoFigure, "", Mark::none});
  rows.push_back({section,
                  "plimsett, probed runs: LED report and wait for the probe's reader to end, "
                  "median / max (ms)",
                  reader, kNoFigure, "", Mark::none});
  const std::vector<double> &empty = results.wine_empty_start_ms;
  rows.push_back({section, "a program that prints one line and ends: start to its output (ms)",
                  kNoFigure, empty.empty() ? kNotAvailable : fixed(median_of(empty), 1), "",
                  Mark::none});
  return rows;
}

std::vector<Row> cpu_rows(const Results &results) {
  const std::string section = "Processor time (median)";
  const WholeRuns &corvanth = results.corvanth.host;
  const WholeRuns &corvanth_wine = results.corvanth.wine;
  const WholeRuns &plimsett = results.plimsett.host;
  const WholeRuns &plimsett_wine = results.plimsett.wine;
  const PlimsettProbeRuns &probed = results.plimsett_probed;
  std::vector<Row> rows;
  Row corvanth_cpu{section,
                   "corvanth: process CPU time, whole run (ms)",
                   when(corvanth, fixed(median_of(corvanth.cpu_ms), 1)),
                   when(corvanth_wine, fixed(median_of(corvanth_wine.cpu_ms), 1)),
                   "< " + fixed(kCorvanthCpuLimitMs, 0) + " ms",
                   Mark::none};
  if (corvanth.available) {
    corvanth_cpu.mark = judge_below(median_of(corvanth.cpu_ms), kCorvanthCpuLimitMs);
  }
  rows.push_back(corvanth_cpu);
  rows.push_back({section, "plimsett: process CPU time, whole run (ms)",
                  when(plimsett, fixed(median_of(plimsett.cpu_ms), 1)),
                  when(plimsett_wine, fixed(median_of(plimsett_wine.cpu_ms), 1)),
                  "none: the probe busy-waits 1000 ms by design", Mark::none});
  rows.push_back({section,
                  "plimsett, probed runs: process CPU / of which the probe's busy-wait / "
                  "outside the busy-wait (ms)",
                  probed.available
                      ? triple(median_of(probed.cpu_ms), median_of(probed.busy_wait_cpu_ms),
                               median_of(probed.outside_ms), 1)
                      : kNotAvailable,
                  kNoFigure, "", Mark::none});
  return rows;
}

std::vector<Row> footprint_rows(const Results &results) {
  const std::string section = "Footprint";
  std::vector<Row> rows;
  add_memory(results.corvanth, section, results.runs, &rows);
  add_memory(results.plimsett, section, results.runs, &rows);
  for (const WindowsBinary &binary : kWindowsBinaries) {
    const long long size = file_size(results.windows_bin + "/" + binary.path);
    rows.push_back({section, std::string("i686 ") + binary.name + " size (bytes)", kNoFigure,
                    size < 0 ? "not built" : std::to_string(size), "", Mark::none});
  }
  add_heap(results.corvanth, section, &rows);
  add_heap(results.plimsett, section, &rows);
  return rows;
}
