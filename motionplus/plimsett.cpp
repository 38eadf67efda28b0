// plimsett: checks that a Wii MotionPlus answers on an already connected
// remote, wakes it with its initialisation byte and dumps its 256 registers.
#include <string.h>

#include "link/remote_link.h"
#include "platform/win32.h"

namespace {

#include "messages.inc.sjis"

constexpr uint8_t kLed1 = 0x10;
constexpr uint8_t kIdentityOffset = 0xFA;
constexpr uint8_t kMotionPlusIdentity[6] = {0x00, 0x00, 0xA6, 0x20, 0x00, 0x05};
constexpr uint8_t kInitOffset = 0xF0;
constexpr uint8_t kInitValue = 0x55;
constexpr DWORD kInitSettleMs = 200;
constexpr int kDumpRows = 16;
constexpr int kRowBytes = 16;
// A reader that still receives reports leaves its loop within one report plus
// 100 ms; past this it is taken to be stuck in a read and is ended by force.
constexpr DWORD kReaderEndBoundMs = 500;
constexpr int kExitCannotOpen = 1;

void show_error(const char *text) { MessageBoxA(nullptr, text, nullptr, MB_OK); }

// False when the remote stopped answering part way; the rows read so far
// stay on the console.
bool dump_motionplus_registers() {
  printf("%s", kDumpHeading);
  for (int row = 0; row < kDumpRows; ++row) {
    uint8_t offset = static_cast<uint8_t>(row * kRowBytes);
    if (read_motionplus_block(offset) == 0) return false;
    printf(" %04X : ", offset);
    for (int i = 0; i < kRowBytes; ++i) printf("%02X ", remote_link.register_block[i]);
    printf("\n");
  }
  printf("\n");
  return true;
}

// Steps after a successful probe; each failure shows its one message box.
void identify_and_dump() {
  set_leds(kLed1);
  end_reader(kReaderEndBoundMs);
  if (read_motionplus_block(kIdentityOffset) == 0) {
    show_error(kBoxRemoteStoppedAnswering);
    return;
  }
  if (memcmp(remote_link.register_block, kMotionPlusIdentity, sizeof kMotionPlusIdentity) != 0) {
    show_error(kBoxNoMotionPlus);
    return;
  }
  write_register_byte(0xA6, 1, kInitOffset, kInitValue);
  Sleep(kInitSettleMs);
  if (!dump_motionplus_registers()) {
    show_error(kBoxRemoteStoppedAnswering);
    return;
  }
  report_buttons();
}

}  // namespace

int main() {
  for (const char *line : kBanner) printf("%s", line);

  remote_link.handle = OpenHidHandle(HID_VENDOR_ID, HID_PRODUCT_ID);
  if (remote_link.handle == kNoHidHandle) {
    show_error(kBoxRemoteNotFound);
    return kExitCannotOpen;
  }
  report_buttons_accel_ir_ext();
  if (probe_remote(ProbeWait::busy) == 0) {
    show_error(kBoxRemoteCannotOpen);
    stop_reader();
  } else {
    identify_and_dump();
  }

  CloseHidHandle(remote_link.handle);
  printf("%s", kPressAnyKey);
  _getch();
  return 0;
}
