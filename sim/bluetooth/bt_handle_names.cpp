// Names of the simulated stack's handles in the log, the same on every build.
#include <stdio.h>

#include "sim/bluetooth/bt_handles.h"

namespace {

const char *kind_name(SimHandleKind kind) {
  switch (kind) {
    case SimHandleKind::radio:
      return "radio";
    case SimHandleKind::radio_search:
      return "radio-search";
    case SimHandleKind::device_search:
      return "device-search";
  }
  return "handle";
}

}  // namespace

void bt_describe_handle(HANDLE handle, const SimHandle *found, char name[kHandleNameSize]) {
  if (handle == nullptr) {
    snprintf(name, kHandleNameSize, "null");
  } else if (found != nullptr) {
    snprintf(name, kHandleNameSize, "%s#%d", kind_name(found->kind), found->number);
  } else {
    snprintf(name, kHandleNameSize, "foreign(%p)", handle);
  }
}
