// Reading a fuzz input front to back: each take gives the next bytes, or
// zeros once the input is used up, so every input means something.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct FuzzInput {
  const uint8_t *data;
  size_t size;
};

inline bool fuzz_empty(const FuzzInput *input) { return input->size == 0; }

inline uint8_t fuzz_byte(FuzzInput *input) {
  if (input->size == 0) return 0;
  --input->size;
  return *input->data++;
}

inline uint16_t fuzz_u16(FuzzInput *input) {
  const uint8_t low = fuzz_byte(input);
  return static_cast<uint16_t>(low | fuzz_byte(input) << 8);
}

// Up to `wanted` bytes into out; returns how many there were.
inline size_t fuzz_bytes(FuzzInput *input, uint8_t *out, size_t wanted) {
  const size_t taken = wanted < input->size ? wanted : input->size;
  for (size_t i = 0; i < taken; ++i) out[i] = input->data[i];
  input->data += taken;
  input->size -= taken;
  return taken;
}

// A broken expectation ends the run as a finding, with the reason on stderr.
void fuzz_require(bool condition, const char *what);
