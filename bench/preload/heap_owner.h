// Whose code asked for a heap block: the first frame of the caller's stack
// that lies in one of this system's binaries. Frames of the C and C++
// runtimes, the loader and the probe itself are passed over, so a block that
// printf or operator new allocates on a tool's behalf counts for the tool.
#pragma once

enum class HeapOwner {
  tool,      // the program: tool code and the remote link built into it
  pairing,   // libvelk_wii_bt.so
  platform,  // libvelk_platform.so, the host's stand-in for Windows
  sim,       // the simulated world: libbthprops.so, velk_hid_dll.so
  runtime,   // no frame of ours: the runtimes and the loader on their own
};
constexpr int kHeapOwnerCount = 5;

// Where a block of the system code came from, for the report.
struct HeapSite {
  const void *frame;       // the owning frame's return address
  const char *symbol;      // its symbol when the binary exports one, else null
  const void *base;        // load address of its binary
  const char *first_call;  // binary of the innermost frame outside the probe
};

// Call from inside the allocator, with the probe's own reentry guard set.
HeapOwner owner_of_this_allocation(HeapSite *site);
const char *heap_owner_key(HeapOwner owner);
