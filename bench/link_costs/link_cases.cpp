// The measured link operations and the instant remote's answers to them.
#include "link_costs/link_cases.h"

#include <string.h>

#include "link/remote_link.h"
#include "link_costs/instant_remote.h"

namespace {

// A remote lying still, two IR spots, bytes of a MotionPlus on the extension
// port: the parser's work does not depend on the values, only on the mode.
constexpr uint8_t kReportBody[kReportSize - 1] = {0x00, 0x00, 0x80, 0x80, 0x9A, 0xA3, 0x7F,
                                                  0x13, 0x5D, 0x81, 0x13, 0xFF, 0xFF, 0xFF,
                                                  0xFF, 0x2E, 0x2E, 0x2E, 0x2E, 0x2E, 0x2E};
// Status byte of a reply of 16 bytes without error.
constexpr uint8_t kReplyStatusFull = 0xF0;
// The dump reads from offset 0; every offset costs the same.
constexpr uint8_t kMeasuredOffset = 0x00;
// The register read's worker is bounded by the same wait.
constexpr DWORD kWorkerWaitMs = kReadReplyTimeoutMs;

void open_instant_remote(void) {
  remote_link.handle = OpenHidHandle(HID_VENDOR_ID, HID_PRODUCT_ID);
}

void answer_with_data_report(uint8_t mode) {
  uint8_t report[kReportSize];
  report[0] = mode;
  memcpy(report + 1, kReportBody, sizeof kReportBody);
  open_instant_remote();
  instant_remote_answer_with(report);
}

void prepare_mode_30(void) { answer_with_data_report(kReportButtons); }
void prepare_mode_31(void) { answer_with_data_report(kReportButtonsAccel); }
void prepare_mode_33(void) { answer_with_data_report(kReportButtonsAccelIr); }
void prepare_mode_37(void) { answer_with_data_report(kReportButtonsAccelIrExt); }

void prepare_read_reply(void) {
  uint8_t reply[kReportSize] = {kReportReadReply, 0x00, 0x00,
                                kReplyStatusFull, 0x00, kMeasuredOffset};
  for (int i = 0; i < kReadReplyDataSize; ++i) {
    reply[kReadReplyDataOffset + i] = static_cast<uint8_t>(i);
  }
  open_instant_remote();
  instant_remote_answer_with(reply);
}

void parse_one_report(void) { parse_input_report(); }

void read_one_block(void) { read_motionplus_block(kMeasuredOffset); }

unsigned WINAPI empty_worker(void *) { return 1; }

// The thread handling of the register read with nothing inside: what bounding
// the wait on a worker costs per block.
void start_and_join_worker(void) {
  HANDLE worker =
      reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, empty_worker, nullptr, 0, nullptr));
  if (worker == nullptr) return;
  DWORD exit_code = 0;
  if (WaitForSingleObject(worker, kWorkerWaitMs) == WAIT_OBJECT_0) {
    GetExitCodeThread(worker, &exit_code);
  }
  CloseHandle(worker);
}

void prepare_nothing(void) {}

}  // namespace

const LinkCase kLinkCases[] = {
    {"parse_report_30_ns", prepare_mode_30, parse_one_report},
    {"parse_report_31_ns", prepare_mode_31, parse_one_report},
    {"parse_report_33_ns", prepare_mode_33, parse_one_report},
    {"parse_report_37_ns", prepare_mode_37, parse_one_report},
    {"register_block_read_ns", prepare_read_reply, read_one_block},
    {"reply_worker_thread_ns", prepare_nothing, start_and_join_worker},
};
const int kLinkCaseCount = sizeof kLinkCases / sizeof kLinkCases[0];
