// The remote link: the Wii Remote's HID reports as both tools use them. The
// reports' bytes are described in PROTOCOL.md; their ids are in report_ids.h.
#pragma once

#include <stdint.h>

#include <atomic>

#include "link/report_ids.h"
#include "platform/win32.h"

// ---- The channel: velk_hid_dll ----------------------------------------------

// -1 means no device was opened.
typedef int32_t HidHandle;
constexpr HidHandle kNoHidHandle = -1;
constexpr int32_t HID_VENDOR_ID = 0x057E;
constexpr int32_t HID_PRODUCT_ID = 0x0306;

// Exported by velk_hid_dll, undecorated, __stdcall on 32-bit Windows. Their
// results and counts are the library's own; the link does not decide on them
// (see PROTOCOL.md, the channel).
extern "C" {
int32_t WINAPI OpenHidHandle(int32_t vendor, int32_t product);
int32_t WINAPI CloseHidHandle(HidHandle handle);
int32_t WINAPI ReadReport(HidHandle handle, uint8_t *buffer, uint32_t *count);
int32_t WINAPI WriteReport(HidHandle handle, uint8_t *buffer, uint32_t *count);
}

// ---- State ---------------------------------------------------------------

constexpr int kReportBufferSize = 256;
constexpr int kRegisterBlockSize = 16;

// Byte 0 is the report id; reports occupy bytes 0-21.
typedef uint8_t ReportBuffer[kReportBufferSize];

// Fields of the data reports. accel_x is the probe's answer and crosses
// threads; the rest is read by the main thread only once no reader runs.
struct RemoteState {
  uint8_t buttons1;
  uint8_t buttons2;
  std::atomic<uint8_t> accel_x;
  uint8_t accel_y;
  uint8_t accel_z;
  int32_t ir1_x;
  int32_t ir1_y;
  int32_t ir2_x;
  int32_t ir2_y;
};

// reader_run is written by the main thread, reader_active by the reader.
// reader_thread stays open after the reader ends, until the next reader
// starts, so it can always be waited on and stopped.
struct ReaderControl {
  std::atomic<uint8_t> reader_run;
  std::atomic<uint8_t> reader_active;
  HANDLE reader_thread;
};

// The 16 bytes of the last register read.
typedef uint8_t RegisterBlock[kRegisterBlockSize];

struct RemoteLink {
  HidHandle handle;
  ReportBuffer output;
  ReportBuffer input;
  uint32_t read_count;
  uint32_t write_count;
  RemoteState state;
  ReaderControl reader;
  RegisterBlock register_block;
};

// Process-wide, zero at start. Each tool stores its handle here after opening.
extern RemoteLink remote_link;

// ---- Output reports ------------------------------------------------------
// Each builder writes only its own bytes of remote_link.output (the rest
// keeps what an earlier report left) and returns the WriteReport result.
// Main thread only: they share one buffer.

// see PROTOCOL.md, report 0x11
int32_t set_leds(uint8_t value);
// see PROTOCOL.md, report 0x12
int32_t set_report_mode(uint8_t flags, uint8_t mode);
// see PROTOCOL.md, report 0x13
int32_t send_ir_enable(uint8_t value);
// Report 0x16 with exactly one data byte (byte 6), whatever the count; byte 5
// carries count - 1.
int32_t write_register_byte(uint8_t space, uint8_t count, uint8_t offset, uint8_t value);
// Report 0x16 with count - 1 bytes of data, zero-filled to 16. A count outside
// 1..17 would overrun the data field, so it is refused: nothing is written to
// the buffer, nothing is sent, and the result is kWriteRefused. A null data
// with count above 1 is refused the same way.
int32_t write_register_bytes(uint8_t space, uint8_t count, uint8_t offset, const uint8_t *data);
constexpr int32_t kWriteRefused = 0;
constexpr int kWriteRegisterMinCount = 1;
constexpr int kWriteRegisterMaxCount = kWriteDataMax + 1;
// see PROTOCOL.md, report 0x17
int32_t request_register_read(uint8_t space, uint8_t size, uint8_t offset);

// Named reporting modes: set_report_mode(0x00, id).
int32_t report_buttons(void);               // 0x30
int32_t report_buttons_accel(void);         // 0x31
int32_t report_buttons_accel_ir(void);      // 0x33
int32_t report_buttons_accel_ir_ext(void);  // 0x37

// ---- Input reports, reader and probe --------------------------------------

// How long the probe gives the remote to answer.
constexpr int32_t kProbeWaitMs = 1000;
// The reader's pause after each report.
constexpr DWORD kReaderPauseMs = 100;
// A reader still running receives its last report within this bound once
// told to stop (one report wait plus the pause, with room to spare).
constexpr DWORD kReaderEndTimeoutMs = 1000;

// Reads one report into remote_link.input and updates RemoteState from a data
// report, from the bytes this read brought only: a short report reads as zero
// past its end. A read that brings nothing leaves the buffer and RemoteState
// as they were.
// Whichever thread holds the input buffer (the reader, or the main thread
// with no reader running).
void parse_input_report(void);

// Body of the reader thread: a report, then a pause, while reader_run is set.
// Reader thread only.
void reader_loop(void);

// How the probe waits for the remote's answer.
enum class ProbeWait : uint8_t {
  sleep,  // Sleep(1000)
  busy,   // wait_ms(1000), timed by the high-resolution counter
};

// 1 when a data report with a non-zero accelerometer X arrived within 1000 ms,
// else 0. Leaves the reader told to stop but possibly still running; the
// caller ends it with end_reader or stop_reader. A reader of an earlier probe
// is ended first, so two readers never share the input buffer.
// Main thread only.
int32_t probe_remote(ProbeWait wait);

// Ends the reader by force when reader_active is 1 and its thread still runs;
// else does nothing. reader_active is left as it was. Main thread only.
void stop_reader(void);

// Tells the reader to stop and waits up to timeout_ms for it to end, then
// ends it by force. 1 when it ended by itself (or there was none), 0 when it
// had to be forced. Afterwards the main thread may read on its own.
// Main thread only.
int32_t end_reader(DWORD timeout_ms);

// Busy-waits until more than ms milliseconds have passed on the
// high-resolution counter; a negative ms returns after the first reading.
// Any thread.
void wait_ms(int32_t ms);

// ---- Register read -----------------------------------------------------------

// The remote's reply to a register read may never come and ReadReport has no
// timeout, so the read waits at most this long ...
constexpr DWORD kReadReplyTimeoutMs = 1000;
// ... and looks at no more than this many other reports before the reply (a
// real remote's backlog of data reports plus a fresh stream stays well below).
constexpr int kReadReplyReportLimit = 64;

// Requests 16 bytes at offset of space and waits for the reply (report 0x21).
// 1 on a reply: RegisterBlock holds its data, or sixteen 0x00 for error 7.
// 0 when no reply came within the bounds above (reads that bring nothing
// count as other reports): RegisterBlock is then sixteen 0x00. Data reports 0x30 and 0x31
// before the reply update buttons1 and buttons2. Ends any reader still running
// first (end_reader). Main thread only.
int32_t read_register_block(uint8_t space, uint8_t offset);
int32_t read_extension_block(uint8_t offset);   // space 0xA4
int32_t read_motionplus_block(uint8_t offset);  // space 0xA6
