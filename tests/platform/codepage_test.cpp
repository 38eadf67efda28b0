#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "platform/win32.h"

namespace {

constexpr char kCanary = '\x5A';
constexpr int kSlack = 16;

struct Case {
  const char *what;
  std::u16string wide;
  int wide_count;   // -1: through the terminating zero
  int buffer_size;  // bytes offered to the call
  int expected_result;
  DWORD expected_error;  // checked when the result is 0
  const char *expected;  // bytes written, when the result is not 0
};

class WideToNarrow : public testing::TestWithParam<Case> {};

TEST_P(WideToNarrow, ConvertsWithinTheBufferItIsGiven) {
  const Case &c = GetParam();
  char buffer[600 + kSlack];
  memset(buffer, kCanary, sizeof buffer);
  SetLastError(0);
  int result = WideCharToMultiByte(CP_THREAD_ACP, 0, c.wide.c_str(), c.wide_count, buffer,
                                   c.buffer_size, nullptr, nullptr);
  EXPECT_EQ(result, c.expected_result);
  if (result == 0) {
    EXPECT_EQ(GetLastError(), c.expected_error);
  } else if (c.buffer_size > 0) {
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(result)),
              std::string(c.expected, static_cast<size_t>(result)));
  }
  for (int i = c.buffer_size; i < static_cast<int>(sizeof buffer); ++i) {
    ASSERT_EQ(buffer[i], kCanary) << "byte " << i << " past the buffer was written";
  }
}

std::u16string repeat(char16_t unit, int count) {
  return std::u16string(static_cast<size_t>(count), unit);
}

const Case kCases[] = {
    {"ascii with its zero", u"Nintendo RVL-CNT-01", -1, 256, 20, 0, "Nintendo RVL-CNT-01\0"},
    {"explicit length, no zero", u"abc", 3, 256, 3, 0, "abc"},
    {"size query writes nothing", u"\u30ea\u30e2\u30b3\u30f3", -1, 0, 13, 0, ""},
    {"Japanese is three bytes each", u"\u30ea", -1, 256, 4, 0, "\xE3\x83\xAA"},
    {"exact fit", u"ab", -1, 3, 3, 0, "ab"},
    {"one byte short", u"ab", -1, 2, 0, ERROR_INSUFFICIENT_BUFFER, ""},
    {"multi-byte character does not fit", u"a\u30ea", -1, 3, 0, ERROR_INSUFFICIENT_BUFFER, ""},
    {"247 Japanese characters into 256 bytes", repeat(u'\u30ea', 247), -1, 256, 0,
     ERROR_INSUFFICIENT_BUFFER, ""},
    {"surrogate pair", u"\U0001F600", -1, 256, 5, 0, "\xF0\x9F\x98\x80"},
    {"unpaired surrogate becomes U+FFFD", std::u16string(1, char16_t(0xD800)), 1, 256, 3, 0,
     "\xEF\xBF\xBD"},
    {"zero length is refused", u"abc", 0, 256, 0, ERROR_INVALID_PARAMETER, ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, WideToNarrow, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case> &param_info) {
                           std::string name;
                           for (const char *p = param_info.param.what; *p; ++p) {
                             name += isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                           }
                           return name;
                         });

TEST(WideToNarrowArguments, RefusesADefaultCharacterForAMultiByteCodePage) {
  char buffer[8];
  BOOL used = FALSE;
  EXPECT_EQ(WideCharToMultiByte(CP_THREAD_ACP, 0, u"a", -1, buffer, 8, "?", &used), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
