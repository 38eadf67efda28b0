// A world in memory with one connected Wii Remote whose HID service is on,
// the log in a file of the test's own, and the link's state reset around
// each test, for tests against the simulated remote.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>

#include "link/remote_link.h"
#include "sim/world/world.h"

class RemoteFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
    log_path_ =
        ::testing::TempDir() + "velk_link_" + info->test_suite_name() + "_" + info->name() + ".log";
    for (char &c : log_path_) {
      if (c == '/' && &c > &log_path_[::testing::TempDir().size()]) c = '_';
    }
    remove(log_path_.c_str());
    setenv("VELK_SIM_LOG", log_path_.c_str(), 1);
    world_default(&world_);
    world_.devices[0].connected = true;
    world_.devices[0].hid_service = true;
    world_use_memory(&world_);
    memset(static_cast<void *>(&remote_link), 0, sizeof remote_link);
    remote_link.handle = kNoHidHandle;
  }

  void TearDown() override {
    end_reader(kReaderEndTimeoutMs);
    if (remote_link.reader.reader_thread != nullptr) CloseHandle(remote_link.reader.reader_thread);
    if (remote_link.handle != kNoHidHandle) CloseHidHandle(remote_link.handle);
    memset(static_cast<void *>(&remote_link), 0, sizeof remote_link);
    world_use_memory(nullptr);
    unsetenv("VELK_SIM_LOG");
  }

  SimRemoteKnobs &knobs() { return world_.devices[0].remote; }

  void open_remote() {
    remote_link.handle = OpenHidHandle(HID_VENDOR_ID, HID_PRODUCT_ID);
    ASSERT_NE(remote_link.handle, kNoHidHandle);
  }

  std::string log_text() const {
    std::ifstream file(log_path_);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  static double ms_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
  }

  // True when the thread has ended (its handle is signalled).
  static bool thread_gone(HANDLE thread) { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }

  static DWORD exit_code(HANDLE thread) {
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    return code;
  }

  SimWorld world_;
  std::string log_path_;
};
