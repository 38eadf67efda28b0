// The reads in progress inside velk_hid_dll, so that the log tells what
// became of each one that did not simply return: abandoned by a thread ended
// by force inside it, or still blocked when its handle was closed or the
// process exited (a thread the tool left running).
#pragma once

#include "link/remote_link.h"
#include "sim/remote/log_lines.h"

// The remote's lock is held for each of these.

// The calling thread starts a read on `handle`. The slot to hand to
// read_watch_end, or -1 when too many reads are in progress to watch them all.
int read_watch_begin(HidHandle handle);
// The read of `slot` returned.
void read_watch_end(int slot);
// The calling thread is being ended by force while it waits inside a read
// (POSIX, where the wait's cancellation handler can say so; Windows tells it
// by the thread's handle).
void read_watch_ended_by_force(void);
// At the close of `handle`, t ms after its open: a line for each read on it
// that is still watched. Abandoned reads are then forgotten; a blocked one is
// left to its thread, which the close wakes.
void read_watch_at_close(HidHandle handle, unsigned long t, LogLines *log);
