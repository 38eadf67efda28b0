// The few things the world needs from the operating system: a locked state
// file, the temporary folder and appending to the log. world_os.cpp is the
// only file of the world that differs between POSIX and Windows.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

struct WorldFile {
  intptr_t os_handle;  // file descriptor, or Windows HANDLE
};

enum class WorldLock { shared, exclusive };

enum class WorldOpen { opened, missing, failed };

// Opens an existing file and waits for the lock; released by world_os_close.
WorldOpen world_os_open_locked(const char *path, WorldLock lock, WorldFile *file,
                               std::string *fault);
bool world_os_read(WorldFile *file, size_t max_size, std::string *text, std::string *fault);
// Replaces the whole contents; needs the exclusive lock.
bool world_os_rewrite(WorldFile *file, const std::string &text, std::string *fault);
void world_os_close(WorldFile *file);

// Creates `path` holding `text` in one step, so no other process ever sees it
// half written. Success too when another process created it first.
bool world_os_create(const char *path, const std::string &text, std::string *fault);

// The state file used when VELK_SIM_STATE is unset.
std::string world_os_default_path();

// Appends `size` bytes with one write to a file opened for appending, so the
// lines of several processes do not mix. Failures are ignored: a log must not
// change what the tools see.
void world_os_append(const char *path, const char *bytes, size_t size);
