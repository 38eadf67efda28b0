#include "tests/hid/fake_windows.h"

#include <cstdio>
#include <cstring>

#include "tests/hid/fake_state.h"

FakeWorld world;
PendingIo pending_read;
PendingIo pending_write;
HANDLE last_write_event;
HANDLE events[kMaxFakeEvents];
int event_count;
HANDLE reader_blocked_signal;

namespace {

CRITICAL_SECTION lock;

}  // namespace

FakeLock::FakeLock() { EnterCriticalSection(&lock); }
FakeLock::~FakeLock() { LeaveCriticalSection(&lock); }

void end_thread_now() { TerminateThread(GetCurrentThread(), kForcedExitCode); }

void violation(const char *what) {
  if (world.violations++ == 0) {
    std::snprintf(world.first_violation, sizeof world.first_violation, "%s", what);
  }
  std::printf("fake system: %s\n", what);
}

FakeFile *file_of(HANDLE handle) {
  for (int i = 0; i < world.file_count; ++i) {
    if (handle == static_cast<HANDLE>(&world.files[i])) return &world.files[i];
  }
  return nullptr;
}

int event_index(HANDLE handle) {
  for (int i = 0; i < event_count; ++i) {
    if (events[i] == handle) return i;
  }
  return -1;
}

FakeInterface *interface_of(const FakeFile *file) {
  return &world.interfaces[file->interface_index];
}

void complete(PendingIo *io, DWORD error, DWORD bytes) {
  io->overlapped->Internal = error;
  io->overlapped->InternalHigh = bytes;
  io->active = false;
  SetEvent(io->overlapped->hEvent);
}

void complete_read_with_report(uint8_t seed) {
  DWORD length = interface_of(pending_read.file)->input_length;
  for (DWORD i = 0; i < length; ++i) pending_read.buffer[i] = fake_report_byte(seed, i);
  complete(&pending_read, ERROR_SUCCESS, length);
}

void cancel(PendingIo *io, HANDLE file, bool this_thread_only) {
  if (!io->active || io->file != file_of(file) || world.cancel_is_ignored) return;
  if (this_thread_only && io->issuing_thread != GetCurrentThreadId()) return;
  complete(io, ERROR_OPERATION_ABORTED, 0);
}

FakeFile *io_file(HANDLE handle, DWORD access_needed, const char *call) {
  FakeFile *file = file_of(handle);
  char what[128];
  if (!file || !file->open) {
    std::snprintf(what, sizeof what, "%s on a handle that is not an open device", call);
    violation(what);
    return nullptr;
  }
  if ((file->access & access_needed) != access_needed || !(file->flags & FILE_FLAG_OVERLAPPED)) {
    std::snprintf(what, sizeof what, "%s on a device not opened for overlapped I/O", call);
    violation(what);
  }
  return file;
}

void fake_reset() {
  static bool first = true;
  if (first) {
    InitializeCriticalSection(&lock);
    reader_blocked_signal = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    first = false;
  }
  for (int i = 0; i < event_count; ++i) CloseHandle(events[i]);
  event_count = 0;
  std::memset(&world, 0, sizeof world);
  std::memset(&pending_read, 0, sizeof pending_read);
  std::memset(&pending_write, 0, sizeof pending_write);
  last_write_event = nullptr;
  ResetEvent(reader_blocked_signal);
  WinCalls calls;
  put_in_device_fakes(&calls);
  put_in_io_fakes(&calls);
  win = calls;
}

int fake_add_interface(uint16_t vendor_id, uint16_t product_id, uint16_t input_length,
                       uint16_t output_length) {
  int index = world.interface_count++;
  FakeInterface *added = &world.interfaces[index];
  std::memset(added, 0, sizeof *added);
  added->vendor_id = vendor_id;
  added->product_id = product_id;
  added->input_length = input_length;
  added->output_length = output_length;
  return index;
}

void fake_plan_read(ReadMode mode, uint8_t seed, DWORD error) {
  world.planned_reads[world.planned_read_count++] = ReadStep{mode, seed, error};
}

void fake_release_read(uint8_t seed, DWORD error) {
  FakeLock guard;
  if (!pending_read.active) {
    violation("releasing a read that is not pending");
    return;
  }
  if (error == ERROR_SUCCESS) {
    complete_read_with_report(seed);
  } else {
    complete(&pending_read, error, 0);
  }
}

void fake_finish_pending_write() {
  FakeLock guard;
  if (!pending_write.active) {
    violation("finishing a write that is not pending");
    return;
  }
  complete(&pending_write, ERROR_SUCCESS, pending_write.length);
}

void fake_wait_until_reader_blocks() { WaitForSingleObject(reader_blocked_signal, INFINITE); }

uint8_t fake_report_byte(uint8_t seed, uint32_t index) {
  return static_cast<uint8_t>(seed + index);
}

const FakeFile *fake_only_open_file() {
  const FakeFile *found = nullptr;
  for (int i = 0; i < world.file_count; ++i) {
    if (!world.files[i].open) continue;
    if (found) return nullptr;
    found = &world.files[i];
  }
  return found;
}
