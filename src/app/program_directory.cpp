#include "app/program_directory.h"

#include <unistd.h>

#include <climits>
#include <vector>

namespace tonvale {

std::string GetProgramDirectory() {
  std::vector<char> buffer(PATH_MAX + 1);
  ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return {};
  std::string executable(buffer.data(), static_cast<size_t>(length));
  size_t slash = executable.rfind('/');
  if (slash == std::string::npos) return {};
  return executable.substr(0, slash + 1);
}

}  // namespace tonvale
