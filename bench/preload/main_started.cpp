// The C library calls the program's main through __libc_start_main; a
// preloaded definition of it hands over a main of its own that marks the
// moment and then runs the program's.
#include "preload/main_started.h"

#include <dlfcn.h>

#include <atomic>

namespace {

using ProgramMain = int (*)(int, char **, char **);
using StartMain = int (*)(ProgramMain, int, char **, void (*)(void), void (*)(void), void (*)(void),
                          void *);

ProgramMain program_main;
std::atomic<bool> started{false};
const void *program_base;

int marked_main(int argc, char **argv, char **envp) {
  Dl_info info;
  if (dladdr(reinterpret_cast<void *>(program_main), &info) != 0) program_base = info.dli_fbase;
  started.store(true);
  return program_main(argc, argv, envp);
}

}  // namespace

bool main_has_started(void) { return started.load(std::memory_order_relaxed); }

const void *main_program_base(void) { return program_base; }

extern "C" int __libc_start_main(ProgramMain main, int argc, char **argv, void (*init)(void),
                                 void (*fini)(void), void (*rtld_fini)(void), void *stack_end) {
  const StartMain next = reinterpret_cast<StartMain>(dlsym(RTLD_NEXT, "__libc_start_main"));
  program_main = main;
  return next(marked_main, argc, argv, init, fini, rtld_fini, stack_end);
}
