// What the parts of the fake system share; the cases use fake_windows.h only.
#pragma once

#include "tests/hid/fake_windows.h"

// What kernel32 keeps in OVERLAPPED.Internal while I/O is in flight.
constexpr ULONG_PTR kStatusPending = 0x103;

struct PendingIo {
  bool active;
  OVERLAPPED *overlapped;
  FakeFile *file;
  unsigned char *buffer;
  DWORD length;
  DWORD issuing_thread;
  ReadStep step;
  bool caller_killed;
};

// The one read and the one write the device has in flight.
extern PendingIo pending_read;
extern PendingIo pending_write;
// The event of the last WriteFile, so waits on it can be counted.
extern HANDLE last_write_event;
// The events the library created, so a wait on one can be judged.
extern HANDLE events[kMaxFakeEvents];
extern int event_count;
// Signalled when a reader blocks for real on a read only fake_release_read ends.
extern HANDLE reader_blocked_signal;

// The reader runs on its own thread in some cases, so the fake's state is guarded; never held
// while a thread blocks or ends.
struct FakeLock {
  FakeLock();
  ~FakeLock();
  FakeLock(const FakeLock &) = delete;
  FakeLock &operator=(const FakeLock &) = delete;
};

// With the lock held, for every function below. Records a misuse the real system would punish.
void violation(const char *what);

// The fake file behind a handle, open or not, or nullptr.
FakeFile *file_of(HANDLE handle);

// The index of an event the library created, or -1.
int event_index(HANDLE handle);

FakeInterface *interface_of(const FakeFile *file);

// Ends pending I/O with an error code (0 for success) and a byte count, and signals its event.
void complete(PendingIo *io, DWORD error, DWORD bytes);

// Ends the pending read with the report of this seed.
void complete_read_with_report(uint8_t seed);

// Cancels io when it is on file (and, for this_thread_only, was issued by this thread).
void cancel(PendingIo *io, HANDLE file, bool this_thread_only);

// The open file the library opened for I/O behind handle, or nullptr; call names the caller.
FakeFile *io_file(HANDLE handle, DWORD access_needed, const char *call);

// Without the lock held. Ends the calling thread, as the tools end a reader.
void end_thread_now();

// Any thread. Put in the fakes of discovery and handles, and of reports and waits.
void put_in_device_fakes(WinCalls *calls);
void put_in_io_fakes(WinCalls *calls);
