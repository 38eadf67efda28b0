// The reads in progress inside velk_hid_dll and what became of them; at
// process exit a last look logs the reads still watched.
#include "sim/remote/read_watch.h"

#include "sim/remote/remote_sync.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace {

constexpr int kWatchedReadsMax = 16;

enum class ReadThread {
  runs,             // still inside the read
  ended_by_force,   // ended while inside it
  ended_otherwise,  // Windows at exit: ended by the exit itself
};

struct WatchedRead {
  bool in_use;
  HidHandle handle;
#ifdef _WIN32
  HANDLE thread;  // a handle of our own, to see whether the thread still runs
#else
  pthread_t thread;
  bool ended_by_force;  // set by the thread's cancellation handler
#endif
};

// Guarded by the remote's lock.
WatchedRead reads[kWatchedReadsMax];

#ifdef _WIN32

// At exit Windows has already ended every other thread; the link's forced
// ends are told from the exit's by the exit code it gives (TerminateThread
// with 0xFFFFFFFF).
constexpr DWORD kForcedExitCode = 0xFFFFFFFF;

void remember_thread(WatchedRead *read) {
  read->thread = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &read->thread,
                  SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, 0);
}

void forget_thread(WatchedRead *read) {
  if (read->thread != nullptr) CloseHandle(read->thread);
  read->thread = nullptr;
}

ReadThread thread_of(const WatchedRead &read) {
  if (read.thread == nullptr || WaitForSingleObject(read.thread, 0) == WAIT_TIMEOUT) {
    return ReadThread::runs;
  }
  DWORD code = 0;
  GetExitCodeThread(read.thread, &code);
  return code == kForcedExitCode ? ReadThread::ended_by_force : ReadThread::ended_otherwise;
}

#else

void remember_thread(WatchedRead *read) {
  read->thread = pthread_self();
  read->ended_by_force = false;
}

void forget_thread(WatchedRead *) {}

ReadThread thread_of(const WatchedRead &read) {
  return read.ended_by_force ? ReadThread::ended_by_force : ReadThread::runs;
}

#endif

void forget(WatchedRead *read) {
  forget_thread(read);
  read->in_use = false;
}

// Lock not held: logs each read still watched, as the process ends.
void look_at_exit(void) {
  LogLines log;
  log.count = 0;
  remote_lock();
  for (WatchedRead &read : reads) {
    if (!read.in_use) continue;
    if (thread_of(read) == ReadThread::ended_by_force) {
      log_add(&log, "hid %d read abandoned (its thread was ended inside it)", read.handle);
    } else {
      log_add(&log, "hid %d read still blocked at exit (its thread still ran)", read.handle);
    }
    forget(&read);
  }
  remote_unlock();
  log_flush(&log);
}

}  // namespace

int read_watch_begin(HidHandle handle) {
  for (int slot = 0; slot < kWatchedReadsMax; ++slot) {
    WatchedRead &read = reads[slot];
    if (read.in_use) continue;
    read.in_use = true;
    read.handle = handle;
    remember_thread(&read);
    return slot;
  }
  return -1;
}

void read_watch_end(int slot) {
  if (slot >= 0) forget(&reads[slot]);
}

void read_watch_at_close(HidHandle handle, unsigned long t, LogLines *log) {
  for (WatchedRead &read : reads) {
    if (!read.in_use || read.handle != handle) continue;
    if (thread_of(read) == ReadThread::runs) {
      log_add(log, "hid %d t=%lu read still blocked at closing (its thread still runs)", handle, t);
    } else {
      log_add(log, "hid %d t=%lu read abandoned (its thread was ended inside it)", handle, t);
      forget(&read);
    }
  }
}

#ifdef _WIN32

void read_watch_ended_by_force(void) {}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_DETACH) look_at_exit();
  return TRUE;
}

#else

void read_watch_ended_by_force(void) {
  const pthread_t self = pthread_self();
  for (WatchedRead &read : reads) {
    if (read.in_use && !read.ended_by_force && pthread_equal(read.thread, self)) {
      read.ended_by_force = true;
    }
  }
}

__attribute__((destructor)) void look_at_exit_of_process(void) { look_at_exit(); }

#endif
