// corvanth run as a user runs it, against scenarios of the simulated world.
#include <gtest/gtest.h>

#include "scenario.h"
#include "transcripts.h"

namespace {

const std::string kRemoteAddress = "00:19:1D:4A:7C:21";

const char kRemoveDevice[] = "bt BluetoothRemoveDevice(";
const char kInquiry[] = "fIssueInquiry=1";
const char kRadioClosed[] = "kernel CloseHandle(radio#1) -> TRUE (live)";

// Index of the first log line containing `text`, or -1.
int first_line(const std::vector<std::string> &log, const std::string &text) {
  for (size_t i = 0; i < log.size(); ++i) {
    if (log[i].find(text) != std::string::npos) return static_cast<int>(i);
  }
  return -1;
}

int count_in(const std::string &text, const std::string &what) {
  int count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
}

TEST(Corvanth, NoRadioSaysSoOnceAndCallsNothingElse) {
  World world;
  world.radio = false;
  Scenario scenario(world);
  ToolRun run = scenario.run("corvanth");
  EXPECT_CONSOLE(
      run, kCorvanthBanner + "Bluetoothインターフェース(親機)が見つかりません\n" + kCorvanthPrompt);
  EXPECT_EQ(run.exit_code, 1);
  std::vector<std::string> bt = scenario.log_lines("bt ");
  ASSERT_EQ(bt.size(), 1u) << join(scenario.log());
  EXPECT_NE(bt[0].find("BluetoothFindFirstRadio(dwSize=4)"), std::string::npos);
  EXPECT_EQ(scenario.log_lines("hid ").size(), 0u);
}

TEST(Corvanth, AConnectedRemoteIsDisconnected) {
  World world;
  world.devices = {wii_remote({{"remembered", "yes"},
                               {"connected", "yes"},
                               {"authenticated", "yes"},
                               {"hid_service", "yes"}})};
  Scenario scenario(world);
  ToolRun run = scenario.run("corvanth");
  EXPECT_CONSOLE(run, kCorvanthBanner +
                          "既に接続済みです。\n"
                          "\n"
                          "Wiiリモコンの接続を解除します。\n"
                          "デバイス情報削除中\n"
                          ".\n"
                          "デバイス情報削除しました。\n"
                          "終了しました。\n" +
                          kCorvanthPrompt);
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(scenario.log_count(std::string(kRemoveDevice) + kRemoteAddress), 1);
  EXPECT_EQ(scenario.log_count("CloseHandle(radio#1)"), 1);
  EXPECT_EQ(scenario.log_count(kRadioClosed), 1);
  EXPECT_EQ(scenario.log_count(kInquiry), 0);
  std::string state = scenario.state();
  EXPECT_NE(state.find("connected no"), std::string::npos) << state;
  EXPECT_NE(state.find("remembered no"), std::string::npos) << state;
  EXPECT_EQ(scenario.log_lines("hid ").size(), 0u);
}

TEST(Corvanth, ARememberedRemoteIsForgottenBeforeTheSearch) {
  World world;
  world.devices = {wii_remote({{"remembered", "yes"}})};
  Scenario scenario(world);
  ToolRun run = scenario.run("corvanth");
  EXPECT_CONSOLE(run, kCorvanthHappyPath);
  EXPECT_EQ(run.exit_code, 0);
  std::vector<std::string> log = scenario.log();
  int removed = first_line(log, std::string(kRemoveDevice) + kRemoteAddress);
  int inquiry = first_line(log, kInquiry);
  ASSERT_GE(removed, 0) << join(log);
  ASSERT_GE(inquiry, 0) << join(log);
  EXPECT_LT(removed, inquiry);
}

struct SearchCase {
  const char *name;
  const char *found_on;  // discoverable_on_inquiry
  int inquiries;
  std::string console_after_search;
  int exit_code;
};

void PrintTo(const SearchCase &c, std::ostream *out) { *out << c.name; }

class CorvanthSearch : public testing::TestWithParam<SearchCase> {};

TEST_P(CorvanthSearch, PrintsOneDotPerInquiry) {
  const SearchCase &c = GetParam();
  World world;
  world.devices = {wii_remote({{"discoverable_on_inquiry", c.found_on}})};
  Scenario scenario(world);
  ToolRun run = scenario.run("corvanth");
  EXPECT_CONSOLE(run, kCorvanthBanner + kSearch + c.console_after_search);
  EXPECT_EQ(run.exit_code, c.exit_code);
  EXPECT_EQ(scenario.log_count(kInquiry), c.inquiries);
  EXPECT_EQ(scenario.log_count("CloseHandle(radio#1)"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CorvanthSearch,
    testing::Values(SearchCase{"FoundOnTheThirdInquiry", "3", 3,
                               "...\n" + kFoundAndService + kOpening + ".\n" + kConnectedEnd, 0},
                    SearchCase{
                        "NeverFoundAfterTen", "0", 10,
                        "..........\nWiiリモコンが見つかりませんでした。\n" + kCorvanthPrompt, 1}),
    [](const testing::TestParamInfo<SearchCase> &param_info) { return param_info.param.name; });

TEST(Corvanth, AHidDeviceThatNeverAppearsFailsAfterElevenAttempts) {
  World world;
  world.devices = {wii_remote({{"open_on_attempt", "0"}})};
  Scenario scenario(world);
  ToolRun run = scenario.run("corvanth");
  EXPECT_CONSOLE(run, kCorvanthBanner + kSearch + ".\n" + kFoundAndService + kOpening +
                          "...........\nWiiリモコンHIDを開けません。\n" + kCorvanthPrompt);
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(scenario.log_count("hid open 057E:0306"), 11);
  // Eleven attempts 500 ms apart: ten pauses.
  EXPECT_GE(run.seconds, 5.0);
}

TEST(Corvanth, ASilentRemoteFailsTheProbeAndItsReaderIsEndedByForce) {
  World world;
  world.devices = {wii_remote({{"behaviour", "silent"}})};
  Scenario scenario(world);
  ToolRun run = scenario.run("corvanth");
  EXPECT_CONSOLE(run, kCorvanthBanner + kSearch + ".\n" + kFoundAndService + kOpening + ".\n" +
                          "Wiiリモコンの応答がありません。\n" + kCorvanthPrompt);
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_FALSE(run.timed_out);
  EXPECT_LT(run.seconds, 10.0);
  EXPECT_EQ(scenario.log_count(" close"), 1);
  EXPECT_EQ(scenario.log_count("write 11"), 0);
}

TEST(Corvanth, HappyPathSetsMode31BuzzesAndLightsLed1) {
  World world;
  Scenario scenario(world);
  ToolRun run = scenario.run("corvanth");
  EXPECT_CONSOLE(run, kCorvanthHappyPath);
  EXPECT_EQ(run.exit_code, 0);
  std::vector<std::string> writes;
  for (const std::string &line : scenario.log_lines("hid 1 ")) {
    size_t at = line.find(" write ");
    if (at != std::string::npos) writes.push_back(line.substr(at + 7, 8));
  }
  EXPECT_EQ(writes, (std::vector<std::string>{"12 00 31", "13 01 31", "13 00 31", "11 10 31"}))
      << join(scenario.log());
  EXPECT_EQ(scenario.log_count("rumble on"), 1);
  EXPECT_EQ(scenario.log_count("rumble off"), 1);
  EXPECT_EQ(scenario.log_count("leds 1000"), 1);
  EXPECT_EQ(scenario.log_count("BluetoothSetServiceState(hRadio=radio#1 device=" + kRemoteAddress +
                               " service={00001124-0000-1000-8000-00805F9B34FB} flags=0x00000001)"),
            1);
  EXPECT_EQ(scenario.log_count(kRadioClosed), 1);
  std::string state = scenario.state();
  EXPECT_NE(state.find("connected yes"), std::string::npos) << state;
  EXPECT_NE(state.find("hid_service yes"), std::string::npos) << state;
  EXPECT_EQ(count_in(state, "device\n"), 1);
}

}  // namespace
