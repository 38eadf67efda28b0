// Running a helper program and reading its figures.
#include "driver/helper_programs.h"

#include "common/key_values.h"
#include "tests/support/launch.h"
#include "driver/table.h"

HelperFigures run_helper(const std::vector<std::string> &argv,
                         const std::map<std::string, std::string> &env, double timeout_s) {
  HelperFigures helper;
  Launch request;
  request.argv = argv;
  request.env = env;
  request.timeout_s = timeout_s;
  const LaunchResult result = launch(request);
  if (!result.started) {
    helper.note = argv.back() + " could not start";
    return helper;
  }
  if (result.timed_out || result.exit_code != 0) {
    helper.note = argv.back() +
                  (result.timed_out ? " timed out"
                                    : " failed with exit code " + std::to_string(result.exit_code));
    return helper;
  }
  helper.figures = parse_key_values(result.out);
  helper.available = !helper.figures.empty();
  if (!helper.available) helper.note = argv.back() + " printed no figures";
  return helper;
}

std::string figure_text(const HelperFigures &helper, const std::string &key, int decimals) {
  auto it = helper.figures.find(key);
  return it == helper.figures.end() ? "n/a" : fixed(it->second, decimals);
}
