// Ending a thread by force.
#include "link/forced_end.h"

namespace {

// How long a terminated thread may take to be gone.
constexpr DWORD kForcedEndWaitMs = 1000;

}  // namespace

void end_thread_by_force(HANDLE thread) {
  if (thread == nullptr) return;
  // Only a thread that still runs: its handle may be stale otherwise, and
  // ending an ended thread is meaningless.
  if (WaitForSingleObject(thread, 0) != WAIT_TIMEOUT) return;
  TerminateThread(thread, kForcedExitCode);
  WaitForSingleObject(thread, kForcedEndWaitMs);
}
