#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>

#include "platform/win32.h"

namespace {

// A thread blocked in read() on a pipe nobody writes to: the shape of a
// reader waiting on a silent remote.
struct BlockedReader {
  int fds[2];
  std::atomic<int> entered{0};
  std::atomic<int> returned{0};
};

unsigned WINAPI block_in_read(void *argument) {
  auto *reader = static_cast<BlockedReader *>(argument);
  reader->entered = 1;
  char byte;
  ssize_t n = read(reader->fds[0], &byte, 1);
  reader->returned = 1;
  return static_cast<unsigned>(n);
}

unsigned WINAPI return_seven(void *) { return 7; }

unsigned WINAPI sleep_long(void *) {
  Sleep(60000);
  return 1;
}

HANDLE start(unsigned(WINAPI *body)(void *), void *argument) {
  return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, body, argument, 0, nullptr));
}

TEST(Threads, TerminateEndsAThreadBlockedInARead) {
  BlockedReader reader;
  ASSERT_EQ(pipe(reader.fds), 0);
  HANDLE thread = start(block_in_read, &reader);
  ASSERT_NE(thread, nullptr);
  while (reader.entered == 0) Sleep(1);
  Sleep(20);
  EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);

  EXPECT_TRUE(TerminateThread(thread, 0xFFFFFFFFu));
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 0xFFFFFFFFu);
  // It never ran on past the read, even once the read could complete.
  ASSERT_EQ(write(reader.fds[1], "x", 1), 1);
  Sleep(20);
  EXPECT_EQ(reader.returned, 0);
  EXPECT_TRUE(CloseHandle(thread));
  close(reader.fds[0]);
  close(reader.fds[1]);
}

TEST(Threads, TerminateEndsAThreadInSleep) {
  HANDLE thread = start(sleep_long, nullptr);
  ASSERT_NE(thread, nullptr);
  Sleep(10);
  EXPECT_TRUE(TerminateThread(thread, 3));
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(CloseHandle(thread));
}

TEST(Threads, AFinishedThreadsHandleStillAnswers) {
  HANDLE thread = start(return_seven, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  Sleep(10);  // the thread is surely gone from the system now
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 7u);
  EXPECT_TRUE(TerminateThread(thread, 0xFFFFFFFFu));  // nothing left to end
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 7u);
  EXPECT_TRUE(CloseHandle(thread));
}

TEST(Threads, AClosedHandleNoLongerAnswers) {
  HANDLE thread = start(return_seven, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  ASSERT_TRUE(CloseHandle(thread));
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_FAILED);
  EXPECT_FALSE(TerminateThread(thread, 0));
  EXPECT_FALSE(CloseHandle(thread));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Threads, SlotsAreReusedAfterThreadsEndAndHandlesClose) {
  // More threads than the table holds at once, one after another.
  for (int i = 0; i < 200; ++i) {
    HANDLE thread = start(return_seven, nullptr);
    ASSERT_NE(thread, nullptr) << "thread " << i;
    ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    ASSERT_TRUE(CloseHandle(thread));
  }
}

TEST(Time, CounterIsMonotonicAndSleepWaitsAtLeastItsTime) {
  LARGE_INTEGER frequency, before, after;
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  ASSERT_GT(frequency.QuadPart, 0);
  QueryPerformanceCounter(&before);
  Sleep(30);
  QueryPerformanceCounter(&after);
  double elapsed_ms = static_cast<double>(after.QuadPart - before.QuadPart) * 1000.0 /
                      static_cast<double>(frequency.QuadPart);
  EXPECT_GE(elapsed_ms, 30.0);
}

}  // namespace
