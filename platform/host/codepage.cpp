// UTF-16 to the ANSI code page. The host's ANSI code page is UTF-8: like the
// Japanese code page 932 it is multi-byte, so a 247-character name can need
// far more than 256 bytes.
#include "platform/host/utf8.h"
#include "platform/win32.h"

namespace {

constexpr DWORD kFlagErrInvalidChars = 0x80;  // WC_ERR_INVALID_CHARS
constexpr DWORD kErrorInvalidFlags = 1004;
constexpr DWORD kErrorNoUnicodeTranslation = 1113;
constexpr uint32_t kReplacementCharacter = 0xFFFD;

int fail(DWORD error) {
  SetLastError(error);
  return 0;
}

}  // namespace

extern "C" int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWCH wide, int wide_count,
                                   LPSTR narrow, int narrow_size, LPCCH default_char,
                                   LPBOOL used_default_char) {
  if (code_page != CP_ACP && code_page != CP_THREAD_ACP && code_page != CP_UTF8) {
    return fail(ERROR_INVALID_PARAMETER);
  }
  if ((flags & ~kFlagErrInvalidChars) != 0) return fail(kErrorInvalidFlags);
  // UTF-8 has no default character.
  if (default_char != nullptr || used_default_char != nullptr) {
    return fail(ERROR_INVALID_PARAMETER);
  }
  if (wide == nullptr || wide_count == 0 || wide_count < -1 || narrow_size < 0 ||
      (narrow == nullptr && narrow_size != 0)) {
    return fail(ERROR_INVALID_PARAMETER);
  }

  int length = wide_count;
  if (length == -1) {
    length = 0;
    while (wide[length] != 0) ++length;
    ++length;  // the terminating zero is converted too
  }

  int written = 0;
  for (int i = 0; i < length; ++i) {
    uint32_t unit = wide[i];
    uint32_t code_point = unit;
    if (is_high_surrogate(unit) && i + 1 < length && is_low_surrogate(wide[i + 1])) {
      code_point = join_surrogates(unit, wide[i + 1]);
      ++i;
    } else if (is_high_surrogate(unit) || is_low_surrogate(unit)) {
      if ((flags & kFlagErrInvalidChars) != 0) return fail(kErrorNoUnicodeTranslation);
      code_point = kReplacementCharacter;
    }
    char bytes[4];
    int count = static_cast<int>(encode_utf8(code_point, bytes));
    if (narrow_size != 0) {
      // Only whole characters, and never past the caller's buffer.
      if (written + count > narrow_size) return fail(ERROR_INSUFFICIENT_BUFFER);
      for (int b = 0; b < count; ++b) narrow[written + b] = bytes[b];
    }
    written += count;
  }
  return written;
}
