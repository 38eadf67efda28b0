// Log lines gathered under the lock, written after it.
#include "sim/remote/log_lines.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "sim/world/world.h"

void log_add(LogLines *log, const char *format, ...) {
  if (log->count == kLogLinesMax) return;
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(log->lines[log->count], kLogLineSize, format, arguments);
  va_end(arguments);
  ++log->count;
}

void log_append_hex(LogLines *log, const uint8_t *bytes, int size) {
  if (log->count == 0) return;
  char *line = log->lines[log->count - 1];
  for (int i = 0; i < size; ++i) {
    const size_t used = strlen(line);
    if (used + 4 > static_cast<size_t>(kLogLineSize)) return;
    snprintf(line + used, kLogLineSize - used, " %02X", bytes[i]);
  }
}

void log_flush(LogLines *log) {
  for (int i = 0; i < log->count; ++i) world_log("%s", log->lines[i]);
  log->count = 0;
}
