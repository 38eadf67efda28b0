// Preloaded into a tool's process: counts every heap block asked for
// (malloc, calloc, realloc and the aligned forms), before main and after it,
// and after it by owner (heap_owner.h). At exit it writes the counts to the
// file named by BENCH_HEAP_REPORT. Blocks are still served by the C library.
#include <errno.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <atomic>
#include <mutex>

#include "preload/heap_owner.h"
#include "preload/main_started.h"
#include "preload/preload_report.h"

extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *block, size_t size);
void *__libc_memalign(size_t alignment, size_t size);
void *__libc_valloc(size_t size);
void *__libc_pvalloc(size_t size);
}

namespace {

constexpr const char *kReportVariable = "BENCH_HEAP_REPORT";
constexpr int kMaxSites = 8;
constexpr size_t kReportSize = 4096;
constexpr size_t kLineSize = 160;

// The attribution itself may allocate (the unwinder's first use loads a
// library): those blocks are not the program's and must not recurse.
__thread bool in_probe __attribute__((tls_model("initial-exec")));

std::atomic<long> before_main{0};
std::atomic<long> after_main[kHeapOwnerCount];

std::mutex sites_lock;
HeapSite system_sites[kMaxSites];
int system_site_count;

void note_system_site(const HeapSite &site) {
  std::lock_guard<std::mutex> hold(sites_lock);
  for (int i = 0; i < system_site_count; ++i) {
    if (system_sites[i].frame == site.frame) return;
  }
  if (system_site_count < kMaxSites) system_sites[system_site_count++] = site;
}

void count_allocation(void) {
  if (in_probe) return;
  if (!main_has_started()) {
    before_main.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  in_probe = true;
  HeapSite site;
  const HeapOwner owner = owner_of_this_allocation(&site);
  after_main[static_cast<int>(owner)].fetch_add(1, std::memory_order_relaxed);
  if (owner == HeapOwner::tool || owner == HeapOwner::pairing) note_system_site(site);
  in_probe = false;
}

__attribute__((constructor)) void warm_up_unwinder(void) {
  in_probe = true;
  HeapSite site;
  owner_of_this_allocation(&site);
  in_probe = false;
}

__attribute__((destructor)) void write_counts(void) {
  in_probe = true;
  char report[kReportSize] = "";
  report_append(report, sizeof report, "heap_before_main", before_main.load());
  for (int i = 0; i < kHeapOwnerCount; ++i) {
    report_append(report, sizeof report, heap_owner_key(static_cast<HeapOwner>(i)),
                  after_main[i].load());
  }
  for (int i = 0; i < system_site_count; ++i) {
    const HeapSite &site = system_sites[i];
    char line[kLineSize];
    snprintf(line, sizeof line, "%s+0x%lx(%s) first call into %s",
             site.symbol != nullptr ? site.symbol : "binary",
             static_cast<unsigned long>(reinterpret_cast<uintptr_t>(site.frame) -
                                        reinterpret_cast<uintptr_t>(site.base)),
             site.symbol != nullptr ? "symbol" : "offset", site.first_call);
    report_append_text(report, sizeof report, "heap_system_site", line);
  }
  report_write(kReportVariable, report);
}

}  // namespace

extern "C" {

void *malloc(size_t size) {
  count_allocation();
  return __libc_malloc(size);
}

void *calloc(size_t count, size_t size) {
  count_allocation();
  return __libc_calloc(count, size);
}

void *realloc(void *block, size_t size) {
  count_allocation();
  return __libc_realloc(block, size);
}

void *reallocarray(void *block, size_t count, size_t size) {
  count_allocation();
  if (size != 0 && count > SIZE_MAX / size) {
    errno = ENOMEM;
    return nullptr;
  }
  return __libc_realloc(block, count * size);
}

void *memalign(size_t alignment, size_t size) {
  count_allocation();
  return __libc_memalign(alignment, size);
}

void *aligned_alloc(size_t alignment, size_t size) {
  count_allocation();
  return __libc_memalign(alignment, size);
}

int posix_memalign(void **block, size_t alignment, size_t size) {
  count_allocation();
  if (alignment % sizeof(void *) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
  void *aligned = __libc_memalign(alignment, size);
  if (aligned == nullptr) return ENOMEM;
  *block = aligned;
  return 0;
}

void *valloc(size_t size) {
  count_allocation();
  return __libc_valloc(size);
}

void *pvalloc(size_t size) {
  count_allocation();
  return __libc_pvalloc(size);
}

}  // extern "C"
