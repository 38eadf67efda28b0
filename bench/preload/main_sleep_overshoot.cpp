// Sleep of the platform stand-in, timed on the process's main thread only
// (the reader's pauses run on their own thread and overlap the main thread's
// waits, so they cost the user nothing by themselves).
#include "preload/main_sleep_overshoot.h"

#include <dlfcn.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>

#include "platform/win32.h"

namespace {

constexpr long kNanosecondsPerMicrosecond = 1000;
constexpr long kNanosecondsPerMillisecond = 1000000;

using SleepCall = void (*)(DWORD);

std::atomic<long> sleeps{0};
std::atomic<long> overshoot_ns{0};
std::atomic<long> last_start_ns{0};
std::atomic<long> last_end_ns{0};

long monotonic_ns(void) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000000000L + now.tv_nsec;
}

bool on_main_thread(void) { return syscall(SYS_gettid) == getpid(); }

}  // namespace

SleepTotals main_sleep_totals(void) {
  return {sleeps.load(), overshoot_ns.load() / kNanosecondsPerMicrosecond, last_start_ns.load(),
          last_end_ns.load()};
}

extern "C" void Sleep(DWORD milliseconds) {
  static const SleepCall next = reinterpret_cast<SleepCall>(dlsym(RTLD_NEXT, "Sleep"));
  if (!on_main_thread()) {
    next(milliseconds);
    return;
  }
  const long start = monotonic_ns();
  next(milliseconds);
  const long end = monotonic_ns();
  overshoot_ns.fetch_add(end - start -
                         static_cast<long>(milliseconds) * kNanosecondsPerMillisecond);
  last_start_ns.store(start);
  last_end_ns.store(end);
  sleeps.fetch_add(1);
}
