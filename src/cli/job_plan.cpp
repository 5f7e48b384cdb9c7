#include "cli/job_plan.h"

#include <sched.h>

#include <algorithm>
#include <thread>

namespace tonvale::cli {

JobPlan PlanJobs(unsigned requested, unsigned cores, size_t files) {
  const unsigned budget = std::max(1u, requested == 0 ? cores : requested);
  JobPlan plan;
  plan.filesAtOnce = static_cast<unsigned>(std::clamp<size_t>(files, 1, budget));
  plan.threadsPerFile = std::max(1u, budget / plan.filesAtOnce);
  return plan;
}

unsigned AvailableCores() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) {
    const int count = CPU_COUNT(&set);
    if (count > 0) return static_cast<unsigned>(count);
  }
  return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace tonvale::cli
