// Files and programs the driver looks for.
#pragma once

#include <string>

// Full path of `name` on PATH, or empty.
std::string find_on_path(const std::string &name);
// The folder of the running driver: the helper programs and tools sit there.
std::string own_folder(void);
bool file_exists(const std::string &path);
// -1 when the file does not exist.
long long file_size(const std::string &path);
