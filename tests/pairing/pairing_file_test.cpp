// The pairing library against a world in its state file: changes persist,
// and a broken file is reported, not crashed on.
#include <fstream>
#include <sstream>

#include "pairing/pairing_state.h"
#include "pairing/velk_wii_bt.h"
#include "tests/pairing/sim_fixture.h"

namespace {

class PairingFileTest : public SimWorldTest {
 protected:
  void SetUp() override {
    SimWorldTest::SetUp();
    world_use_memory(nullptr);
    state_path_ = folder_ + "/world.txt";
    pairing_state_reset();
  }
  void TearDown() override {
    close_radio();
    SimWorldTest::TearDown();
  }

  void write_state(const std::string &text) {
    std::ofstream file(state_path_, std::ios::binary);
    file << text;
  }

  std::string read_state() const {
    std::ifstream file(state_path_, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  std::string state_path_;
};

bool shorten_inquiry(SimWorld *world, void *) {
  world->inquiry_ms = kTestInquiryMs;
  return true;
}

TEST_F(PairingFileTest, ConnectThenDisconnectAcrossTheFile) {
  // A missing file starts as the embedded default.
  char error[512] = "";
  ASSERT_TRUE(world_update(shorten_inquiry, nullptr, error, sizeof error)) << error;

  // What the connect tool does the first time.
  ASSERT_EQ(VelkBT_check_parent(), 1);
  EXPECT_EQ(VelkBT_check_wii_remote_connected(), 0);
  VelkBT_clear_remembered_wii_remote();
  ASSERT_EQ(VelkBT_search_wii_remote(), 1);
  VelkBT_start_wii_remote_hid_service();
  VelkBT_finish();

  SimWorld world;
  ASSERT_TRUE(world_load(&world, error, sizeof error)) << error;
  ASSERT_EQ(world.device_count, 1);
  EXPECT_TRUE(world.devices[0].hid_service && world.devices[0].connected &&
              world.devices[0].remembered);
  EXPECT_NE(read_state().find("hid_service yes"), std::string::npos);

  // And the second time, as a new process would.
  pairing_state_reset();
  bt_sim_reset_inquiries();
  ASSERT_EQ(VelkBT_check_parent(), 1);
  EXPECT_EQ(VelkBT_check_wii_remote_connected(), 1);
  VelkBT_close_wii_remote();
  ASSERT_TRUE(world_load(&world, error, sizeof error)) << error;
  EXPECT_FALSE(world.devices[0].hid_service || world.devices[0].connected ||
               world.devices[0].remembered);
  // The remote itself is still there for the next inquiry.
  EXPECT_EQ(world.device_count, 1);
}

TEST_F(PairingFileTest, MalformedStateFileIsReportedOnceAndActsAsAnEmptyWorld) {
  write_state("radio yes\ninquiry_ms 10\n\ndevice\n  name \"Nintendo RVL-CNT-01\n");
  std::string before = read_state();

  ::testing::internal::CaptureStderr();
  EXPECT_EQ(VelkBT_check_parent(), 0);
  EXPECT_EQ(VelkBT_check_wii_remote_connected(), 0);
  EXPECT_EQ(VelkBT_clear_remembered_wii_remote(), 0);
  EXPECT_EQ(VelkBT_search_wii_remote(), 0);
  VelkBT_start_wii_remote_hid_service();
  VelkBT_close_wii_remote();
  std::string errors = ::testing::internal::GetCapturedStderr();

  std::string message = state_path_ + ":5: the name has no closing '\"'";
  size_t first = errors.find(message);
  ASSERT_NE(first, std::string::npos) << errors;
  EXPECT_EQ(errors.find(message, first + 1), std::string::npos) << "reported twice: " << errors;
  // Nothing was written over the person's file.
  EXPECT_EQ(read_state(), before);
}

TEST_F(PairingFileTest, RemovedDeviceSurvivesInTheFile) {
  write_state(
      "radio yes\ninquiry_ms 10\n"
      "device\n name \"Nintendo RVL-CNT-01\"\n address 00:19:1D:00:00:07\n remembered yes\n"
      " connected yes\n is_remote yes\n discoverable_on_inquiry 2\n");

  ASSERT_EQ(VelkBT_check_parent(), 1);
  EXPECT_EQ(VelkBT_check_wii_remote_connected(), 1);
  VelkBT_close_wii_remote();

  SimWorld world;
  char error[512] = "";
  ASSERT_TRUE(world_load(&world, error, sizeof error)) << error;
  ASSERT_EQ(world.device_count, 1);
  EXPECT_EQ(address_text(world.devices[0].address), "00:19:1D:00:00:07");
  EXPECT_FALSE(world.devices[0].remembered || world.devices[0].connected);
  EXPECT_EQ(world.devices[0].discoverable_on_inquiry, 2);
  EXPECT_TRUE(world.devices[0].is_remote);
}

}  // namespace
