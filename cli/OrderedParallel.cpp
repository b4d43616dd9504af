#include "cli/OrderedParallel.h"

#include <sched.h>

namespace polyverb::cli {

unsigned ProcessorCount() {
  // The affinity mask, not the machine's count: a process confined to fewer processors
  // gains nothing from more threads.
  cpu_set_t set;
  if (::sched_getaffinity(0, sizeof set, &set) == 0) {
    const int count = CPU_COUNT(&set);
    if (count > 0) return static_cast<unsigned>(count);
  }
  const unsigned count = std::thread::hardware_concurrency();
  return count > 0 ? count : 1;
}

}  // namespace polyverb::cli
