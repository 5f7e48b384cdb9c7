#include "cli/job_plan.h"

#include <gtest/gtest.h>

namespace tonvale::cli {
namespace {

TEST(JobPlanTest, TheJobsAreACoreBudget) {
  struct Case {
    unsigned requested, cores;
    size_t files;
    unsigned filesAtOnce, threadsPerFile;
  };
  const Case cases[] = {
      {0, 2, 1, 1, 2},   // one file alone takes every core
      {0, 2, 8, 2, 1},   // a library: one file per core
      {1, 2, 8, 1, 1},   // -j 1 keeps one core busy, even on a larger host
      {1, 64, 1, 1, 1},  // a scheduler's one-core task on a large node
      {2, 2, 1, 1, 2},   // fewer files than cores: the rest go to the analysis
      {4, 2, 3, 3, 1},   // -j may ask for more than the cores
      {5, 8, 2, 2, 2},   // the remainder of an uneven share stays idle
      {0, 4, 0, 1, 4},   // nothing to convert still plans one job
  };
  for (const Case& c : cases) {
    const JobPlan plan = PlanJobs(c.requested, c.cores, c.files);
    EXPECT_EQ(plan.filesAtOnce, c.filesAtOnce) << c.requested << " " << c.cores << " " << c.files;
    EXPECT_EQ(plan.threadsPerFile, c.threadsPerFile)
        << c.requested << " " << c.cores << " " << c.files;
  }
  EXPECT_GE(AvailableCores(), 1u);
}

}  // namespace
}  // namespace tonvale::cli
