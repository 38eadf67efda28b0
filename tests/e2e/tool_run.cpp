#include "tool_run.h"

#include "tests/support/launch.h"

#include <iconv.h>
#include <stdlib.h>
#include <string.h>

#include <regex>
#include <stdexcept>

namespace {

std::string env_or(const char *name, const char *fallback) {
  const char *value = getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

std::string convert(const std::string &text, const char *from, const char *to) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  std::string out(text.size() * 4 + 16, '\0');
  char *in_at = const_cast<char *>(text.data());
  size_t in_left = text.size();
  char *out_at = &out[0];
  size_t out_left = out.size();
  while (in_left > 0) {
    if (iconv(cd, &in_at, &in_left, &out_at, &out_left) == static_cast<size_t>(-1)) {
      // Not convertible: keep the byte as it is so the difference shows.
      *out_at++ = *in_at++;
      --in_left;
      --out_left;
    }
  }
  iconv_close(cd);
  out.resize(out.size() - out_left);
  return out;
}

std::vector<MessageBox> host_boxes(const std::string &err) {
  std::vector<MessageBox> boxes;
  static const std::regex line(
      R"(\[MessageBoxA\] owner=(\S+) caption=(NULL|"[^"]*") style=(0x[0-9A-F]{8}) text="(.*)\")");
  size_t start = 0;
  while (start < err.size()) {
    size_t end = err.find('\n', start);
    if (end == std::string::npos) end = err.size();
    std::smatch m;
    std::string one = err.substr(start, end - start);
    if (std::regex_match(one, m, line)) {
      std::string caption = m[2].str();
      if (caption != "NULL") caption = caption.substr(1, caption.size() - 2);
      boxes.push_back({m[1].str(), caption, m[3].str(), m[4].str()});
    }
    start = end + 1;
  }
  return boxes;
}

// Wine's relay trace: "Call user32.MessageBoxA(00000000,0040a000 "text",00000000,00000000) ret=..."
std::vector<MessageBox> wine_boxes(const std::string &err) {
  std::vector<MessageBox> boxes;
  static const std::regex call(
      R"(Call user32\.MessageBoxA\(([0-9a-f]{8}),[0-9a-f]{8}(?: \"([^\"]*)\")?,([0-9a-f]{8})(?: \"([^\"]*)\")?,([0-9a-f]{8})\))");
  for (std::sregex_iterator it(err.begin(), err.end(), call), end; it != end; ++it) {
    const std::smatch &m = *it;
    std::string owner = m[1].str() == "00000000" ? "NULL" : m[1].str();
    std::string caption = m[3].str() == "00000000" ? "NULL" : m[4].str();
    std::string style = "0x" + m[5].str();
    for (char &c : style) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    style[1] = 'x';
    boxes.push_back({owner, caption, style, m[2].str()});
  }
  return boxes;
}

}  // namespace

bool running_under_wine() { return getenv("VELK_E2E_WINE_BIN") != nullptr; }

std::string console_bytes(const std::string &utf8) {
  std::string sjis = convert(utf8, "UTF-8", "CP932");
  if (!running_under_wine()) return sjis;
  std::string crlf;
  for (char c : sjis) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return crlf;
}

std::string readable(const std::string &console) { return convert(console, "CP932", "UTF-8"); }

ToolRun run_tool(const ToolRequest &request) {
  Launch launch_request;
  launch_request.env = request.env;
  launch_request.input = request.input;
  launch_request.timeout_s = request.timeout_seconds;
  if (running_under_wine()) {
    std::string bin = env_or("VELK_E2E_WINE_BIN", "");
    launch_request.argv = {env_or("VELK_E2E_WINE", "wine"), bin + "/" + request.tool + ".exe"};
    std::map<std::string, std::string> &env = launch_request.env;
    if (getenv("WINEPREFIX") == nullptr && env.find("WINEPREFIX") == env.end()) {
      env["WINEPREFIX"] = bin + "/../wineprefix";
    }
    env["WINEDLLOVERRIDES"] = "bthprops.cpl=n;velk_hid_dll=n";
    env["WINEDEBUG"] = "-all,+relay";
    // Paths in the world are Unix paths; Wine maps them through Z:.
    for (const char *name : {"VELK_SIM_STATE", "VELK_SIM_LOG"}) {
      auto it = env.find(name);
      if (it != env.end() && !it->second.empty() && it->second[0] == '/') {
        it->second = "Z:" + it->second;
      }
    }
  } else {
    launch_request.argv = {env_or("VELK_E2E_BIN", ".") + "/" + request.tool};
  }

  LaunchResult launched = launch(launch_request);
  if (!launched.started) throw std::runtime_error("cannot start " + launch_request.argv[0]);
  ToolRun run;
  run.out = launched.out;
  run.err = launched.err;
  run.exit_code = launched.exit_code;
  run.timed_out = launched.timed_out;
  run.seconds = launched.timed_out ? request.timeout_seconds : launched.to_exit_ms / 1000.0;
  run.boxes = running_under_wine() ? wine_boxes(run.err) : host_boxes(run.err);
  return run;
}
