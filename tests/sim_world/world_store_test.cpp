// The state file shared by processes, and the log.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "sim/world/world.h"
#include "sim/world/world_text.h"

namespace {

class WorldStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char *temporary = getenv("TMPDIR");
    saved_tmpdir_ = temporary != nullptr ? temporary : "";
    had_tmpdir_ = temporary != nullptr;
    std::string pattern =
        (had_tmpdir_ ? saved_tmpdir_ : std::string("/tmp")) + "/velk-world-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    ASSERT_NE(mkdtemp(buffer.data()), nullptr);
    folder_ = buffer.data();
    state_path_ = folder_ + "/world.txt";
    setenv("VELK_SIM_STATE", state_path_.c_str(), 1);
    unsetenv("VELK_SIM_LOG");
    world_use_memory(nullptr);
  }
  void TearDown() override {
    unsetenv("VELK_SIM_STATE");
    unsetenv("VELK_SIM_LOG");
    if (had_tmpdir_) {
      setenv("TMPDIR", saved_tmpdir_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  static std::string read_file(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }
  static void write_file(const std::string &path, const std::string &text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
  }

  // Runs `work` in `count` child processes at once; true when all exit 0.
  template <typename Work>
  static bool in_processes(int count, Work work) {
    std::vector<pid_t> children;
    for (int i = 0; i < count; ++i) {
      pid_t child = fork();
      if (child == 0) _exit(work(i) ? 0 : 1);
      children.push_back(child);
    }
    bool all_good = true;
    for (pid_t child : children) {
      int status = 0;
      waitpid(child, &status, 0);
      all_good = all_good && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return all_good;
  }

  std::string folder_;
  std::string state_path_;
  std::string saved_tmpdir_;
  bool had_tmpdir_ = false;
};

bool set_flood(SimWorld *world, void *context) {
  world->devices[0].remote.flood = *static_cast<int *>(context);
  return true;
}

bool decline(SimWorld *world, void *) {
  world->radio = !world->radio;
  return false;
}

bool add_one_to_flood(SimWorld *world, void *) {
  ++world->devices[0].remote.flood;
  return true;
}

TEST_F(WorldStoreTest, MissingFileIsCreatedFromTheDefault) {
  SimWorld world;
  char error[512] = "";
  ASSERT_TRUE(world_load(&world, error, sizeof error)) << error;
  SimWorld expected;
  world_default(&expected);
  EXPECT_EQ(world_format(world), world_format(expected));
  EXPECT_EQ(read_file(state_path_), world_format(expected));
}

TEST_F(WorldStoreTest, DefaultFileLivesInTheTemporaryFolder) {
  unsetenv("VELK_SIM_STATE");
  setenv("TMPDIR", folder_.c_str(), 1);
  SimWorld world;
  char error[512] = "";
  ASSERT_TRUE(world_load(&world, error, sizeof error)) << error;
  EXPECT_TRUE(std::filesystem::exists(folder_ + "/velk-sim-world.txt"));
  EXPECT_FALSE(std::filesystem::exists(state_path_));
}

TEST_F(WorldStoreTest, UnwritableFolderIsAnErrorNotACrash) {
  setenv("VELK_SIM_STATE", (folder_ + "/no/such/folder/world.txt").c_str(), 1);
  SimWorld world;
  char error[512] = "";
  EXPECT_FALSE(world_load(&world, error, sizeof error));
  EXPECT_NE(std::string(error).find("cannot create"), std::string::npos) << error;
}

TEST_F(WorldStoreTest, MalformedFileIsReportedOncePerFaultAndReadsAsEmpty) {
  write_file(state_path_, "radio yes\n\ndevice\n  connected perhaps\n");
  SimWorld world;
  char error[512] = "";
  EXPECT_FALSE(world_load(&world, error, sizeof error));
  std::string message = state_path_ + ":4: 'connected' takes yes or no, not 'perhaps'";
  EXPECT_EQ(std::string(error), message);

  ::testing::internal::CaptureStderr();
  world_load_or_empty(&world);
  world_load_or_empty(&world);
  write_file(state_path_, "radio yes\nbogus 1\n");
  world_load_or_empty(&world);
  std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(errors,
            "velk sim: " + message + "\nvelk sim: " + state_path_ + ":2: unknown key 'bogus'\n");
  EXPECT_FALSE(world.radio);
  EXPECT_EQ(world.device_count, 0);
}

TEST_F(WorldStoreTest, UpdateOfAMalformedFileChangesNothing) {
  const std::string broken = "radio yes\ninquiry_ms soon\n";
  write_file(state_path_, broken);
  int value = 3;
  char error[512] = "";
  EXPECT_FALSE(world_update(set_flood, &value, error, sizeof error));
  EXPECT_NE(std::string(error).find(":2: 'inquiry_ms' takes a whole number"), std::string::npos)
      << error;
  EXPECT_EQ(read_file(state_path_), broken);
}

TEST_F(WorldStoreTest, DeclinedChangeLeavesTheFileAsWritten) {
  const std::string handmade = "# my scenario\nradio yes\ndevice\n name \"Wii\"\n";
  write_file(state_path_, handmade);
  char error[512] = "";
  ASSERT_TRUE(world_update(decline, nullptr, error, sizeof error)) << error;
  EXPECT_EQ(read_file(state_path_), handmade);
}

TEST_F(WorldStoreTest, ChangeIsWrittenBackWhole) {
  write_file(
      state_path_,
      "radio yes\ninquiry_ms 100\ndevice\n name \"Wii\"\ndevice\n address 00:00:00:00:00:02\n");
  int value = 42;
  char error[512] = "";
  ASSERT_TRUE(world_update(set_flood, &value, error, sizeof error)) << error;
  SimWorld world;
  ASSERT_TRUE(world_load(&world, error, sizeof error)) << error;
  EXPECT_EQ(world.devices[0].remote.flood, 42);
  EXPECT_EQ(world.inquiry_ms, 100);
  EXPECT_EQ(world.device_count, 2);
  EXPECT_EQ(world.devices[0].name[2], u'i');
}

TEST_F(WorldStoreTest, ConcurrentUpdatesLoseNothing) {
  char error[512] = "";
  int zero = 0;
  ASSERT_TRUE(world_update(set_flood, &zero, error, sizeof error)) << error;
  constexpr int kProcesses = 4;
  constexpr int kUpdatesEach = 50;
  EXPECT_TRUE(in_processes(kProcesses, [](int) {
    char child_error[512];
    for (int i = 0; i < kUpdatesEach; ++i) {
      if (!world_update(add_one_to_flood, nullptr, child_error, sizeof child_error)) return false;
    }
    return true;
  }));
  SimWorld world;
  ASSERT_TRUE(world_load(&world, error, sizeof error)) << error;
  EXPECT_EQ(world.devices[0].remote.flood, kProcesses * kUpdatesEach);
}

bool grow_or_shrink_name(SimWorld *world, void *context) {
  int round = *static_cast<int *>(context);
  SimDevice *device = &world->devices[0];
  for (int i = 0; i < BLUETOOTH_MAX_NAME_SIZE; ++i) {
    device->name[i] = round % 2 == 0 && i < 200 ? u'あ' : 0;
  }
  return true;
}

TEST_F(WorldStoreTest, ReadersNeverSeeAHalfWrittenFile) {
  char error[512] = "";
  SimWorld world;
  ASSERT_TRUE(world_load(&world, error, sizeof error)) << error;
  EXPECT_TRUE(in_processes(3, [](int index) {
    char child_error[512];
    SimWorld seen;
    for (int round = 0; round < 100; ++round) {
      bool good =
          index == 0 ? world_update(grow_or_shrink_name, &round, child_error, sizeof child_error)
                     : world_load(&seen, child_error, sizeof child_error) && seen.device_count == 1;
      if (!good) return false;
    }
    return true;
  }));
}

TEST_F(WorldStoreTest, MemoryWorldReplacesTheFile) {
  SimWorld memory;
  world_default(&memory);
  world_use_memory(&memory);
  int value = 9;
  char error[512] = "";
  ASSERT_TRUE(world_update(set_flood, &value, error, sizeof error));
  EXPECT_EQ(memory.devices[0].remote.flood, 9);
  ASSERT_TRUE(world_update(decline, nullptr, error, sizeof error));
  EXPECT_TRUE(memory.radio);
  SimWorld loaded;
  ASSERT_TRUE(world_load(&loaded, error, sizeof error));
  EXPECT_EQ(loaded.devices[0].remote.flood, 9);
  EXPECT_FALSE(std::filesystem::exists(state_path_));
  world_use_memory(nullptr);
}

TEST_F(WorldStoreTest, LogLinesFromSeveralProcessesStayWhole) {
  world_log("nobody reads this %d", 1);  // no VELK_SIM_LOG: nothing happens
  std::string log_path = folder_ + "/log.txt";
  EXPECT_FALSE(std::filesystem::exists(log_path));

  setenv("VELK_SIM_LOG", log_path.c_str(), 1);
  constexpr int kProcesses = 4;
  constexpr int kLinesEach = 200;
  const std::string padding(300, '.');
  EXPECT_TRUE(in_processes(kProcesses, [&](int index) {
    for (int i = 0; i < kLinesEach; ++i)
      world_log("process %d line %d %s", index, i, padding.c_str());
    return true;
  }));
  std::set<std::string> expected;
  for (int index = 0; index < kProcesses; ++index) {
    for (int i = 0; i < kLinesEach; ++i) {
      expected.insert("process " + std::to_string(index) + " line " + std::to_string(i) + " " +
                      padding);
    }
  }
  std::ifstream log(log_path);
  std::multiset<std::string> lines;
  for (std::string line; std::getline(log, line);) lines.insert(line);
  EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()), expected);
  EXPECT_EQ(lines.size(), expected.size());
}

TEST_F(WorldStoreTest, OverlongLogLineIsCutButEnded) {
  std::string log_path = folder_ + "/log.txt";
  setenv("VELK_SIM_LOG", log_path.c_str(), 1);
  world_log("%s", std::string(10000, 'x').c_str());
  world_log("next");
  std::ifstream log(log_path);
  std::string first, second;
  std::getline(log, first);
  std::getline(log, second);
  EXPECT_LT(first.size(), 10000u);
  EXPECT_EQ(first.find_first_not_of('x'), std::string::npos);
  EXPECT_EQ(second, "next");
}

}  // namespace
