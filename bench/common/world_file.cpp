// The benchmark's worlds: one radio, one Wii Remote with a MotionPlus.
#include "common/world_file.h"

#include <fstream>

std::string world_text(RemoteStart start) {
  const char *known = start == RemoteStart::connected ? "yes" : "no";
  std::string text;
  text += "radio yes\n";
  text += "inquiry_ms " + std::to_string(kWorldInquiryMs) + "\n";
  text += "\ndevice\n";
  text += "  name \"Nintendo RVL-CNT-01\"\n";
  text += "  address 00:19:1D:4A:7C:21\n";
  text += "  class 0x002504\n";
  text += std::string("  remembered ") + known + "\n";
  text += std::string("  connected ") + known + "\n";
  text += std::string("  authenticated ") + known + "\n";
  text += std::string("  hid_service ") + known + "\n";
  text += "  discoverable_on_inquiry 1\n";
  text += "  is_remote yes\n";
  text += "  motionplus yes\n";
  return text;
}

bool write_world_file(const std::string &path, RemoteStart start) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << world_text(start);
  return static_cast<bool>(out);
}
