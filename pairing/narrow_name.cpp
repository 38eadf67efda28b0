#include <string.h>

#include "pairing/pairing_state.h"

int narrow_name(const WCHAR (&name)[BLUETOOTH_MAX_NAME_SIZE], char (&buffer)[kNameBufferSize]) {
  buffer[0] = '\0';
  // Counted within the array: a name that fills all of it has no end we can
  // trust and is not converted.
  int length = 0;
  while (length < BLUETOOTH_MAX_NAME_SIZE && name[length] != 0) ++length;
  if (length == BLUETOOTH_MAX_NAME_SIZE) return 0;

  int produced = WideCharToMultiByte(CP_THREAD_ACP, 0, name, length + 1, buffer, kNameBufferSize,
                                     nullptr, nullptr);
  // A name too long for the buffer leaves it with partial bytes.
  if (produced <= 0) buffer[0] = '\0';
  return produced > 0 ? produced : 0;
}

bool is_wii_remote_name(const char (&narrow)[kNameBufferSize], int produced) {
  // Whole string, terminating zero included, case-sensitive.
  return produced == static_cast<int>(sizeof WII_REMOTE_NAME) &&
         memcmp(narrow, WII_REMOTE_NAME, sizeof WII_REMOTE_NAME) == 0;
}
