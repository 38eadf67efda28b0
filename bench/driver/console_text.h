// The tools write Shift-JIS (code page 932); under Wine with CR LF line ends.
#pragma once

#include <string>

std::string console_bytes(const std::string &utf8, bool crlf);
