#include "support/failing_reads.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>

namespace tonvale::testing {
namespace {

using Fread = size_t (*)(void*, size_t, size_t, FILE*);

struct Fault {
  std::mutex mutex;
  std::atomic<bool> armed{false};
  std::string path;  // as the system names it, symbolic links resolved
  int64_t goodBytes = 0;
  int failures = 0;
};

Fault& TheFault() {
  static Fault fault;
  return fault;
}

Fread RealFread() {
  static const Fread real = reinterpret_cast<Fread>(dlsym(RTLD_NEXT, "fread"));
  return real;
}

// The path that the stream's descriptor was opened on.
std::string PathOf(FILE* stream) {
  const int fd = fileno(stream);
  if (fd < 0) return {};
  std::error_code ignored;
  return std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), ignored).string();
}

}  // namespace

FailingReads::FailingReads(const std::string& path, int64_t goodBytes) {
  Fault& fault = TheFault();
  std::lock_guard lock(fault.mutex);
  fault.path = std::filesystem::weakly_canonical(path).string();
  fault.goodBytes = goodBytes;
  fault.failures = 0;
  fault.armed = true;
}

FailingReads::~FailingReads() {
  Fault& fault = TheFault();
  std::lock_guard lock(fault.mutex);
  fault.armed = false;
}

int FailingReads::Failures() const {
  Fault& fault = TheFault();
  std::lock_guard lock(fault.mutex);
  return fault.failures;
}

}  // namespace tonvale::testing

extern "C" size_t fread(void* __restrict data, size_t size, size_t count, FILE* __restrict stream) {
  using namespace tonvale::testing;
  Fault& fault = TheFault();
  if (!fault.armed || size == 0) return RealFread()(data, size, count, stream);
  std::unique_lock lock(fault.mutex);
  const long at = std::ftell(stream);
  if (at < 0 || PathOf(stream) != fault.path ||
      at + static_cast<int64_t>(size * count) <= fault.goodBytes) {
    lock.unlock();
    return RealFread()(data, size, count, stream);
  }
  // Whole items up to the failing byte come through; the rest is an I/O error.
  const int64_t room = fault.goodBytes > at ? fault.goodBytes - at : 0;
  const size_t items = static_cast<size_t>(room) / size;
  const size_t got = items > 0 ? RealFread()(data, size, items, stream) : 0;
  ++fault.failures;
  stream->_flags |= _IO_ERR_SEEN;
  errno = EIO;
  return got;
}
