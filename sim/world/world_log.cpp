// The log of what the tools did to the world (line format: sim/WORLD.md).
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#include "sim/world/world.h"
#include "sim/world/world_os.h"

namespace {
constexpr size_t kMaxLineSize = 4096;
}

void world_log(const char *format, ...) {
  const char *path = getenv("VELK_SIM_LOG");
  if (path == nullptr || path[0] == '\0') return;
  char line[kMaxLineSize];
  va_list arguments;
  va_start(arguments, format);
  int length = vsnprintf(line, sizeof line - 1, format, arguments);
  va_end(arguments);
  if (length < 0) return;
  size_t size =
      static_cast<size_t>(length) < sizeof line - 1 ? static_cast<size_t>(length) : sizeof line - 2;
  line[size++] = '\n';
  world_os_append(path, line, size);
}
