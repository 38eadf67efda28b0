// corvanth: connects a Wii Remote in one run, or disconnects it when it is
// already connected. Every way out passes through the key prompt.
#include "link/remote_link.h"
#include "pairing/velk_wii_bt.h"
#include "platform/win32.h"

namespace {

#include "messages.inc.sjis"

constexpr int kSearchAttempts = 10;
constexpr int kOpenAttempts = 11;
constexpr DWORD kOpenRetryMs = 500;
constexpr DWORD kHidServiceFirstWaitMs = 2000;
constexpr DWORD kHidServiceSecondWaitMs = 1000;
constexpr DWORD kRumbleMs = 100;
constexpr uint8_t kRumbleOn = 0x01;
constexpr uint8_t kRumbleOff = 0x00;
constexpr uint8_t kLed1 = 0x10;
constexpr int kExitFailure = 1;

void wait_for_key() {
  printf("%s", kPressAnyKey);
  _getch();
}

[[noreturn]] void end_with_failure() {
  wait_for_key();
  exit(kExitFailure);
}

void print_banner() {
  for (const char *line : kBanner) printf("%s", line);
}

void disconnect_remote() {
  printf("%s", kAlreadyConnected);
  printf("\n");
  printf("%s", kDisconnecting);
  printf("%s", kRemovingDevice);
  printf(".\n");
  VelkBT_close_wii_remote();
  printf("%s", kDeviceRemoved);
  printf("%s", kFinished);
  end_with_failure();
}

// True when one of the inquiries found the remote; one dot per inquiry.
bool search_for_remote() {
  printf("%s", kSearching);
  printf("%s", kSearchInProgress);
  VelkBT_clear_remembered_wii_remote();
  bool found = false;
  for (int attempt = 0; attempt < kSearchAttempts && !found; ++attempt) {
    printf(".");
    found = VelkBT_search_wii_remote() == 1;
  }
  printf("\n");
  return found;
}

void start_hid_service() {
  printf("%s", kRemoteFound);
  printf("%s", kStartingHidService);
  VelkBT_start_wii_remote_hid_service();
  printf(".");
  Sleep(kHidServiceFirstWaitMs);
  printf(".");
  Sleep(kHidServiceSecondWaitMs);
  printf("\n");
}

// The HID device appears some time after the service starts: retry.
void open_remote() {
  printf("%s", kOpeningHid);
  for (int failures = 0;;) {
    printf(".");
    remote_link.handle = OpenHidHandle(HID_VENDOR_ID, HID_PRODUCT_ID);
    if (remote_link.handle != kNoHidHandle) return;
    if (++failures == kOpenAttempts) {
      printf("\n");
      printf("%s", kCannotOpenHid);
      end_with_failure();
    }
    Sleep(kOpenRetryMs);
  }
}

// The rumble bit rides in byte 1 of every output report, so two IR-enable
// reports make a short buzz.
void greet_remote() {
  printf("%s", kLightingLed);
  send_ir_enable(kRumbleOn);
  Sleep(kRumbleMs);
  send_ir_enable(kRumbleOff);
  set_leds(kLed1);
}

}  // namespace

int main() {
  print_banner();

  if (VelkBT_check_parent() == 0) {
    printf("%s", kNoRadio);
    end_with_failure();
  }
  if (VelkBT_check_wii_remote_connected() == 1) disconnect_remote();

  if (!search_for_remote()) {
    printf("%s", kRemoteNotFound);
    VelkBT_finish();
    end_with_failure();
  }
  start_hid_service();
  VelkBT_finish();

  open_remote();
  printf("\n");
  report_buttons_accel();
  if (probe_remote(ProbeWait::sleep) == 0) {
    printf("%s", kNoAnswer);
    stop_reader();
    CloseHidHandle(remote_link.handle);
    end_with_failure();
  }
  greet_remote();

  stop_reader();
  CloseHidHandle(remote_link.handle);
  printf("%s", kConnected);
  wait_for_key();
  return 0;
}
