// Where the world lives: the state file (or a world in memory for tests), and
// what the sims do when it cannot be read.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "sim/world/world.h"
#include "sim/world/world_os.h"
#include "sim/world/world_text.h"

namespace {

constexpr size_t kMaxFileSize = 1 << 20;

SimWorld *memory_world;

std::string state_path() {
  const char *named = getenv("VELK_SIM_STATE");
  if (named != nullptr && named[0] != '\0') return named;
  return world_os_default_path();
}

bool fail(const std::string &path, const std::string &fault, char *error, size_t error_size) {
  snprintf(error, error_size, "%s: %s", path.c_str(), fault.c_str());
  return false;
}

// Opens the state file locked, creating it from the default when missing.
bool open_state(const std::string &path, WorldLock lock, WorldFile *file, char *error,
                size_t error_size) {
  std::string fault;
  for (int attempt = 0; attempt < 2; ++attempt) {
    switch (world_os_open_locked(path.c_str(), lock, file, &fault)) {
      case WorldOpen::opened:
        return true;
      case WorldOpen::failed:
        return fail(path, fault, error, error_size);
      case WorldOpen::missing:
        SimWorld seed;
        world_default(&seed);
        if (!world_os_create(path.c_str(), world_format(seed), &fault)) {
          return fail(path, fault, error, error_size);
        }
        break;
    }
  }
  return fail(path, "vanished while it was being created", error, error_size);
}

bool read_state(const std::string &path, WorldFile *file, SimWorld *world, char *error,
                size_t error_size) {
  std::string text;
  std::string fault;
  if (!world_os_read(file, kMaxFileSize, &text, &fault))
    return fail(path, fault, error, error_size);
  return world_parse(text.data(), text.size(), path.c_str(), world, error, error_size);
}

}  // namespace

void world_use_memory(SimWorld *world) { memory_world = world; }

bool world_load(SimWorld *world, char *error, size_t error_size) {
  if (memory_world != nullptr) {
    *world = *memory_world;
    return true;
  }
  std::string path = state_path();
  WorldFile file;
  if (!open_state(path, WorldLock::shared, &file, error, error_size)) return false;
  bool loaded = read_state(path, &file, world, error, error_size);
  world_os_close(&file);
  return loaded;
}

bool world_update(bool (*change)(SimWorld *world, void *context), void *context, char *error,
                  size_t error_size) {
  SimWorld world;
  if (memory_world != nullptr) {
    world = *memory_world;
    if (change(&world, context)) *memory_world = world;
    return true;
  }
  std::string path = state_path();
  WorldFile file;
  if (!open_state(path, WorldLock::exclusive, &file, error, error_size)) return false;
  bool done = read_state(path, &file, &world, error, error_size);
  if (done && change(&world, context)) {
    std::string fault;
    done = world_os_rewrite(&file, world_format(world), &fault);
    if (!done) fail(path, fault, error, error_size);
  }
  world_os_close(&file);
  return done;
}

void world_report_error(const char *message) {
  // A tool calls the Bluetooth stack many times; one complaint per fault.
  static char last_reported[1024];
  if (strncmp(last_reported, message, sizeof last_reported - 1) == 0) return;
  snprintf(last_reported, sizeof last_reported, "%s", message);
  fprintf(stderr, "velk sim: %s\n", message);
  fflush(stderr);
}

void world_load_or_empty(SimWorld *world) {
  char error[1024];
  if (!world_load(world, error, sizeof error)) {
    world_report_error(error);
    world_empty(world);
  }
}
