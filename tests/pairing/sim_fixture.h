// A fresh simulated world in memory and a fresh log for each test, and ways
// to read what the simulated Bluetooth stack logged.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/bluetooth/bt_sim.h"
#include "sim/world/world.h"

constexpr int kTestInquiryMs = 10;

// Builds a device record; the name is given as UTF-16 units.
SimDevice make_device(const std::u16string &name, uint8_t address_low_byte);

class SimWorldTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Replaces the world's devices.
  void set_devices(const std::vector<SimDevice> &devices);

  std::vector<std::string> log_lines() const;
  // Lines that contain `text`.
  std::vector<std::string> log_lines_with(const std::string &text) const;
  // The name of the radio handle the last BluetoothFindFirstRadio gave out.
  std::string last_radio_name() const;

  std::string folder_;
  std::string log_path_;
  SimWorld world_;
};

std::string address_text(const uint8_t address[6]);

// Names parameterised cases by their `label` field.
template <typename Case>
std::string case_label(const ::testing::TestParamInfo<Case> &param_info) {
  return param_info.param.label;
}
