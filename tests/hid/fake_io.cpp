// The fake system's reports: reads, writes, waits, results and cancels.
#include <cstdio>
#include <cstring>

#include "tests/hid/fake_state.h"

namespace {

// Win32 error codes are small; a larger Internal was never written by the system.
constexpr ULONG_PTR kLargestErrorCode = 0xFFFF;

BOOLEAN NTAPI fake_set_output_report(HANDLE handle, PVOID buffer, ULONG length) {
  FakeLock guard;
  FakeFile *file = io_file(handle, GENERIC_WRITE, "HidD_SetOutputReport");
  if (!file) return FALSE;
  ++world.set_output_report_calls;
  world.last_set_output_length = length;
  std::memset(world.last_set_output, 0, sizeof world.last_set_output);
  std::memcpy(world.last_set_output, buffer,
              length < kMaxRecordedBytes ? length : kMaxRecordedBytes);
  // The class driver takes an output report only at the device's declared length.
  if (world.set_output_report_fails || length != interface_of(file)->output_length) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

WINBOOL WINAPI fake_read_file(HANDLE handle, LPVOID buffer, DWORD length, LPDWORD,
                              LPOVERLAPPED overlapped) {
  ReadMode mode;
  {
    FakeLock guard;
    FakeFile *file = io_file(handle, GENERIC_READ, "ReadFile");
    if (!file || !overlapped || !overlapped->hEvent) {
      if (file) violation("ReadFile without an OVERLAPPED and event");
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    if (pending_read.active) violation("a second ReadFile while a read is in flight");
    ++world.read_file_calls;
    world.last_read_buffer = buffer;
    world.last_read_length = length;
    if (world.planned_read_count == 0) {
      violation("ReadFile beyond the planned reads");
      SetLastError(ERROR_GEN_FAILURE);
      return FALSE;
    }
    ReadStep step = world.planned_reads[0];
    --world.planned_read_count;
    std::memmove(world.planned_reads, world.planned_reads + 1,
                 world.planned_read_count * sizeof(ReadStep));
    mode = step.mode;
    if (mode != ReadMode::kKillCallerOnEntry) {
      overlapped->Internal = kStatusPending;
      if (length < interface_of(file)->input_length) {
        // The class driver wants room for a whole report.
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
      }
      pending_read.active = true;
      pending_read.overlapped = overlapped;
      pending_read.file = file;
      pending_read.buffer = static_cast<unsigned char *>(buffer);
      pending_read.length = length;
      pending_read.issuing_thread = GetCurrentThreadId();
      pending_read.step = step;
      pending_read.caller_killed = false;
      ResetEvent(overlapped->hEvent);
    }
    if (mode == ReadMode::kReportAtOnce) {
      complete_read_with_report(step.seed);
      return TRUE;
    }
    if (mode == ReadMode::kFailAtOnce) {
      pending_read.active = false;
      SetLastError(step.error);
      return FALSE;
    }
    if (mode == ReadMode::kKillCallerAfterPending) pending_read.caller_killed = true;
  }
  if (mode == ReadMode::kKillCallerOnEntry || mode == ReadMode::kKillCallerAfterPending) {
    end_thread_now();
  }
  SetLastError(ERROR_IO_PENDING);
  return FALSE;
}

WINBOOL WINAPI fake_write_file(HANDLE handle, LPCVOID buffer, DWORD length, LPDWORD,
                               LPOVERLAPPED overlapped) {
  FakeLock guard;
  FakeFile *file = io_file(handle, GENERIC_WRITE, "WriteFile");
  if (!file || !overlapped || !overlapped->hEvent) {
    if (file) violation("WriteFile without an OVERLAPPED and event");
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (pending_write.active) violation("a second WriteFile while a write is in flight");
  if (pending_read.active && (pending_read.overlapped == overlapped ||
                              pending_read.overlapped->hEvent == overlapped->hEvent)) {
    violation("a write shares the OVERLAPPED or event of a pending read");
  }
  ++world.write_file_calls;
  world.last_write_length = length;
  world.last_write_file = file;
  std::memset(world.last_write, 0, sizeof world.last_write);
  std::memcpy(world.last_write, buffer, length < kMaxRecordedBytes ? length : kMaxRecordedBytes);
  last_write_event = overlapped->hEvent;
  overlapped->Internal = kStatusPending;
  if (interface_of(file)->refuses_actual_length) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  switch (world.write_mode) {
    case WriteMode::kAtOnce:
      overlapped->Internal = ERROR_SUCCESS;
      overlapped->InternalHigh = length;
      SetEvent(overlapped->hEvent);
      return TRUE;
    case WriteMode::kFailAtOnce:
      SetLastError(world.write_error);
      return FALSE;
    default:
      pending_write.active = true;
      pending_write.overlapped = overlapped;
      pending_write.file = file;
      pending_write.length = length;
      pending_write.issuing_thread = GetCurrentThreadId();
      ResetEvent(overlapped->hEvent);
      SetLastError(ERROR_IO_PENDING);
      return FALSE;
  }
}

// What a wait comes to: decided under the lock, carried out after it, since the caller may block
// or end there.
struct WaitOutcome {
  DWORD result;
  bool end_caller;
  bool real_wait;
};

constexpr WaitOutcome kSignalled = {WAIT_OBJECT_0, false, false};
constexpr WaitOutcome kTimedOut = {WAIT_TIMEOUT, false, false};
constexpr WaitOutcome kWaitFailed = {WAIT_FAILED, false, false};
constexpr WaitOutcome kEndCaller = {WAIT_FAILED, true, false};
constexpr WaitOutcome kRealWait = {WAIT_FAILED, false, true};

// With the lock held.
WaitOutcome decide_read_wait(DWORD milliseconds) {
  ReadMode mode = pending_read.step.mode;
  if (mode == ReadMode::kReportWhenWaited) {
    complete_read_with_report(pending_read.step.seed);
    return kSignalled;
  }
  if (mode == ReadMode::kFailWhenWaited) {
    complete(&pending_read, pending_read.step.error, 0);
    return kSignalled;
  }
  if (mode == ReadMode::kKillCallerInWait && !pending_read.caller_killed) {
    pending_read.caller_killed = true;
    return kEndCaller;
  }
  if (mode == ReadMode::kReportWhenReleased && !pending_read.caller_killed) return kRealWait;
  if (milliseconds != INFINITE) return kTimedOut;
  violation("an endless wait for a read that only a thread now gone could see end");
  return kWaitFailed;
}

// With the lock held.
WaitOutcome decide_write_wait(DWORD milliseconds) {
  if (world.write_mode == WriteMode::kWhenWaited) {
    complete(&pending_write, ERROR_SUCCESS, pending_write.length);
    return kSignalled;
  }
  if (world.write_mode == WriteMode::kFailWhenWaited) {
    complete(&pending_write, world.write_error, 0);
    return kSignalled;
  }
  if (milliseconds != INFINITE) return kTimedOut;
  violation("an endless wait for a write that never completes");
  return kWaitFailed;
}

WaitOutcome decide_wait(HANDLE handle, DWORD milliseconds) {
  FakeLock guard;
  if (handle == last_write_event) {
    ++world.write_waits;
    if (milliseconds == INFINITE) world.write_wait_was_infinite = true;
  }
  if (pending_read.active && handle == pending_read.overlapped->hEvent) {
    return decide_read_wait(milliseconds);
  }
  if (pending_write.active && handle == pending_write.overlapped->hEvent) {
    return decide_write_wait(milliseconds);
  }
  if (WaitForSingleObject(handle, 0) == WAIT_OBJECT_0) return kSignalled;
  if (event_index(handle) >= 0) {
    violation("a wait on an event that no I/O in flight will signal");
  } else {
    violation("a wait on a handle the library does not own");
  }
  return kWaitFailed;
}

DWORD WINAPI fake_wait(HANDLE handle, DWORD milliseconds) {
  WaitOutcome outcome = decide_wait(handle, milliseconds);
  if (outcome.end_caller) end_thread_now();
  // A timed wait stands for its whole time having passed, so no case waits on the clock.
  if (outcome.real_wait) {
    // Signalled outside the lock, so a test may end this thread from outside from now on.
    if (milliseconds == INFINITE) SetEvent(reader_blocked_signal);
    return WaitForSingleObject(handle, milliseconds == INFINITE ? INFINITE : 0);
  }
  return outcome.result;
}

WINBOOL WINAPI fake_get_overlapped_result(HANDLE handle, LPOVERLAPPED overlapped, LPDWORD bytes,
                                          WINBOOL wait) {
  FakeLock guard;
  if (!io_file(handle, 0, "GetOverlappedResult")) return FALSE;
  if (overlapped->Internal == kStatusPending) {
    if (wait) violation("a blocking GetOverlappedResult");
    SetLastError(ERROR_IO_INCOMPLETE);
    return FALSE;
  }
  if (overlapped->Internal > kLargestErrorCode) {
    violation("the result of an OVERLAPPED the system never had");
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *bytes = static_cast<DWORD>(overlapped->InternalHigh);
  if (overlapped->Internal == ERROR_SUCCESS) return TRUE;
  SetLastError(static_cast<DWORD>(overlapped->Internal));
  return FALSE;
}

WINBOOL WINAPI fake_cancel_io(HANDLE handle) {
  FakeLock guard;
  ++world.cancel_io_calls;
  cancel(&pending_read, handle, true);
  cancel(&pending_write, handle, true);
  return TRUE;
}

WINBOOL WINAPI fake_cancel_io_ex(HANDLE handle, LPOVERLAPPED overlapped) {
  FakeLock guard;
  ++world.cancel_io_ex_calls;
  if (!overlapped || overlapped == pending_read.overlapped) cancel(&pending_read, handle, false);
  if (!overlapped || overlapped == pending_write.overlapped) cancel(&pending_write, handle, false);
  return TRUE;
}

}  // namespace

void put_in_io_fakes(WinCalls *calls) {
  calls->HidD_SetOutputReport = fake_set_output_report;
  calls->ReadFile = fake_read_file;
  calls->WriteFile = fake_write_file;
  calls->GetOverlappedResult = fake_get_overlapped_result;
  calls->CancelIo = fake_cancel_io;
  calls->CancelIoEx = fake_cancel_io_ex;
  calls->WaitForSingleObject = fake_wait;
}
