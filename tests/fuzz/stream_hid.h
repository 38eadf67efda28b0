// A stand-in velk_hid_dll for the link's fuzz target: every ReadReport hands
// out the next report of a stream cut from the fuzz input, with any id, any
// length up to the link's buffer, any result and any count. Once the stream
// is used up each read brings nothing, at once.
#pragma once

#include <stdint.h>

#include "link/remote_link.h"
#include "tests/fuzz/fuzz_input.h"

// The link's reads stop at this many when no reply comes.
constexpr int kStreamMaxReads = 4096;

struct StreamRead {
  uint8_t bytes[kReportBufferSize];  // as written; nothing past length
  int length;                        // 0: the read brought nothing
};

struct StreamHid {
  FuzzInput reports;
  StreamRead reads[kStreamMaxReads];
  int read_count;   // ReadReport calls so far
  int write_count;  // WriteReport calls so far
};

extern StreamHid stream_hid;

// Starts a new stream; the link's reads take their reports from `reports`.
void stream_hid_start(FuzzInput reports);

// What read number `index` wrote, as the remote's 22 report bytes: bytes the
// read did not write are 0x00, as a HID device pads a short report.
void stream_hid_report(int index, uint8_t report[kReportSize]);
