#include "tool_run.h"

#include <fcntl.h>
#include <iconv.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <regex>
#include <stdexcept>

extern char **environ;

namespace {

std::string env_or(const char *name, const char *fallback) {
  const char *value = getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

double now_seconds() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
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
  std::vector<std::string> args;
  std::map<std::string, std::string> env;
  for (char **e = environ; *e != nullptr; ++e) {
    std::string kv = *e;
    size_t eq = kv.find('=');
    if (eq != std::string::npos) env[kv.substr(0, eq)] = kv.substr(eq + 1);
  }
  for (const auto &kv : request.env) env[kv.first] = kv.second;

  if (running_under_wine()) {
    std::string bin = env_or("VELK_E2E_WINE_BIN", "");
    args = {env_or("VELK_E2E_WINE", "wine"), bin + "/" + request.tool + ".exe"};
    if (env.find("WINEPREFIX") == env.end()) env["WINEPREFIX"] = bin + "/../wineprefix";
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
    args = {env_or("VELK_E2E_BIN", ".") + "/" + request.tool};
  }

  int in_pipe[2], out_pipe[2], err_pipe[2];
  if (pipe(in_pipe) != 0 || pipe(out_pipe) != 0 || pipe(err_pipe) != 0) {
    throw std::runtime_error("pipe failed");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
  for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]}) {
    posix_spawn_file_actions_addclose(&actions, fd);
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);

  std::vector<char *> argv;
  for (std::string &a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  std::vector<std::string> env_strings;
  for (const auto &kv : env) env_strings.push_back(kv.first + "=" + kv.second);
  std::vector<char *> envp;
  for (std::string &s : env_strings) envp.push_back(&s[0]);
  envp.push_back(nullptr);

  ToolRun run;
  double start = now_seconds();
  pid_t pid;
  if (posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data()) != 0) {
    throw std::runtime_error("cannot start " + args[0]);
  }
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  signal(SIGPIPE, SIG_IGN);
  if (!request.input.empty()) {
    ssize_t ignored = write(in_pipe[1], request.input.data(), request.input.size());
    (void)ignored;
  }
  close(in_pipe[1]);

  // Read until the tool has exited and its output is drained. Not until the
  // pipes close: under Wine a server process may hold them open.
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string *sinks[2] = {&run.out, &run.err};
  int status = 0;
  bool exited = false;
  for (;;) {
    if (!exited && waitpid(pid, &status, WNOHANG) == pid) exited = true;
    if (!exited && now_seconds() - start > request.timeout_seconds) {
      run.timed_out = true;
      kill(-pid, SIGKILL);
      waitpid(pid, &status, 0);
      exited = true;
    }
    int ready = poll(fds, 2, exited ? 0 : 5);
    if (ready <= 0) {
      if (exited) break;
      continue;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
      }
    }
    if (fds[0].fd < 0 && fds[1].fd < 0 && exited) break;
  }
  for (pollfd &f : fds) {
    if (f.fd >= 0) close(f.fd);
  }
  run.seconds = now_seconds() - start;
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  run.boxes = running_under_wine() ? wine_boxes(run.err) : host_boxes(run.err);
  return run;
}
