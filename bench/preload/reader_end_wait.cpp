// After the probe's busy-wait, the first thread wait the same thread makes
// is the one for the reader to end (end_reader): the probe starts the reader
// before it waits, and nothing else waits on a thread in between. Its
// duration is timed here.
#include "preload/reader_end_wait.h"

#include <dlfcn.h>
#include <time.h>

#include <atomic>

#include "platform/win32.h"
#include "preload/busy_wait_cpu.h"

namespace {

constexpr long kNanosecondsPerMicrosecond = 1000;

using ThreadWait = DWORD (*)(HANDLE, DWORD);

std::atomic<long> waits{0};
std::atomic<long> wall_ns{0};
std::atomic<long> last_end_ns{0};

long monotonic_ns(void) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000000000L + now.tv_nsec;
}

}  // namespace

ReaderEndTotals reader_end_totals(void) {
  return {waits.load(), wall_ns.load() / kNanosecondsPerMicrosecond, last_end_ns.load()};
}

extern "C" DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  static const ThreadWait next =
      reinterpret_cast<ThreadWait>(dlsym(RTLD_NEXT, "WaitForSingleObject"));
  if (!first_call_after_busy_wait()) return next(handle, milliseconds);
  const long start = monotonic_ns();
  const DWORD result = next(handle, milliseconds);
  const long end = monotonic_ns();
  wall_ns.fetch_add(end - start);
  last_end_ns.store(end);
  waits.fetch_add(1);
  return result;
}
