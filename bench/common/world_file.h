// The simulated worlds the benchmark runs the tools in (the state file's
// format is in sim/WORLD.md). They are the embedded default world, written out
// so the benchmark knows exactly what it configured.
#pragma once

#include <string>

// An inquiry of multiplier 2, as in the embedded default.
constexpr int kWorldInquiryMs = 2560;

enum class RemoteStart {
  discoverable,  // unknown to Windows, found by the first inquiry: corvanth's happy path
  connected,     // connected with its HID service on: plimsett's happy path
};

std::string world_text(RemoteStart start);
// False when the file cannot be written.
bool write_world_file(const std::string &path, RemoteStart start);
