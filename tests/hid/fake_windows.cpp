#include "tests/hid/fake_windows.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

FakeWorld world;

namespace {

// What kernel32 keeps in OVERLAPPED.Internal while I/O is in flight.
constexpr ULONG_PTR kStatusPending = 0x103;
// Win32 error codes are small; a larger Internal was never written by the system.
constexpr ULONG_PTR kLargestErrorCode = 0xFFFF;

const GUID kFakeHidClass = {
    0x1d1e0c5a, 0x2b3c, 0x4d5e, {0x8f, 0x90, 0xa1, 0xb2, 0xc3, 0xd4, 0xe5, 0xf6}};
const wchar_t kPathPrefix[] = L"\\\\?\\hid#fake#";

// Fake handles are addresses in this process, which no real handle equals.
unsigned char device_list_token;
unsigned char preparsed_tokens[kMaxFakeInterfaces];

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

PendingIo pending_read;
PendingIo pending_write;
HANDLE last_write_event;
HANDLE events[kMaxFakeEvents];
int event_count;

// The reader runs on its own thread in some cases, so the fake's state is guarded; never held
// while a thread blocks or ends.
CRITICAL_SECTION lock;
HANDLE reader_blocked_signal;

struct Guard {
  Guard() { EnterCriticalSection(&lock); }
  ~Guard() { LeaveCriticalSection(&lock); }
  Guard(const Guard &) = delete;
  Guard &operator=(const Guard &) = delete;
};

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

void end_thread_now() { TerminateThread(GetCurrentThread(), kForcedExitCode); }

// With the lock held.
void complete(PendingIo *io, DWORD error, DWORD bytes) {
  io->overlapped->Internal = error;
  io->overlapped->InternalHigh = bytes;
  io->active = false;
  SetEvent(io->overlapped->hEvent);
}

// With the lock held.
void complete_read_with_report(uint8_t seed) {
  DWORD length = interface_of(pending_read.file)->input_length;
  for (DWORD i = 0; i < length; ++i) pending_read.buffer[i] = fake_report_byte(seed, i);
  complete(&pending_read, ERROR_SUCCESS, length);
}

// With the lock held.
void cancel(PendingIo *io, HANDLE file, bool this_thread_only) {
  if (!io->active || io->file != file_of(file) || world.cancel_is_ignored) return;
  if (this_thread_only && io->issuing_thread != GetCurrentThreadId()) return;
  complete(io, ERROR_OPERATION_ABORTED, 0);
}

// With the lock held. A handle to an open file the library opened for I/O, or nullptr.
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

void WINAPI fake_get_hid_guid(LPGUID guid) { *guid = kFakeHidClass; }

HDEVINFO WINAPI fake_get_class_devs(const GUID *guid, PCWSTR, HWND, DWORD flags) {
  Guard guard;
  if (std::memcmp(guid, &kFakeHidClass, sizeof *guid) != 0) violation("not the HID class");
  if ((flags & (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)) !=
      (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)) {
    violation("asked for more than present device interfaces");
  }
  if (world.class_list_fails) {
    SetLastError(ERROR_ACCESS_DENIED);
    return static_cast<HDEVINFO>(INVALID_HANDLE_VALUE);
  }
  ++world.open_lists;
  return static_cast<HDEVINFO>(&device_list_token);
}

WINBOOL WINAPI fake_enum_interfaces(HDEVINFO list, PSP_DEVINFO_DATA, const GUID *, DWORD index,
                                    PSP_DEVICE_INTERFACE_DATA data) {
  Guard guard;
  if (list != &device_list_token) violation("enumerating a list that is not open");
  if (data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  if (static_cast<int>(index) >= world.interface_count) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
  }
  data->Reserved = index;
  return TRUE;
}

WINBOOL WINAPI fake_get_interface_detail(HDEVINFO list, PSP_DEVICE_INTERFACE_DATA data,
                                         PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD size,
                                         PDWORD required, PSP_DEVINFO_DATA) {
  Guard guard;
  if (list != &device_list_token) violation("detail from a list that is not open");
  wchar_t path[64];
  int length = static_cast<int>(wcslen(kPathPrefix));
  std::memcpy(path, kPathPrefix, length * sizeof(wchar_t));
  path[length++] = static_cast<wchar_t>(L'0' + data->Reserved);
  path[length] = L'\0';
  DWORD needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                                    (length + 1) * sizeof(wchar_t));
  if (required) *required = needed;
  if (!detail || size < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  std::memcpy(detail->DevicePath, path, (length + 1) * sizeof(wchar_t));
  return TRUE;
}

WINBOOL WINAPI fake_destroy_list(HDEVINFO list) {
  Guard guard;
  if (list != &device_list_token || world.open_lists == 0) {
    violation("destroying a list that is not open");
    return FALSE;
  }
  --world.open_lists;
  return TRUE;
}

HANDLE WINAPI fake_create_file(LPCWSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES,
                               DWORD disposition, DWORD flags, HANDLE) {
  Guard guard;
  size_t prefix = wcslen(kPathPrefix);
  if (wcsncmp(path, kPathPrefix, prefix) != 0 || disposition != OPEN_EXISTING) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  int index = path[prefix] - L'0';
  if (index < 0 || index >= world.interface_count) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if ((access & (GENERIC_READ | GENERIC_WRITE)) && world.interfaces[index].refuses_read_write) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  if (world.file_count == kMaxFakeFiles) {
    violation("more files opened than the fake keeps");
    SetLastError(ERROR_TOO_MANY_OPEN_FILES);
    return INVALID_HANDLE_VALUE;
  }
  FakeFile *file = &world.files[world.file_count++];
  file->open = true;
  file->interface_index = index;
  file->access = access;
  file->flags = flags;
  ++world.open_files;
  return static_cast<HANDLE>(file);
}

WINBOOL WINAPI fake_close_handle(HANDLE handle) {
  Guard guard;
  ++world.close_handle_calls;
  if (FakeFile *file = file_of(handle)) {
    if (!file->open) {
      violation("closing a device handle twice");
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    if ((pending_read.active && pending_read.file == file) ||
        (pending_write.active && pending_write.file == file)) {
      ++world.closed_with_io_pending;
    }
    file->open = false;
    --world.open_files;
    return TRUE;
  }
  int index = event_index(handle);
  if (index < 0) {
    violation("closing a handle that is neither an open device nor an event");
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  events[index] = events[--event_count];
  --world.open_events;
  return CloseHandle(handle);
}

BOOLEAN NTAPI fake_get_attributes(HANDLE handle, PHIDD_ATTRIBUTES attributes) {
  Guard guard;
  FakeFile *file = file_of(handle);
  if (!file || !file->open) {
    violation("attributes of a handle that is not an open device");
    return FALSE;
  }
  if (attributes->Size != sizeof(HIDD_ATTRIBUTES)) return FALSE;
  attributes->VendorID = interface_of(file)->vendor_id;
  attributes->ProductID = interface_of(file)->product_id;
  attributes->VersionNumber = 0;
  return TRUE;
}

BOOLEAN NTAPI fake_get_preparsed(HANDLE handle, PHIDP_PREPARSED_DATA *preparsed) {
  Guard guard;
  FakeFile *file = file_of(handle);
  if (!file || !file->open) {
    violation("preparsed data of a handle that is not an open device");
    return FALSE;
  }
  ++world.open_preparsed;
  *preparsed = reinterpret_cast<PHIDP_PREPARSED_DATA>(&preparsed_tokens[file->interface_index]);
  return TRUE;
}

BOOLEAN NTAPI fake_free_preparsed(PHIDP_PREPARSED_DATA) {
  Guard guard;
  if (world.open_preparsed-- == 0) violation("preparsed data freed twice");
  return TRUE;
}

NTSTATUS NTAPI fake_get_caps(PHIDP_PREPARSED_DATA preparsed, PHIDP_CAPS caps) {
  Guard guard;
  int index = static_cast<int>(reinterpret_cast<unsigned char *>(preparsed) - preparsed_tokens);
  std::memset(caps, 0, sizeof *caps);
  caps->InputReportByteLength = world.interfaces[index].input_length;
  caps->OutputReportByteLength = world.interfaces[index].output_length;
  return HIDP_STATUS_SUCCESS;
}

BOOLEAN NTAPI fake_set_output_report(HANDLE handle, PVOID buffer, ULONG length) {
  Guard guard;
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

HANDLE WINAPI fake_create_event(LPSECURITY_ATTRIBUTES attributes, WINBOOL manual_reset,
                                WINBOOL initial_state, LPCWSTR name) {
  Guard guard;
  if (!manual_reset) violation("an auto-reset event for overlapped I/O");
  if (event_count == kMaxFakeEvents) {
    violation("more events than the fake keeps");
    return nullptr;
  }
  HANDLE event = CreateEventW(attributes, manual_reset, initial_state, name);
  events[event_count++] = event;
  ++world.open_events;
  return event;
}

WINBOOL WINAPI fake_read_file(HANDLE handle, LPVOID buffer, DWORD length, LPDWORD,
                              LPOVERLAPPED overlapped) {
  ReadMode mode;
  {
    Guard guard;
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
  Guard guard;
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
  Guard guard;
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
  Guard guard;
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
  Guard guard;
  ++world.cancel_io_calls;
  cancel(&pending_read, handle, true);
  cancel(&pending_write, handle, true);
  return TRUE;
}

WINBOOL WINAPI fake_cancel_io_ex(HANDLE handle, LPOVERLAPPED overlapped) {
  Guard guard;
  ++world.cancel_io_ex_calls;
  if (!overlapped || overlapped == pending_read.overlapped) cancel(&pending_read, handle, false);
  if (!overlapped || overlapped == pending_write.overlapped) cancel(&pending_write, handle, false);
  return TRUE;
}

WinCalls fake_win_calls() {
  WinCalls calls;
  calls.HidD_GetHidGuid = fake_get_hid_guid;
  calls.SetupDiGetClassDevsW = fake_get_class_devs;
  calls.SetupDiEnumDeviceInterfaces = fake_enum_interfaces;
  calls.SetupDiGetDeviceInterfaceDetailW = fake_get_interface_detail;
  calls.SetupDiDestroyDeviceInfoList = fake_destroy_list;
  calls.CreateFileW = fake_create_file;
  calls.CloseHandle = fake_close_handle;
  calls.HidD_GetAttributes = fake_get_attributes;
  calls.HidD_GetPreparsedData = fake_get_preparsed;
  calls.HidD_FreePreparsedData = fake_free_preparsed;
  calls.HidP_GetCaps = fake_get_caps;
  calls.HidD_SetOutputReport = fake_set_output_report;
  calls.CreateEventW = fake_create_event;
  calls.ReadFile = fake_read_file;
  calls.WriteFile = fake_write_file;
  calls.GetOverlappedResult = fake_get_overlapped_result;
  calls.CancelIo = fake_cancel_io;
  calls.CancelIoEx = fake_cancel_io_ex;
  calls.WaitForSingleObject = fake_wait;
  return calls;
}

}  // namespace

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
  win = fake_win_calls();
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
  Guard guard;
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
  Guard guard;
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
