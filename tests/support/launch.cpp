// Process start, output watching and accounting on POSIX.
#include "tests/support/launch.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char **environ;

namespace {

// How often the exit is checked while the output stays quiet. Output itself
// wakes the wait at once, so this bounds only the exit time's error.
constexpr int kExitCheckMs = 2;

double now_ms() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double timeval_ms(const timeval &t) {
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
}

std::vector<std::string> environment_for(const Launch &request) {
  std::map<std::string, std::string> env;
  for (char **e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const size_t eq = entry.find('=');
    if (eq != std::string::npos) env[entry.substr(0, eq)] = entry.substr(eq + 1);
  }
  for (const std::string &name : request.unset) env.erase(name);
  for (const auto &entry : request.env) env[entry.first] = entry.second;
  std::vector<std::string> entries;
  for (const auto &entry : env) entries.push_back(entry.first + "=" + entry.second);
  return entries;
}

std::vector<char *> pointers_to(std::vector<std::string> &strings) {
  std::vector<char *> pointers;
  for (std::string &s : strings) pointers.push_back(&s[0]);
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

LaunchResult launch(const Launch &request) {
  LaunchResult result;
  int in_pipe[2], out_pipe[2], err_pipe[2];
  if (pipe(in_pipe) != 0 || pipe(out_pipe) != 0 || pipe(err_pipe) != 0) return result;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
  for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]}) {
    posix_spawn_file_actions_addclose(&actions, fd);
  }
  // Its own process group, so a timeout ends everything it started.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);

  std::vector<std::string> args = request.argv;
  std::vector<std::string> env = environment_for(request);
  std::vector<char *> argv = pointers_to(args);
  std::vector<char *> envp = pointers_to(env);

  const double start = now_ms();
  result.started_at_ms = start;
  pid_t pid;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  if (spawned != 0) {
    close(in_pipe[1]);
    close(out_pipe[0]);
    close(err_pipe[0]);
    return result;
  }
  result.started = true;
  signal(SIGPIPE, SIG_IGN);
  if (!request.input.empty()) {
    const ssize_t ignored = write(in_pipe[1], request.input.data(), request.input.size());
    (void)ignored;
  }
  close(in_pipe[1]);

  // Until the process has exited and its output is drained; not until the
  // pipes close, which a helper process (Wine's server) may hold open.
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string *sinks[2] = {&result.out, &result.err};
  int status = 0;
  rusage usage{};
  bool exited = false;
  for (;;) {
    if (!exited && wait4(pid, &status, WNOHANG, &usage) == pid) {
      exited = true;
      result.to_exit_ms = now_ms() - start;
    }
    if (!exited && now_ms() - start > request.timeout_s * 1e3) {
      result.timed_out = true;
      kill(-pid, SIGKILL);
      wait4(pid, &status, 0, &usage);
      exited = true;
    }
    const int ready = poll(fds, 2, exited ? 0 : kExitCheckMs);
    if (ready <= 0) {
      if (exited) break;
      continue;
    }
    const double arrived = now_ms();
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        if (i == 0 && result.to_first_output_ms < 0) result.to_first_output_ms = arrived - start;
        sinks[i]->append(buffer, static_cast<size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
      }
    }
    if (result.to_watched_ms < 0 && !request.watch_for.empty() &&
        result.out.find(request.watch_for) != std::string::npos) {
      result.to_watched_ms = arrived - start;
    }
    if (fds[0].fd < 0 && fds[1].fd < 0 && exited) break;
  }
  for (pollfd &f : fds) {
    if (f.fd >= 0) close(f.fd);
  }
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  result.cpu_ms = timeval_ms(usage.ru_utime) + timeval_ms(usage.ru_stime);
  result.peak_rss_kib = usage.ru_maxrss;
  return result;
}
