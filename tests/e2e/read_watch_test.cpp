// The simulated velk_hid_dll's watch over reads that do not return, which the
// end-to-end runs of a misbehaving remote rely on to show that a tool left no
// thread behind. Here threads are left behind on purpose, so the watch is seen
// to speak up.
#include <gtest/gtest.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "link/remote_link.h"
#include "sim/world/world.h"

namespace {

// Long enough for a new thread to be blocked in its read.
constexpr DWORD kSettleMs = 300;
constexpr DWORD kThreadEndMs = 5000;
constexpr DWORD kForcedExitCode = 0xFFFFFFFF;

unsigned WINAPI read_once(void *handle) {
  uint8_t buffer[kReportBufferSize];
  uint32_t count = 0;
  ReadReport(static_cast<HidHandle>(reinterpret_cast<intptr_t>(handle)), buffer, &count);
  return 0;
}

HANDLE start_reader(HidHandle handle) {
  void *argument = reinterpret_cast<void *>(static_cast<intptr_t>(handle));
  return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, read_once, argument, 0, nullptr));
}

class ReadWatch : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/velk-watch-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    setenv("VELK_SIM_LOG", (dir_ + "/log.txt").c_str(), 1);
    world_default(&world_);
    SimDevice &remote = world_.devices[0];
    remote.connected = remote.hid_service = remote.remembered = true;
    remote.remote.behaviour = RemoteBehaviour::silent;
    world_use_memory(&world_);
  }
  void TearDown() override {
    world_use_memory(nullptr);
    unsetenv("VELK_SIM_LOG");
    std::filesystem::remove_all(dir_);
  }
  int count(const std::string &text) const {
    std::ifstream log(dir_ + "/log.txt");
    int found = 0;
    for (std::string line; std::getline(log, line);) found += line.find(text) != std::string::npos;
    return found;
  }

  std::string dir_;
  SimWorld world_;
};

TEST_F(ReadWatch, AReadStillBlockedWhenItsHandleClosesIsLogged) {
  HidHandle handle = OpenHidHandle(HID_VENDOR_ID, HID_PRODUCT_ID);
  ASSERT_NE(handle, kNoHidHandle);
  HANDLE reader = start_reader(handle);
  ASSERT_NE(reader, nullptr);
  Sleep(kSettleMs);
  CloseHidHandle(handle);
  EXPECT_EQ(WaitForSingleObject(reader, kThreadEndMs), WAIT_OBJECT_0) << "the close wakes it";
  CloseHandle(reader);
  EXPECT_EQ(count("read still blocked at closing (its thread still runs)"), 1);
  EXPECT_EQ(count("read abandoned"), 0);
}

TEST_F(ReadWatch, AReadWhoseThreadIsEndedByForceIsAbandoned) {
  HidHandle handle = OpenHidHandle(HID_VENDOR_ID, HID_PRODUCT_ID);
  ASSERT_NE(handle, kNoHidHandle);
  HANDLE reader = start_reader(handle);
  ASSERT_NE(reader, nullptr);
  Sleep(kSettleMs);
  TerminateThread(reader, kForcedExitCode);
  EXPECT_EQ(WaitForSingleObject(reader, kThreadEndMs), WAIT_OBJECT_0);
  CloseHandle(reader);
  CloseHidHandle(handle);
  EXPECT_EQ(count("read abandoned (its thread was ended inside it)"), 1);
  EXPECT_EQ(count("still blocked"), 0);
}

TEST_F(ReadWatch, AReadStillBlockedWhenTheProcessExitsIsLogged) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    HidHandle handle = OpenHidHandle(HID_VENDOR_ID, HID_PRODUCT_ID);
    if (handle == kNoHidHandle || start_reader(handle) == nullptr) _exit(2);
    Sleep(kSettleMs);
    exit(0);  // with the reader still blocked, and the handle never closed
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(count("hid 1 read still blocked at exit (its thread still ran)"), 1);
}

TEST_F(ReadWatch, ReadsThatReturnLeaveNoLine) {
  world_.devices[0].remote.behaviour = RemoteBehaviour::normal;
  HidHandle handle = OpenHidHandle(HID_VENDOR_ID, HID_PRODUCT_ID);
  ASSERT_NE(handle, kNoHidHandle);
  uint8_t mode[kReportBufferSize] = {kReportMode, kModeOnChange, kReportButtonsAccel};
  uint32_t count_sent = 0;
  ASSERT_EQ(WriteReport(handle, mode, &count_sent), 1);
  HANDLE reader = start_reader(handle);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(WaitForSingleObject(reader, kThreadEndMs), WAIT_OBJECT_0);
  CloseHandle(reader);
  CloseHidHandle(handle);
  EXPECT_EQ(count("read abandoned"), 0);
  EXPECT_EQ(count("still blocked"), 0);
  EXPECT_EQ(count(" close"), 1);
}

}  // namespace
