// The state file's text: every key, names with escapes, and a clear message
// for each kind of fault.
#include <gtest/gtest.h>
#include <string.h>

#include <random>
#include <string>

#include "sim/world/world_text.h"

namespace {

std::string format(const SimWorld &world) { return world_format(world); }

bool parse(const std::string &text, SimWorld *world, std::string *error) {
  char message[512] = "";
  bool parsed = world_parse(text.data(), text.size(), "state.txt", world, message, sizeof message);
  *error = message;
  return parsed;
}

std::u16string name_of(const SimDevice &device) {
  size_t length = 0;
  while (length < BLUETOOTH_MAX_NAME_SIZE && device.name[length] != 0) ++length;
  return std::u16string(reinterpret_cast<const char16_t *>(device.name), length);
}

TEST(WorldText, DefaultWorldIsTheDescribedOne) {
  SimWorld world;
  world_default(&world);
  EXPECT_TRUE(world.radio);
  EXPECT_EQ(world.inquiry_ms, 2560);
  ASSERT_EQ(world.device_count, 1);
  const SimDevice &remote = world.devices[0];
  EXPECT_EQ(name_of(remote), u"Nintendo RVL-CNT-01");
  EXPECT_FALSE(remote.remembered || remote.connected || remote.authenticated || remote.hid_service);
  EXPECT_EQ(remote.discoverable_on_inquiry, 1);
  EXPECT_TRUE(remote.is_remote);
  EXPECT_TRUE(remote.remote.motionplus);
  const uint8_t identity[6] = {0x00, 0x00, 0xA6, 0x20, 0x00, 0x05};
  EXPECT_EQ(memcmp(remote.remote.motionplus_id, identity, 6), 0);
  EXPECT_EQ(remote.remote.open_on_attempt, 1);
  EXPECT_EQ(remote.remote.behaviour, RemoteBehaviour::normal);
  EXPECT_EQ(remote.remote.read_reply, ReadReplyMode::normal);
  EXPECT_EQ(remote.remote.vanish, VanishPoint::never);
  EXPECT_EQ(remote.remote.flood, 0);
  EXPECT_FALSE(remote.remote.read_fails);
}

TEST(WorldText, EveryKeyIsReadAndWrittenBack) {
  const std::string text =
      "# a comment\r\n"
      "radio no\n"
      "inquiry_ms 1280\n"
      "\n"
      "device\n"
      "  name \"Wii\\u0000X\"\n"
      "  address 0a:1B:2c:3D:4e:5F\n"
      "  class 0x00ABCDEF\n"
      "  remembered yes\n"
      "  connected true\n"
      "  authenticated 1\n"
      "  hid_service yes\n"
      "  discoverable_on_inquiry 4\n"
      "  is_remote yes\n"
      "  behaviour accel_x_zero\n"
      "  motionplus no\n"
      "  motionplus_id 01 02 a4 20 01 05\n"
      "  read_reply other_size\n"
      "  flood 7\n"
      "  vanish during_dump\n"
      "  read_fails yes\n"
      "  open_on_attempt 0\n"
      "\tdevice\n";
  SimWorld world;
  std::string error;
  ASSERT_TRUE(parse(text, &world, &error)) << error;
  EXPECT_FALSE(world.radio);
  EXPECT_EQ(world.inquiry_ms, 1280);
  ASSERT_EQ(world.device_count, 2);
  const SimDevice &device = world.devices[0];
  EXPECT_EQ(device.name[0], u'W');
  EXPECT_EQ(device.name[3], 0);
  EXPECT_EQ(device.name[4], u'X');
  const uint8_t address[6] = {0x5F, 0x4E, 0x3D, 0x2C, 0x1B, 0x0A};
  EXPECT_EQ(memcmp(device.address, address, 6), 0);
  EXPECT_EQ(device.class_of_device, 0x00ABCDEFu);
  EXPECT_TRUE(device.remembered && device.connected && device.authenticated && device.hid_service &&
              device.is_remote);
  EXPECT_EQ(device.discoverable_on_inquiry, 4);
  EXPECT_EQ(device.remote.behaviour, RemoteBehaviour::accel_x_zero);
  EXPECT_FALSE(device.remote.motionplus);
  const uint8_t identity[6] = {0x01, 0x02, 0xA4, 0x20, 0x01, 0x05};
  EXPECT_EQ(memcmp(device.remote.motionplus_id, identity, 6), 0);
  EXPECT_EQ(device.remote.read_reply, ReadReplyMode::other_size);
  EXPECT_EQ(device.remote.flood, 7);
  EXPECT_EQ(device.remote.vanish, VanishPoint::during_dump);
  EXPECT_TRUE(device.remote.read_fails);
  EXPECT_EQ(device.remote.open_on_attempt, 0);

  // A record without keys holds the documented defaults.
  SimWorld expected = world;
  world_default_device(&expected.devices[1]);
  EXPECT_EQ(format(world), format(expected));

  // Writing and reading again changes nothing.
  SimWorld again;
  ASSERT_TRUE(parse(format(world), &again, &error)) << error;
  EXPECT_EQ(format(again), format(world));
}

TEST(WorldText, EmptyFileIsARadioWithoutDevices) {
  SimWorld world;
  std::string error;
  ASSERT_TRUE(parse("", &world, &error)) << error;
  EXPECT_TRUE(world.radio);
  EXPECT_EQ(world.inquiry_ms, 2560);
  EXPECT_EQ(world.device_count, 0);
}

struct NameCase {
  const char *label;
  std::string written;
  std::u16string units;
};

// Shown in test names as the label alone.
void PrintTo(const NameCase &c, std::ostream *out) { *out << c.label; }

class NameTextTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameTextTest, ReadsToTheseUnitsAndWritesBackTheSame) {
  SimWorld world;
  std::string error;
  ASSERT_TRUE(parse("device\nname " + GetParam().written + "\n", &world, &error)) << error;
  std::u16string units(reinterpret_cast<const char16_t *>(world.devices[0].name),
                       BLUETOOTH_MAX_NAME_SIZE);
  std::u16string expected = GetParam().units;
  expected.resize(BLUETOOTH_MAX_NAME_SIZE, u'\0');
  EXPECT_EQ(units, expected);

  char quoted[BLUETOOTH_MAX_NAME_SIZE * 6 + 3];
  world_quote_name(world.devices[0].name, BLUETOOTH_MAX_NAME_SIZE, quoted, sizeof quoted);
  SimWorld again;
  ASSERT_TRUE(parse(std::string("device\nname ") + quoted + "\n", &again, &error)) << error;
  EXPECT_EQ(memcmp(again.devices[0].name, world.devices[0].name, sizeof again.devices[0].name), 0)
      << quoted;
}

std::string repeat(const std::string &piece, int count) {
  std::string all;
  for (int i = 0; i < count; ++i) all += piece;
  return all;
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameTextTest,
    ::testing::Values(
        NameCase{"Plain", "\"Nintendo RVL-CNT-01\"", u"Nintendo RVL-CNT-01"},
        NameCase{"Empty", "\"\"", u""},
        NameCase{"QuoteAndBackslash", "\"a\\\"b\\\\c\"", u"a\"b\\c"},
        NameCase{"Utf8", "\"Wiiリモコン é\"", u"Wiiリモコン é"},
        NameCase{"OutsideTheBmp", "\"\xF0\x9F\x8E\xAE\"", u"\U0001F3AE"},
        NameCase{"EscapedUnits", "\"\\u0041\\u00e9\\u3042\"", u"Aéあ"},
        NameCase{"UnpairedHighSurrogate", "\"a\\uD800b\"", std::u16string(u"a") + u'\xD800' + u"b"},
        NameCase{"UnpairedLowSurrogate", "\"\\uDC00\"", std::u16string(1, u'\xDC00')},
        NameCase{"EscapedPairIsAPair", "\"\\uD83C\\uDFAE\"", u"\U0001F3AE"},
        NameCase{"ControlAndZero", "\"a\\u0009\\u0000b\"", std::u16string(u"a\t\0b", 4)},
        NameCase{"LongJapanese", "\"" + repeat("あ", 247) + "\"", std::u16string(247, u'あ')},
        NameCase{"FullAndUnterminated", "\"" + repeat("x", 248) + "\"", std::u16string(248, u'x')}),
    [](const ::testing::TestParamInfo<NameCase> &param_info) {
      return std::string(param_info.param.label);
    });

TEST(WorldText, AnyUnitsSurviveQuotingAndReading) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 200; ++round) {
    SimWorld world;
    world_empty(&world);
    world.device_count = 1;
    world_default_device(&world.devices[0]);
    size_t length = random() % (BLUETOOTH_MAX_NAME_SIZE + 1);
    for (size_t i = 0; i < length; ++i) {
      // Mostly the awkward ranges: controls, zero, surrogates.
      uint32_t pick = random() % 4;
      uint32_t unit = pick == 0   ? random() % 0x40
                      : pick == 1 ? 0xD800 + random() % 0x800
                                  : random() % 0x10000;
      world.devices[0].name[i] = static_cast<WCHAR>(unit);
    }
    SimWorld again;
    std::string error;
    ASSERT_TRUE(parse(format(world), &again, &error)) << error;
    ASSERT_EQ(memcmp(again.devices[0].name, world.devices[0].name, sizeof world.devices[0].name), 0)
        << "round " << round;
  }
}

TEST(WorldText, QuotedNameIsCutToTheGivenSpace) {
  SimDevice device;
  world_default_device(&device);
  for (int i = 0; i < 40; ++i) device.name[i] = u'あ';
  char small[20];
  memset(small, 0x5A, sizeof small);
  world_quote_name(device.name, BLUETOOTH_MAX_NAME_SIZE, small, 16);
  // Quotes, zero and 4 x 3 bytes: a fifth character would need 18.
  EXPECT_EQ(std::string(small), "\"ああああ\"");
  for (size_t i = 16; i < sizeof small; ++i) EXPECT_EQ(small[i], 0x5A);
}

struct FaultCase {
  const char *label;
  std::string text;
  std::string message;  // the whole message after "state.txt:"
};

// Shown in test names as the label alone.
void PrintTo(const FaultCase &c, std::ostream *out) { *out << c.label; }

class FaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultTest, NamesTheLineAndTheFault) {
  SimWorld world;
  world_default(&world);
  std::string before = format(world);
  std::string error;
  EXPECT_FALSE(parse(GetParam().text, &world, &error));
  EXPECT_EQ(error, "state.txt:" + GetParam().message);
  // A failed read leaves the caller's world alone.
  EXPECT_EQ(format(world), before);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultTest,
    ::testing::Values(
        FaultCase{"UnknownKey", "radio yes\ncolour blue\n", "2: unknown key 'colour'"},
        FaultCase{"BadBool", "radio maybe\n", "1: 'radio' takes yes or no, not 'maybe'"},
        FaultCase{"NoValue", "radio\n", "1: 'radio' has no value"},
        FaultCase{"NegativeNumber", "inquiry_ms -5\n",
                  "1: 'inquiry_ms' takes a whole number from 0 to 600000, not '-5'"},
        FaultCase{"HugeNumber", "inquiry_ms 99999999999999999999\n",
                  "1: 'inquiry_ms' takes a whole number from 0 to 600000, not "
                  "'99999999999999999999'"},
        FaultCase{"WorldKeyTwice", "radio yes\nradio no\n",
                  "2: 'radio' given twice (first on line 1)"},
        FaultCase{"WorldKeyAfterDevice", "device\nradio yes\n",
                  "2: 'radio' belongs before the first device record"},
        FaultCase{"DeviceKeyOutside", "name \"x\"\n",
                  "1: 'name' outside a device record (start one with a line 'device')"},
        FaultCase{"DeviceKeyTwice", "device\nflood 1\n\nflood 2\n",
                  "4: 'flood' given twice in this device record (first on line 2)"},
        FaultCase{"DeviceWithValue", "device remote\n", "1: 'device' stands alone on its line"},
        FaultCase{"TooManyDevices", repeat("device\n", 9), "9: more than 8 devices"},
        FaultCase{"ShortAddress", "device\naddress 00:11:22:33:44\n",
                  "2: 'address' takes six hex bytes such as 00:19:1D:4A:7C:21, not "
                  "'00:11:22:33:44'"},
        FaultCase{"AddressNotHex", "device\naddress 00:11:22:33:44:GG\n",
                  "2: 'address' takes six hex bytes such as 00:19:1D:4A:7C:21, not "
                  "'00:11:22:33:44:GG'"},
        FaultCase{"SameAddressTwice",
                  "device\naddress 00:00:00:00:00:01\ndevice\ndevice\naddress 00:00:00:00:00:01\n",
                  "4: this device has the address 00:00:00:00:00:01 of the device on line 1"},
        FaultCase{"ClassTooBig", "device\nclass 0x100000000\n",
                  "2: 'class' takes a 32-bit number such as 0x002504, not '0x100000000'"},
        FaultCase{"BadEnum", "device\nbehaviour loud\n",
                  "2: 'behaviour' takes one of normal, silent, buttons_only, accel_x_zero, not "
                  "'loud'"},
        FaultCase{"IdentityTooShort", "device\nmotionplus_id 00 00 A6 20 00\n",
                  "2: 'motionplus_id' takes six hex bytes such as 00 00 A6 20 00 05, not '00 00 "
                  "A6 20 00'"},
        FaultCase{"IdentityTooLong", "device\nmotionplus_id 00 00 A6 20 00 05 07\n",
                  "2: 'motionplus_id' takes six hex bytes such as 00 00 A6 20 00 05, not '00 00 "
                  "A6 20 00 05 07'"},
        FaultCase{"NameUnquoted", "device\nname Wii\n",
                  "2: 'name' takes a text in double quotes, such as \"Nintendo RVL-CNT-01\""},
        FaultCase{"NameUnclosed", "device\nname \"Wii\n", "2: the name has no closing '\"'"},
        FaultCase{"NameTrailingText", "device\nname \"Wii\" x\n",
                  "2: text after the name's closing '\"'"},
        FaultCase{"NameBadEscape", "device\nname \"a\\n\"\n",
                  "2: unknown escape in the name (use \\\", \\\\ or \\uXXXX)"},
        FaultCase{"NameShortEscape", "device\nname \"\\u12\"\n",
                  "2: \\u in the name needs four hex digits"},
        FaultCase{"NameBadUtf8", "device\nname \"\xC3\x28\"\n",
                  "2: the name is not valid UTF-8 (write other code units as \\uXXXX)"},
        FaultCase{"NameEncodedSurrogate", "device\nname \"\xED\xA0\x80\"\n",
                  "2: the name is not valid UTF-8 (write other code units as \\uXXXX)"},
        FaultCase{"NameTab", "device\nname \"a\tb\"\n",
                  "2: control character in the name; write it as \\uXXXX"},
        FaultCase{"NameTooLong", "device\nname \"" + repeat("x", 249) + "\"\n",
                  "2: the name is longer than 248 UTF-16 code units"},
        FaultCase{"NameTooLongByAPair",
                  "device\nname \"" + repeat("x", 247) + "\xF0\x9F\x8E\xAE\"\n",
                  "2: the name is longer than 248 UTF-16 code units"},
        FaultCase{"ZeroByte", std::string("radio yes\nra\0dio\n", 17), "2: zero byte in the line"}),
    [](const ::testing::TestParamInfo<FaultCase> &param_info) {
      return std::string(param_info.param.label);
    });

}  // namespace
