#include "support/waiting.h"

#include <sys/stat.h>

#include <chrono>
#include <thread>

namespace tonvale::testing {

bool WaitUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

int64_t FileSize(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? static_cast<int64_t>(info.st_size) : 0;
}

bool WaitForGrowth(const std::string& path, int64_t bytes) {
  const int64_t target = FileSize(path) + bytes;
  return WaitUntil([&] { return FileSize(path) >= target; });
}

}  // namespace tonvale::testing
