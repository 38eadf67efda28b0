#include "scenario.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Field order as the simulated world writes it.
const char *const kFieldOrder[] = {
    "name",           "address",       "class",       "remembered",
    "connected",      "authenticated", "hid_service", "discoverable_on_inquiry",
    "is_remote",      "behaviour",     "motionplus",  "motionplus_id",
    "read_reply",     "flood",         "vanish",      "read_fails",
    "open_on_attempt"};

}  // namespace

DeviceRecord wii_remote(const std::map<std::string, std::string> &changes) {
  DeviceRecord remote{{
      {"name", "\"Nintendo RVL-CNT-01\""},
      {"address", "00:19:1D:4A:7C:21"},
      {"class", "0x002504"},
      {"remembered", "no"},
      {"connected", "no"},
      {"authenticated", "no"},
      {"hid_service", "no"},
      {"discoverable_on_inquiry", "1"},
      {"is_remote", "yes"},
      {"behaviour", "normal"},
      {"motionplus", "yes"},
      {"motionplus_id", "00 00 A6 20 00 05"},
      {"read_reply", "normal"},
      {"flood", "0"},
      {"vanish", "never"},
      {"read_fails", "no"},
      {"open_on_attempt", "1"},
  }};
  for (const auto &change : changes) remote.fields[change.first] = change.second;
  return remote;
}

DeviceRecord connected_wii_remote(const std::map<std::string, std::string> &changes) {
  DeviceRecord remote = wii_remote({{"remembered", "yes"},
                                    {"connected", "yes"},
                                    {"authenticated", "yes"},
                                    {"hid_service", "yes"}});
  for (const auto &change : changes) remote.fields[change.first] = change.second;
  return remote;
}

Scenario::Scenario(const World &world) {
  char pattern[] = "/tmp/velk-e2e-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
  dir_ = pattern;
  state_path_ = dir_ + "/world.txt";
  log_path_ = dir_ + "/log.txt";
  std::ofstream out(state_path_);
  out << "radio " << (world.radio ? "yes" : "no") << "\n";
  out << "inquiry_ms " << world.inquiry_ms << "\n";
  for (const DeviceRecord &device : world.devices) {
    out << "\ndevice\n";
    for (const char *key : kFieldOrder) {
      auto it = device.fields.find(key);
      if (it != device.fields.end()) out << "  " << key << " " << it->second << "\n";
    }
  }
}

Scenario::~Scenario() { std::filesystem::remove_all(dir_); }

ToolRun Scenario::run(const std::string &tool, const std::string &input) {
  ToolRequest request;
  request.tool = tool;
  request.input = input;
  request.env = {{"VELK_SIM_STATE", state_path_}, {"VELK_SIM_LOG", log_path_}};
  return run_tool(request);
}

std::string Scenario::state() const { return read_file(state_path_); }

std::vector<std::string> Scenario::log() const {
  std::vector<std::string> lines;
  std::stringstream text(read_file(log_path_));
  std::string line;
  while (std::getline(text, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> Scenario::log_lines(const std::string &prefix) const {
  std::vector<std::string> matching;
  for (const std::string &line : log()) {
    if (line.compare(0, prefix.size(), prefix) == 0) matching.push_back(line);
  }
  return matching;
}

int Scenario::log_count(const std::string &text) const {
  int count = 0;
  for (const std::string &line : log()) count += line.find(text) != std::string::npos ? 1 : 0;
  return count;
}

std::string join(const std::vector<std::string> &lines) {
  std::string text;
  for (const std::string &line : lines) text += line + "\n";
  return text;
}
