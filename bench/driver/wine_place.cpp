// The Windows build under Wine: the tools, and the simulated world's
// bthprops.cpl and velk_hid_dll.dll beside them.
#include "driver/wine_place.h"

#include "tests/support/launch.h"
#include "driver/paths.h"

namespace {

const char *const kNeededFiles[] = {"corvanth.exe", "plimsett.exe", "velk_wii_bt.dll",
                                    "bthprops.cpl", "velk_hid_dll.dll"};
// A new prefix takes a while to create.
constexpr double kPrefixTimeoutS = 300;

}  // namespace

WinePlace find_wine(const std::string &windows_bin, const std::string &prefix) {
  WinePlace place;
  place.wine = find_on_path("wine");
  place.prefix = prefix;
  if (place.wine.empty()) {
    place.note = "Wine is not installed: no figures under Wine";
    return place;
  }
  std::string missing;
  for (const char *file : kNeededFiles) {
    if (!file_exists(windows_bin + "/" + file))
      missing += std::string(missing.empty() ? "" : ", ") + file;
  }
  if (!missing.empty()) {
    place.note = "the tools under Wine: not available, " + windows_bin + " lacks " + missing;
    return place;
  }
  place.tools_ready = true;
  return place;
}

bool warm_up_wine(const WinePlace &wine, std::string *note) {
  Launch request;
  request.argv = {wine.wine, "wineboot", "--init"};
  // Without a desktop, the prompts to install Mono and Gecko would only wait.
  request.env = {
      {"WINEPREFIX", wine.prefix}, {"WINEDEBUG", "-all"}, {"WINEDLLOVERRIDES", "mscoree,mshtml="}};
  request.timeout_s = kPrefixTimeoutS;
  const LaunchResult result = launch(request);
  if (!result.started || result.timed_out || result.exit_code != 0) {
    *note = "Wine did not start (wineboot exit code " + std::to_string(result.exit_code) + ")";
    return false;
  }
  return true;
}
