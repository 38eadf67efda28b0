// The machine's description, from /proc, /etc/os-release, uname and the
// compilers' own version strings.
#include "driver/machine.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <fstream>

#include "tests/support/launch.h"
#include "driver/paths.h"

namespace {

std::string value_after(const std::string &line, char separator) {
  const size_t at = line.find(separator);
  if (at == std::string::npos) return "";
  std::string value = line.substr(at + 1);
  while (!value.empty() && (value[0] == ' ' || value[0] == '\t')) value.erase(0, 1);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

std::string first_line_starting(const std::string &path, const std::string &prefix,
                                char separator) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, prefix.size(), prefix) == 0) return value_after(line, separator);
  }
  return "unknown";
}

std::string first_output_line(const std::vector<std::string> &argv) {
  Launch request;
  request.argv = argv;
  request.timeout_s = 30;
  const LaunchResult result = launch(request);
  if (!result.started || result.exit_code != 0) return "";
  return result.out.substr(0, result.out.find('\n'));
}

// The commit the tools were built from, and whether the tree differed from it.
std::string source_tree() {
  const std::string git = find_on_path("git");
  if (git.empty()) return "unknown (no git)";
  const std::string commit =
      first_output_line({git, "-C", BENCH_SOURCE_DIR, "rev-parse", "--short", "HEAD"});
  if (commit.empty()) return "unknown (not a git checkout)";
  const std::string changed = first_output_line(
      {git, "-C", BENCH_SOURCE_DIR, "status", "--porcelain", "--untracked-files=no"});
  return "commit " + commit + (changed.empty() ? "" : " with uncommitted changes");
}

}  // namespace

std::string load_average(void) {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + ", " + five + ", " + fifteen;
}

std::vector<std::string> machine_lines(const std::string &wine_program,
                                       const std::string &load_at_start) {
  utsname system;
  uname(&system);
  const std::string wine_version =
      wine_program.empty() ? "" : first_output_line({wine_program, "--version"});
  const std::string mingw_program = find_on_path("i686-w64-mingw32-g++");
  const std::string mingw =
      mingw_program.empty() ? "" : first_output_line({mingw_program, "--version"});
  return {
      "CPU: " + first_line_starting("/proc/cpuinfo", "model name", ':'),
      "Cores: " + std::to_string(sysconf(_SC_NPROCESSORS_ONLN)),
      "OS: " + first_line_starting("/etc/os-release", "PRETTY_NAME", '=') + ", kernel " +
          system.release + " " + system.machine,
      "Load average (1, 5, 15 min) before: " + load_at_start + "; after: " + load_average(),
      "Source: " + source_tree(),
      "Host compiler: g++ " + std::string(__VERSION__) + " (RelWithDebInfo)",
      "Windows compiler: " + (mingw.empty() ? std::string("not installed") : mingw),
      "Wine: " + (wine_version.empty() ? std::string("not installed") : wine_version),
  };
}
