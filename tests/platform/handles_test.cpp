#include <gtest/gtest.h>

#include <vector>

#include "platform/host/host_handle.h"

namespace {

std::vector<std::pair<HANDLE, BOOL>> observed;
int closes;

void observe(HANDLE handle, BOOL was_live) { observed.push_back({handle, was_live}); }
void count_close(HostHandle *) { ++closes; }

class HandleTable : public testing::Test {
 protected:
  void SetUp() override {
    observed.clear();
    closes = 0;
    host_handle_set_close_observer(observe);
  }
  void TearDown() override { host_handle_set_close_observer(nullptr); }
};

TEST_F(HandleTable, ClosesALiveHandleOnceAndRefusesTheSecondClose) {
  HostHandle handle{count_close};
  ASSERT_TRUE(host_handle_register(&handle));
  EXPECT_TRUE(host_handle_is_live(&handle));
  EXPECT_TRUE(CloseHandle(&handle));
  EXPECT_FALSE(host_handle_is_live(&handle));
  EXPECT_FALSE(CloseHandle(&handle));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(closes, 1);
  ASSERT_EQ(observed.size(), 2u);
  EXPECT_EQ(observed[0], std::make_pair(static_cast<HANDLE>(&handle), TRUE));
  EXPECT_EQ(observed[1], std::make_pair(static_cast<HANDLE>(&handle), FALSE));
}

TEST_F(HandleTable, NullAndForeignHandlesAreRefused) {
  int not_a_handle = 0;
  EXPECT_FALSE(CloseHandle(nullptr));
  EXPECT_FALSE(CloseHandle(&not_a_handle));
  EXPECT_EQ(closes, 0);
  EXPECT_EQ(observed.size(), 2u);
}

TEST_F(HandleTable, AFullTableRefusesOneMoreAndRecoversAfterAClose) {
  std::vector<HostHandle> handles(1000, HostHandle{count_close});
  size_t registered = 0;
  while (registered < handles.size() && host_handle_register(&handles[registered])) ++registered;
  ASSERT_LT(registered, handles.size()) << "the table never filled";
  EXPECT_FALSE(host_handle_register(&handles[registered]));
  ASSERT_TRUE(CloseHandle(&handles[0]));
  EXPECT_TRUE(host_handle_register(&handles[registered]));
  for (size_t i = 1; i <= registered; ++i) EXPECT_TRUE(CloseHandle(&handles[i]));
}

}  // namespace
