// POSIX and Windows versions of the world's file handling, side by side.
#include "sim/world/world_os.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr const char *kDefaultFileName = "velk-sim-world.txt";

std::string temporary_sibling(const char *path, unsigned long process_id) {
  char suffix[40];
  snprintf(suffix, sizeof suffix, ".new-%lu", process_id);
  return std::string(path) + suffix;
}

}  // namespace

#ifdef _WIN32

namespace {

HANDLE handle_of(const WorldFile *file) { return reinterpret_cast<HANDLE>(file->os_handle); }

std::string describe(const char *what, const char *path) {
  char text[64];
  snprintf(text, sizeof text, " (Windows error %lu)", static_cast<unsigned long>(GetLastError()));
  return std::string("cannot ") + what + " " + path + text;
}

bool write_all(HANDLE handle, const std::string &text) {
  size_t done = 0;
  while (done < text.size()) {
    DWORD written = 0;
    DWORD chunk = static_cast<DWORD>(text.size() - done);
    if (!WriteFile(handle, text.data() + done, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

WorldOpen world_os_open_locked(const char *path, WorldLock lock, WorldFile *file,
                               std::string *fault) {
  DWORD access = GENERIC_READ | (lock == WorldLock::exclusive ? GENERIC_WRITE : 0);
  HANDLE handle =
      CreateFileA(path, access, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return WorldOpen::missing;
    *fault = describe("open", path);
    return WorldOpen::failed;
  }
  OVERLAPPED whole_file = {};
  DWORD flags = lock == WorldLock::exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0;
  if (!LockFileEx(handle, flags, 0, MAXDWORD, MAXDWORD, &whole_file)) {
    *fault = describe("lock", path);
    CloseHandle(handle);
    return WorldOpen::failed;
  }
  file->os_handle = reinterpret_cast<intptr_t>(handle);
  return WorldOpen::opened;
}

bool world_os_read(WorldFile *file, size_t max_size, std::string *text, std::string *fault) {
  text->clear();
  char chunk[4096];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(handle_of(file), chunk, sizeof chunk, &got, nullptr)) {
      *fault = describe("read", "the state file");
      return false;
    }
    if (got == 0) return true;
    text->append(chunk, got);
    if (text->size() > max_size) {
      *fault = "larger than the state file may be";
      return false;
    }
  }
}

bool world_os_rewrite(WorldFile *file, const std::string &text, std::string *fault) {
  HANDLE handle = handle_of(file);
  if (SetFilePointer(handle, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
      !write_all(handle, text) || !SetEndOfFile(handle)) {
    *fault = describe("write", "the state file");
    return false;
  }
  return true;
}

void world_os_close(WorldFile *file) {
  OVERLAPPED whole_file = {};
  UnlockFileEx(handle_of(file), 0, MAXDWORD, MAXDWORD, &whole_file);
  CloseHandle(handle_of(file));
  file->os_handle = 0;
}

bool world_os_create(const char *path, const std::string &text, std::string *fault) {
  std::string fresh = temporary_sibling(path, GetCurrentProcessId());
  HANDLE handle = CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    *fault = describe("create", fresh.c_str());
    return false;
  }
  bool written = write_all(handle, text);
  CloseHandle(handle);
  // Without MOVEFILE_REPLACE_EXISTING the move fails when another process
  // created the file first, which is as good as success.
  bool moved = written && MoveFileExA(fresh.c_str(), path, 0);
  DWORD error = GetLastError();
  DeleteFileA(fresh.c_str());
  if (moved || (written && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS))) {
    return true;
  }
  SetLastError(error);
  *fault = describe("create", path);
  return false;
}

std::string world_os_default_path() {
  char folder[MAX_PATH + 1];
  DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length > MAX_PATH) return kDefaultFileName;
  return std::string(folder) + kDefaultFileName;
}

void world_os_append(const char *path, const char *bytes, size_t size) {
  HANDLE handle = CreateFileA(path, FILE_APPEND_DATA, kShareAll, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(handle, bytes, static_cast<DWORD>(size), &written, nullptr);
  CloseHandle(handle);
}

#else

namespace {

int descriptor_of(const WorldFile *file) { return static_cast<int>(file->os_handle); }

std::string describe(const char *what, const char *path) {
  return std::string("cannot ") + what + " " + path + ": " + strerror(errno);
}

bool write_all(int descriptor, const std::string &text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t written = write(descriptor, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<size_t>(written);
  }
  return true;
}

}  // namespace

WorldOpen world_os_open_locked(const char *path, WorldLock lock, WorldFile *file,
                               std::string *fault) {
  int mode = lock == WorldLock::exclusive ? O_RDWR : O_RDONLY;
  int descriptor = open(path, mode | O_CLOEXEC);
  if (descriptor < 0) {
    if (errno == ENOENT) return WorldOpen::missing;
    *fault = describe("open", path);
    return WorldOpen::failed;
  }
  int operation = lock == WorldLock::exclusive ? LOCK_EX : LOCK_SH;
  while (flock(descriptor, operation) != 0) {
    if (errno == EINTR) continue;
    *fault = describe("lock", path);
    close(descriptor);
    return WorldOpen::failed;
  }
  file->os_handle = descriptor;
  return WorldOpen::opened;
}

bool world_os_read(WorldFile *file, size_t max_size, std::string *text, std::string *fault) {
  text->clear();
  char chunk[4096];
  for (;;) {
    ssize_t got = read(descriptor_of(file), chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      *fault = describe("read", "the state file");
      return false;
    }
    if (got == 0) return true;
    text->append(chunk, static_cast<size_t>(got));
    if (text->size() > max_size) {
      *fault = "larger than the state file may be";
      return false;
    }
  }
}

bool world_os_rewrite(WorldFile *file, const std::string &text, std::string *fault) {
  int descriptor = descriptor_of(file);
  if (lseek(descriptor, 0, SEEK_SET) != 0 || ftruncate(descriptor, 0) != 0 ||
      !write_all(descriptor, text)) {
    *fault = describe("write", "the state file");
    return false;
  }
  return true;
}

void world_os_close(WorldFile *file) {
  // Closing the descriptor releases the flock.
  close(descriptor_of(file));
  file->os_handle = -1;
}

bool world_os_create(const char *path, const std::string &text, std::string *fault) {
  std::string fresh = temporary_sibling(path, static_cast<unsigned long>(getpid()));
  int descriptor = open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (descriptor < 0) {
    *fault = describe("create", fresh.c_str());
    return false;
  }
  bool written = write_all(descriptor, text);
  close(descriptor);
  // link() fails when the name exists: another process created it first.
  bool created = written && (link(fresh.c_str(), path) == 0 || errno == EEXIST);
  int error = errno;
  unlink(fresh.c_str());
  if (created) return true;
  errno = error;
  *fault = describe("create", path);
  return false;
}

std::string world_os_default_path() {
  const char *folder = getenv("TMPDIR");
  if (folder == nullptr || folder[0] == '\0') folder = "/tmp";
  return std::string(folder) + "/" + kDefaultFileName;
}

void world_os_append(const char *path, const char *bytes, size_t size) {
  int descriptor = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (descriptor < 0) return;
  ssize_t written;
  do {
    written = write(descriptor, bytes, size);
  } while (written < 0 && errno == EINTR);
  close(descriptor);
}

#endif
