// The preloaded probes write their figures at process exit to the file named
// by an environment variable, as "key value" lines, with no heap use of their
// own (they run inside malloc and at exit).
#pragma once

#include <stddef.h>

// Appends "key value\n" to buffer (size bytes, zero-terminated).
void report_append(char *buffer, size_t size, const char *key, long value);
// Appends "key text\n".
void report_append_text(char *buffer, size_t size, const char *key, const char *text);
// Writes buffer to the file named by environment variable `variable`; nothing
// when it is unset.
void report_write(const char *variable, const char *buffer);
