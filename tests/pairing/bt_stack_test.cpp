// The simulated Bluetooth stack on its own: argument checks with Windows'
// error codes, the search filters, inquiries, and the records it changes.
#include <string.h>

#include <chrono>
#include <functional>

#include "platform/host/host_handle.h"
#include "tests/pairing/sim_fixture.h"

namespace {

constexpr DWORD kErrorRevisionMismatch = 1306;
constexpr DWORD kErrorServiceDoesNotExist = 1060;
constexpr GUID kHidServiceClass = {
    0x00001124, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB}};

class BtStackTest : public SimWorldTest {
 protected:
  void TearDown() override {
    if (radio_ != nullptr) CloseHandle(radio_);
    SimWorldTest::TearDown();
  }

  HANDLE open_radio() {
    BLUETOOTH_FIND_RADIO_PARAMS params = {sizeof params};
    HBLUETOOTH_RADIO_FIND search = BluetoothFindFirstRadio(&params, &radio_);
    EXPECT_NE(search, nullptr);
    BluetoothFindRadioClose(search);
    return radio_;
  }

  static BLUETOOTH_DEVICE_SEARCH_PARAMS everything(bool inquiry) {
    BLUETOOTH_DEVICE_SEARCH_PARAMS params;
    memset(&params, 0, sizeof params);
    params.dwSize = sizeof params;
    params.fReturnAuthenticated = TRUE;
    params.fReturnRemembered = TRUE;
    params.fReturnUnknown = TRUE;
    params.fReturnConnected = TRUE;
    params.fIssueInquiry = inquiry;
    params.cTimeoutMultiplier = inquiry ? 2 : 0;
    return params;
  }

  static BLUETOOTH_DEVICE_INFO empty_info() {
    BLUETOOTH_DEVICE_INFO info;
    memset(&info, 0, sizeof info);
    info.dwSize = sizeof info;
    return info;
  }

  // Addresses' low bytes of every device the search yields, in order.
  static std::vector<int> search(const BLUETOOTH_DEVICE_SEARCH_PARAMS &params) {
    std::vector<int> found;
    BLUETOOTH_DEVICE_INFO info = empty_info();
    HBLUETOOTH_DEVICE_FIND find = BluetoothFindFirstDevice(&params, &info);
    if (find == nullptr) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
      return found;
    }
    do {
      found.push_back(info.Address.rgBytes[0]);
    } while (BluetoothFindNextDevice(find, &info));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    EXPECT_TRUE(BluetoothFindDeviceClose(find));
    return found;
  }

  HANDLE radio_ = nullptr;
};

TEST_F(BtStackTest, FindFirstRadioChecksItsArguments) {
  HANDLE radio = nullptr;
  BLUETOOTH_FIND_RADIO_PARAMS params = {sizeof params};
  EXPECT_EQ(BluetoothFindFirstRadio(nullptr, &radio), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(BluetoothFindFirstRadio(&params, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  params.dwSize = 8;
  EXPECT_EQ(BluetoothFindFirstRadio(&params, &radio), nullptr);
  EXPECT_EQ(GetLastError(), kErrorRevisionMismatch);
  EXPECT_EQ(radio, nullptr);
  EXPECT_EQ(log_lines_with("bt BluetoothFindFirstRadio(dwSize=8) -> null error=1306").size(), 1u);
}

TEST_F(BtStackTest, RadioHandleIsLiveUntilClosedAndASecondCloseIsSeen) {
  HANDLE radio = open_radio();
  ASSERT_NE(radio, nullptr);
  std::string name = last_radio_name();
  EXPECT_TRUE(host_handle_is_live(radio));
  // The radio is not a radio search.
  EXPECT_FALSE(BluetoothFindRadioClose(radio));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  EXPECT_TRUE(CloseHandle(radio));
  EXPECT_FALSE(CloseHandle(radio));
  radio_ = nullptr;
  EXPECT_EQ(log_lines_with("kernel CloseHandle(" + name + ")"),
            (std::vector<std::string>{"kernel CloseHandle(" + name + ") -> TRUE (live)",
                                      "kernel CloseHandle(" + name + ") -> FALSE (not live)"}));
}

TEST_F(BtStackTest, FindFirstDeviceChecksItsArguments) {
  HANDLE closed_radio = open_radio();
  CloseHandle(closed_radio);
  radio_ = nullptr;
  struct Case {
    const char *label;
    std::function<void(BLUETOOTH_DEVICE_SEARCH_PARAMS *, BLUETOOTH_DEVICE_INFO *)> spoil;
    bool null_params;
    bool null_info;
    DWORD error;
  };
  const Case cases[] = {
      {"no params", nullptr, true, false, ERROR_INVALID_PARAMETER},
      {"no info", nullptr, false, true, ERROR_INVALID_PARAMETER},
      {"params size", [](auto *p, auto *) { p->dwSize = 32 + 1; }, false, false,
       kErrorRevisionMismatch},
      {"info size", [](auto *, auto *i) { i->dwSize = 559; }, false, false, kErrorRevisionMismatch},
      {"multiplier", [](auto *p, auto *) { p->cTimeoutMultiplier = 49; }, false, false,
       ERROR_INVALID_PARAMETER},
      {"closed radio", [&](auto *p, auto *) { p->hRadio = closed_radio; }, false, false,
       ERROR_INVALID_HANDLE},
  };
  for (const Case &c : cases) {
    BLUETOOTH_DEVICE_SEARCH_PARAMS params = everything(false);
    BLUETOOTH_DEVICE_INFO info = empty_info();
    if (c.spoil) c.spoil(&params, &info);
    EXPECT_EQ(
        BluetoothFindFirstDevice(c.null_params ? nullptr : &params, c.null_info ? nullptr : &info),
        nullptr)
        << c.label;
    EXPECT_EQ(GetLastError(), c.error) << c.label;
  }
}

struct FilterCase {
  const char *label;
  bool remembered, authenticated, connected;
  int discoverable_on_inquiry;
  bool inquiry;
  bool return_authenticated, return_remembered, return_unknown, return_connected;
  bool returned;
};

// Shown in test names as the label alone.
void PrintTo(const FilterCase &c, std::ostream *out) { *out << c.label; }

class BtFilterTest : public BtStackTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(BtFilterTest, ReturnsWhatTheFlagsAskFor) {
  const FilterCase &c = GetParam();
  SimDevice device = make_device(u"Device", 0x33);
  device.remembered = c.remembered;
  device.authenticated = c.authenticated;
  device.connected = c.connected;
  device.discoverable_on_inquiry = c.discoverable_on_inquiry;
  set_devices({device});

  BLUETOOTH_DEVICE_SEARCH_PARAMS params = everything(c.inquiry);
  params.fReturnAuthenticated = c.return_authenticated;
  params.fReturnRemembered = c.return_remembered;
  params.fReturnUnknown = c.return_unknown;
  params.fReturnConnected = c.return_connected;
  EXPECT_EQ(search(params), c.returned ? std::vector<int>{0x33} : std::vector<int>{});
}

INSTANTIATE_TEST_SUITE_P(
    Flags, BtFilterTest,
    ::testing::Values(
        // label, remembered, authenticated, connected, discoverable, inquiry, A R U C, returned
        FilterCase{"RememberedAskedRemembered", true, false, false, 0, false, 0, 1, 0, 0, true},
        FilterCase{"RememberedAskedConnected", true, false, false, 0, false, 0, 0, 0, 1, false},
        FilterCase{"RememberedAskedUnknown", true, false, false, 0, false, 0, 0, 1, 0, false},
        FilterCase{"PairedAskedAuthenticated", true, true, false, 0, false, 1, 0, 0, 0, true},
        FilterCase{"ConnectedOnlyAskedUnknown", false, false, true, 0, false, 0, 0, 1, 0, true},
        FilterCase{"ConnectedOnlyAskedConnected", false, false, true, 0, false, 0, 0, 0, 1, true},
        FilterCase{"ConnectedOnlyAskedRemembered", false, false, true, 0, false, 0, 1, 0, 0, false},
        FilterCase{"InRangeWithoutInquiry", false, false, false, 1, false, 1, 1, 1, 1, false},
        FilterCase{"InRangeWithInquiry", false, false, false, 1, true, 0, 0, 1, 0, true},
        FilterCase{"InRangeNotAskedUnknown", false, false, false, 1, true, 1, 1, 0, 1, false},
        FilterCase{"NeverDiscoverable", false, false, false, 0, true, 1, 1, 1, 1, false},
        FilterCase{"RememberedOutOfRange", true, true, false, 0, true, 1, 1, 1, 1, true}),
    case_label<FilterCase>);

TEST_F(BtStackTest, DevicesComeInRecordOrder) {
  std::vector<SimDevice> devices;
  for (uint8_t low : {uint8_t{0x05}, uint8_t{0x01}, uint8_t{0x03}}) {
    devices.push_back(make_device(u"Device", low));
    devices.back().remembered = true;
  }
  set_devices(devices);
  EXPECT_EQ(search(everything(false)), (std::vector<int>{0x05, 0x01, 0x03}));
}

TEST_F(BtStackTest, InquiryLastsTheConfiguredTimeScaledByTheMultiplier) {
  world_.inquiry_ms = 30;
  BLUETOOTH_DEVICE_SEARCH_PARAMS params = everything(true);
  params.cTimeoutMultiplier = 4;
  auto start = std::chrono::steady_clock::now();
  search(params);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));
  EXPECT_EQ(log_lines_with("bt inquiry #1 of this process: 60 ms").size(), 1u);
}

TEST_F(BtStackTest, FindNextDeviceAfterTheEndAndAfterClose) {
  SimDevice device = make_device(u"Device", 0x33);
  device.remembered = true;
  set_devices({device});
  BLUETOOTH_DEVICE_SEARCH_PARAMS params = everything(false);
  BLUETOOTH_DEVICE_INFO info = empty_info();
  HBLUETOOTH_DEVICE_FIND find = BluetoothFindFirstDevice(&params, &info);
  ASSERT_NE(find, nullptr);
  EXPECT_FALSE(BluetoothFindNextDevice(find, &info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  info.dwSize = 12;
  EXPECT_FALSE(BluetoothFindNextDevice(find, &info));
  EXPECT_EQ(GetLastError(), kErrorRevisionMismatch);
  EXPECT_TRUE(BluetoothFindDeviceClose(find));
  EXPECT_FALSE(BluetoothFindDeviceClose(find));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  info.dwSize = sizeof info;
  EXPECT_FALSE(BluetoothFindNextDevice(find, &info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(BtStackTest, RemoveDeviceForgetsOnlyWhatWindowsKnew) {
  SimDevice known = make_device(u"Known", 0x01);
  known.remembered = known.authenticated = known.connected = known.hid_service = true;
  SimDevice stranger = make_device(u"Stranger", 0x02);
  stranger.discoverable_on_inquiry = 1;
  set_devices({known, stranger});

  BLUETOOTH_ADDRESS address;
  memcpy(address.rgBytes, known.address, 6);
  EXPECT_EQ(BluetoothRemoveDevice(&address), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_FALSE(world_.devices[0].remembered || world_.devices[0].authenticated ||
               world_.devices[0].connected || world_.devices[0].hid_service);
  EXPECT_EQ(world_.device_count, 2);
  EXPECT_EQ(BluetoothRemoveDevice(&address), static_cast<DWORD>(ERROR_NOT_FOUND));

  memcpy(address.rgBytes, stranger.address, 6);
  EXPECT_EQ(BluetoothRemoveDevice(&address), static_cast<DWORD>(ERROR_NOT_FOUND));
  memset(address.rgBytes, 0, 6);
  EXPECT_EQ(BluetoothRemoveDevice(&address), static_cast<DWORD>(ERROR_NOT_FOUND));
  EXPECT_EQ(BluetoothRemoveDevice(nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(log_lines_with("bt BluetoothRemoveDevice(00:19:1D:4A:7C:01) -> ").size(), 2u);
}

TEST_F(BtStackTest, SetServiceStateChecksItsArgumentsAndChangesTheRecord) {
  SimDevice device = make_device(u"Nintendo RVL-CNT-01", 0x21);
  device.discoverable_on_inquiry = 1;
  set_devices({device});
  HANDLE radio = open_radio();
  BLUETOOTH_DEVICE_INFO info = empty_info();
  memcpy(info.Address.rgBytes, device.address, 6);
  BLUETOOTH_DEVICE_INFO wrong_size = info;
  wrong_size.dwSize = 48;
  BLUETOOTH_DEVICE_INFO stranger = empty_info();
  stranger.Address.rgBytes[0] = 0x99;
  GUID other_service = kHidServiceClass;
  other_service.Data1 = 0x00001101;  // serial port
  int not_a_radio = 0;

  struct Case {
    const char *label;
    HANDLE radio;
    const BLUETOOTH_DEVICE_INFO *info;
    const GUID *service;
    DWORD flags;
    DWORD result;
  };
  const Case cases[] = {
      {"no radio", nullptr, &info, &kHidServiceClass, BLUETOOTH_SERVICE_ENABLE,
       ERROR_INVALID_HANDLE},
      {"not a radio", &not_a_radio, &info, &kHidServiceClass, BLUETOOTH_SERVICE_ENABLE,
       ERROR_INVALID_HANDLE},
      {"no info", radio, nullptr, &kHidServiceClass, BLUETOOTH_SERVICE_ENABLE,
       ERROR_INVALID_PARAMETER},
      {"no service", radio, &info, nullptr, BLUETOOTH_SERVICE_ENABLE, ERROR_INVALID_PARAMETER},
      {"info size", radio, &wrong_size, &kHidServiceClass, BLUETOOTH_SERVICE_ENABLE,
       kErrorRevisionMismatch},
      {"flags", radio, &info, &kHidServiceClass, 2, ERROR_INVALID_PARAMETER},
      {"other service", radio, &info, &other_service, BLUETOOTH_SERVICE_ENABLE,
       kErrorServiceDoesNotExist},
      {"unknown device", radio, &stranger, &kHidServiceClass, BLUETOOTH_SERVICE_ENABLE,
       ERROR_NOT_FOUND},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(BluetoothSetServiceState(c.radio, c.info, c.service, c.flags), c.result) << c.label;
    EXPECT_FALSE(world_.devices[0].hid_service) << c.label;
  }

  EXPECT_EQ(BluetoothSetServiceState(radio, &info, &kHidServiceClass, BLUETOOTH_SERVICE_ENABLE),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_TRUE(world_.devices[0].hid_service && world_.devices[0].connected &&
              world_.devices[0].remembered);
  EXPECT_EQ(BluetoothSetServiceState(radio, &info, &kHidServiceClass, BLUETOOTH_SERVICE_DISABLE),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_FALSE(world_.devices[0].hid_service || world_.devices[0].connected);
  EXPECT_TRUE(world_.devices[0].remembered);

  CloseHandle(radio);
  radio_ = nullptr;
  EXPECT_EQ(BluetoothSetServiceState(radio, &info, &kHidServiceClass, BLUETOOTH_SERVICE_ENABLE),
            static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
