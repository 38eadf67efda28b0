// Log lines gathered while the remote's lock is held and written after it is
// released: writing a file is a cancellation point, and a reader ended there
// must not take the lock with it.
#pragma once

#include <stdint.h>

constexpr int kLogLinesMax = 6;
constexpr int kLogLineSize = 160;

struct LogLines {
  char lines[kLogLinesMax][kLogLineSize];
  int count;
};

void log_add(LogLines *log, const char *format, ...) __attribute__((format(printf, 2, 3)));
// Appends " XX" for each byte to the last line.
void log_append_hex(LogLines *log, const uint8_t *bytes, int size);
// Writes the lines to the world's log and empties the list. Lock not held.
void log_flush(LogLines *log);
