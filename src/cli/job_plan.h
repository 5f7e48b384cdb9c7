#pragma once

#include <cstddef>

namespace tonvale::cli {

// How the cores of one command line are shared: `-j N` is the number of cores wav2mid may keep
// busy, as make's -j is, so that a task given one core by a scheduler starts one thread, not
// one per core of the host.
struct JobPlan {
  unsigned filesAtOnce = 1;     // conversions running side by side, >= 1
  unsigned threadsPerFile = 1;  // process 1's analysis threads in each, >= 1
};

// `requested`: the -j value, 0 when not given (then `cores`); `cores`: the cores this process
// may run on, >= 1; `files`: the recordings to convert. Cores that the files at once leave go
// to their analysis threads: one file alone uses them all.
JobPlan PlanJobs(unsigned requested, unsigned cores, size_t files);

// The processors this process may run on (its CPU affinity, which schedulers and taskset
// narrow), at least 1.
unsigned AvailableCores();

}  // namespace tonvale::cli
