// Runs a built tool as a user would: its own process, standard input,
// standard output and error, exit code; on the host or under Wine.
#pragma once

#include <map>
#include <string>
#include <vector>

struct MessageBox {
  std::string owner;    // "NULL" or the window handle
  std::string caption;  // "NULL" or the caption text
  std::string style;    // hexadecimal, as 0x00000000
  std::string text;
};

struct ToolRun {
  std::string out;  // standard output bytes, line ends as the platform writes them
  std::string err;
  int exit_code = -1;
  bool timed_out = false;
  double seconds = 0;
  std::vector<MessageBox> boxes;
};

struct ToolRequest {
  std::string tool;  // "corvanth" or "plimsett"
  std::map<std::string, std::string> env;
  std::string input;  // standard input; closed after it
  double timeout_seconds = 60;
};

// Under Wine when VELK_E2E_WINE_BIN names the folder of the Windows build's
// programs; the Wine prefix is the folder wineprefix beside it.
bool running_under_wine();
ToolRun run_tool(const ToolRequest &request);

// The console bytes the tool writes for `utf8`: Shift-JIS, and CR LF line
// ends under Wine.
std::string console_bytes(const std::string &utf8);
// Readable form of console bytes, for failure messages.
std::string readable(const std::string &console);
