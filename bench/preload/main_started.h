// When the program's main begins, seen from a preloaded library.
#pragma once

bool main_has_started(void);
// Load address of the main program, known once main has started.
const void *main_program_base(void);
