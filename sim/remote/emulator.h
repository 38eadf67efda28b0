// The Wii Remote emulator's report logic: what goes out for what comes in,
// at a given time. No threads, no clock, no I/O: the shell around it
// (hid_exports.cpp) blocks, wakes and logs. The reports are those of
// link/PROTOCOL.md.
#pragma once

#include <stdint.h>

#include "link/report_ids.h"
#include "sim/world/world.h"

constexpr int kRegisterSpaceSize = 256;
constexpr int kJobQueueSize = 32;
// A data report whose data changed goes out at most this often.
constexpr uint64_t kDataReportPeriodMs = 10;
// VanishPoint::during_dump: the remote is gone after this many register reads.
constexpr int kVanishAfterReads = 3;

// What the remote has to send, in the order the output reports came.
struct EmulatorJob {
  bool is_read;                 // a register read still being answered
  uint8_t report[kReportSize];  // otherwise: a ready report (0x20, 0x22)
  bool registers;               // read: register space, not EEPROM
  uint32_t address;             // read: address of the next reply's data
  uint32_t remaining;           // read: bytes still to send
};

struct RemoteEmulator {
  SimRemoteKnobs knobs;

  // Reporting mode (report 0x12). Nothing is sent before the first one.
  bool mode_chosen;
  uint8_t mode;
  bool continuous;
  bool report_now;  // a 0x12 asks for one data report at once
  uint64_t last_data_ms;
  uint8_t last_accel[3];

  // State driven by the output reports.
  bool rumble;
  uint8_t leds;  // bits 4-7: LEDs 1-4
  bool ir_camera;

  // Register spaces, each 256 bytes mirrored over the middle address byte.
  uint8_t motionplus[kRegisterSpaceSize];
  uint8_t speaker[kRegisterSpaceSize];
  uint8_t camera[kRegisterSpaceSize];

  EmulatorJob jobs[kJobQueueSize];
  int job_head;
  int job_count;
  uint32_t jobs_dropped;  // output reports whose answer found the queue full
  int flood_left;         // data reports still due before the next read reply
  bool flood_armed;

  uint32_t reports_sent;
  uint32_t data_reports_sent;
  uint32_t reads_completed;
  uint32_t output_reports_ignored;  // unknown ids, unsupported modes
  bool gone;
};

enum class EmulatorPoll : uint8_t {
  report,      // a report was written
  wait,        // nothing yet; ask again at *wake_at_ms, or after the next output
  gone,        // the remote vanished: reads and writes fail from now on
  read_fails,  // reads fail, for ever (knob read_fails)
};

void emulator_start(RemoteEmulator *remote, const SimRemoteKnobs *knobs);

// Takes one output report (kReportSize bytes). False when the remote is gone,
// so the write fails.
bool emulator_receive(RemoteEmulator *remote, const uint8_t *report);

// The next input report due at now_ms, written to out (kReportSize bytes).
// On EmulatorPoll::wait, *wake_at_ms is when one may be due by itself, or 0
// when only an output report can bring one.
EmulatorPoll emulator_poll(RemoteEmulator *remote, uint64_t now_ms, uint8_t *out,
                           uint64_t *wake_at_ms);

// ---- Shared by the emulator's files -------------------------------------------

// The 256-byte space at `space`, or null when no device answers there.
uint8_t *emulator_space(RemoteEmulator *remote, uint8_t space);
// Writes the next reply to the read job at the head of the queue; true when
// the job is then finished.
bool emulator_read_reply(RemoteEmulator *remote, EmulatorJob *job, uint8_t *out);
// Stores a 0x16 write and returns its error code for the acknowledgement.
uint8_t emulator_write(RemoteEmulator *remote, const uint8_t *report);
// Writes the data report of `mode` at now_ms; false for a mode not emulated.
bool emulator_data_report(const RemoteEmulator *remote, uint8_t mode, uint64_t now_ms,
                          uint8_t *out);
bool emulator_mode_supported(uint8_t mode);
// Modes with accelerometer bytes keep reporting: the readings jitter.
bool emulator_mode_has_accel(uint8_t mode);
// The accelerometer's X, Y, Z at now_ms: at rest, jittering.
void emulator_accel(const RemoteEmulator *remote, uint64_t now_ms, uint8_t *xyz);
// Plain extension byte to the form the remote sends (see link/PROTOCOL.md).
uint8_t emulator_encode_extension(uint8_t plain);
