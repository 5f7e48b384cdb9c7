#pragma once

// Faults of the machine for the tests: a folder that cannot be written (even by root) and a
// full disk. Both last as long as the object and undo themselves.

#include <linux/capability.h>
#include <sys/resource.h>

#include <map>
#include <string>

namespace tonvale::testing {

// Root's power to write where the permission bits say no (CAP_DAC_OVERRIDE,
// CAP_DAC_READ_SEARCH, CAP_FOWNER), taken from this thread's effective set while this lives,
// so that a folder of mode 0555 is read-only for root too. Other users need nothing.
class WithoutOverride {
 public:
  WithoutOverride();
  ~WithoutOverride();
  WithoutOverride(const WithoutOverride&) = delete;
  WithoutOverride& operator=(const WithoutOverride&) = delete;
  // False when the capabilities could not be dropped, so the folder is not really read-only.
  bool Works() const;

 private:
  __user_cap_header_struct header_{};
  __user_cap_data_struct saved_[2]{};
  bool dropped_ = false;
};

// A disk that is full past `bytes` for every file this process writes: a file-size limit
// (RLIMIT_FSIZE) with SIGXFSZ ignored, so that a write past it fails with EFBIG.
class DiskFullPast {
 public:
  explicit DiskFullPast(rlim_t bytes);
  ~DiskFullPast();
  DiskFullPast(const DiskFullPast&) = delete;
  DiskFullPast& operator=(const DiskFullPast&) = delete;

 private:
  rlimit saved_{};
  void (*previous_)(int) = nullptr;
};

// Every regular file under a folder with its bytes.
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const std::string& folder);

}  // namespace tonvale::testing
