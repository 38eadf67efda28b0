// The background reader and the probe built on it.
#include "link/forced_end.h"
#include "link/remote_link.h"

namespace {

// The flags below stand alone: no other data is ordered with them (the main
// thread reads the reader's other results only after the reader has ended).
constexpr std::memory_order kFlagOrder = std::memory_order_relaxed;

unsigned WINAPI reader_thread_main(void *) {
  reader_loop();
  return 0;
}

void wait_for_answer(ProbeWait wait) {
  if (wait == ProbeWait::busy) {
    wait_ms(kProbeWaitMs);
  } else {
    Sleep(kProbeWaitMs);
  }
}

}  // namespace

void reader_loop(void) {
  ReaderControl &reader = remote_link.reader;
  while (reader.reader_run.load(kFlagOrder) != 0) {
    reader.reader_active.store(1, kFlagOrder);
    parse_input_report();
    Sleep(kReaderPauseMs);
  }
  reader.reader_active.store(0, kFlagOrder);
}

int32_t probe_remote(ProbeWait wait) {
  ReaderControl &reader = remote_link.reader;
  end_reader(kReaderEndTimeoutMs);
  remote_link.state.accel_x.store(0, kFlagOrder);
  reader.reader_run.store(1, kFlagOrder);
  if (reader.reader_thread != nullptr) CloseHandle(reader.reader_thread);
  // _beginthreadex, not _beginthread: its handle stays valid after the thread
  // ends, so the later wait and stop never touch a closed handle. A failed
  // start leaves no thread, and the probe then fails on its own.
  reader.reader_thread =
      reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, reader_thread_main, nullptr, 0, nullptr));
  wait_for_answer(wait);
  reader.reader_run.store(0, kFlagOrder);
  return remote_link.state.accel_x.load(kFlagOrder) != 0 ? 1 : 0;
}

void stop_reader(void) {
  if (remote_link.reader.reader_active.load(kFlagOrder) != 1) return;
  end_thread_by_force(remote_link.reader.reader_thread);
}

int32_t end_reader(DWORD timeout_ms) {
  ReaderControl &reader = remote_link.reader;
  reader.reader_run.store(0, kFlagOrder);
  if (reader.reader_thread == nullptr) return 1;
  if (WaitForSingleObject(reader.reader_thread, timeout_ms) == WAIT_OBJECT_0) return 1;
  // Still running after the bound: blocked on a silent remote. reader_active
  // is not consulted: a reader that has not yet set it must end all the same.
  end_thread_by_force(reader.reader_thread);
  return 0;
}
