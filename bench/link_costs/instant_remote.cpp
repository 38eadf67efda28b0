// velk_hid_dll's four functions, answering at once from one stored report.
#include "link_costs/instant_remote.h"

#include <string.h>

#include "link/remote_link.h"

namespace {

constexpr HidHandle kOnlyHandle = 1;
constexpr int32_t kCallSucceeded = 1;

uint8_t next_report[kReportSize];

}  // namespace

void instant_remote_answer_with(const uint8_t *report) { memcpy(next_report, report, kReportSize); }

extern "C" int32_t WINAPI OpenHidHandle(int32_t, int32_t) { return kOnlyHandle; }

extern "C" int32_t WINAPI CloseHidHandle(HidHandle) { return kCallSucceeded; }

extern "C" int32_t WINAPI ReadReport(HidHandle, uint8_t *buffer, uint32_t *count) {
  memcpy(buffer, next_report, kReportSize);
  if (count != nullptr) *count = kReportSize;
  return kCallSucceeded;
}

extern "C" int32_t WINAPI WriteReport(HidHandle, uint8_t *, uint32_t *count) {
  if (count != nullptr) *count = kReportSize;
  return kCallSucceeded;
}
