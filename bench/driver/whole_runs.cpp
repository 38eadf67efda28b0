// Timed happy-path runs.
#include "driver/whole_runs.h"

namespace {

constexpr size_t kSummaryTail = 300;

std::string tail(const std::string &text) {
  const std::string end =
      text.size() > kSummaryTail ? text.substr(text.size() - kSummaryTail) : text;
  std::string one_line;
  for (char c : end) one_line += c == '\n' || c == '\r' ? ' ' : c;
  return one_line;
}

}  // namespace

std::string failure_summary(const HappyRun &run) {
  const LaunchResult &l = run.launch;
  if (!l.started) return "could not start";
  if (l.timed_out) return "timed out; stderr: " + tail(l.err);
  return "exit code " + std::to_string(l.exit_code) +
         (l.to_watched_ms < 0 ? ", no key prompt" : "") + "; stderr: " + tail(l.err);
}

WholeRuns time_happy_path(const HappyPath &path, const RunPlace &place, int runs) {
  WholeRuns figures;
  for (int i = 0; i < runs; ++i) {
    const HappyRun run = run_happy_path(path, place);
    if (!run.happy) {
      figures.note =
          path.tool + " run " + std::to_string(i + 1) + " failed: " + failure_summary(run);
      return figures;
    }
    figures.to_prompt_ms.push_back(run.launch.to_watched_ms);
    figures.cpu_ms.push_back(run.launch.cpu_ms);
    figures.peak_rss_kib.push_back(static_cast<double>(run.launch.peak_rss_kib));
  }
  figures.available = true;
  return figures;
}
