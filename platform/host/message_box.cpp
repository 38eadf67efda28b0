// There is no desktop on the host: a message box is one line on standard
// error that a person and a test can read, and it is answered with OK.
#include "platform/win32.h"

extern "C" int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  fflush(stdout);
  if (owner == nullptr) {
    fprintf(stderr, "[MessageBoxA] owner=NULL");
  } else {
    fprintf(stderr, "[MessageBoxA] owner=%p", owner);
  }
  if (caption == nullptr) {
    fprintf(stderr, " caption=NULL");
  } else {
    fprintf(stderr, " caption=\"%s\"", caption);
  }
  fprintf(stderr, " style=0x%08X text=\"%s\"\n", type, text == nullptr ? "" : text);
  fflush(stderr);
  return IDOK;
}
