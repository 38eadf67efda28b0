// The two tools share nothing but the state Windows keeps: one connects,
// the other dumps, the first again disconnects.
#include <gtest/gtest.h>

#include "scenario.h"
#include "transcripts.h"

namespace {

TEST(AcrossProcesses, CorvanthConnectsPlimsettDumpsCorvanthDisconnects) {
  Scenario scenario(World{});

  ToolRun connect = scenario.run("corvanth");
  EXPECT_EQ(connect.exit_code, 0) << readable(connect.out);
  EXPECT_NE(connect.out.find(console_bytes("Wiiリモコンを接続しました。\n")), std::string::npos);

  ToolRun dump = scenario.run("plimsett");
  EXPECT_EQ(dump.exit_code, 0) << readable(dump.out);
  EXPECT_TRUE(dump.boxes.empty()) << dump.err;
  EXPECT_NE(dump.out.find(" 00F0 : "), std::string::npos) << readable(dump.out);

  ToolRun disconnect = scenario.run("corvanth");
  EXPECT_EQ(disconnect.exit_code, 1);
  EXPECT_NE(disconnect.out.find(console_bytes("既に接続済みです。\n")), std::string::npos)
      << readable(disconnect.out);
  EXPECT_NE(scenario.state().find("connected no"), std::string::npos);

  ToolRun no_remote = scenario.run("plimsett");
  EXPECT_EQ(no_remote.exit_code, 1);
  ASSERT_EQ(no_remote.boxes.size(), 1u);
  EXPECT_EQ(no_remote.boxes[0].text, kBoxRemoteNotFound);
}

}  // namespace
