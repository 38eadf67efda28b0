// plimsett run as a user runs it, against scenarios of the simulated world.
#include <gtest/gtest.h>

#include "scenario.h"

namespace {

const std::string kBanner =
    "###########################################\n"
    "#                                         #\n"
    "#   Plimsett version 0.1                  #\n"
    "#                  build 2009-6-21        #\n"
    "#                                         #\n"
    "###########################################\n"
    "\n";
const std::string kPrompt = "[何かキーを押して下さい。]\n";
// The simulated MotionPlus's registers. The initialisation write carries a
// size byte of 0 (count - 1), which the remote takes as nothing to store, so
// 0xF0 still reads 00.
const std::string kDump =
    "i2c-0xA6-device-dump  (this looks like memory, but NOT memory)\n"
    " 0000 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
    " 0010 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
    " 0020 : 7C 89 96 A3 B0 BD CA D7 E4 F1 FE 0B 18 25 32 3F \n"
    " 0030 : 4C 59 66 73 80 8D 9A A7 B4 C1 CE DB E8 F5 02 0F \n"
    " 0040 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
    " 0050 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
    " 0060 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
    " 0070 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
    " 0080 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
    " 0090 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
    " 00A0 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
    " 00B0 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
    " 00C0 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
    " 00D0 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
    " 00E0 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
    " 00F0 : 00 00 00 00 00 00 00 00 00 00 00 00 A6 20 00 05 \n"
    "\n";
const char kInitWrite[] = "write 16 04 A6 FF F0 00 55 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
const char kIdentityRead[] =
    "write 17 04 A6 00 FA 00 10 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";

#define EXPECT_CONSOLE(run, utf8) \
  EXPECT_EQ((run).out, console_bytes(utf8)) << "got:\n" << readable((run).out)

World connected_world(const std::map<std::string, std::string> &changes = {}) {
  std::map<std::string, std::string> connected = {{"remembered", "yes"},
                                                  {"connected", "yes"},
                                                  {"authenticated", "yes"},
                                                  {"hid_service", "yes"}};
  for (const auto &change : changes) connected[change.first] = change.second;
  World world;
  world.devices = {wii_remote(connected)};
  return world;
}

void expect_one_box(const ToolRun &run, const std::string &text) {
  ASSERT_EQ(run.boxes.size(), 1u) << run.err;
  EXPECT_EQ(run.boxes[0].text, text);
  EXPECT_EQ(run.boxes[0].owner, "NULL");
  EXPECT_EQ(run.boxes[0].caption, "NULL");
  EXPECT_EQ(run.boxes[0].style, "0x00000000");  // MB_OK
}

// The hex of every report the tool sent, in order (report id first).
std::vector<std::string> writes(const Scenario &scenario) {
  std::vector<std::string> sent;
  for (const std::string &line : scenario.log_lines("hid 1 ")) {
    size_t at = line.find(" write ");
    if (at != std::string::npos) sent.push_back(line.substr(at + 7));
  }
  return sent;
}

TEST(Plimsett, NoRemoteShowsOneBoxAndExitsWithoutAPrompt) {
  Scenario scenario(World{});  // the remote is not connected
  ToolRun run = scenario.run("plimsett");
  EXPECT_CONSOLE(run, kBanner);
  EXPECT_EQ(run.exit_code, 1);
  expect_one_box(run, "Wii-Remote not found.");
}

TEST(Plimsett, ASilentRemoteCannotOpen) {
  Scenario scenario(connected_world({{"behaviour", "silent"}}));
  ToolRun run = scenario.run("plimsett");
  EXPECT_CONSOLE(run, kBanner + kPrompt);
  EXPECT_EQ(run.exit_code, 0);
  expect_one_box(run, "Wii-Remote cannot open.");
  EXPECT_EQ(scenario.log_count("write 11"), 0);
  EXPECT_EQ(scenario.log_count(" close"), 1);
}

struct IdentityCase {
  const char *name;
  std::map<std::string, std::string> remote;
};

void PrintTo(const IdentityCase &c, std::ostream *out) { *out << c.name; }

class PlimsettIdentity : public testing::TestWithParam<IdentityCase> {};

TEST_P(PlimsettIdentity, AnotherDeviceLightsLed1ShowsOneBoxAndDumpsNothing) {
  Scenario scenario(connected_world(GetParam().remote));
  ToolRun run = scenario.run("plimsett");
  EXPECT_CONSOLE(run, kBanner + kPrompt);
  EXPECT_EQ(run.exit_code, 0);
  expect_one_box(run, "Wii MotionPlus is not connected.");
  EXPECT_EQ(scenario.log_count("leds 1000"), 1);
  EXPECT_EQ(scenario.log_count(kIdentityRead), 1);
  EXPECT_EQ(scenario.log_count("write 16"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlimsettIdentity,
    testing::Values(IdentityCase{"NoMotionPlusAnswersError7", {{"motionplus", "no"}}},
                    IdentityCase{"AnotherIdentity", {{"motionplus_id", "00 00 A4 20 01 01"}}}),
    [](const testing::TestParamInfo<IdentityCase> &param_info) { return param_info.param.name; });

TEST(Plimsett, HappyPathInitialisesAndDumpsSixteenRows) {
  Scenario scenario(connected_world());
  ToolRun run = scenario.run("plimsett");
  EXPECT_CONSOLE(run, kBanner + kDump + kPrompt);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_TRUE(run.boxes.empty()) << run.err;

  std::vector<std::string> sent = writes(scenario);
  ASSERT_GE(sent.size(), 4u + 16u + 1u) << join(scenario.log());
  EXPECT_EQ(sent[0].substr(0, 8), "12 00 37");
  EXPECT_EQ(sent[1].substr(0, 5), "11 10");
  EXPECT_EQ("write " + sent[2], kIdentityRead);
  EXPECT_EQ("write " + sent[3], kInitWrite);
  for (int row = 0; row < 16; ++row) {
    char request[32];
    snprintf(request, sizeof request, "17 04 A6 00 %02X 00 10", row * 16);
    EXPECT_EQ(sent[4 + static_cast<size_t>(row)].substr(0, 20), request);
  }
  EXPECT_EQ(sent.back().substr(0, 8), "12 00 30");
  EXPECT_EQ(scenario.log_count(" close"), 1);
}

}  // namespace
