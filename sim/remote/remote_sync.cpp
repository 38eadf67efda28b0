// The OS pieces of the simulated remote: Win32 for velk_hid_dll.dll, POSIX
// threads for the host's shared library.
#include "sim/remote/remote_sync.h"

#include "sim/remote/read_watch.h"

#ifdef _WIN32

#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#endif
#include <windows.h>

namespace {

// A kernel mutex, not a slim lock: TerminateThread can end a reader at any
// instant, and a mutex whose owner died is handed on (abandoned) instead of
// hanging every later caller.
HANDLE lock_mutex;
// Manual-reset: set by every change, reset by a waiter under the lock before
// it waits, so no change between its last look and its wait is missed.
HANDLE changed_event;
INIT_ONCE created = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK create_objects(INIT_ONCE *, void *, void **) {
  lock_mutex = CreateMutexA(nullptr, FALSE, nullptr);
  changed_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  return lock_mutex != nullptr && changed_event != nullptr;
}

}  // namespace

void remote_lock(void) {
  InitOnceExecuteOnce(&created, create_objects, nullptr, nullptr);
  WaitForSingleObject(lock_mutex, INFINITE);  // WAIT_ABANDONED owns it too
}

void remote_unlock(void) { ReleaseMutex(lock_mutex); }

// Gives the lock up and waits in one step, then takes it back.
void remote_wait(uint64_t wake_at_ms) {
  DWORD timeout = INFINITE;
  if (wake_at_ms != 0) {
    const uint64_t now = remote_clock_ms();
    timeout = wake_at_ms > now ? static_cast<DWORD>(wake_at_ms - now) : 0;
  }
  ResetEvent(changed_event);
  SignalObjectAndWait(lock_mutex, changed_event, timeout, FALSE);
  WaitForSingleObject(lock_mutex, INFINITE);
}

void remote_wake(void) { SetEvent(changed_event); }

uint64_t remote_clock_ms(void) {
  LARGE_INTEGER frequency;
  LARGE_INTEGER now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<uint64_t>(now.QuadPart) * 1000u / static_cast<uint64_t>(frequency.QuadPart);
}

#else

#include <pthread.h>
#include <time.h>

namespace {

pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t changed = PTHREAD_COND_INITIALIZER;
pthread_once_t changed_once = PTHREAD_ONCE_INIT;

// Deadlines are on the monotonic clock, like remote_clock_ms.
void use_monotonic_clock(void) {
  pthread_condattr_t attributes;
  pthread_condattr_init(&attributes);
  pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
  pthread_cond_destroy(&changed);
  pthread_cond_init(&changed, &attributes);
  pthread_condattr_destroy(&attributes);
}

// The read this thread was in is abandoned; the lock goes back.
void unlock_on_cancel(void *) {
  read_watch_ended_by_force();
  pthread_mutex_unlock(&lock);
}

}  // namespace

void remote_lock(void) {
  pthread_once(&changed_once, use_monotonic_clock);
  pthread_mutex_lock(&lock);
}

void remote_unlock(void) { pthread_mutex_unlock(&lock); }

void remote_wait(uint64_t wake_at_ms) {
  // pthread_cond_wait is a cancellation point that takes the lock back
  // before the thread unwinds; the handler gives it up again.
  pthread_cleanup_push(unlock_on_cancel, nullptr);
  if (wake_at_ms == 0) {
    pthread_cond_wait(&changed, &lock);
  } else {
    timespec deadline;
    deadline.tv_sec = static_cast<time_t>(wake_at_ms / 1000);
    deadline.tv_nsec = static_cast<long>(wake_at_ms % 1000) * 1000000L;
    pthread_cond_timedwait(&changed, &lock, &deadline);
  }
  pthread_cleanup_pop(0);
}

void remote_wake(void) { pthread_cond_broadcast(&changed); }

uint64_t remote_clock_ms(void) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

#endif
