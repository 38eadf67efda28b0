// Sleep and the high-resolution counter.
#include <errno.h>
#include <sched.h>
#include <time.h>

#include "platform/win32.h"

namespace {

// Windows reports 10 MHz on current systems; keep the same tick so numbers
// read alike on both.
constexpr LONGLONG kCounterFrequency = 10000000;
constexpr LONGLONG kNanosecondsPerTick = 1000000000 / kCounterFrequency;

}  // namespace

// nanosleep is a cancellation point, so a thread ended by TerminateThread
// while it sleeps ends there, as on Windows.
extern "C" void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  timespec left;
  left.tv_sec = static_cast<time_t>(milliseconds / 1000);
  left.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

extern "C" BOOL QueryPerformanceFrequency(LARGE_INTEGER *frequency) {
  frequency->QuadPart = kCounterFrequency;
  return TRUE;
}

extern "C" BOOL QueryPerformanceCounter(LARGE_INTEGER *count) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  count->QuadPart =
      (static_cast<LONGLONG>(now.tv_sec) * 1000000000 + now.tv_nsec) / kNanosecondsPerTick;
  return TRUE;
}
