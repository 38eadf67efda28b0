// A stand-in for the system and the HID devices behind the library's Windows calls: a scripted
// list of interfaces, reads and writes, with a record of what the library did and of every misuse
// the real system would punish (a second read on a busy OVERLAPPED, a wait nothing will end, a
// handle closed twice...).
#pragma once

#include <cstdint>

#include "hid/win_calls.h"

constexpr int kMaxFakeInterfaces = 8;
constexpr int kMaxFakeFiles = 64;
constexpr int kMaxFakeEvents = 64;
constexpr int kMaxPlannedReads = 8;
constexpr int kMaxRecordedBytes = 1024;
// The exit code the tools give a reader they end by force.
constexpr DWORD kForcedExitCode = 0xFFFFFFFF;

struct FakeInterface {
  uint16_t vendor_id;
  uint16_t product_id;
  uint16_t input_length;
  uint16_t output_length;
  // CreateFile for reading and writing fails, as for a device the system or another program holds.
  bool refuses_read_write;
  // WriteFile of the actual length is refused, as by Windows 7's stack.
  bool refuses_actual_length;
};

enum class ReadMode {
  kReportAtOnce,            // ReadFile completes at once with a report
  kReportWhenWaited,        // pends; the report arrives once the caller waits
  kReportWhenReleased,      // pends until fake_release_read, called from another thread
  kFailAtOnce,              // ReadFile fails with the step's error
  kFailWhenWaited,          // pends; ends with the step's error once the caller waits
  kKillCallerOnEntry,       // the caller's thread ends inside ReadFile before it touches anything
  kKillCallerAfterPending,  // the read pends, then the caller's thread ends before ReadFile returns
  kKillCallerInWait,        // the read pends; the caller's thread ends when it waits for it
};

struct ReadStep {
  ReadMode mode;
  uint8_t seed;  // the report's id; its bytes follow as seed + 1, seed + 2, ...
  DWORD error;
};

enum class WriteMode {
  kAtOnce,          // WriteFile completes at once
  kWhenWaited,      // pends, completes once the caller waits
  kNeverCompletes,  // pends; every wait with a timeout times out
  kFailAtOnce,      // WriteFile fails with write_error
  kFailWhenWaited,  // pends; ends with write_error once the caller waits
};

struct FakeFile {
  bool open;
  int interface_index;
  DWORD access;
  DWORD flags;
};

struct FakeWorld {
  // Set by a test before it calls the library.
  FakeInterface interfaces[kMaxFakeInterfaces];
  int interface_count;
  bool class_list_fails;
  ReadStep planned_reads[kMaxPlannedReads];
  int planned_read_count;
  WriteMode write_mode;
  DWORD write_error;
  bool set_output_report_fails;
  bool cancel_is_ignored;

  // What the library did.
  FakeFile files[kMaxFakeFiles];
  int file_count;
  int read_file_calls;
  const void *last_read_buffer;
  DWORD last_read_length;
  int write_file_calls;
  DWORD last_write_length;
  unsigned char last_write[kMaxRecordedBytes];
  const FakeFile *last_write_file;
  int write_waits;
  bool write_wait_was_infinite;
  int set_output_report_calls;
  DWORD last_set_output_length;
  unsigned char last_set_output[kMaxRecordedBytes];
  int cancel_io_calls;
  int cancel_io_ex_calls;
  int close_handle_calls;
  int closed_with_io_pending;
  int open_files;
  int open_events;
  int open_lists;
  int open_preparsed;

  int violations;
  char first_violation[256];
};

// Test thread, between cases. The world as the running case left it.
extern FakeWorld world;

// Test thread, with no other thread in the library. Empties the world and puts the fakes in.
void fake_reset();

// Test thread. Adds an interface; its index.
int fake_add_interface(uint16_t vendor_id, uint16_t product_id, uint16_t input_length,
                       uint16_t output_length);

// Test thread. Adds a step to the reads the device will answer, in order.
void fake_plan_read(ReadMode mode, uint8_t seed, DWORD error);

// Any thread. Ends the read that is pending, with a report (error 0) or with the error.
void fake_release_read(uint8_t seed, DWORD error);

// Any thread. Ends the write that is pending, as the device taking it at last.
void fake_finish_pending_write();

// Test thread. Blocks until a reader thread is blocked waiting for a read released only by
// fake_release_read; from then on it may be ended from outside without harm to the fake.
void fake_wait_until_reader_blocks();

// Any thread. The bytes of the report with this seed, as the device sends them.
uint8_t fake_report_byte(uint8_t seed, uint32_t index);

// Test thread. The one file open for I/O (no query handle), or nullptr when there is not exactly
// one.
const FakeFile *fake_only_open_file();
