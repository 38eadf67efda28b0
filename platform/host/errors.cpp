// Per-thread last error, as Windows keeps it.
#include "platform/win32.h"

namespace {
thread_local DWORD last_error;
}

extern "C" DWORD GetLastError(void) { return last_error; }
extern "C" void SetLastError(DWORD code) { last_error = code; }
