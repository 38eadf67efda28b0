// Happy paths of corvanth and plimsett, each from a fresh world file.
#include "driver/happy_paths.h"

#include "driver/console_text.h"

namespace {

// The waits corvanth makes on its happy path: one inquiry (the world's), the
// two pauses after enabling the HID service, the probe, the rumble.
constexpr double kHidServiceWaitsMs = 2000 + 1000;
constexpr double kRumbleMs = 100;

constexpr double kToolTimeoutS = 60;
constexpr const char *kKeyPress = "k";

std::string world_path_for(const RunPlace &place, const std::string &file) {
  // Wine maps Unix paths through drive Z:.
  return place.under_wine ? "Z:" + file : file;
}

}  // namespace

const HappyPath &corvanth_path(void) {
  static const HappyPath path{
      "corvanth",
      RemoteStart::discoverable,
      kWorldInquiryMs + kHidServiceWaitsMs + kProbeWaitMs + kRumbleMs,
      "inquiry " + std::to_string(kWorldInquiryMs) + " + 2000 + 1000 + probe 1000 + rumble 100",
      "[何かキーを押して下さい]\n",
      "Wiiリモコンを接続しました。\n"};
  return path;
}

const HappyPath &plimsett_path(void) {
  static const HappyPath path{"plimsett",
                              RemoteStart::connected,
                              kProbeWaitMs + kInitSettleMs,
                              "probe 1000 + after the initialisation write 200",
                              "[何かキーを押して下さい。]\n",
                              "i2c-0xA6-device-dump"};
  return path;
}

HappyRun run_happy_path(const HappyPath &path, const RunPlace &place,
                        const std::map<std::string, std::string> &extra_env) {
  HappyRun run;
  const std::string world = place.scratch_dir + "/" + path.tool + "-world.txt";
  if (!write_world_file(world, path.world)) return run;

  Launch request;
  if (place.under_wine) {
    request.argv = {place.wine_program, place.bin_dir + "/" + path.tool + ".exe"};
    request.env["WINEDLLOVERRIDES"] = "bthprops.cpl=n;velk_hid_dll=n";
    request.env["WINEDEBUG"] = "-all";
    request.env["WINEPREFIX"] = place.wine_prefix;
  } else {
    request.argv = {place.bin_dir + "/" + path.tool};
  }
  request.env["VELK_SIM_STATE"] = world_path_for(place, world);
  // A user's run writes no log; logging is for the tests.
  request.unset = {"VELK_SIM_LOG"};
  for (const auto &entry : extra_env) request.env[entry.first] = entry.second;
  request.watch_for = console_bytes(path.prompt, place.under_wine);
  request.input = kKeyPress;
  request.timeout_s = kToolTimeoutS;

  run.launch = launch(request);
  const std::string success = console_bytes(path.success, place.under_wine);
  run.happy = run.launch.started && !run.launch.timed_out && run.launch.exit_code == 0 &&
              run.launch.to_watched_ms >= 0 && run.launch.out.find(success) != std::string::npos;
  return run;
}
