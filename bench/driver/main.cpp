// velk_bench: what users feel of corvanth and plimsett, measured against the
// simulated remote, printed as one table. Progress goes to standard error,
// the table to standard output. A figure over its target is marked, never
// an error: the exit code is 0 whenever the table could be printed.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/support/launch.h"
#include "driver/machine.h"
#include "driver/paths.h"
#include "driver/results.h"
#include "driver/sections.h"
#include "driver/wine_place.h"

namespace {

constexpr int kMinRuns = 5;
constexpr double kLinkCostsTimeoutS = 300;
constexpr double kTimingTimeoutS = 300;

struct Options {
  int runs = kMinRuns;
  std::string windows_bin = BENCH_WINDOWS_BIN;
  std::string wine_prefix = BENCH_WINE_PREFIX;
};

[[noreturn]] void usage() {
  fprintf(stderr,
          "usage: velk_bench [--runs N] [--windows-bin DIR] [--wine-prefix DIR]\n"
          "  --runs N          timed runs of each tool, at least %d (default %d)\n"
          "  --windows-bin DIR the Windows build's programs (default %s)\n"
          "  --wine-prefix DIR Wine prefix of the benchmark's own (default %s)\n",
          kMinRuns, kMinRuns, BENCH_WINDOWS_BIN, BENCH_WINE_PREFIX);
  exit(2);
}

Options parse_options(int argc, char **argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const bool has_value = i + 1 < argc;
    if (strcmp(argv[i], "--runs") == 0 && has_value) {
      options.runs = atoi(argv[++i]);
    } else if (strcmp(argv[i], "--windows-bin") == 0 && has_value) {
      options.windows_bin = argv[++i];
    } else if (strcmp(argv[i], "--wine-prefix") == 0 && has_value) {
      options.wine_prefix = argv[++i];
    } else {
      usage();
    }
  }
  if (options.runs < kMinRuns) usage();
  return options;
}

void progress(const std::string &text) { fprintf(stderr, "velk_bench: %s\n", text.c_str()); }

void measure_host(const std::string &bin, const RunPlace &host, Results *results) {
  for (ToolResults *tool : {&results->corvanth, &results->plimsett}) {
    progress("timing " + tool->path->tool + " " + std::to_string(results->runs) +
             " times on the host");
    tool->host = time_happy_path(*tool->path, host, results->runs);
    progress("counting heap blocks in one run of " + tool->path->tool);
    tool->heap = count_heap_blocks(*tool->path, host, bin + "/bench_heap_count.so");
  }
  progress("measuring plimsett's busy-wait and reader in " + std::to_string(results->runs) +
           " probed runs");
  results->plimsett_probed =
      probe_plimsett(plimsett_path(), host, bin + "/bench_plimsett_probe.so", results->runs);
  progress("per-call costs of the link (Google Benchmark)");
  results->host_link_costs = run_helper({bin + "/bench_link_costs"}, {}, kLinkCostsTimeoutS);
  progress("timing precision: wait_ms and the probe");
  results->timing = run_helper({bin + "/bench_timing"}, {}, kTimingTimeoutS);
}

// Start to first output of a program that prints one line and ends: what
// Wine adds to every run before the program's own code.
std::vector<double> time_empty_starts(const WinePlace &wine, const std::string &exe, int runs) {
  std::vector<double> starts;
  for (int i = 0; i < runs; ++i) {
    Launch request;
    request.argv = {wine.wine, exe, "--start-only"};
    request.env = {{"WINEPREFIX", wine.prefix}, {"WINEDEBUG", "-all"}};
    request.watch_for = "started";
    const LaunchResult result = launch(request);
    if (result.to_watched_ms < 0) return {};
    starts.push_back(result.to_watched_ms);
  }
  return starts;
}

void measure_wine(const std::string &bin, const Options &options, const std::string &scratch,
                  Results *results) {
  const WinePlace wine = find_wine(options.windows_bin, options.wine_prefix);
  results->wine_note = wine.note;
  if (wine.wine.empty()) return;
  progress("starting Wine (a new prefix takes a minute)");
  std::string note;
  if (!warm_up_wine(wine, &note)) {
    results->wine_note = note;
    return;
  }
  const std::string costs_exe = bin + "/bench_link_costs_i686.exe";
  if (file_exists(costs_exe)) {
    progress("per-call costs of the link under Wine");
    results->wine_link_costs =
        run_helper({wine.wine, costs_exe}, {{"WINEPREFIX", wine.prefix}, {"WINEDEBUG", "-all"}},
                   kLinkCostsTimeoutS);
  } else {
    results->wine_link_costs.note =
        "per-call costs under Wine: not available, no i686-w64-mingw32-g++ when configured";
  }
  if (!wine.tools_ready) return;
  RunPlace place{true, options.windows_bin, wine.wine, wine.prefix, scratch};
  // One unmeasured run, so the first timed one finds Wine's server running.
  run_happy_path(plimsett_path(), place);
  for (ToolResults *tool : {&results->corvanth, &results->plimsett}) {
    progress("timing " + tool->path->tool + ".exe " + std::to_string(results->runs) +
             " times under Wine");
    tool->wine = time_happy_path(*tool->path, place, results->runs);
  }
  // Right after the tools, with Wine as warm as it was for them.
  if (file_exists(costs_exe)) {
    progress("starting a program that does nothing under Wine " + std::to_string(results->runs) +
             " times");
    results->wine_empty_start_ms = time_empty_starts(wine, costs_exe, results->runs);
  }
}

void print_report(const Results &results, const std::string &wine_program,
                  const std::string &load_at_start) {
  printf("Machine\n\n");
  for (const std::string &line : machine_lines(wine_program, load_at_start)) {
    printf("- %s\n", line.c_str());
  }
  printf("- Timed runs per tool: %d\n\n", results.runs);
  std::vector<Row> rows;
  for (const auto &section : {overhead_rows(results), cpu_rows(results), timing_rows(results),
                              link_cost_rows(results), footprint_rows(results)}) {
    rows.insert(rows.end(), section.begin(), section.end());
  }
  print_table(rows);
  printf("\nTargets are judged on the host figures; the Wine column is for comparison.\n");
  const std::vector<std::string> notes = result_notes(results);
  if (!notes.empty()) printf("\nNotes\n\n");
  for (const std::string &note : notes) printf("- %s\n", note.c_str());
}

}  // namespace

int main(int argc, char **argv) {
  const Options options = parse_options(argc, argv);
  const std::string bin = own_folder();
  char scratch_pattern[] = "/tmp/velk-bench-XXXXXX";
  if (mkdtemp(scratch_pattern) == nullptr) {
    perror("velk_bench: mkdtemp");
    return 1;
  }
  const std::string scratch = scratch_pattern;
  const std::string load_at_start = load_average();

  Results results;
  results.runs = options.runs;
  results.windows_bin = options.windows_bin;
  results.corvanth.path = &corvanth_path();
  results.plimsett.path = &plimsett_path();

  measure_host(bin, RunPlace{false, bin, "", "", scratch}, &results);
  measure_wine(bin, options, scratch, &results);

  std::filesystem::remove_all(scratch);
  print_report(results, find_on_path("wine"), load_at_start);
  return 0;
}
