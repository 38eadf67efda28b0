#include "tests/pairing/sim_fixture.h"

#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <fstream>

SimDevice make_device(const std::u16string &name, uint8_t address_low_byte) {
  SimDevice device;
  world_default_device(&device);
  for (size_t i = 0; i < name.size() && i < BLUETOOTH_MAX_NAME_SIZE; ++i) {
    device.name[i] = static_cast<WCHAR>(name[i]);
  }
  const uint8_t address[6] = {address_low_byte, 0x7C, 0x4A, 0x1D, 0x19, 0x00};
  memcpy(device.address, address, sizeof address);
  device.class_of_device = 0x002504;
  return device;
}

void SimWorldTest::SetUp() {
  const char *temporary = getenv("TMPDIR");
  std::string pattern =
      std::string(temporary != nullptr ? temporary : "/tmp") + "/velk-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  ASSERT_NE(mkdtemp(buffer.data()), nullptr);
  folder_ = buffer.data();
  log_path_ = folder_ + "/log.txt";
  setenv("VELK_SIM_LOG", log_path_.c_str(), 1);
  // Never the shared default file.
  setenv("VELK_SIM_STATE", (folder_ + "/world.txt").c_str(), 1);

  world_default(&world_);
  world_.inquiry_ms = kTestInquiryMs;
  world_use_memory(&world_);
  bt_sim_reset_inquiries();
}

void SimWorldTest::TearDown() {
  world_use_memory(nullptr);
  unsetenv("VELK_SIM_LOG");
  unsetenv("VELK_SIM_STATE");
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

void SimWorldTest::set_devices(const std::vector<SimDevice> &devices) {
  world_.device_count = static_cast<int>(devices.size());
  for (size_t i = 0; i < devices.size(); ++i) world_.devices[i] = devices[i];
}

std::vector<std::string> SimWorldTest::log_lines() const {
  std::vector<std::string> lines;
  std::ifstream log(log_path_);
  for (std::string line; std::getline(log, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> SimWorldTest::log_lines_with(const std::string &text) const {
  std::vector<std::string> matching;
  for (const std::string &line : log_lines()) {
    if (line.find(text) != std::string::npos) matching.push_back(line);
  }
  return matching;
}

std::string SimWorldTest::last_radio_name() const {
  std::string name;
  for (const std::string &line : log_lines_with("bt BluetoothFindFirstRadio(")) {
    size_t at = line.find(" radio=");
    if (at != std::string::npos) name = line.substr(at + 7);
  }
  return name;
}

std::string address_text(const uint8_t address[6]) {
  char text[kAddressTextSize];
  world_format_address(address, text);
  return text;
}
