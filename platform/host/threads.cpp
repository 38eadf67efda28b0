// Threads with Windows semantics on POSIX threads: the handle outlives the
// thread until CloseHandle, can be waited on, and TerminateThread really ends
// a thread that is blocked (at any cancellation point: reads, waits, sleeps).
#include <errno.h>
#include <pthread.h>
#include <time.h>

#include "platform/host/host_handle.h"

namespace {

constexpr int kMaxThreads = 64;
constexpr DWORD kStillActive = 259;
// How long TerminateThread waits for the thread to reach a cancellation point.
constexpr DWORD kTerminateWaitMs = 5000;

struct HostThread {
  HostHandle handle;  // first, so a HANDLE is the thread's address
  bool in_use;
  bool done;
  bool handle_closed;
  DWORD exit_code;
  pthread_t thread;
  unsigned(WINAPI *start)(void *);
  void *argument;
};

pthread_mutex_t threads_lock = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t thread_ended = PTHREAD_COND_INITIALIZER;
HostThread threads[kMaxThreads];
unsigned next_thread_id = 1;

void init_clock_once() {
  // The wait below measures timeouts on the monotonic clock.
  static pthread_once_t once = PTHREAD_ONCE_INIT;
  pthread_once(&once, [] {
    pthread_condattr_t attributes;
    pthread_condattr_init(&attributes);
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    pthread_cond_destroy(&thread_ended);
    pthread_cond_init(&thread_ended, &attributes);
    pthread_condattr_destroy(&attributes);
  });
}

HostThread *as_thread(HANDLE handle) {
  for (HostThread &t : threads) {
    if (handle == &t.handle && t.in_use && !t.handle_closed) return &t;
  }
  return nullptr;
}

// Caller holds threads_lock.
void release_if_unused(HostThread *t) {
  if (t->done && t->handle_closed) t->in_use = false;
}

void mark_done(HostThread *t, DWORD exit_code, bool terminated) {
  pthread_mutex_lock(&threads_lock);
  if (!terminated) t->exit_code = exit_code;
  t->done = true;
  release_if_unused(t);
  pthread_cond_broadcast(&thread_ended);
  pthread_mutex_unlock(&threads_lock);
}

void on_cancel(void *argument) { mark_done(static_cast<HostThread *>(argument), 0, true); }

void *run_thread(void *argument) {
  HostThread *t = static_cast<HostThread *>(argument);
  unsigned exit_code = 0;
  pthread_cleanup_push(on_cancel, t);
  exit_code = t->start(t->argument);
  pthread_cleanup_pop(0);
  mark_done(t, exit_code, false);
  return nullptr;
}

void close_thread_handle(HostHandle *handle) {
  pthread_mutex_lock(&threads_lock);
  HostThread *t = reinterpret_cast<HostThread *>(handle);
  t->handle_closed = true;
  release_if_unused(t);
  pthread_mutex_unlock(&threads_lock);
}

// Caller holds threads_lock. False on timeout.
bool wait_until_done(HostThread *t, DWORD milliseconds) {
  if (milliseconds == INFINITE) {
    while (!t->done) pthread_cond_wait(&thread_ended, &threads_lock);
    return true;
  }
  timespec deadline;
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += static_cast<time_t>(milliseconds / 1000);
  deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  while (!t->done) {
    if (pthread_cond_timedwait(&thread_ended, &threads_lock, &deadline) == ETIMEDOUT) {
      return t->done;
    }
  }
  return true;
}

// Locks the table and finds the live thread behind `handle`. When there is
// none, the table is unlocked again, the last error set, and null returned.
HostThread *lock_thread(HANDLE handle) {
  pthread_mutex_lock(&threads_lock);
  HostThread *t = as_thread(handle);
  if (t == nullptr) {
    pthread_mutex_unlock(&threads_lock);
    SetLastError(ERROR_INVALID_HANDLE);
  }
  return t;
}

}  // namespace

extern "C" uintptr_t _beginthreadex(void * /*security*/, unsigned stack_size,
                                    unsigned(WINAPI *start)(void *), void *argument,
                                    unsigned /*init_flags*/, unsigned *thread_id) {
  init_clock_once();
  pthread_mutex_lock(&threads_lock);
  HostThread *t = nullptr;
  for (HostThread &candidate : threads) {
    if (!candidate.in_use) {
      t = &candidate;
      break;
    }
  }
  if (t == nullptr) {
    pthread_mutex_unlock(&threads_lock);
    errno = EAGAIN;
    return 0;
  }
  *t = HostThread{};
  t->handle.close = close_thread_handle;
  t->in_use = true;
  t->exit_code = kStillActive;
  t->start = start;
  t->argument = argument;
  if (thread_id != nullptr) *thread_id = next_thread_id;
  ++next_thread_id;

  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  if (stack_size != 0) pthread_attr_setstacksize(&attributes, stack_size);
  int failed = pthread_create(&t->thread, &attributes, run_thread, t);
  pthread_attr_destroy(&attributes);
  if (failed != 0 || !host_handle_register(&t->handle)) {
    // A thread that started but found no room in the handle table runs on,
    // unreachable, as a thread whose handle was closed.
    t->handle_closed = true;
    if (failed != 0) t->in_use = false;
    pthread_mutex_unlock(&threads_lock);
    errno = EAGAIN;
    return 0;
  }
  pthread_mutex_unlock(&threads_lock);
  return reinterpret_cast<uintptr_t>(&t->handle);
}

extern "C" DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  HostThread *t = lock_thread(handle);
  if (t == nullptr) return WAIT_FAILED;
  bool done = wait_until_done(t, milliseconds);
  pthread_mutex_unlock(&threads_lock);
  return done ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

extern "C" BOOL TerminateThread(HANDLE handle, DWORD exit_code) {
  HostThread *t = lock_thread(handle);
  if (t == nullptr) return FALSE;
  if (t->done) {
    pthread_mutex_unlock(&threads_lock);
    return TRUE;
  }
  // Still under the lock and not done, so the thread has not passed
  // mark_done and its pthread_t is valid.
  t->exit_code = exit_code;
  pthread_cancel(t->thread);
  bool ended = wait_until_done(t, kTerminateWaitMs);
  pthread_mutex_unlock(&threads_lock);
  return ended ? TRUE : FALSE;
}

extern "C" BOOL GetExitCodeThread(HANDLE handle, DWORD *exit_code) {
  HostThread *t = lock_thread(handle);
  if (t == nullptr) return FALSE;
  *exit_code = t->done ? t->exit_code : kStillActive;
  pthread_mutex_unlock(&threads_lock);
  return TRUE;
}
