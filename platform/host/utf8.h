// UTF-16 units and UTF-8 bytes, shared by the host's code-page conversion
// and the simulated world's name quoting. Header only, so the Windows build
// of the simulated world can use it too.
#pragma once

#include <stddef.h>
#include <stdint.h>

constexpr uint32_t kFirstSupplementary = 0x10000;

inline bool is_high_surrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
inline bool is_low_surrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

inline uint32_t join_surrogates(uint32_t high, uint32_t low) {
  return kFirstSupplementary + ((high - 0xD800) << 10) + (low - 0xDC00);
}

// Writes 1 to 4 bytes; returns how many.
inline size_t encode_utf8(uint32_t code_point, char out[4]) {
  if (code_point < 0x80) {
    out[0] = static_cast<char>(code_point);
    return 1;
  }
  if (code_point < 0x800) {
    out[0] = static_cast<char>(0xC0 | (code_point >> 6));
    out[1] = static_cast<char>(0x80 | (code_point & 0x3F));
    return 2;
  }
  if (code_point < kFirstSupplementary) {
    out[0] = static_cast<char>(0xE0 | (code_point >> 12));
    out[1] = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (code_point & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (code_point >> 18));
  out[1] = static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (code_point & 0x3F));
  return 4;
}
