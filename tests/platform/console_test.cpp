#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/win32.h"

namespace {

// Runs _getch with standard input replaced by a pipe holding `input`.
int getch_with_input(const char *input, size_t length) {
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  EXPECT_EQ(write(fds[1], input, length), static_cast<ssize_t>(length));
  close(fds[1]);
  int saved = dup(STDIN_FILENO);
  dup2(fds[0], STDIN_FILENO);
  close(fds[0]);
  int key = _getch();
  dup2(saved, STDIN_FILENO);
  close(saved);
  return key;
}

TEST(Console, GetchReadsOneKeyAndReturnsMinusOneAtEndOfInput) {
  EXPECT_EQ(getch_with_input("q", 1), 'q');
  EXPECT_EQ(getch_with_input("\xFF", 1), 0xFF);
  EXPECT_EQ(getch_with_input("", 0), -1);
}

}  // namespace
