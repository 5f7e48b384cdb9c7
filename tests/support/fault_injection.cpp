#include "support/fault_injection.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "support/temp_dir.h"

namespace tonvale::testing {

WithoutOverride::WithoutOverride() {
  if (geteuid() != 0) return;
  header_.version = _LINUX_CAPABILITY_VERSION_3;
  if (syscall(SYS_capget, &header_, saved_) != 0) return;
  __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
  const uint32_t bits = 1u << CAP_DAC_OVERRIDE | 1u << CAP_DAC_READ_SEARCH | 1u << CAP_FOWNER;
  reduced[0].effective &= ~bits;
  dropped_ = syscall(SYS_capset, &header_, reduced) == 0;
}

WithoutOverride::~WithoutOverride() {
  if (dropped_) syscall(SYS_capset, &header_, saved_);
}

bool WithoutOverride::Works() const {
  return geteuid() != 0 || dropped_;
}

DiskFullPast::DiskFullPast(rlim_t bytes) {
  getrlimit(RLIMIT_FSIZE, &saved_);
  previous_ = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = saved_;
  limit.rlim_cur = bytes;
  setrlimit(RLIMIT_FSIZE, &limit);
}

DiskFullPast::~DiskFullPast() {
  setrlimit(RLIMIT_FSIZE, &saved_);
  std::signal(SIGXFSZ, previous_);
}

Snapshot TakeSnapshot(const std::string& folder) {
  Snapshot files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) files[entry.path().string()] = ReadFile(entry.path().string());
  }
  return files;
}

}  // namespace tonvale::testing
