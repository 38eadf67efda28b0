// Attribution of heap blocks by backtrace.
#include "preload/heap_owner.h"

#include <dlfcn.h>
#include <execinfo.h>
#include <string.h>

#include "preload/main_started.h"

namespace {

constexpr int kMaxFrames = 64;

struct LibraryOwner {
  const char *file_name;
  HeapOwner owner;
};

constexpr LibraryOwner kOurLibraries[] = {
    {"libvelk_wii_bt.so", HeapOwner::pairing},
    {"libvelk_platform.so", HeapOwner::platform},
    {"libbthprops.so", HeapOwner::sim},
    {"velk_hid_dll.so", HeapOwner::sim},
};

const char *base_name(const char *path) {
  const char *slash = strrchr(path, '/');
  return slash != nullptr ? slash + 1 : path;
}

// The probe's own binary, found from an address inside it.
const void *probe_base(void) {
  static const void *base = [] {
    Dl_info info;
    return dladdr(reinterpret_cast<void *>(&heap_owner_key), &info) != 0 ? info.dli_fbase : nullptr;
  }();
  return base;
}

bool owner_of_frame(const Dl_info &info, HeapOwner *owner) {
  if (info.dli_fbase == main_program_base()) {
    *owner = HeapOwner::tool;
    return true;
  }
  const char *name = info.dli_fname != nullptr ? base_name(info.dli_fname) : "";
  for (const LibraryOwner &library : kOurLibraries) {
    if (strcmp(name, library.file_name) == 0) {
      *owner = library.owner;
      return true;
    }
  }
  return false;
}

}  // namespace

HeapOwner owner_of_this_allocation(HeapSite *site) {
  void *frames[kMaxFrames];
  const int count = backtrace(frames, kMaxFrames);
  *site = HeapSite{nullptr, nullptr, nullptr, "?"};
  for (int i = 0; i < count; ++i) {
    Dl_info info;
    if (dladdr(frames[i], &info) == 0) continue;
    if (info.dli_fbase == probe_base()) continue;
    if (site->frame == nullptr) {
      site->frame = frames[i];
      site->first_call = info.dli_fname != nullptr ? base_name(info.dli_fname) : "?";
    }
    HeapOwner owner;
    if (owner_of_frame(info, &owner)) {
      site->frame = frames[i];
      site->symbol = info.dli_sname;
      site->base = info.dli_fbase;
      return owner;
    }
  }
  return HeapOwner::runtime;
}

const char *heap_owner_key(HeapOwner owner) {
  switch (owner) {
    case HeapOwner::tool:
      return "heap_after_main_tool";
    case HeapOwner::pairing:
      return "heap_after_main_pairing";
    case HeapOwner::platform:
      return "heap_after_main_platform";
    case HeapOwner::sim:
      return "heap_after_main_sim";
    case HeapOwner::runtime:
      break;
  }
  return "heap_after_main_runtime";
}
