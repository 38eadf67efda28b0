// The pairing library's exports against the simulated Bluetooth stack.
#include <string.h>

#include <chrono>

#include "pairing/pairing_state.h"
#include "pairing/velk_wii_bt.h"
#include "tests/pairing/sim_fixture.h"

namespace {

const std::u16string kRemoteName = u"Nintendo RVL-CNT-01";
const char kHidService[] = "service={00001124-0000-1000-8000-00805F9B34FB}";

class PairingTest : public SimWorldTest {
 protected:
  void SetUp() override {
    SimWorldTest::SetUp();
    pairing_state_reset();
  }
  void TearDown() override {
    close_radio();
    SimWorldTest::TearDown();
  }

  SimDevice remote(uint8_t address_low_byte, bool remembered, bool connected) {
    SimDevice device = make_device(kRemoteName, address_low_byte);
    device.is_remote = true;
    device.remembered = remembered;
    device.authenticated = remembered;
    device.connected = connected;
    device.hid_service = connected;
    device.discoverable_on_inquiry = 1;
    return device;
  }

  // CloseHandle lines for the radio handle `name`.
  std::vector<std::string> radio_closes(const std::string &name) const {
    return log_lines_with("kernel CloseHandle(" + name + ")");
  }

  bool record_is_empty() const {
    BLUETOOTH_DEVICE_INFO empty;
    memset(&empty, 0, sizeof empty);
    empty.dwSize = sizeof empty;
    return memcmp(&empty, &pairing_state.device_record, sizeof empty) == 0;
  }
};

// ---- Which names match --------------------------------------------------

struct NameCase {
  const char *label;
  std::u16string name;  // at most 248 units; 248 means no terminating zero
  bool matches;
};

// Shown in test names as the label alone.
void PrintTo(const NameCase &c, std::ostream *out) { *out << c.label; }

std::u16string repeated(char16_t unit, size_t count) { return std::u16string(count, unit); }

class NameMatchTest : public PairingTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(NameMatchTest, OnlyTheExactNameIsTheRemote) {
  SimDevice device = remote(0x21, true, true);
  memset(device.name, 0, sizeof device.name);
  const std::u16string &name = GetParam().name;
  ASSERT_LE(name.size(), static_cast<size_t>(BLUETOOTH_MAX_NAME_SIZE));
  for (size_t i = 0; i < name.size(); ++i) device.name[i] = static_cast<WCHAR>(name[i]);
  set_devices({device});

  ASSERT_EQ(VelkBT_check_parent(), 1);
  EXPECT_EQ(VelkBT_check_wii_remote_connected(), GetParam().matches ? 1 : 0);
  if (!GetParam().matches) {
    EXPECT_TRUE(record_is_empty());
  }
  // The device was offered, so the decision was the name's.
  EXPECT_EQ(log_lines_with("device=00:19:1D:4A:7C:21").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameMatchTest,
    ::testing::Values(
        NameCase{"Exact", u"Nintendo RVL-CNT-01", true},
        NameCase{"EndsAtItsZero", std::u16string(u"Nintendo RVL-CNT-01\0junk", 24), true},
        NameCase{"FurtherCharacter", u"Nintendo RVL-CNT-012", false},
        NameCase{"TrailingSpace", u"Nintendo RVL-CNT-01 ", false},
        NameCase{"LowerCase", u"nintendo rvl-cnt-01", false},
        NameCase{"UpperCase", u"NINTENDO RVL-CNT-01", false},
        NameCase{"Shorter", u"Nintendo RVL-CNT-0", false}, NameCase{"Empty", u"", false},
        NameCase{"FullWidthLookalike", u"Nintendo RVL-CNT-０1", false},
        // 3 bytes each in UTF-8: 741 bytes do not fit the 256-byte buffer.
        NameCase{"LongJapanese", repeated(u'あ', 247), false},
        NameCase{"LongJapaneseAfterTheName", kRemoteName + repeated(u'あ', 228), false},
        // All 248 units used, no terminating zero.
        NameCase{"Unterminated", kRemoteName + repeated(u'x', 229), false},
        NameCase{"UnterminatedAfterZeroFreePadding", repeated(u'N', 248), false}),
    case_label<NameCase>);

// ---- narrow_name on its own: bounds of both buffers ---------------------

struct NarrowCase {
  const char *label;
  std::u16string name;
  int produced;  // bytes including the zero, 0 when not converted
};

// Shown in test names as the label alone.
void PrintTo(const NarrowCase &c, std::ostream *out) { *out << c.label; }

class NarrowNameTest : public ::testing::TestWithParam<NarrowCase> {};

TEST_P(NarrowNameTest, StaysWithinTheNameAndTheBuffer) {
  // The name array ends the structure and the structure ends the allocation,
  // so a read past the 248 units is a heap overflow under ASan.
  BLUETOOTH_DEVICE_INFO *info = new BLUETOOTH_DEVICE_INFO;
  memset(info, 0, sizeof *info);
  const std::u16string &name = GetParam().name;
  for (size_t i = 0; i < name.size(); ++i) info->szName[i] = static_cast<WCHAR>(name[i]);
  struct {
    char buffer[kNameBufferSize];
    char guard[64];
  } narrow;
  memset(&narrow, 0x5A, sizeof narrow);

  int produced = narrow_name(info->szName, narrow.buffer);
  delete info;

  EXPECT_EQ(produced, GetParam().produced);
  for (char byte : narrow.guard) ASSERT_EQ(byte, 0x5A) << "written past the name buffer";
  if (produced > 0) {
    EXPECT_EQ(narrow.buffer[produced - 1], '\0');
    EXPECT_EQ(strlen(narrow.buffer), static_cast<size_t>(produced - 1));
  } else {
    EXPECT_EQ(narrow.buffer[0], '\0');
  }
  EXPECT_EQ(is_wii_remote_name(narrow.buffer, produced), GetParam().label == std::string("Remote"));
}

INSTANTIATE_TEST_SUITE_P(
    Names, NarrowNameTest,
    ::testing::Values(NarrowCase{"Remote", u"Nintendo RVL-CNT-01", 20}, NarrowCase{"Empty", u"", 1},
                      // 85 x 3 bytes + zero = 256: fills the buffer exactly.
                      NarrowCase{"ExactlyFits", repeated(u'あ', 85), 256},
                      NarrowCase{"OneCharacterTooMany", repeated(u'あ', 86), 0},
                      NarrowCase{"LongJapanese", repeated(u'あ', 247), 0},
                      NarrowCase{"LongAscii", repeated(u'a', 247), 248},
                      NarrowCase{"Unterminated", repeated(u'a', 248), 0}),
    case_label<NarrowCase>);

TEST(WiiRemoteName, ComparesOnlyWhatTheConversionProduced) {
  char narrow[kNameBufferSize] = "Nintendo RVL-CNT-01";
  EXPECT_TRUE(is_wii_remote_name(narrow, 20));
  // Stale bytes of an earlier name do not count when the conversion failed.
  EXPECT_FALSE(is_wii_remote_name(narrow, 0));
  EXPECT_FALSE(is_wii_remote_name(narrow, 19));
}

// ---- The remote's states ------------------------------------------------

TEST_F(PairingTest, PairedButNotConnectedIsForgottenThenFoundAndServed) {
  set_devices({remote(0x21, true, false)});

  ASSERT_EQ(VelkBT_check_parent(), 1);
  EXPECT_EQ(VelkBT_check_wii_remote_connected(), 0);
  EXPECT_EQ(VelkBT_clear_remembered_wii_remote(), 0);
  EXPECT_EQ(log_lines_with("bt BluetoothRemoveDevice(00:19:1D:4A:7C:21) -> 0").size(), 1u);
  const SimDevice &device = world_.devices[0];
  EXPECT_FALSE(device.remembered || device.connected || device.authenticated || device.hid_service);

  // Forgotten: only an inquiry finds it now.
  EXPECT_EQ(VelkBT_check_wii_remote_connected(), 0);
  EXPECT_TRUE(record_is_empty());
  EXPECT_EQ(VelkBT_search_wii_remote(), 1);
  EXPECT_EQ(VelkBT_start_wii_remote_hid_service(), 0);
  EXPECT_EQ(log_lines_with("bt BluetoothSetServiceState(hRadio=" + last_radio_name() +
                           " device=00:19:1D:4A:7C:21 " + kHidService + " flags=0x00000001) -> 0")
                .size(),
            1u);
  EXPECT_TRUE(device.hid_service && device.connected && device.remembered);

  std::string radio = last_radio_name();
  EXPECT_EQ(VelkBT_finish(), 0);
  EXPECT_EQ(radio_closes(radio),
            std::vector<std::string>{"kernel CloseHandle(" + radio + ") -> TRUE (live)"});
}

TEST_F(PairingTest, ClearRememberedLeavesAnUnrememberedRemoteAlone) {
  SimDevice device = remote(0x21, false, true);  // connected, not remembered
  set_devices({device});
  ASSERT_EQ(VelkBT_check_parent(), 1);
  EXPECT_EQ(VelkBT_check_wii_remote_connected(), 1);
  EXPECT_EQ(VelkBT_clear_remembered_wii_remote(), 0);
  EXPECT_TRUE(log_lines_with("BluetoothRemoveDevice").empty());
}

TEST_F(PairingTest, ConnectedRemoteIsClosedAndTheRadioClosedOnce) {
  set_devices({remote(0x21, true, true)});

  ASSERT_EQ(VelkBT_check_parent(), 1);
  std::string radio = last_radio_name();
  ASSERT_FALSE(radio.empty());
  EXPECT_EQ(VelkBT_check_wii_remote_connected(), 1);
  EXPECT_EQ(VelkBT_close_wii_remote(), 0);

  EXPECT_EQ(log_lines_with("bt BluetoothRemoveDevice(00:19:1D:4A:7C:21) -> 0").size(), 1u);
  EXPECT_FALSE(world_.devices[0].connected || world_.devices[0].remembered);
  // A second release does not close the handle again.
  EXPECT_EQ(VelkBT_finish(), 0);
  EXPECT_EQ(VelkBT_close_wii_remote(), 0);
  EXPECT_EQ(radio_closes(radio),
            std::vector<std::string>{"kernel CloseHandle(" + radio + ") -> TRUE (live)"});
  EXPECT_TRUE(log_lines_with("(not live)").empty());
}

TEST_F(PairingTest, FirstOfTwoRemotesInEnumerationOrderIsActedOn) {
  set_devices({remote(0x21, true, true), remote(0x42, true, true)});

  ASSERT_EQ(VelkBT_check_parent(), 1);
  EXPECT_EQ(VelkBT_check_wii_remote_connected(), 1);
  EXPECT_EQ(address_text(pairing_state.device_record.Address.rgBytes), "00:19:1D:4A:7C:21");
  EXPECT_EQ(VelkBT_close_wii_remote(), 0);
  EXPECT_EQ(log_lines_with("BluetoothRemoveDevice(").size(), 1u);
  EXPECT_FALSE(world_.devices[0].connected);
  EXPECT_TRUE(world_.devices[1].connected && world_.devices[1].remembered);
}

TEST_F(PairingTest, FirstRemoteDecidesEvenWhenOnlyTheSecondIsConnected) {
  set_devices({remote(0x21, true, false), remote(0x42, true, true)});

  ASSERT_EQ(VelkBT_check_parent(), 1);
  EXPECT_EQ(VelkBT_check_wii_remote_connected(), 0);
  EXPECT_EQ(VelkBT_clear_remembered_wii_remote(), 0);
  EXPECT_EQ(log_lines_with("BluetoothRemoveDevice(").size(), 1u);
  EXPECT_FALSE(world_.devices[0].remembered);
  EXPECT_TRUE(world_.devices[1].remembered);
}

TEST_F(PairingTest, OtherDevicesBeforeTheRemoteAreSkipped) {
  SimDevice keyboard = make_device(u"Keyboard", 0x01);
  keyboard.remembered = true;
  keyboard.connected = true;
  set_devices({keyboard, remote(0x21, true, true)});

  ASSERT_EQ(VelkBT_check_parent(), 1);
  EXPECT_EQ(VelkBT_check_wii_remote_connected(), 1);
  EXPECT_EQ(address_text(pairing_state.device_record.Address.rgBytes), "00:19:1D:4A:7C:21");
  EXPECT_EQ(log_lines_with("BluetoothFindNextDevice(").size(), 1u);
}

TEST_F(PairingTest, NoRadio) {
  world_.radio = false;

  EXPECT_EQ(VelkBT_check_parent(), 0);
  EXPECT_EQ(pairing_state.radio, nullptr);
  EXPECT_EQ(log_lines_with("bt BluetoothFindFirstRadio(dwSize=4) -> null error=259").size(), 1u);
  EXPECT_EQ(VelkBT_finish(), 0);
  EXPECT_TRUE(log_lines_with("CloseHandle").empty());
}

TEST_F(PairingTest, SearchMatchingNothingLeavesTheRecordEmpty) {
  SimDevice keyboard = make_device(u"Keyboard", 0x01);
  keyboard.remembered = true;
  keyboard.connected = true;
  set_devices({keyboard});

  ASSERT_EQ(VelkBT_check_parent(), 1);
  std::string radio = last_radio_name();
  EXPECT_EQ(VelkBT_search_wii_remote(), 0);
  EXPECT_TRUE(record_is_empty());
  EXPECT_EQ(VelkBT_check_wii_remote_connected(), 0);
  EXPECT_EQ(VelkBT_clear_remembered_wii_remote(), 0);
  EXPECT_TRUE(log_lines_with("BluetoothRemoveDevice").empty());

  EXPECT_EQ(VelkBT_start_wii_remote_hid_service(), 0);
  EXPECT_EQ(
      log_lines_with("bt BluetoothSetServiceState(hRadio=" + radio + " device=00:00:00:00:00:00 " +
                     kHidService + " flags=0x00000001) -> 1168")
          .size(),
      1u);
  EXPECT_EQ(VelkBT_close_wii_remote(), 0);
  EXPECT_EQ(log_lines_with("bt BluetoothRemoveDevice(00:00:00:00:00:00) -> 1168").size(), 1u);
  EXPECT_EQ(radio_closes(radio).size(), 1u);
  // The keyboard was not touched.
  EXPECT_TRUE(world_.devices[0].connected && world_.devices[0].remembered);
}

// ---- What is asked of the stack ------------------------------------------

TEST_F(PairingTest, SearchParametersAreExactlyTheDescribedOnes) {
  ASSERT_EQ(VelkBT_check_parent(), 1);
  VelkBT_check_wii_remote_connected();
  VelkBT_search_wii_remote();

  std::string size = std::to_string(sizeof(BLUETOOTH_DEVICE_SEARCH_PARAMS));
  std::string common = "bt BluetoothFindFirstDevice(params={dwSize=" + size +
                       " fReturnAuthenticated=1 fReturnRemembered=1 fReturnUnknown=1 "
                       "fReturnConnected=1 ";
  EXPECT_EQ(log_lines_with(common +
                           "fIssueInquiry=0 cTimeoutMultiplier=0 hRadio=null} info={dwSize=560})")
                .size(),
            1u);
  EXPECT_EQ(log_lines_with(common +
                           "fIssueInquiry=1 cTimeoutMultiplier=2 hRadio=null} info={dwSize=560})")
                .size(),
            1u);
  EXPECT_EQ(log_lines_with("bt BluetoothFindFirstDevice(").size(), 2u);
  EXPECT_EQ(log_lines_with("bt BluetoothFindFirstRadio(dwSize=4) -> radio-search#").size(), 1u);
}

TEST_F(PairingTest, EverySearchHandleIsClosed) {
  SimDevice keyboard = make_device(u"Keyboard", 0x01);
  keyboard.remembered = true;
  set_devices({keyboard, remote(0x21, true, false)});

  ASSERT_EQ(VelkBT_check_parent(), 1);
  VelkBT_check_wii_remote_connected();  // matches the second device
  world_.devices[1].remembered = false;
  world_.devices[1].authenticated = false;
  VelkBT_check_wii_remote_connected();  // matches nothing

  std::vector<std::string> opened = log_lines_with("-> device-search#");
  ASSERT_EQ(opened.size(), 2u);
  for (const std::string &line : opened) {
    std::string name = line.substr(line.find("-> ") + 3);
    name = name.substr(0, name.find(' '));
    EXPECT_EQ(log_lines_with("bt BluetoothFindDeviceClose(" + name + ") -> TRUE").size(), 1u)
        << name;
  }
  std::vector<std::string> radio_search = log_lines_with("-> radio-search#");
  ASSERT_EQ(radio_search.size(), 1u);
  std::string name = radio_search[0].substr(radio_search[0].find("-> ") + 3);
  name = name.substr(0, name.find(' '));
  EXPECT_EQ(log_lines_with("bt BluetoothFindRadioClose(" + name + ") -> TRUE").size(), 1u);
}

TEST_F(PairingTest, RemoteFoundOnlyOnTheThirdInquiry) {
  SimDevice device = remote(0x21, false, false);
  device.discoverable_on_inquiry = 3;
  set_devices({device});
  world_.inquiry_ms = 40;

  ASSERT_EQ(VelkBT_check_parent(), 1);
  for (int attempt = 1; attempt <= 3; ++attempt) {
    auto start = std::chrono::steady_clock::now();
    int found = VelkBT_search_wii_remote();
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(found, attempt == 3 ? 1 : 0) << "attempt " << attempt;
    // Multiplier 2 is one configured inquiry.
    EXPECT_GE(elapsed, std::chrono::milliseconds(40)) << "attempt " << attempt;
  }
  EXPECT_EQ(log_lines_with("bt inquiry #3 of this process: 40 ms").size(), 1u);
  // The quick search makes no inquiry and does not count as one.
  EXPECT_EQ(VelkBT_check_wii_remote_connected(), 0);
  EXPECT_EQ(log_lines_with("bt inquiry #").size(), 3u);
}

TEST_F(PairingTest, RemoteThatNoInquiryFinds) {
  SimDevice device = remote(0x21, false, false);
  device.discoverable_on_inquiry = 0;
  set_devices({device});

  ASSERT_EQ(VelkBT_check_parent(), 1);
  for (int attempt = 0; attempt < 4; ++attempt) EXPECT_EQ(VelkBT_search_wii_remote(), 0);
  EXPECT_TRUE(record_is_empty());
}

TEST_F(PairingTest, SecondCheckParentReleasesTheFirstRadio) {
  ASSERT_EQ(VelkBT_check_parent(), 1);
  std::string first = last_radio_name();
  ASSERT_EQ(VelkBT_check_parent(), 1);
  std::string second = last_radio_name();
  EXPECT_NE(first, second);
  EXPECT_EQ(radio_closes(first).size(), 1u);
  EXPECT_EQ(VelkBT_finish(), 0);
  EXPECT_EQ(radio_closes(second).size(), 1u);
}

}  // namespace
