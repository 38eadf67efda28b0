// Exit-time reports of the preloaded probes.
#include "preload/preload_report.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

void report_append(char *buffer, size_t size, const char *key, long value) {
  const size_t used = strlen(buffer);
  snprintf(buffer + used, size - used, "%s %ld\n", key, value);
}

void report_append_text(char *buffer, size_t size, const char *key, const char *text) {
  const size_t used = strlen(buffer);
  snprintf(buffer + used, size - used, "%s %s\n", key, text);
}

void report_write(const char *variable, const char *buffer) {
  const char *path = getenv(variable);
  if (path == nullptr || *path == '\0') return;
  const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return;
  size_t left = strlen(buffer);
  while (left > 0) {
    const ssize_t n = write(fd, buffer, left);
    if (n <= 0) break;
    buffer += n;
    left -= static_cast<size_t>(n);
  }
  close(fd);
}
