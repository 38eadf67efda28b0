// Timing precision on the host: wait_ms overshoot, and the probe's decision
// latency against the simulated remote. Prints "key value" lines.
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "common/world_file.h"
#include "timing/probe_latency.h"
#include "timing/wait_overshoot.h"

int main() {
  measure_wait_overshoot();

  char dir[] = "/tmp/velk-bench-timing-XXXXXX";
  if (mkdtemp(dir) == nullptr) return 1;
  const std::string state = std::string(dir) + "/world.txt";
  if (!write_world_file(state, RemoteStart::connected)) return 1;
  setenv("VELK_SIM_STATE", state.c_str(), 1);
  // Logging is for tests; a user's run has none.
  unsetenv("VELK_SIM_LOG");
  measure_probe_latency();
  unlink(state.c_str());
  rmdir(dir);
  return 0;
}
