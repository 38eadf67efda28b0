// A scripted stand-in for velk_hid_dll, for tests of the link's bytes: reads
// hand out queued reports and then fail; writes are recorded whole.
#pragma once

#include <stdint.h>

#include <initializer_list>

#include "link/remote_link.h"

constexpr int kFakeMaxReports = 160;

struct FakeHid {
  uint8_t inputs[kFakeMaxReports][kReportSize];
  int input_count;
  int inputs_read;
  int read_calls;
  HidHandle read_handle;                 // of the last read
  ReportBuffer writes[kFakeMaxReports];  // the whole buffer at each write
  HidHandle write_handles[kFakeMaxReports];
  int write_count;
  int32_t write_result;
  // What a read returns when the script is used up: velk_hid_dll's results
  // have no fixed meaning, so the link must not depend on them.
  int32_t empty_read_result;
};

extern FakeHid fake_hid;

// Empties the script; writes then succeed with result 1.
void fake_hid_reset(void);
// Queues one input report; unlisted bytes up to byte 21 are 0x00.
void fake_hid_queue(std::initializer_list<uint8_t> bytes);
