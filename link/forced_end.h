// Ending a thread by force, shared by the reader and the register read.
#pragma once

#include "platform/win32.h"

// The exit code a thread ended by force is given.
constexpr DWORD kForcedExitCode = 0xFFFFFFFF;

// Ends `thread` by force when it still runs, then waits a bounded time for it
// to be gone (TerminateThread may return before the thread has ended). Does
// nothing to a thread that has ended or to a null handle. Any thread but
// `thread` itself.
void end_thread_by_force(HANDLE thread);
