// The shared library exports exactly the seven functions, under their plain
// names, and nothing else.
#include <dlfcn.h>
#include <stdio.h>

#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace {

const std::set<std::string> kExports = {"VelkBT_check_parent",
                                        "VelkBT_check_wii_remote_connected",
                                        "VelkBT_close_wii_remote",
                                        "VelkBT_clear_remembered_wii_remote",
                                        "VelkBT_search_wii_remote",
                                        "VelkBT_start_wii_remote_hid_service",
                                        "VelkBT_finish"};

std::set<std::string> defined_dynamic_symbols(const std::string &library) {
  std::string command = std::string(VELK_NM) + " -D --defined-only '" + library + "'";
  FILE *pipe = popen(command.c_str(), "r");
  std::set<std::string> names;
  if (pipe == nullptr) return names;
  char line[1024];
  while (fgets(line, sizeof line, pipe) != nullptr) {
    // "<address> <type> <name>"
    std::istringstream fields(line);
    std::string address, type, name;
    if (fields >> address >> type >> name) names.insert(name);
  }
  EXPECT_EQ(pclose(pipe), 0) << command;
  return names;
}

TEST(Exports, ExactlyTheSevenFunctions) {
  EXPECT_EQ(defined_dynamic_symbols(VELK_WII_BT_LIBRARY), kExports);
}

TEST(Exports, EachLoadsByItsPlainName) {
  void *library = dlopen(VELK_WII_BT_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  for (const std::string &name : kExports) {
    EXPECT_NE(dlsym(library, name.c_str()), nullptr) << name;
  }
  // The module's own steps stay inside.
  EXPECT_EQ(dlsym(library, "pairing_state_reset"), nullptr);
  EXPECT_EQ(dlsym(library, "_Z19pairing_state_resetv"), nullptr);
  dlclose(library);
}

}  // namespace
