// The link's one process-wide state. Static storage starts it at zero, which
// is the state every part of the link expects before the first open.
#include "link/remote_link.h"

RemoteLink remote_link;
