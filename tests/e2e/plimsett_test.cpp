// plimsett run as a user runs it, against scenarios of the simulated world.
#include <gtest/gtest.h>

#include "scenario.h"
#include "transcripts.h"

namespace {

const char kInitWrite[] = "write 16 04 A6 FF F0 00 55 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
const char kIdentityRead[] =
    "write 17 04 A6 00 FA 00 10 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";

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
  EXPECT_CONSOLE(run, kPlimsettBanner);
  EXPECT_EQ(run.exit_code, 1);
  expect_one_box(run, kBoxRemoteNotFound);
}

TEST(Plimsett, ASilentRemoteCannotOpen) {
  Scenario scenario(connected_world({{"behaviour", "silent"}}));
  ToolRun run = scenario.run("plimsett");
  EXPECT_CONSOLE(run, kPlimsettBanner + kPlimsettPrompt);
  EXPECT_EQ(run.exit_code, 0);
  expect_one_box(run, kBoxCannotOpen);
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
  EXPECT_CONSOLE(run, kPlimsettBanner + kPlimsettPrompt);
  EXPECT_EQ(run.exit_code, 0);
  expect_one_box(run, kBoxNoMotionPlus);
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
  EXPECT_CONSOLE(run, kPlimsettBanner + kWholeDump + kPlimsettPrompt);
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
