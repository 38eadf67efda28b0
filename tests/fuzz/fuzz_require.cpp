#include <stdio.h>
#include <stdlib.h>

#include "tests/fuzz/fuzz_input.h"

void fuzz_require(bool condition, const char *what) {
  if (condition) return;
  fprintf(stderr, "fuzz finding: %s\n", what);
  abort();
}
