// The emulator's answers to output reports, and the order in which input
// reports go out: answers first (acknowledgements, status, read replies after
// the knob's flood of data reports), then a data report when one is due.
#include <string.h>

#include "sim/remote/emulator.h"

namespace {

// MotionPlus registers: calibration bytes, and the identity at 0xFA-0xFF.
constexpr int kCalibrationAt = 0x20;
constexpr int kCalibrationSize = 0x20;
constexpr int kIdentityAt = 0xFA;
constexpr int kIdentitySize = 6;
// Report 0x20: LEDs in bits 4-7, the IR camera in bit 3; a full battery.
constexpr uint8_t kLedBits = 0xF0;
constexpr uint8_t kStatusIrBit = 0x08;
constexpr uint8_t kBatteryFull = 0xC0;
constexpr int kStatusBatteryByte = 6;
// Report 0x22: the acknowledged id, then the error code.
constexpr int kAckIdByte = 3;
constexpr int kAckErrorByte = 4;

void fill_motionplus(RemoteEmulator *remote) {
  for (int i = 0; i < kCalibrationSize; ++i) {
    remote->motionplus[kCalibrationAt + i] = static_cast<uint8_t>(0x7C + 13 * i);
  }
  memcpy(remote->motionplus + kIdentityAt, remote->knobs.motionplus_id, kIdentitySize);
}

EmulatorJob *push_job(RemoteEmulator *remote) {
  if (remote->job_count == kJobQueueSize) {
    ++remote->jobs_dropped;
    return nullptr;
  }
  EmulatorJob *job = &remote->jobs[(remote->job_head + remote->job_count) % kJobQueueSize];
  memset(job, 0, sizeof *job);
  ++remote->job_count;
  return job;
}

void pop_job(RemoteEmulator *remote) {
  remote->job_head = (remote->job_head + 1) % kJobQueueSize;
  --remote->job_count;
}

void queue_ack(RemoteEmulator *remote, uint8_t id, uint8_t error) {
  EmulatorJob *job = push_job(remote);
  if (job == nullptr) return;
  job->report[0] = kReportAck;
  job->report[kAckIdByte] = id;
  job->report[kAckErrorByte] = error;
}

void queue_status(RemoteEmulator *remote) {
  EmulatorJob *job = push_job(remote);
  if (job == nullptr) return;
  job->report[0] = kReportStatus;
  job->report[3] = static_cast<uint8_t>(remote->leds | (remote->ir_camera ? kStatusIrBit : 0));
  job->report[kStatusBatteryByte] = kBatteryFull;
}

void queue_read(RemoteEmulator *remote, const uint8_t *report) {
  const uint32_t size = static_cast<uint32_t>(report[5] << 8 | report[6]);
  if (size == 0) {
    // Nothing to send back.
    ++remote->output_reports_ignored;
    return;
  }
  EmulatorJob *job = push_job(remote);
  if (job == nullptr) return;
  job->is_read = true;
  job->registers = (report[1] & kRegisterSpaceSelect) != 0;
  job->address = static_cast<uint32_t>(report[2] << 16 | report[3] << 8 | report[4]);
  job->remaining = size;
}

void choose_mode(RemoteEmulator *remote, const uint8_t *report) {
  if (!emulator_mode_supported(report[2])) {
    ++remote->output_reports_ignored;
    return;
  }
  remote->mode_chosen = true;
  remote->continuous = (report[1] & kModeContinuous) != 0;
  remote->mode = report[2];
  remote->report_now = true;
}

void check_vanish(RemoteEmulator *remote) {
  if (remote->knobs.vanish == VanishPoint::during_probe && remote->data_reports_sent >= 1) {
    remote->gone = true;
  }
  if (remote->knobs.vanish == VanishPoint::during_dump &&
      remote->reads_completed >= static_cast<uint32_t>(kVanishAfterReads)) {
    remote->gone = true;
  }
}

// The id the remote actually sends data in.
uint8_t data_mode(const RemoteEmulator *remote) {
  if (remote->knobs.behaviour == RemoteBehaviour::buttons_only || !remote->mode_chosen) {
    return kReportButtons;
  }
  return remote->mode;
}

void send_data(RemoteEmulator *remote, uint64_t now_ms, uint8_t *out) {
  const uint8_t mode = data_mode(remote);
  emulator_data_report(remote, mode, now_ms, out);
  if (emulator_mode_has_accel(mode)) emulator_accel(remote, now_ms, remote->last_accel);
  remote->last_data_ms = now_ms;
  remote->report_now = false;
  ++remote->data_reports_sent;
}

// A data report is due after a 0x12, then each time the data changed (at
// most every 10 ms), or every 10 ms when reporting continuously.
bool data_due(const RemoteEmulator *remote, uint64_t now_ms, uint64_t *wake_at_ms) {
  if (!remote->mode_chosen) return false;
  if (remote->report_now) return true;
  const bool live = emulator_mode_has_accel(data_mode(remote));
  if (!live && !remote->continuous) return false;
  const uint64_t next = remote->last_data_ms + kDataReportPeriodMs;
  if (now_ms < next) {
    *wake_at_ms = next;
    return false;
  }
  if (remote->continuous) return true;
  uint8_t xyz[3];
  emulator_accel(remote, now_ms, xyz);
  if (memcmp(xyz, remote->last_accel, sizeof xyz) != 0) return true;
  *wake_at_ms = (now_ms / kDataReportPeriodMs + 1) * kDataReportPeriodMs;
  return false;
}

bool next_report(RemoteEmulator *remote, uint64_t now_ms, uint8_t *out, uint64_t *wake_at_ms) {
  while (remote->job_count > 0) {
    EmulatorJob *job = &remote->jobs[remote->job_head];
    if (!job->is_read) {
      memcpy(out, job->report, kReportSize);
      pop_job(remote);
      return true;
    }
    if (remote->knobs.read_reply == ReadReplyMode::none) {
      pop_job(remote);
      continue;
    }
    if (!remote->flood_armed) {
      remote->flood_left = remote->knobs.flood;
      remote->flood_armed = true;
    }
    if (remote->flood_left > 0) {
      --remote->flood_left;
      send_data(remote, now_ms, out);
      return true;
    }
    remote->flood_armed = false;
    if (emulator_read_reply(remote, job, out)) {
      pop_job(remote);
      ++remote->reads_completed;
    }
    return true;
  }
  if (!data_due(remote, now_ms, wake_at_ms)) return false;
  send_data(remote, now_ms, out);
  return true;
}

}  // namespace

void emulator_start(RemoteEmulator *remote, const SimRemoteKnobs *knobs) {
  memset(remote, 0, sizeof *remote);
  remote->knobs = *knobs;
  fill_motionplus(remote);
}

bool emulator_receive(RemoteEmulator *remote, const uint8_t *report) {
  check_vanish(remote);
  if (remote->gone) return false;
  remote->rumble = (report[1] & kRumbleBit) != 0;
  switch (report[0]) {
    case kReportLeds:
      remote->leds = report[1] & kLedBits;
      break;
    case kReportMode:
      choose_mode(remote, report);
      break;
    case kReportIrEnable:
      remote->ir_camera = (report[1] & kIrEnableBit) != 0;
      break;
    case kReportStatusRequest:
      queue_status(remote);
      break;
    case kReportWrite:
      queue_ack(remote, kReportWrite, emulator_write(remote, report));
      break;
    case kReportRead:
      queue_read(remote, report);
      break;
    default:
      // Speaker, mute and the camera's second enable only drive the rumble.
      ++remote->output_reports_ignored;
      break;
  }
  return true;
}

EmulatorPoll emulator_poll(RemoteEmulator *remote, uint64_t now_ms, uint8_t *out,
                           uint64_t *wake_at_ms) {
  *wake_at_ms = 0;
  check_vanish(remote);
  if (remote->gone) return EmulatorPoll::gone;
  if (remote->knobs.read_fails) return EmulatorPoll::read_fails;
  if (remote->knobs.behaviour == RemoteBehaviour::silent) return EmulatorPoll::wait;
  if (!next_report(remote, now_ms, out, wake_at_ms)) return EmulatorPoll::wait;
  if (remote->knobs.vanish == VanishPoint::before_first_report && remote->reports_sent == 0) {
    remote->gone = true;
    return EmulatorPoll::gone;
  }
  ++remote->reports_sent;
  return EmulatorPoll::report;
}
