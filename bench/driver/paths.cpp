// Paths on POSIX.
#include "driver/paths.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

std::string find_on_path(const std::string &name) {
  const char *path = getenv("PATH");
  if (path == nullptr) return "";
  std::string folders = path;
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string candidate = folders.substr(start, end - start) + "/" + name;
    if (end > start && access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

std::string own_folder(void) {
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return ".";
  std::string path(self, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/'));
}

bool file_exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

long long file_size(const std::string &path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return -1;
  return static_cast<long long>(info.st_size);
}
