// UTF-8 text to the bytes a tool writes for it.
#include "driver/console_text.h"

#include <iconv.h>

std::string console_bytes(const std::string &utf8, bool crlf) {
  std::string sjis;
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd != reinterpret_cast<iconv_t>(-1)) {
    std::string out(utf8.size() * 2 + 16, '\0');
    char *in_at = const_cast<char *>(utf8.data());
    size_t in_left = utf8.size();
    char *out_at = &out[0];
    size_t out_left = out.size();
    if (iconv(cd, &in_at, &in_left, &out_at, &out_left) != static_cast<size_t>(-1)) {
      sjis = out.substr(0, out.size() - out_left);
    }
    iconv_close(cd);
  }
  if (!crlf) return sjis;
  std::string with_cr;
  for (char c : sjis) {
    if (c == '\n') with_cr += '\r';
    with_cr += c;
  }
  return with_cr;
}
