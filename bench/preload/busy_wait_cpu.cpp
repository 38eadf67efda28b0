// In system code only wait_ms reads the counter's frequency, once at the
// start of each wait, then reads the counter until the wait is over. So a
// wait runs from a QueryPerformanceFrequency call to the last
// QueryPerformanceCounter call after it on the same thread; its processor
// time is that thread's between the two. Waits are taken to run one at a
// time, as they do in the tools.
#include "preload/busy_wait_cpu.h"

#include <dlfcn.h>
#include <pthread.h>
#include <time.h>

#include <mutex>

#include "platform/win32.h"

namespace {

constexpr long kNanosecondsPerMicrosecond = 1000;

using CounterCall = BOOL (*)(LARGE_INTEGER *);

struct OpenWait {
  bool open;
  bool followed;  // a call after it has been seen
  pthread_t thread;
  long start_cpu_ns;
  long last_cpu_ns;
  long start_wall_ns;
  long last_wall_ns;
};

std::mutex waits_lock;
OpenWait current;
long waits_counted;
long cpu_total_ns;
long wall_total_ns;
long last_start_ns;
long last_end_ns;

long clock_ns(clockid_t clock) {
  timespec now;
  clock_gettime(clock, &now);
  return now.tv_sec * 1000000000L + now.tv_nsec;
}

CounterCall next_definition(const char *name) {
  return reinterpret_cast<CounterCall>(dlsym(RTLD_NEXT, name));
}

// Lock held.
void close_current_wait(void) {
  if (!current.open) return;
  cpu_total_ns += current.last_cpu_ns - current.start_cpu_ns;
  wall_total_ns += current.last_wall_ns - current.start_wall_ns;
  last_start_ns = current.start_wall_ns;
  last_end_ns = current.last_wall_ns;
  ++waits_counted;
  current.open = false;
}

}  // namespace

BusyWaitTotals busy_wait_totals(void) {
  std::lock_guard<std::mutex> hold(waits_lock);
  close_current_wait();
  return {waits_counted, cpu_total_ns / kNanosecondsPerMicrosecond,
          wall_total_ns / kNanosecondsPerMicrosecond, last_start_ns, last_end_ns};
}

bool first_call_after_busy_wait(void) {
  std::lock_guard<std::mutex> hold(waits_lock);
  if (!current.open || current.followed || !pthread_equal(current.thread, pthread_self())) {
    return false;
  }
  current.followed = true;
  return true;
}

extern "C" BOOL QueryPerformanceFrequency(LARGE_INTEGER *frequency) {
  static const CounterCall next = next_definition("QueryPerformanceFrequency");
  {
    std::lock_guard<std::mutex> hold(waits_lock);
    close_current_wait();
    current.open = true;
    current.followed = false;
    current.thread = pthread_self();
    current.start_cpu_ns = current.last_cpu_ns = clock_ns(CLOCK_THREAD_CPUTIME_ID);
    current.start_wall_ns = current.last_wall_ns = clock_ns(CLOCK_MONOTONIC);
  }
  return next(frequency);
}

extern "C" BOOL QueryPerformanceCounter(LARGE_INTEGER *count) {
  static const CounterCall next = next_definition("QueryPerformanceCounter");
  const BOOL result = next(count);
  std::lock_guard<std::mutex> hold(waits_lock);
  if (current.open && !current.followed && pthread_equal(current.thread, pthread_self())) {
    current.last_cpu_ns = clock_ns(CLOCK_THREAD_CPUTIME_ID);
    current.last_wall_ns = clock_ns(CLOCK_MONOTONIC);
  }
  return result;
}
