// The 16-byte register read (see PROTOCOL.md, reports 0x17 and 0x21).
//
// ReadReport has no timeout, and a remote may never reply, so the reports are
// read on a short-lived worker thread that the main thread waits for with a
// bound and ends by force when it overruns.
#include <string.h>

#include "link/forced_end.h"
#include "link/input_buffer.h"
#include "link/remote_link.h"

namespace {

// Exit codes of the worker.
constexpr DWORD kReplyArrived = 1;
constexpr DWORD kNoReply = 0;

// Worker thread; the main thread waits for it and holds nothing it touches.
unsigned WINAPI await_read_reply(void *) {
  uint8_t *in = remote_link.input;
  // Reads that bring nothing count against the limit like other reports, so
  // a read that fails at once and for ever ends here quickly.
  for (int others = 0; others <= kReadReplyReportLimit; ++others) {
    // A short reply must not carry the data of the report before it.
    clear_input_report();
    ReadReport(remote_link.handle, in, &remote_link.read_count);
    if (in[0] == kReportReadReply) return kReplyArrived;
    // Only the buttons of these two modes; 0x37 and the rest are passed over.
    if (in[0] == kReportButtons || in[0] == kReportButtonsAccel) {
      remote_link.state.buttons1 = in[1];
      remote_link.state.buttons2 = in[2];
    }
  }
  return kNoReply;
}

// Main thread: 1 when the worker saw the reply within the bounds.
int32_t run_reply_worker(void) {
  HANDLE worker =
      reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, await_read_reply, nullptr, 0, nullptr));
  if (worker == nullptr) return 0;
  DWORD exit_code = kNoReply;
  if (WaitForSingleObject(worker, kReadReplyTimeoutMs) == WAIT_OBJECT_0) {
    GetExitCodeThread(worker, &exit_code);
  } else {
    end_thread_by_force(worker);
  }
  CloseHandle(worker);
  return exit_code == kReplyArrived ? 1 : 0;
}

}  // namespace

int32_t read_register_block(uint8_t space, uint8_t offset) {
  uint8_t *block = remote_link.register_block;
  // Whatever happens below, the block never shows an earlier read's bytes.
  memset(block, 0, kRegisterBlockSize);
  end_reader(kReaderEndTimeoutMs);
  // The request's result is velk_hid_dll's own; a request that did not go
  // out simply brings no reply.
  request_register_read(space, kReadReplyDataSize, offset);
  if (!run_reply_worker()) return 0;

  const uint8_t *reply = remote_link.input;
  const uint8_t error = reply[kReadReplyStatusByte] & kReadReplyErrorMask;
  if (error != kReadErrorNoDevice) {
    memcpy(block, reply + kReadReplyDataOffset, kRegisterBlockSize);
  }
  return 1;
}

int32_t read_extension_block(uint8_t offset) {
  return read_register_block(kSpaceExtension, offset);
}

int32_t read_motionplus_block(uint8_t offset) {
  return read_register_block(kSpaceMotionPlus, offset);
}
