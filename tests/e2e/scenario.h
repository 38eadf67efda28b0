// A scenario of the simulated world for one end-to-end run: its state file,
// its log, and what the tools did to both.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tool_run.h"

// One device record; keys and values as in sim/WORLD.md.
struct DeviceRecord {
  std::map<std::string, std::string> fields;
};

// The embedded default's remote, with the given fields changed.
DeviceRecord wii_remote(const std::map<std::string, std::string> &changes = {});
// The same remote as corvanth leaves it: connected, its HID service on.
DeviceRecord connected_wii_remote(const std::map<std::string, std::string> &changes = {});

struct World {
  bool radio = true;
  int inquiry_ms = 20;  // short, unless a test measures the real waits
  std::vector<DeviceRecord> devices = {wii_remote()};
};

class Scenario {
 public:
  explicit Scenario(const World &world);
  ~Scenario();

  ToolRun run(const std::string &tool, const std::string &input = "k");

  std::string state() const;             // the state file as it is now
  std::vector<std::string> log() const;  // every log line so far
  // Log lines starting with `prefix` (for example "bt " or "hid ").
  std::vector<std::string> log_lines(const std::string &prefix) const;
  // How many log lines contain `text`.
  int log_count(const std::string &text) const;

 private:
  std::string dir_;
  std::string state_path_;
  std::string log_path_;
};

std::string join(const std::vector<std::string> &lines);
