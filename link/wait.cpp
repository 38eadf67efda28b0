// The millisecond busy-wait on the high-resolution counter.
#include "link/remote_link.h"

void wait_ms(int32_t ms) {
  LARGE_INTEGER frequency;
  LARGE_INTEGER start;
  LARGE_INTEGER now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  double elapsed_ms = 0.0;
  do {
    QueryPerformanceCounter(&now);
    elapsed_ms = (static_cast<double>(now.QuadPart) - static_cast<double>(start.QuadPart)) /
                 static_cast<double>(frequency.QuadPart) * 1000.0;
  } while (!(elapsed_ms > ms));
}
