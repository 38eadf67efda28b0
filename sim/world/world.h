// The simulated world: what Windows keeps about Bluetooth devices and how the
// remote behind velk_hid_dll behaves. It lives in a text file shared by every
// process (see sim/WORLD.md), so one tool's changes are seen by the next.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/win32.h"

// mingw's C++ runtime uses its own C99 printf, not Microsoft's.
#ifdef _WIN32
#define VELK_PRINTF_FORMAT(format_index, first_argument) \
  __attribute__((format(gnu_printf, format_index, first_argument)))
#else
#define VELK_PRINTF_FORMAT(format_index, first_argument) \
  __attribute__((format(printf, format_index, first_argument)))
#endif

constexpr int kWorldMaxDevices = 8;
constexpr int kDefaultInquiryMs = 2560;

enum class RemoteBehaviour : uint8_t {
  normal,        // data reports in the chosen mode, accelerometer jitters
  silent,        // opens, never sends a report
  buttons_only,  // sends only report 0x30 whatever mode is asked
  accel_x_zero,  // accelerometer X byte always 0
};

enum class ReadReplyMode : uint8_t {
  normal,
  none,           // a read request is never answered
  error7,         // every read answers error 7 (no device in that space)
  other_address,  // replies carry another address
  other_size,     // replies carry another size nibble
};

enum class VanishPoint : uint8_t {
  never,
  before_first_report,  // opens, then is gone before any report
  during_probe,         // gone after the first data report
  during_dump,          // gone after a few register reads
};

struct SimRemoteKnobs {
  RemoteBehaviour behaviour;
  bool motionplus;           // false: space 0xA6 answers error 7
  uint8_t motionplus_id[6];  // identity at 0xFA-0xFF of space 0xA6
  ReadReplyMode read_reply;
  int flood;  // data reports sent before each read reply
  VanishPoint vanish;
  bool read_fails;      // ReadReport fails at once, for ever
  int open_on_attempt;  // OpenHidHandle succeeds from this attempt of a process on; 0 never
};

struct SimDevice {
  WCHAR name[BLUETOOTH_MAX_NAME_SIZE];  // UTF-16, not necessarily terminated
  uint8_t address[6];                   // as BLUETOOTH_ADDRESS.rgBytes: least significant first
  uint32_t class_of_device;
  bool remembered;
  bool connected;
  bool authenticated;
  bool hid_service;             // HID service enabled
  int discoverable_on_inquiry;  // 0: no inquiry finds it; N: found from the Nth inquiry on
  bool is_remote;               // a Wii Remote: velk_hid_dll can open it
  SimRemoteKnobs remote;
};

// Inquiries are counted by each process (the Bluetooth stack), not here.
struct SimWorld {
  bool radio;
  int inquiry_ms;  // duration of one inquiry of multiplier 2
  int device_count;
  SimDevice devices[kWorldMaxDevices];
};

// Reads the world: the file named by VELK_SIM_STATE, or else the default file.
// A missing file is first created from the embedded default. A malformed file
// yields false and a message naming the file, line and fault.
bool world_load(SimWorld *world, char *error, size_t error_size);

// Read, change, write back under an exclusive lock, so processes do not lose
// each other's changes. `change` returns false to leave the file untouched.
bool world_update(bool (*change)(SimWorld *world, void *context), void *context, char *error,
                  size_t error_size);

// What the sims do with a world they cannot read: the fault goes to stderr
// (each distinct message once per process) and they carry on in an empty
// world, with no radio and no device.
void world_load_or_empty(SimWorld *world);
void world_report_error(const char *message);

// Tests and fuzzers: use this world in memory instead of any file; null goes
// back to the file.
void world_use_memory(SimWorld *world);

// Fills `world` with the embedded default: one radio and one discoverable
// Wii Remote with a MotionPlus.
void world_default(SimWorld *world);

// A device record with every field at its documented default: no name,
// address 00:00:00:00:00:00, all flags off, a normal remote with a MotionPlus.
void world_default_device(SimDevice *device);

// The empty world: no radio, no device.
void world_empty(SimWorld *world);

// The device with this address, or null.
SimDevice *world_find_device(SimWorld *world, const uint8_t address[6]);

// "XX:XX:XX:XX:XX:XX", most significant byte first, as Windows shows it.
constexpr size_t kAddressTextSize = 18;
void world_format_address(const uint8_t address[6], char text[kAddressTextSize]);

// A name as the state file writes it: quoted, UTF-8, \uXXXX for code units
// that are not text. At most the 248 units of `name`; stops at a zero unit
// only when it is followed by nothing but zeros. Truncated to fit `text`.
void world_quote_name(const WCHAR *name, size_t units, char *text, size_t text_size);

// Appends one line to the log file named by VELK_SIM_LOG (nothing when unset).
// Several processes may share the file; each line is written at once.
void world_log(const char *format, ...) VELK_PRINTF_FORMAT(1, 2);
